#include "cli/ProjectReport.h"

#include "cli/DemoAudio.h"

#include "FaultyFileSystem.h"
#include "ProjectBuilder.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"

#include "model/CDomain.h"
#include "storage/CTernFileDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace Orvanta::Cli {
namespace {

using TestSupport::ProjectBuilder;

class ProjectReportTest : public ::testing::Test {
protected:
    ProjectReportTest() : m_project(m_temp.Path(), "Song.prj") {
        m_project.AddPatch("001 Lead.p00", ProjectBuilder::PatchUsingWaves(2));
        m_project.AddPatch("003 Pad.p00", ProjectBuilder::PatchUsingWaves(2, 1));
        m_project.AddPatchBytes("Readme.p00", {1, 2, 3});
        m_project.AddWave("001 Kick.wav", 100);
        m_project.AddWave("002 Strings.w00", 2000);
        m_project.AddSystemFiles();
    }

    TestSupport::StorageDomainGuard m_guard;
    TestSupport::TempFolder m_temp;
    ProjectBuilder m_project;
};

TEST_F(ProjectReportTest, ListsUsedSlotsWavesUsersAndPendingDeletions) {
    CTernFileDocument document;
    ASSERT_TRUE(document.OpenProjectFolder(m_project.Path()));
    const CProjectReport report = BuildReport(document);
    EXPECT_EQ(report.path, m_project.Path());
    ASSERT_EQ(report.patches.size(), 2U);
    EXPECT_EQ(report.patches[0].number, 1);
    EXPECT_EQ(report.patches[0].name, "Lead");
    EXPECT_EQ(report.patches[0].file, m_project.Path() + "Patch/001 Lead.p00");
    EXPECT_EQ(report.patches[0].waves, (std::vector<int>{2}));
    EXPECT_EQ(report.patches[1].number, 3);
    EXPECT_EQ(report.patches[1].waves, (std::vector<int>{1, 2}));
    ASSERT_EQ(report.waves.size(), 2U);
    EXPECT_EQ(report.waves[0].name, "Kick");
    EXPECT_EQ(report.waves[0].bytes, 100);
    EXPECT_EQ(report.waves[0].users, (std::vector<int>{3}));
    EXPECT_EQ(report.waves[1].users, (std::vector<int>{1, 3}));
    EXPECT_EQ(report.waveBytes, 2100);
    EXPECT_EQ(report.waveMemory, "2.1 KB");
    EXPECT_EQ(report.pendingDeletions, (std::vector<std::string>{m_project.Path() + "Patch/Readme.p00"}));
    EXPECT_TRUE(report.missing.empty());
}

TEST_F(ProjectReportTest, NamesFilesThatHaveGoneSinceLoading) {
    CTernFileDocument document;
    ASSERT_TRUE(document.OpenProjectFolder(m_project.Path()));
    ASSERT_EQ(std::remove((m_project.Path() + "Wave/002 Strings.w00").c_str()), 0);
    const CProjectReport report = BuildReport(document);
    EXPECT_EQ(report.missing, (std::vector<std::string>{m_project.Path() + "Wave/002 Strings.w00"}));
    EXPECT_EQ(report.waves[1].bytes, 0);
    EXPECT_EQ(report.waveBytes, 100);
}

TEST_F(ProjectReportTest, JsonHoldsTheContractFields) {
    CTernFileDocument document;
    ASSERT_TRUE(document.OpenProjectFolder(m_project.Path()));
    CProjectReport report = BuildReport(document);
    report.path = "/p/Song.prj/";
    report.patches.resize(1);
    report.patches[0].file = "/p/Song.prj/Patch/001 Lead.p00";
    report.waves.resize(1);
    report.waves[0].file = "/p/Song.prj/Wave/001 Kick.wav";
    report.pendingDeletions = {"/p/Song.prj/Patch/Readme.p00"};
    EXPECT_EQ(
        FormatReportJson(report),
        "{\"path\":\"/p/Song.prj/\",\"patches\":[{\"number\":1,\"name\":\"Lead\",\"file\":\"/p/Song.prj/Patch/001 "
        "Lead.p00\",\"waves\":[2]}],\"waves\":[{\"number\":1,\"name\":\"Kick\",\"file\":\"/p/Song.prj/Wave/001 "
        "Kick.wav\",\"bytes\":100,\"users\":[3]}],\"waveBytes\":2100,\"waveMemory\":\"2.1 KB\","
        "\"pendingDeletions\":[\"/p/Song.prj/Patch/Readme.p00\"],\"missing\":[]}");
}

TEST_F(ProjectReportTest, TextShowsEverySlotAndTheTotals) {
    CTernFileDocument document;
    ASSERT_TRUE(document.OpenProjectFolder(m_project.Path()));
    const std::string text = FormatReportText(BuildReport(document));
    EXPECT_NE(text.find("Patches: 2 used"), std::string::npos);
    EXPECT_NE(text.find("003  Pad           waves 1,2"), std::string::npos) << text;
    EXPECT_NE(text.find("Patch/003 Pad.p00"), std::string::npos);
    EXPECT_NE(text.find("002  Strings             2000 bytes  users 1,3"), std::string::npos) << text;
    EXPECT_NE(text.find("Total wave size: 2.1 KB (2100 bytes)"), std::string::npos);
    EXPECT_NE(text.find("Files a save in place would delete:\n  " + m_project.Path() + "Patch/Readme.p00"),
              std::string::npos);
    EXPECT_NE(text.find("Missing files: none"), std::string::npos);
}

TEST_F(ProjectReportTest, ReadAudioGivesEachWaveItsDetailsOrWhyItHasNone) {
    const std::vector<std::uint8_t> tone = EncodeWav(std::vector<std::int16_t>(33075, -16384)); // 1.5 s
    std::ofstream(m_project.Path() + "Wave/004 Tone.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(tone.data()), static_cast<std::streamsize>(tone.size()));
    CTernFileDocument document;
    ASSERT_TRUE(document.OpenProjectFolder(m_project.Path()));
    CProjectReport report = BuildReport(document);
    const std::string before = FormatReportJson(report);
    EXPECT_EQ(before.find("audio"), std::string::npos);
    ReadAudio(report);

    const std::string json = FormatReportJson(report);
    EXPECT_NE(json.find("\"bytes\":100,\"users\":[3],\"audio\":null,\"audioError\":\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"users\":[1,3],\"audio\":null,\"audioError\":\"The instrument's own wave format has no "
                        "preview.\"}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"users\":[],\"audio\":{\"format\":\"WAV\",\"sampleRate\":22050,\"channels\":1,\"bits\":16,"
                        "\"frames\":33075,\"seconds\":1.5,\"peak\":0.5}}"),
              std::string::npos)
        << json;
    const std::string text = FormatReportText(report);
    EXPECT_NE(text.find("users 3            no preview           Wave/001 Kick.wav\n"), std::string::npos) << text;
    EXPECT_NE(text.find("users 1,3          -                    Wave/002 Strings.w00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("users -            1.50 s, 22050 Hz     Wave/004 Tone.wav\n"), std::string::npos) << text;
}

// A file name may hold any byte but "/" and NUL; the text form must not pass control characters on
// to the terminal, and must keep a name holding ESC apart from one holding the text "\x1b".
TEST(ProjectReportTextTest, ControlCharactersInNamesAndPathsAreShownEscaped) {
    struct Case {
        std::string raw;
        std::string text;
        std::string json;
    };
    const std::vector<Case> cases = {
        {"a\x1b[2Jb", "a\\x1b[2Jb", "\"a\\u001b[2Jb\""},
        {"bell\a\x7f", "bell\\x07\\x7f", "\"bell\\u0007\\u007f\""},
        {"two\nlines\r", "two\\x0alines\\x0d", "\"two\\nlines\\r\""},
        {"back\\x1b", "back\\\\x1b", "\"back\\\\x1b\""},
        {"Caf\xC3\xA9 ~", "Caf\xC3\xA9 ~", "\"Caf\xC3\xA9 ~\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TerminalText(c.raw), c.text);
        EXPECT_EQ(JsonString(c.raw), c.json);
        CProjectReport report;
        report.path = "/p/" + c.raw + ".prj/";
        report.patches.push_back({1, c.raw, report.path + "Patch/001 " + c.raw + ".p00", {}});
        report.waves.push_back({2, c.raw, "/elsewhere/" + c.raw + ".wav", 0, {}});
        report.pendingDeletions = {report.path + "Wave/" + c.raw};
        report.missing = {"/gone/" + c.raw};
        const std::string text = FormatReportText(report);
        if (c.raw != c.text) {
            EXPECT_EQ(text.find(c.raw), std::string::npos) << text;
        }
        for (const std::string& shown : {"Project: /p/" + c.text + ".prj/\n", "  " + c.text + " ",
                                         "Patch/001 " + c.text + ".p00\n", "  /elsewhere/" + c.text + ".wav\n",
                                         "  /p/" + c.text + ".prj/Wave/" + c.text + "\n", "  /gone/" + c.text + "\n"}) {
            EXPECT_NE(text.find(shown), std::string::npos) << shown << " in\n" << text;
        }
        EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char ch) {
            return ch == '\n' || (static_cast<unsigned char>(ch) >= 0x20U && ch != '\x7f');
        })) << text;
    }
}

TEST(JsonStringTest, EscapesWhatJsonRequiresAndKeepsValidUtf8) {
    EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString("tab\there\nnew\x01"), "\"tab\\there\\nnew\\u0001\"");
    EXPECT_EQ(JsonString("Caf\xC3\xA9 \xE2\x82\xAC"), "\"Caf\xC3\xA9 \xE2\x82\xAC\"");
    // A Latin-1 byte, a truncated sequence and an over-long encoding are not UTF-8.
    EXPECT_EQ(JsonString("Caf\xE9"), "\"Caf\\ufffd\"");
    EXPECT_EQ(JsonString("x\xE2\x82"), "\"x\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");
}

// What "info" does: load and report in one pass. Each file is opened once, by the load; the sound
// details are read from that open, also of a file the sound library cannot read; no path of the
// project's files is looked up again; and the report is the one that looking on disk again gives.
TEST_F(ProjectReportTest, LoadReportOpensEachFileOnceAndLooksUpNoPathAgain) {
    const std::vector<std::uint8_t> tone = EncodeWav(std::vector<std::int16_t>(4410, 8192));
    std::ofstream(m_project.Path() + "Wave/004 Tone.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(tone.data()), static_cast<std::streamsize>(tone.size()));
    TestSupport::FaultyFileSystem files;
    CDomain::Instance().SetFileSystem(&files);
    CTernFileDocument document;
    CProjectReport report;
    const bool loaded = LoadReport(document, m_project.Path(), report);
    CDomain::Instance().SetFileSystem(nullptr);
    ASSERT_TRUE(loaded);

    std::map<std::string, int> opens;
    for (const std::string& path : files.CalledPaths(TestSupport::FaultyFileSystem::kOpen)) {
        ++opens[path];
    }
    const std::string patch = m_project.Path() + "Patch/";
    const std::string wave = m_project.Path() + "Wave/";
    EXPECT_EQ(opens, (std::map<std::string, int>{{patch + "001 Lead.p00", 1},
                                                 {patch + "003 Pad.p00", 1},
                                                 {wave + "001 Kick.wav", 1},
                                                 {wave + "002 Strings.w00", 1},
                                                 {wave + "004 Tone.wav", 1}}));
    for (const std::string& path :
         files.CalledPaths(TestSupport::FaultyFileSystem::kQuery | TestSupport::FaultyFileSystem::kSize)) {
        const bool fileOfProject =
            (path.rfind(patch, 0) == 0 && path != patch) || (path.rfind(wave, 0) == 0 && path != wave);
        EXPECT_FALSE(fileOfProject) << path << " looked up";
    }
    ASSERT_EQ(report.waveAudio.size(), 3U);
    EXPECT_FALSE(report.waveAudio[0].details) << "the sound library cannot read 001 Kick.wav";
    ASSERT_TRUE(report.waveAudio[2].details);
    EXPECT_EQ(report.waveAudio[2].details->frames, 4410);

    CTernFileDocument again;
    ASSERT_TRUE(again.OpenProjectFolder(m_project.Path()));
    CProjectReport onDisk = BuildReport(again);
    ReadAudio(onDisk);
    EXPECT_EQ(FormatReportJson(report), FormatReportJson(onDisk));
}

} // namespace
} // namespace Orvanta::Cli
