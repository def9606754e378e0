#include "sound/CImportConversion.h"

#include "SaveFixture.h"

#include "operations/WaveSpace.h"
#include "storage/WaveImport.h"

#include "LibsndfileFormats.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace Orvanta::SaveTesting {
namespace {

using TestSupport::LibsndfileWrites;

class CImportConversionTest : public SaveTest {
protected:
    CImportConversionTest() { std::filesystem::create_directory(m_temp / "in"); }

    // Writes `in/name` with libsndfile: `frames` frames of a sine at half scale (silence when
    // `silent`); returns its path.
    std::string Sound(const std::string& name, int format, sf_count_t frames, int channels = 1, bool silent = false) {
        const std::string path = m_temp / ("in/" + name);
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = channels;
        info.format = format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
        std::vector<double> samples(static_cast<std::size_t>(frames * channels));
        for (std::size_t i = 0; i < samples.size() && !silent; ++i) {
            samples[i] = 0.5 * std::sin(static_cast<double>(i) * 0.05);
        }
        EXPECT_EQ(sf_writef_double(file, samples.data(), frames), frames);
        sf_close(file);
        return path;
    }

    std::string Text(const std::string& name, const std::string& text) {
        const std::string path = m_temp / ("in/" + name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Every entry left in the work folder, folders included.
    std::set<std::string> WorkEntries() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_workFolder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    static SF_INFO InfoOf(const std::string& path) {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        EXPECT_NE(file, nullptr) << path;
        if (file != nullptr) {
            sf_close(file);
        }
        return info;
    }

    // Runs the three steps as orvanta-cli does; the number of waves placed.
    std::size_t ImportConverted(CTernFileDocument& document, const std::vector<std::string>& paths) {
        CImportConversion conversion;
        if (!conversion.Prepare(document, paths)) {
            return 0;
        }
        conversion.Convert();
        const std::size_t placed = conversion.Import(document);
        m_summary = conversion.Summary();
        return placed;
    }

    std::string m_summary;
};

TEST_F(CImportConversionTest, ConvertsForeignFilesCopiesPlayableOnesAndImportsThemInNameOrder) {
    if (!LibsndfileWrites(SF_FORMAT_FLAC | SF_FORMAT_PCM_16)) {
        GTEST_SKIP() << "this libsndfile has no FLAC and Ogg codecs";
    }
    CTernFileDocument& document = m_documents.Add();
    document.Data().m_waves[0].m_path = Text("Existing.wav", "used slot");
    const std::string wav = Sound("a Kick.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 300);
    const std::string flac = Sound("b Snare.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 3000, 2);
    const std::string ogg = Sound("c Pad.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 20000);
    const std::string flac24 = Sound("d Long Sample Name.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 500);

    EXPECT_EQ(ImportConverted(document, {ogg, flac24, wav, flac}), 4U);
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_EQ(m_summary, "2 converted from FLAC, 1 converted from Ogg Vorbis, 1 imported as it is");

    const CTernData& data = document.Data();
    EXPECT_EQ(data.m_waves[1].m_name, "a Kick");
    EXPECT_EQ(Bytes(data.m_waves[1].m_path), Bytes(wav));
    EXPECT_EQ(data.m_waves[2].m_name, "b Snare");
    EXPECT_EQ(Extension(data.m_waves[2].m_path), ".wav");
    EXPECT_EQ(InfoOf(data.m_waves[2].m_path).format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(InfoOf(data.m_waves[2].m_path).channels, 2);
    EXPECT_EQ(InfoOf(data.m_waves[2].m_path).frames, 3000);
    EXPECT_EQ(data.m_waves[3].m_name, "c Pad");
    EXPECT_EQ(InfoOf(data.m_waves[3].m_path).format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_EQ(data.m_waves[4].m_name, "d Long Sampl"); // 12 characters, as Import Wave cuts them
    EXPECT_EQ(InfoOf(data.m_waves[4].m_path).format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_TRUE(data.m_waves[5].IsEmpty());
    EXPECT_TRUE(document.IsModified());
    EXPECT_TRUE(CDomain::Instance().HasUndo());
    // Only the import's own work copies stay; the converted files and their folders are gone.
    EXPECT_EQ(WorkEntries().size(), 4U);
    EXPECT_EQ(WorkFiles().size(), 4U);
}

TEST_F(CImportConversionTest, ClippedSamplesAreNamedInTheSummary) {
    CTernFileDocument& document = m_documents.Add();
    const std::string path = m_temp / "in/loop.caf";
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 1;
    info.format = SF_FORMAT_CAF | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const float samples[] = {0.1F, 1.25F, -0.3F, -1.5F, 0.0F};
    ASSERT_EQ(sf_writef_float(file, samples, 5), 5);
    sf_close(file);
    EXPECT_EQ(ImportConverted(document, {path}), 1U);
    EXPECT_EQ(m_summary, "1 converted from CAF; 2 samples clipped in loop.caf");
}

TEST_F(CImportConversionTest, ADamagedFileAmongGoodOnesImportsNothing) {
    CTernFileDocument& document = m_documents.Add();
    const std::vector<std::string> files = {Sound("good.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16, 2000),
                                            Text("bad.ogg", "OggS but not really"),
                                            Sound("fine.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 100)};
    EXPECT_EQ(ImportConverted(document, files), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorImport});
    ASSERT_EQ(m_reporter->Details().size(), 1U);
    EXPECT_EQ(m_reporter->Details()[0].rfind("bad.ogg: ", 0), 0U) << m_reporter->Details()[0];
    EXPECT_EQ(document.Data().CountEmpty(kWaveList), kWaveSlots);
    EXPECT_FALSE(document.IsModified());
    EXPECT_FALSE(CDomain::Instance().HasUndo());
    EXPECT_TRUE(WorkEntries().empty());
}

TEST_F(CImportConversionTest, AFileThatFailsWhileConvertingImportsNothing) {
    if (!LibsndfileWrites(SF_FORMAT_FLAC | SF_FORMAT_PCM_16)) {
        GTEST_SKIP() << "this libsndfile has no FLAC and Ogg codecs";
    }
    CTernFileDocument& document = m_documents.Add();
    // The header is whole, the frames are not: found only while converting.
    const std::string cut = Sound("cut.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 200000);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    const std::vector<std::string> files = {Sound("a.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16, 2000), cut};
    CImportConversion conversion;
    ASSERT_TRUE(conversion.Prepare(document, files));
    EXPECT_FALSE(conversion.Convert());
    EXPECT_EQ(conversion.Failure().rfind("cut.flac: ", 0), 0U) << conversion.Failure();
    EXPECT_EQ(conversion.Import(document), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorImport});
    EXPECT_EQ(document.Data().CountEmpty(kWaveList), kWaveSlots);
    EXPECT_FALSE(CDomain::Instance().HasUndo());
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(CImportConversionTest, CancellingImportsNothingAndLeavesNoFiles) {
    CTernFileDocument& document = m_documents.Add();
    const std::vector<std::string> files = {Sound("a.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16, 100000),
                                            Sound("b.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16, 100000)};
    {
        CImportConversion conversion;
        ASSERT_TRUE(conversion.Prepare(document, files));
        int calls = 0;
        // Let the first file finish, then cancel during the second.
        EXPECT_FALSE(conversion.Convert([&calls](double fraction) { return fraction < 0.5 || ++calls < 2; }));
        EXPECT_TRUE(conversion.Cancelled());
        EXPECT_TRUE(conversion.Failure().empty());
        EXPECT_EQ(conversion.Import(document), 0U);
    }
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_EQ(document.Data().CountEmpty(kWaveList), kWaveSlots);
    EXPECT_FALSE(document.IsModified());
    EXPECT_TRUE(WorkEntries().empty());
}

TEST_F(CImportConversionTest, TheFiftyMegabyteLimitCountsConvertedSizes) {
    if (!LibsndfileWrites(SF_FORMAT_FLAC | SF_FORMAT_PCM_16)) {
        GTEST_SKIP() << "this libsndfile has no FLAC and Ogg codecs";
    }
    CTernFileDocument& document = m_documents.Add();
    // One wave fills the project up to 1000 bytes below the limit (a sparse file).
    const std::string big = m_temp / "in/big.wav";
    std::ofstream(big, std::ios::binary).close();
    std::filesystem::resize_file(big, static_cast<std::uintmax_t>(kMaxWaveBytes - 1000));
    document.Data().m_waves[0].m_path = big;

    // 1000 frames of 16-bit silence: a FLAC file of far fewer than 1000 bytes, 2000 bytes as WAV.
    const std::string silence = Sound("silence.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1000, 1, true);
    ASSERT_LT(std::filesystem::file_size(silence), 1000U);
    EXPECT_EQ(ImportConverted(document, {silence}), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorWaveSize});
    EXPECT_TRUE(WorkEntries().empty()); // refused before converting anything

    // 479 frames: 958 bytes of samples fit, the whole file with its header does not. The import's
    // own check on the converted file refuses it.
    m_reporter->ClearRecord();
    EXPECT_EQ(ImportConverted(document, {Sound("almost.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 479, 1, true)}), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorWaveSize});
    EXPECT_EQ(document.Data().CountEmpty(kWaveList), kWaveSlots - 1);
    EXPECT_TRUE(WorkEntries().empty());

    m_reporter->ClearRecord();
    EXPECT_EQ(ImportConverted(document, {Sound("fits.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 400, 1, true)}), 1U);
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_LE(TotalWaveSize(document.Data()), kMaxWaveBytes);
}

TEST_F(CImportConversionTest, FreeSlotsAreCountedOverTheListAsGiven) {
    CTernFileDocument& document = m_documents.Add();
    for (std::size_t i = 0; i + 2 < kWaveSlots; ++i) {
        document.Data().m_waves[i].m_path = m_temp / ("absent" + std::to_string(i) + ".w00");
    }
    const std::string sound = Sound("a.au", SF_FORMAT_AU | SF_FORMAT_PCM_16, 100);
    EXPECT_EQ(ImportConverted(document, {sound, sound, sound}), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorWaveSpace});
    m_reporter->ClearRecord();
    EXPECT_EQ(ImportConverted(document, {sound, sound}), 1U); // the repeat goes in once
    EXPECT_TRUE(m_reporter->Errors().empty());
}

// What a file is goes by its content: a file named ".wav" or ".aif(f)" goes in as it is only when it
// really is a WAV or AIFF file of 16- or 24-bit integer PCM; any other content is converted.
TEST_F(CImportConversionTest, TheContentNotTheNameDecidesWhatIsConverted) {
    struct Row {
        const char* name;
        int format;
        bool needsCodecs;
        const char* summary;
    };
    const Row rows[] = {
        {"flac.wav", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, true, "1 converted from FLAC"},
        {"vorbis.aiff", SF_FORMAT_OGG | SF_FORMAT_VORBIS, true, "1 converted from Ogg Vorbis"},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, false, "1 converted from WAV"},
        {"eight.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, false, "1 converted from WAV"},
        {"wave.aif", SF_FORMAT_WAV | SF_FORMAT_PCM_16, false, "1 converted from WAV"},
        {"pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, false, "1 imported as it is"},
        {"pcm24.WAV", SF_FORMAT_WAV | SF_FORMAT_PCM_24, false, "1 imported as it is"},
        {"pcm16.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, false, "1 imported as it is"},
        {"pcm24.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, false, "1 imported as it is"},
    };
    const bool codecs = LibsndfileWrites(SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.needsCodecs && !codecs) {
            continue;
        }
        CTernFileDocument& document = m_documents.Add();
        const std::string source = Sound(row.name, row.format, 4000);
        EXPECT_EQ(ImportConverted(document, {source}), 1U);
        EXPECT_TRUE(m_reporter->Errors().empty());
        EXPECT_EQ(m_summary, row.summary);
        const std::string& imported = document.Data().m_waves[0].m_path;
        if (std::string(row.summary) == "1 imported as it is") {
            EXPECT_EQ(Bytes(imported), Bytes(source));
        } else {
            EXPECT_EQ(Extension(imported), ".wav");
            const int encoding = InfoOf(imported).format & SF_FORMAT_SUBMASK;
            EXPECT_TRUE(encoding == SF_FORMAT_PCM_16 || encoding == SF_FORMAT_PCM_24) << encoding;
            EXPECT_EQ(InfoOf(imported).format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
        }
        m_reporter->ClearRecord();
    }
}

// Every file that cannot come in is named, each with a reason in plain words: a text named ".wav"
// is refused too (it is no sound), and the sound library's own texts are not shown.
TEST_F(CImportConversionTest, EveryFileThatCannotBeReadIsNamedWithItsReason) {
    CTernFileDocument& document = m_documents.Add();
    const std::vector<std::string> files = {Text("a.wav", "not a sound at all"),
                                            Sound("b.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16, 2000),
                                            Text("c.ogg", "OggS but not really"), Text("d.flac", "fLaC and nothing")};
    EXPECT_EQ(ImportConverted(document, files), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorImport});
    ASSERT_EQ(m_reporter->Details().size(), 1U);
    const std::string& detail = m_reporter->Details()[0];
    EXPECT_NE(detail.find("a.wav: It is not a sound file, or not of a kind this program reads."), std::string::npos)
        << detail;
    EXPECT_NE(detail.find("\nc.ogg: "), std::string::npos) << detail;
    EXPECT_NE(detail.find("\nd.flac: "), std::string::npos) << detail;
    EXPECT_EQ(detail.find("b.caf"), std::string::npos) << detail;
    EXPECT_EQ(detail.find("Error"), std::string::npos) << detail;
    EXPECT_EQ(std::count(detail.begin(), detail.end(), '\n'), 2);
    EXPECT_EQ(document.Data().CountEmpty(kWaveList), kWaveSlots);
    EXPECT_TRUE(WorkEntries().empty());
}

// Files whose damage shows only while converting: each of them is named, not only the first, and
// the decoder's own words are not.
TEST_F(CImportConversionTest, EveryFileThatFailsWhileConvertingIsNamed) {
    if (!LibsndfileWrites(SF_FORMAT_FLAC | SF_FORMAT_PCM_16)) {
        GTEST_SKIP() << "this libsndfile has no FLAC and Ogg codecs";
    }
    CTernFileDocument& document = m_documents.Add();
    std::vector<std::string> files;
    for (const char* name : {"cut1.flac", "cut2.flac"}) {
        const std::string cut = Sound(name, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 200000);
        std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
        files.push_back(cut);
    }
    files.push_back(Sound("good.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16, 2000));
    CImportConversion conversion;
    ASSERT_TRUE(conversion.Prepare(document, files));
    EXPECT_FALSE(conversion.Convert());
    const std::string& failure = conversion.Failure();
    EXPECT_EQ(failure.rfind("cut1.flac: ", 0), 0U) << failure;
    EXPECT_NE(failure.find("\ncut2.flac: "), std::string::npos) << failure;
    EXPECT_EQ(failure.find("good.caf"), std::string::npos) << failure;
    EXPECT_EQ(failure.find("decoder"), std::string::npos) << failure;
    EXPECT_EQ(conversion.Import(document), 0U);
    EXPECT_TRUE(WorkFiles().empty());
}

} // namespace
} // namespace Orvanta::SaveTesting
