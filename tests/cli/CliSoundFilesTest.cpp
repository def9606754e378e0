// import-convert and export through the real orvanta-cli, and how the parser reads them.

#include "CliTestSupport.h"
#include "ProjectBuilder.h"
#include "TempFolder.h"

#include "cli/ScriptParser.h"

#include "LibsndfileFormats.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>

namespace Orvanta::CliTest {
namespace {

using Names = std::vector<std::string>;
using TestSupport::ProjectBuilder;

using TestSupport::LibsndfileWrites;

class CliSoundFilesTest : public ::testing::Test {
protected:
    CliSoundFilesTest() {
        ProjectBuilder project(m_temp.Path(), "A.prj");
        project.AddPatch("001 Lead.p00", ProjectBuilder::PatchUsingWaves(1));
        project.AddWave("001 Saw.wav", 100);
        project.AddWave("002 Choir.w00", 200);
        project.AddSystemFiles();
        std::filesystem::create_directory(Path("in"));
        std::filesystem::create_directory(Path("out"));
    }

    void WriteSound(const std::string& relative, int format, int channels, sf_count_t frames) {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = channels;
        info.format = format;
        SNDFILE* file = sf_open(Path(relative).c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        std::vector<double> samples(static_cast<std::size_t>(frames * channels));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = 0.5 * std::sin(static_cast<double>(i) * 0.01);
        }
        EXPECT_EQ(sf_writef_double(file, samples.data(), frames), frames);
        sf_close(file);
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

    ProcessResult Run(const std::string& script) {
        return RunTool({"--work-folder", Path("work"), "run", "-"}, m_temp.Path(), script);
    }

    [[nodiscard]] std::string Path(const std::string& relative) const { return m_temp.Path() + relative; }

    TestSupport::TempFolder m_temp;
};

TEST_F(CliSoundFilesTest, ImportConvertSavesConvertedWavesAndPrintsWhatItDid) {
    if (!LibsndfileWrites(SF_FORMAT_FLAC | SF_FORMAT_PCM_16)) {
        GTEST_SKIP() << "this libsndfile has no FLAC and Ogg codecs";
    }
    WriteSound("in/Bell.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 5000);
    WriteSound("in/Loop.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 20000);
    WriteSound("in/Hat.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 500); // kept byte for byte
    const ProcessResult result = Run("open A A.prj\n"
                                     "import-convert A in/Loop.ogg in/Hat.wav in/Bell.flac\n"
                                     "save A\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "1 converted from FLAC, 1 converted from Ogg Vorbis, 1 imported as it is\n");
    EXPECT_EQ(FileNames(Path("A.prj/Wave")),
              (Names{"001 Saw.wav", "002 Choir.w00", "003 Bell.wav", "004 Hat.wav", "005 Loop.wav"}));
    EXPECT_EQ(InfoOf(Path("A.prj/Wave/003 Bell.wav")).format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(InfoOf(Path("A.prj/Wave/003 Bell.wav")).frames, 5000);
    EXPECT_EQ(InfoOf(Path("A.prj/Wave/005 Loop.wav")).format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_EQ(ReadBytes(Path("A.prj/Wave/004 Hat.wav")), ReadBytes(Path("in/Hat.wav")));
}

TEST_F(CliSoundFilesTest, ADamagedFileFailsTheStatementAndImportsNothing) {
    WriteSound("in/Good.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16, 1, 1000);
    WriteText(Path("in/Broken.mp3"), "ID3 and then nothing of use");
    const ProcessResult result = Run("open A A.prj\nimport-convert A in/Good.caf in/Broken.mp3\nsave A\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(HasLine(result.ErrLines(), "error: Files could not be imported.")) << result.err;
    EXPECT_TRUE(HasLine(result.ErrLines(), "failed: line 2")) << result.err;
    EXPECT_EQ(FileNames(Path("A.prj/Wave")), (Names{"001 Saw.wav", "002 Choir.w00"}));
}

TEST_F(CliSoundFilesTest, ExportWritesSlotNamesAndReplacesOnlyAfterYes) {
    WriteText(Path("out/001 Saw.wav"), "older");
    ProcessResult result = Run("open A A.prj\nexport A waves 1-3 out\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(HasLine(result.ErrLines(),
                        "question: Files of these names are already in the folder. Do you want to replace them? -> no"))
        << result.err;
    EXPECT_EQ(FileNames(Path("out")), Names{"001 Saw.wav"});

    result = Run("open A A.prj\nanswer yes\nexport A waves 1-3 out\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FileNames(Path("out")), (Names{"001 Saw.wav", "002 Choir.w00"}));
    EXPECT_EQ(ReadBytes(Path("out/001 Saw.wav")), ReadBytes(Path("A.prj/Wave/001 Saw.wav")));
    EXPECT_EQ(ReadBytes(Path("out/002 Choir.w00")), ReadBytes(Path("A.prj/Wave/002 Choir.w00")));

    result = Run("open A A.prj\nexport A waves 7 out\nexport A waves 1 missing-folder\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(HasLine(result.ErrLines(), "line 2: the selection holds no wave")) << result.err;
    EXPECT_TRUE(HasLine(result.ErrLines(), "line 3: there is no folder missing-folder")) << result.err;
}

TEST(CliSoundFilesParseTest, ReadsImportConvertAndExport) {
    const Cli::CScript script =
        Cli::ParseScript("import-convert A x.flac \"y z.ogg\"\nexport A waves 1-3,7 \"out dir\"\n");
    ASSERT_TRUE(script.errors.empty());
    ASSERT_EQ(script.statements.size(), 2U);
    EXPECT_EQ(script.statements[0].kind, Cli::StatementKind::ImportConvert);
    EXPECT_EQ(script.statements[0].files, (Names{"x.flac", "y z.ogg"}));
    EXPECT_EQ(script.statements[1].kind, Cli::StatementKind::Export);
    EXPECT_EQ(script.statements[1].selection, (CSelection{0, 1, 2, 6}));
    EXPECT_EQ(script.statements[1].text, "out dir");

    const Cli::CScript bad = Cli::ParseScript("import-convert A\nexport A patches 1 out\nexport A waves 1\n");
    ASSERT_EQ(bad.errors.size(), 3U);
    EXPECT_EQ(bad.errors[0].message, "\"import-convert\" takes: import-convert NAME FILE...");
    EXPECT_EQ(bad.errors[1].message, "only waves can be exported: export NAME waves SEL FOLDER");
    EXPECT_EQ(bad.errors[2].message, "\"export\" takes: export NAME waves SEL FOLDER");
}

} // namespace
} // namespace Orvanta::CliTest
