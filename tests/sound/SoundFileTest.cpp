#include "sound/SoundFile.h"

#include "FaultyFileSystem.h"
#include "LibsndfileFormats.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace Orvanta {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Long enough that every file is larger than the reading window (64 KB) for at least one encoding.
constexpr std::size_t kFrames = 32768;
constexpr std::size_t kColumns = 8; // 4096 frames, 64 sine periods, a column
constexpr std::size_t kSpikeFrame = 5000;

// Interleaved frames: channel 0 a sine of amplitude 0.5 with a period of 64 frames, channel 1 the
// same at 0.25; the last channel holds -0.75 at kSpikeFrame. Peak 0.75; columns [-0.5, 0.5] but
// column 1 (frames 4096-8191), which goes down to -0.75.
std::vector<double> TestSignal(int channels) {
    std::vector<double> samples(kFrames * static_cast<std::size_t>(channels));
    for (std::size_t f = 0; f < kFrames; ++f) {
        for (int ch = 0; ch < channels; ++ch) {
            const double amplitude = ch == 0 ? 0.5 : 0.25;
            samples[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(ch)] =
                amplitude * std::sin(2.0 * kPi * static_cast<double>(f) / 64.0);
        }
    }
    samples[kSpikeFrame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channels - 1)] = -0.75;
    return samples;
}

void WriteSound(const std::string& path, int format, int channels, const std::vector<double>& samples) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<sf_count_t>(samples.size() / static_cast<std::size_t>(channels));
    EXPECT_EQ(sf_writef_double(file, samples.data(), frames), frames);
    sf_close(file);
}

std::vector<char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(SoundFileTest, DecodesEveryCommonEncodingWithDetailsPeakAndWaveform) {
    struct Case {
        int format;
        const char* extension;
        const char* container;
        const char* encoding;
        int bits;
    };
    const Case cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, ".wav", "WAV", "PCM 8-bit unsigned", 8},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, ".wav", "WAV", "PCM 16-bit", 16},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_24, ".WAV", "WAV", "PCM 24-bit", 24},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, ".wav", "WAV", "float 32-bit", 32},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, ".aif", "AIFF", "PCM 8-bit", 8},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_16, ".aiff", "AIFF", "PCM 16-bit", 16},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_24, ".aif", "AIFF", "PCM 24-bit", 24},
        {SF_FORMAT_AIFF | SF_FORMAT_FLOAT, ".vpw", "AIFF", "float 32-bit", 32},
    };
    TestSupport::TempFolder temp;
    for (const Case& c : cases) {
        for (const int channels : {1, 2}) {
            SCOPED_TRACE(std::string(c.encoding) + c.extension + " channels " + std::to_string(channels));
            const std::string path = temp / (std::string("sound") + std::to_string(channels) + c.extension);
            WriteSound(path, c.format, channels, TestSignal(channels));
            // Full scale over the bits of the encoding; libsndfile scales by 2^(n-1)-1 writing and
            // 2^(n-1) reading, so allow two steps.
            const double step = c.bits >= 32 ? 1e-6 : 2.0 / std::ldexp(1.0, c.bits - 1);

            const SoundAnalysis analysis = AnalyseSound(path, kColumns);
            ASSERT_TRUE(analysis.details.has_value()) << analysis.reason;
            EXPECT_EQ(analysis.reason, "");
            const SoundDetails& details = *analysis.details;
            EXPECT_EQ(details.format, c.container);
            EXPECT_EQ(details.encoding, c.encoding);
            EXPECT_EQ(details.bits, c.bits);
            EXPECT_EQ(details.sampleRate, 44100);
            EXPECT_EQ(details.channels, channels);
            EXPECT_EQ(details.frames, static_cast<std::int64_t>(kFrames));
            EXPECT_DOUBLE_EQ(details.seconds, static_cast<double>(kFrames) / 44100.0);
            EXPECT_NEAR(details.peak, 0.75, step);
            ASSERT_EQ(analysis.waveform.size(), kColumns);
            for (std::size_t column = 0; column < kColumns; ++column) {
                EXPECT_NEAR(analysis.waveform[column].min, column == 1 ? -0.75 : -0.5, step) << column;
                EXPECT_NEAR(analysis.waveform[column].max, 0.5, step) << column;
            }

            CSoundDecoder decoder;
            std::string reason;
            ASSERT_TRUE(decoder.Open(path, reason)) << reason;
            EXPECT_EQ(decoder.Details().frames, details.frames);
            std::vector<std::int16_t> frames(kFrames * static_cast<std::size_t>(channels) + 2);
            CSoundDecoder moved = std::move(decoder);
            EXPECT_EQ(moved.ReadInt16(frames.data(), kFrames + 1), kFrames);
            EXPECT_EQ(moved.ReadInt16(frames.data(), 1), 0U);
            const std::size_t spike = kSpikeFrame * static_cast<std::size_t>(channels) + (channels == 2 ? 1U : 0U);
            EXPECT_NEAR(frames[spike], -0.75 * 32767.0, step * 32768.0 + 1.0);
            EXPECT_NEAR(frames[16U * static_cast<std::size_t>(channels)], 0.5 * 32767.0, step * 32768.0 + 1.0);
            moved.Rewind();
            std::vector<std::int16_t> again(frames.size());
            EXPECT_EQ(moved.ReadInt16(again.data(), kFrames), kFrames);
            EXPECT_EQ(again, frames);
        }
    }
}

// Every kind of file this libsndfile writes is recognised when read back: files are refused before
// libsndfile sees them only by headers none of its formats begins with. SD2 keeps its details in a
// resource fork beside the file and RAW has no header, so neither is told by its bytes.
TEST(SoundFileTest, EveryFormatTheSoundLibraryWritesIsReadBack) {
    TestSupport::TempFolder temp;
    int majors = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &majors, sizeof(int));
    int readBack = 0;
    for (int m = 0; m < majors; ++m) {
        SF_FORMAT_INFO major{};
        major.format = m;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &major, sizeof(major));
        if (major.format == SF_FORMAT_SD2 || major.format == SF_FORMAT_RAW) {
            continue;
        }
        for (const int subtype : {SF_FORMAT_PCM_16, SF_FORMAT_PCM_S8, SF_FORMAT_FLOAT, SF_FORMAT_VORBIS,
                                  SF_FORMAT_MPEG_LAYER_III, SF_FORMAT_GSM610, SF_FORMAT_DWVW_16}) {
            if (!TestSupport::LibsndfileWrites(major.format | subtype)) {
                continue;
            }
            SCOPED_TRACE(std::string(major.name) + " subtype " + std::to_string(subtype));
            const std::string path = temp / ("sound" + std::to_string(m) + ".sound");
            WriteSound(path, major.format | subtype, 1, TestSignal(1));
            const SoundAnalysis analysis = AnalyseSound(path, 1);
            EXPECT_TRUE(analysis.details.has_value()) << analysis.reason;
            ++readBack;
            break;
        }
    }
    EXPECT_GE(readBack, 10);
}

// Fewer frames than columns: each column that no frame falls into repeats its left neighbour, the
// leading ones the first frame. Samples of float files beyond full scale are clamped.
TEST(SoundFileTest, SpreadsFewFramesOverColumnsAndClampsBeyondFullScale) {
    TestSupport::TempFolder temp;
    const std::string path = temp / "three.wav";
    WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, {0.25, -0.5, 1.5});
    const SoundAnalysis analysis = AnalyseSound(path, 8);
    ASSERT_TRUE(analysis.details.has_value()) << analysis.reason;
    EXPECT_EQ(analysis.details->peak, 1.0);
    const float expected[] = {0.25F, 0.25F, 0.25F, 0.25F, 0.25F, -0.5F, -0.5F, 1.0F};
    ASSERT_EQ(analysis.waveform.size(), 8U);
    for (std::size_t c = 0; c < 8; ++c) {
        EXPECT_EQ(analysis.waveform[c].min, expected[c]) << c;
        EXPECT_EQ(analysis.waveform[c].max, expected[c]) << c;
    }
    EXPECT_TRUE(AnalyseSound(path, 0).waveform.empty());

    // NaN samples are passed over; the samples after one in its lane still count.
    std::vector<double> withNaN(40, 0.125);
    withNaN[0] = withNaN[17] = std::nan("");
    withNaN[8] = 0.625;
    withNaN[33] = -0.375;
    const std::string nanPath = temp / "nan.wav";
    WriteSound(nanPath, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, withNaN);
    const SoundAnalysis nanAnalysis = AnalyseSound(nanPath, 1);
    ASSERT_TRUE(nanAnalysis.details.has_value()) << nanAnalysis.reason;
    EXPECT_EQ(nanAnalysis.details->peak, 0.625);
    ASSERT_EQ(nanAnalysis.waveform.size(), 1U);
    EXPECT_EQ(nanAnalysis.waveform[0].min, -0.375F);
    EXPECT_EQ(nanAnalysis.waveform[0].max, 0.625F);

    CSoundDecoder decoder;
    std::string reason;
    ASSERT_TRUE(decoder.Open(path, reason)) << reason;
    std::int16_t samples[3] = {};
    ASSERT_EQ(decoder.ReadInt16(samples, 3), 3U);
    EXPECT_EQ(samples[2], 32767);
}

TEST(SoundFileTest, DamagedForeignAndInstrumentFilesGiveNoPreviewWithAReason) {
    TestSupport::TempFolder temp;
    const std::string good = temp / "good.wav";
    WriteSound(good, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, TestSignal(1));
    const std::vector<char> bytes = ReadBytes(good);
    ASSERT_EQ(bytes.size(), 44U + 2U * kFrames);

    std::vector<char> garbage(5000);
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>(i * 7919U % 251U);
    }
    std::vector<char> wrongSize = bytes;
    wrongSize[22] = 0; // no channels
    struct Case {
        const char* name;
        std::vector<char> bytes;
        std::string reason; // empty: any reason from libsndfile
    };
    const std::vector<Case> cases = {
        {"empty.wav", {}, ""},
        {"cut-header.wav", {bytes.begin(), bytes.begin() + 20}, ""},
        {"cut-format.aif", {bytes.begin(), bytes.begin() + 30}, ""},
        {"garbage.wav", garbage, "Format not recognised."},
        {"no-channels.wav", wrongSize, ""},
        {"readable.w00", bytes, kInstrumentWaveReason},
        {"readable.W7a", bytes, kInstrumentWaveReason},
        {"missing.wav", {}, ""},
    };
    // What lies in the current folder never becomes part of a file's sound: a file libsndfile does
    // not recognise is not looked for as a resource fork named "._" there.
    const std::filesystem::path folderBefore = std::filesystem::current_path();
    std::filesystem::create_directories(temp / "elsewhere/.AppleDouble");
    WriteBytes(temp / "elsewhere/._", garbage);
    std::filesystem::current_path(temp / "elsewhere");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = temp / c.name;
        if (std::string(c.name) != "missing.wav") {
            WriteBytes(path, c.bytes);
        }
        const SoundAnalysis analysis = AnalyseSound(path, 16);
        EXPECT_FALSE(analysis.details.has_value());
        EXPECT_TRUE(analysis.waveform.empty());
        EXPECT_FALSE(analysis.reason.empty());
        if (!c.reason.empty()) {
            EXPECT_EQ(analysis.reason, c.reason);
        }
        CSoundDecoder decoder;
        std::string reason;
        EXPECT_FALSE(decoder.Open(path, reason));
        EXPECT_EQ(reason, analysis.reason);
        std::int16_t sample = 0;
        EXPECT_EQ(decoder.ReadInt16(&sample, 1), 0U);
        EXPECT_EQ(decoder.Details().frames, 0);
    }
    std::filesystem::current_path(folderBefore);

    // Data cut short: the frames that are there are shown.
    const std::string cutData = temp / "cut-data.wav";
    WriteBytes(cutData, {bytes.begin(), bytes.begin() + 44 + 1000});
    const SoundAnalysis shortened = AnalyseSound(cutData, 4);
    ASSERT_TRUE(shortened.details.has_value()) << shortened.reason;
    EXPECT_EQ(shortened.details->frames, 500);
    EXPECT_EQ(shortened.waveform.size(), 4U);
}

// A wave of 64 KB is read in two calls, its header and the rest, and none beyond its end.
TEST(SoundFileTest, AWaveIsReadInTwoCallsAndNoneBeyondItsEnd) {
    TestSupport::TempFolder temp;
    const std::string path = temp / "short.wav";
    WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, TestSignal(1));
    TestSupport::FaultyFileSystem files;
    const std::unique_ptr<CFile> file = files.OpenRead(path);
    ASSERT_NE(file, nullptr);
    const SoundAnalysis analysis = AnalyseSound(*file, file->Stamp().size, path, 4);
    ASSERT_TRUE(analysis.details.has_value()) << analysis.reason;
    EXPECT_EQ(analysis.details->frames, static_cast<std::int64_t>(kFrames));
    EXPECT_EQ(files.Calls(TestSupport::FaultyFileSystem::kRead), 2);
}

// A wave being played stays open; meanwhile a save may rename or delete its file (Windows allows it
// only when the file was opened sharing deletion).
TEST(SoundFileTest, AWaveBeingReadCanBeRenamedAndDeleted) {
    TestSupport::TempFolder temp;
    const std::string path = temp / "playing.wav";
    WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, TestSignal(1));
    CSoundDecoder decoder;
    std::string reason;
    ASSERT_TRUE(decoder.Open(path, reason)) << reason;
    std::vector<std::int16_t> samples(1000);
    ASSERT_EQ(decoder.ReadInt16(samples.data(), samples.size()), samples.size());

    const std::string moved = temp / "moved.wav";
    std::error_code error;
    std::filesystem::rename(path, moved, error);
    EXPECT_FALSE(error) << error.message();
    EXPECT_TRUE(std::filesystem::remove(moved, error)) << error.message();
    EXPECT_EQ(decoder.ReadInt16(samples.data(), samples.size()), samples.size());
}

// The views read waves on several threads at once: each read gives its own file's result, failed
// opens included, whatever the other threads read at the same time.
TEST(SoundFileTest, ConcurrentReadsGiveEachFileItsOwnResult) {
    TestSupport::TempFolder temp;
    const std::string good = temp / "good.aif";
    WriteSound(good, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2, TestSignal(2));
    const std::string garbage = temp / "garbage.wav";
    WriteBytes(garbage, std::vector<char>(3000, 'x'));
    const std::string cut = temp / "cut.wav";
    WriteSound(cut, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, TestSignal(1));
    const std::vector<char> bytes = ReadBytes(cut);
    WriteBytes(cut, {bytes.begin(), bytes.begin() + 20});
    const std::vector<std::string> paths = {good, garbage, cut};
    std::vector<SoundAnalysis> expected;
    for (const std::string& path : paths) {
        expected.push_back(AnalyseSound(path, kColumns));
    }
    ASSERT_NE(expected[1].reason, expected[2].reason);

    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            for (std::size_t round = 0; round < 60; ++round) {
                const std::size_t which = (round + t) % paths.size();
                const SoundAnalysis analysis = AnalyseSound(paths[which], kColumns);
                const bool same = analysis.reason == expected[which].reason &&
                                  analysis.details.has_value() == expected[which].details.has_value() &&
                                  analysis.waveform.size() == expected[which].waveform.size() &&
                                  (!analysis.details || analysis.details->peak == expected[which].details->peak);
                mismatches[t] += same ? 0 : 1;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

} // namespace
} // namespace Orvanta
