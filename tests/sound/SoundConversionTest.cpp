#include "sound/SoundConversion.h"

#include "TempFolder.h"

#include "LibsndfileFormats.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace Orvanta {
namespace {

constexpr double kPi = 3.14159265358979323846;

using TestSupport::LibsndfileWrites;

// Interleaved frames: every channel a sine of 441 Hz-ish periods (100 frames), channel c at
// amplitude `peak` / (c + 1), so that the first channel carries the peak.
std::vector<double> Sine(std::size_t frames, int channels, double peak) {
    std::vector<double> samples(frames * static_cast<std::size_t>(channels));
    for (std::size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            samples[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                peak / (c + 1) * std::sin(2.0 * kPi * static_cast<double>(f) / 100.0 + 0.3);
        }
    }
    return samples;
}

// Writes the samples with libsndfile in `format`; false when this libsndfile cannot write it.
bool Write(const std::string& path, int format, int rate, int channels, const std::vector<double>& samples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    if (sf_format_check(&info) == SF_FALSE) {
        return false;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    // Float files keep values beyond full scale; integer files would clip them on writing.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const auto frames = static_cast<sf_count_t>(samples.size() / static_cast<std::size_t>(channels));
    const bool written = sf_writef_double(file, samples.data(), frames) == frames;
    sf_close(file);
    return written;
}

struct ReadBack {
    SF_INFO info{};
    double peak = 0.0;
    sf_count_t frames = 0;
};

ReadBack Read(const std::string& path) {
    ReadBack back;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &back.info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    if (file == nullptr) {
        return back;
    }
    std::vector<double> block(4096 * static_cast<std::size_t>(back.info.channels));
    for (sf_count_t got; (got = sf_readf_double(file, block.data(), 4096)) > 0;) {
        back.frames += got;
        const auto samples = static_cast<std::size_t>(got) * static_cast<std::size_t>(back.info.channels);
        for (std::size_t i = 0; i < samples; ++i) {
            back.peak = std::max(back.peak, std::abs(block[i]));
        }
    }
    sf_close(file);
    return back;
}

TEST(SoundConversionTest, EveryFormatLibsndfileWritesIsConvertedAndReadsBack) {
    struct Case {
        const char* label;
        const char* extension;
        int format;
        int rate;
        int channels;
        int bits;              // of the converted file
        double tolerance;      // of the peak against 0.5, as a fraction of full scale
        sf_count_t frameSlack; // frames the source format may add or drop (codec frames, blocks)
        const char* name;      // what the summary calls it
    };
    const Case cases[] = {
        {"FLAC 16-bit stereo", ".flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 16, 1e-3, 0, "FLAC"},
        {"FLAC 24-bit mono 96k", ".flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000, 1, 24, 1e-3, 0, "FLAC"},
        {"FLAC 8-bit mono 11025", ".flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_S8, 11025, 1, 16, 1.0 / 64, 0, "FLAC"},
        {"Ogg Vorbis stereo", ".ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 24, 0.05, 2000, "Ogg Vorbis"},
        {"Ogg Vorbis mono 22050", ".oga", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 22050, 1, 24, 0.05, 2000, "Ogg Vorbis"},
        // The Opus encoder overshoots in the last frame of a file that stops mid-tone (peak about 0.86).
        {"Opus stereo 48k", ".opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2, 24, 0.4, 2000, "Opus"},
        {"MP3 stereo", ".mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, 24, 0.05, 2000, "MP3"},
        {"float WAV stereo", ".wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, 24, 1e-3, 0, "WAV"},
        {"double W64 mono 32000", ".w64", SF_FORMAT_W64 | SF_FORMAT_DOUBLE, 32000, 1, 24, 1e-3, 0, "W64"},
        {"8-bit unsigned WAV mono", ".wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, 16, 1.0 / 64, 0, "WAV"},
        {"CAF 24-bit 6 channels", ".caf", SF_FORMAT_CAF | SF_FORMAT_PCM_24, 44100, 6, 24, 1e-3, 0, "CAF"},
        {"RF64 32-bit 22050", ".rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_32, 22050, 2, 24, 1e-3, 0, "RF64"},
        {"AIFF u-law mono", ".aifc", SF_FORMAT_AIFF | SF_FORMAT_ULAW, 44100, 1, 16, 0.02, 0, "AIFF"},
        {"AU A-law stereo", ".au", SF_FORMAT_AU | SF_FORMAT_ALAW, 16000, 2, 16, 0.02, 0, "AU"},
        {"IMA ADPCM WAV odd rate", ".wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 37800, 1, 16, 0.02, 1024, "WAV"},
    };
    TestSupport::TempFolder temp;
    constexpr std::size_t kFrames = 48000;
    int converted = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string source = temp / (std::string("source") + std::to_string(converted) + c.extension);
        if (!Write(source, c.format, c.rate, c.channels, Sine(kFrames, c.channels, 0.5))) {
            // Only the codecs depend on how libsndfile was built.
            const int type = c.format & SF_FORMAT_TYPEMASK;
            EXPECT_TRUE(type == SF_FORMAT_FLAC || type == SF_FORMAT_OGG || type == SF_FORMAT_MPEG)
                << "libsndfile cannot write " << c.label;
            EXPECT_FALSE(LibsndfileWrites(c.format)) << c.label;
            continue;
        }
        const ReadBack original = Read(source);
        const SF_INFO written = original.info;
        const std::string destination = temp / ("converted" + std::to_string(converted++) + ".wav");
        const CConversionResult result = ConvertToWav(source, destination);
        ASSERT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(result.source.format, c.name);
        EXPECT_EQ(result.source.targetBits, c.bits);
        EXPECT_EQ(result.clippedSamples, 0);

        const ReadBack back = Read(destination);
        EXPECT_EQ(back.info.format, SF_FORMAT_WAV | (c.bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24));
        EXPECT_EQ(back.info.samplerate, c.rate);
        EXPECT_EQ(back.info.channels, c.channels);
        EXPECT_EQ(back.frames, result.frames);
        // Every frame libsndfile decodes from the source is kept; the source format itself may pad
        // or trim some (lossy codecs, ADPCM blocks).
        EXPECT_EQ(back.frames, written.frames);
        EXPECT_NEAR(static_cast<double>(back.frames), static_cast<double>(kFrames), static_cast<double>(c.frameSlack));
        // The peak as libsndfile decodes the source, to within the converted format's resolution,
        // and near what was written, to within the source format's loss.
        EXPECT_NEAR(back.peak, original.peak, c.bits == 16 ? 1.0 / 32768 : 1.0 / 4194304);
        EXPECT_NEAR(back.peak, 0.5, c.tolerance);
        // The converted size is what the header says it is: 16- or 24-bit samples and a header.
        const auto size = static_cast<std::int64_t>(std::filesystem::file_size(destination));
        EXPECT_GE(size, back.frames * c.channels * (c.bits / 8));
        EXPECT_LE(size, back.frames * c.channels * (c.bits / 8) + 128);
        if (result.source.frames > 0) {
            EXPECT_EQ(result.source.targetDataBytes, result.source.frames * c.channels * (c.bits / 8));
        }
    }
    EXPECT_GE(converted, 8); // every format without a codec library
#if !defined(_WIN32)
    EXPECT_GE(converted, 14); // and FLAC, Vorbis and Opus (MP3 where libsndfile writes it)
#endif
}

TEST(SoundConversionTest, FloatSamplesBeyondFullScaleAreClippedAndCounted) {
    TestSupport::TempFolder temp;
    std::vector<double> samples = Sine(1000, 2, 0.5);
    samples[10] = 1.5;   // frame 5, left
    samples[11] = -2.0;  // frame 5, right
    samples[400] = 1.0;  // exactly full scale: the largest 24-bit value, not counted
    samples[401] = -1.0; // exactly negative full scale, not counted
    const std::string source = temp / "overs.wav";
    ASSERT_TRUE(Write(source, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, samples));
    const std::string destination = temp / "out.wav";
    const CConversionResult result = ConvertToWav(source, destination);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(result.clippedSamples, 2);

    SF_INFO info{};
    SNDFILE* file = sf_open(destination.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    std::vector<int> frames(2000);
    ASSERT_EQ(sf_readf_int(file, frames.data(), 1000), 1000);
    sf_close(file);
    EXPECT_EQ(frames[10], 8388607 << 8);
    EXPECT_EQ(frames[11], -8388607 * 256);
    EXPECT_EQ(frames[400], 8388607 << 8);
    EXPECT_EQ(frames[401], -8388607 * 256);
}

TEST(SoundConversionTest, IntegerSourcesKeepEverySampleExactly) {
    TestSupport::TempFolder temp;
    const std::string source = temp / "exact.caf";
    ASSERT_TRUE(Write(source, SF_FORMAT_CAF | SF_FORMAT_PCM_24, 44100, 2, Sine(5000, 2, 0.9)));
    const std::string destination = temp / "exact.wav";
    ASSERT_TRUE(ConvertToWav(source, destination).ok);
    auto samplesOf = [](const std::string& path) {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        std::vector<int> samples(static_cast<std::size_t>(info.frames * info.channels));
        EXPECT_EQ(sf_readf_int(file, samples.data(), info.frames), info.frames);
        sf_close(file);
        return samples;
    };
    EXPECT_EQ(samplesOf(source), samplesOf(destination));
}

TEST(SoundConversionTest, UnreadableFilesGiveAReasonAndLeaveNoFile) {
    TestSupport::TempFolder temp;
    const std::string destination = temp / "out.wav";
    const std::string text = temp / "notes.flac";
    std::ofstream(text) << "not a sound at all, just some words in a file";
    CConversionResult result = ConvertToWav(text, destination);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_FALSE(std::filesystem::exists(destination));

    result = ConvertToWav(temp / "missing.ogg", destination);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("cannot be opened"), std::string::npos) << result.reason;

    const std::string instrument = temp / "001 Pad.w00";
    std::ofstream(instrument) << "instrument data";
    result = ConvertToWav(instrument, destination);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("instrument"), std::string::npos) << result.reason;

    // A FLAC file cut short: its header promises more frames than the data holds.
    if (!LibsndfileWrites(SF_FORMAT_FLAC | SF_FORMAT_PCM_16)) {
        return;
    }
    const std::string flac = temp / "cut.flac";
    ASSERT_TRUE(Write(flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, Sine(200000, 1, 0.5)));
    std::filesystem::resize_file(flac, std::filesystem::file_size(flac) / 2);
    result = ConvertToWav(flac, destination);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_FALSE(std::filesystem::exists(destination));
}

TEST(SoundConversionTest, ADestinationThatExistsIsNeverReplaced) {
    TestSupport::TempFolder temp;
    const std::string source = temp / "a.caf";
    ASSERT_TRUE(Write(source, SF_FORMAT_CAF | SF_FORMAT_PCM_16, 44100, 1, Sine(1000, 1, 0.5)));
    const std::string destination = temp / "taken.wav";
    std::ofstream(destination) << "keep me";
    EXPECT_FALSE(ConvertToWav(source, destination).ok);
    std::ifstream in(destination);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me");
}

TEST(SoundConversionTest, ProgressRisesAndCancellingRemovesTheFile) {
    TestSupport::TempFolder temp;
    const std::string source = temp / "long.caf";
    ASSERT_TRUE(Write(source, SF_FORMAT_CAF | SF_FORMAT_PCM_16, 44100, 2, Sine(441000, 2, 0.5)));
    std::vector<double> seen;
    const std::string first = temp / "first.wav";
    ASSERT_TRUE(ConvertToWav(source, first, [&seen](double fraction) {
                    seen.push_back(fraction);
                    return true;
                }).ok);
    ASSERT_GE(seen.size(), 5U);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(seen.back(), 0.8);
    EXPECT_LE(seen.back(), 1.0);

    int calls = 0;
    const std::string second = temp / "second.wav";
    const CConversionResult result = ConvertToWav(source, second, [&calls](double) { return ++calls < 3; });
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(std::filesystem::exists(second));
}

TEST(SoundConversionTest, PlayableTypesAreTheFourTheInstrumentReads) {
    EXPECT_TRUE(IsPlayableWaveType("/a/Kick.WAV"));
    EXPECT_TRUE(IsPlayableWaveType("/a/Pad.aif"));
    EXPECT_TRUE(IsPlayableWaveType("/a/Pad.AIFF"));
    EXPECT_TRUE(IsPlayableWaveType("/a/x.vpw"));
    EXPECT_FALSE(IsPlayableWaveType("/a/loop.flac"));
    EXPECT_FALSE(IsPlayableWaveType("/a/001 Pad.w00"));
    EXPECT_FALSE(IsPlayableWaveType("/a.wav/noextension"));
    EXPECT_FALSE(IsPlayableWaveType("/a/clip.wave"));
}

} // namespace
} // namespace Orvanta
