// The command line of orvanta-cli end to end: commands, options, exit statuses and the work folder.

#include "cli/CliApp.h"

#include "CliTestSupport.h"
#include "FolderSnapshot.h"
#include "ProjectBuilder.h"
#include "TempFolder.h"
#include "storage/WorkFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>

namespace Orvanta::CliTest {
namespace {

using TestSupport::ProjectBuilder;
using Names = std::vector<std::string>;

// Names the temporary folder: TMPDIR on POSIX systems, TMP on Windows (read first there).
#if defined(_WIN32)
const std::string kTempVariable = "TMP=";
#else
const std::string kTempVariable = "TMPDIR=";
#endif

class CliAppTest : public ::testing::Test {
protected:
    ProcessResult Tool(const std::vector<std::string>& args, const std::string& input = {},
                       const std::vector<std::string>& environment = {}) {
        return RunTool(args, m_temp.Path(), input, environment);
    }

    [[nodiscard]] std::string Path(const std::string& relative) const { return m_temp.Path() + relative; }

    void MakePrivateFolder(const std::string& relative) { ASSERT_TRUE(CreateOwnerOnlyFolder(Path(relative))); }

    TestSupport::TempFolder m_temp;
};

TEST_F(CliAppTest, HelpShowsTheWholeContractAndVersionTheProgramVersion) {
    const ProcessResult help = Tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, Cli::UsageText());
    for (const char* text : {"Usage: orvanta-cli [--work-folder DIR] [--no-trash] COMMAND",
                             "--no-trash deletes",
                             "info PROJECT [--json]",
                             "check PROJECT",
                             "run SCRIPT",
                             "demo PATH [--seed N]",
                             "open NAME PATH",
                             "new NAME",
                             "copy FROM KIND SEL TO NUMBER [insert]",
                             "move FROM KIND SEL TO NUMBER [insert]",
                             "delete NAME KIND SEL",
                             "rename NAME KIND SEL TEXT",
                             "import NAME FILE...",
                             "clean NAME [keep-user-waves] [keep-patch-numbering]",
                             "undo",
                             "save NAME",
                             "save-as NAME PATH",
                             "close NAME",
                             "answer yes|no",
                             "print NAME [--json]",
                             "failed: line N",
                             "ORVANTA_WORK_FOLDER",
                             "\"pendingDeletions\", \"missing\""}) {
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    }
    const ProcessResult version = Tool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "orvanta-cli 1.00\n");
}

TEST_F(CliAppTest, AWrongCommandLineExitsWithTwo) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{},
                                                                                      {"frobnicate"},
                                                                                      {"info"},
                                                                                      {"info", "a.prj", "b.prj"},
                                                                                      {"check"},
                                                                                      {"run"},
                                                                                      {"run", "missing-script.orv"},
                                                                                      {"run", "."},
                                                                                      {"demo"},
                                                                                      {"demo", "D.prj", "--seed", "-3"},
                                                                                      {"demo", "D.prj", "--seed", "x"},
                                                                                      {"--work-folder"}}) {
        const ProcessResult result = Tool(args);
        EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(result.err, "") << ::testing::PrintToString(args);
    }
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_temp.Path()), TestSupport::FolderSnapshot{});
}

// A name outside ASCII also checks that the files are written through the UTF-8 file system.
TEST_F(CliAppTest, DemoWritesAProjectThatChecksAndRefusesToOverwrite) {
    const ProcessResult demo = Tool({"demo", "Démo.prj", "--seed", "5"});
    EXPECT_EQ(demo.status, 0) << demo.err;
    EXPECT_EQ(demo.out.rfind("Wrote the demo project Démo.prj: ", 0), 0U) << demo.out;
    const ProcessResult check = Tool({"check", "Démo.prj"});
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(check.out, "Démo.prj: ok\n");
    EXPECT_EQ(check.err, "");

    const TestSupport::FolderSnapshot before = TestSupport::TakeFolderSnapshot(m_temp.Path());
    const ProcessResult again = Tool({"demo", "Démo.prj"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_temp.Path()), before);
}

TEST_F(CliAppTest, InfoShowsAProjectWithoutChangingIt) {
    ProjectBuilder project(m_temp.Path(), "Song.prj");
    project.AddPatch("001 Lead.p00", ProjectBuilder::PatchUsingWaves(1));
    project.AddPatchBytes("Readme.p00", {1});
    project.AddWave("001 Saw.wav", 1024);
    const TestSupport::FolderSnapshot before = TestSupport::TakeFolderSnapshot(m_temp.Path());

    const ProcessResult text = Tool({"info", "Song.prj"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("001  Lead          waves 1"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Total wave size: 1.0 KB (1024 bytes)"), std::string::npos) << text.out;

    const ProcessResult json = Tool({"info", "--json", "Song.prj"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out, "{\"path\":\"" + Path("Song.prj/") +
                            "\",\"patches\":[{\"number\":1,\"name\":\"Lead\",\"file\":\"" +
                            Path("Song.prj/Patch/001 Lead.p00") +
                            "\",\"waves\":[1]}],\"waves\":[{\"number\":1,\"name\":\"Saw\",\"file\":\"" +
                            Path("Song.prj/Wave/001 Saw.wav") +
                            "\",\"bytes\":1024,\"users\":[1],\"audio\":null,\"audioError\":\"Format not "
                            "recognised.\"}],\"waveBytes\":1024,\"waveMemory\":\"1.0 KB\","
                            "\"pendingDeletions\":[\"" +
                            Path("Song.prj/Patch/Readme.p00") + "\"],\"missing\":[]}\n");
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_temp.Path()), before);

    const ProcessResult missing = Tool({"info", "Nothing.prj"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "error: This project could not be loaded.\n  the folder does not exist: " + Path("Nothing.prj") + "/\n");
    EXPECT_EQ(missing.out, "");
}

TEST_F(CliAppTest, CheckSaysWhyAProjectFails) {
    ProjectBuilder noWaves(m_temp.Path(), "NoWaves.prj", {true, false});
    const ProcessResult folder = Tool({"check", "NoWaves.prj"});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "error: This project could not be loaded.\n  the sub-folder \"Wave\" is missing\n");
    EXPECT_EQ(folder.out, "NoWaves.prj: 1 problem\n  the sub-folder \"Wave\" is missing\n");
    EXPECT_FALSE(std::filesystem::exists(Path("NoWaves.prj/Wave")));

    ProjectBuilder damaged(m_temp.Path(), "Damaged.prj");
    damaged.AddPatch("001 Good.p00");
    damaged.AddPatchBytes("002 Bad.p00", std::vector<std::uint8_t>(1510, 0));
    const ProcessResult patch = Tool({"check", "Damaged.prj"});
    EXPECT_EQ(patch.status, 1);
    EXPECT_EQ(patch.out, "Damaged.prj: 1 problem\n  damaged patch file (1510 bytes, no patch header): " +
                             Path("Damaged.prj/Patch/002 Bad.p00") + "\n");

    const ProcessResult name = Tool({"check", "Plain"});
    EXPECT_EQ(name.status, 1);
    EXPECT_NE(name.out.find("the folder name does not end in \".prj\""), std::string::npos) << name.out;

    // Stray files and references to empty wave slots do not fail the check but are mentioned.
    ProjectBuilder stray(m_temp.Path(), "Stray.prj");
    stray.AddPatch("001 Lead.p00", ProjectBuilder::PatchUsingWaves(4));
    stray.AddPatchBytes("Readme.p00", {1});
    const ProcessResult notes = Tool({"check", "Stray.prj"});
    EXPECT_EQ(notes.status, 0);
    EXPECT_EQ(notes.out, "Stray.prj: ok\n  note: not part of the project, deleted by the next save in place: " +
                             Path("Stray.prj/Patch/Readme.p00") +
                             "\n  note: patch 1 \"Lead\" uses wave 4, which is empty\n");
}

TEST_F(CliAppTest, RunReadsAScriptFromStandardInput) {
    ProjectBuilder project(m_temp.Path(), "Song.prj");
    project.AddPatch("001 Lead.p00");
    const ProcessResult result =
        Tool({"run", "-"}, "open S Song.prj\nrename S patches 1 \"Pad/Lead:1\"\nsave S\nprint S --json\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FileNames(Path("Song.prj/Patch")), Names{"001 PadLead1.p00"});
    EXPECT_NE(result.out.find("\"name\":\"PadLead1\""), std::string::npos);
}

// A folder whose name holds a line break is named in a script by a quoted part over the break.
TEST_F(CliAppTest, AScriptNamesAFolderWhoseNameHoldsALineBreak) {
#if defined(_WIN32)
    GTEST_SKIP() << "this system allows no line break in a file name";
#endif
    ProjectBuilder project(m_temp.Path(), "Two\nlines.prj");
    project.AddPatch("001 Lead.p00");
    const ProcessResult result = Tool({"run", "-"}, "open S \"Two\nlines.prj\"\nrename S patches 1 Pad\nsave S\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FileNames(Path("Two\nlines.prj/Patch")), Names{"001 Pad.p00"});
}

// A save lock file left by a process that died goes with "recover"; the project is not touched.
TEST_F(CliAppTest, RecoverRemovesAStaleSaveLock) {
    ProjectBuilder project(m_temp.Path(), "Song.prj");
    project.AddPatch("001 Lead.p00");
    const TestSupport::FolderSnapshot before = TestSupport::TakeFolderSnapshot(Path("Song.prj"));
    WriteText(Path("Song.prj/.orvanta-lock"), "orvanta-cli, process 1 on gone");
    const ProcessResult result = Tool({"recover", "Song.prj"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Song.prj: no interrupted save\n");
    EXPECT_FALSE(std::filesystem::exists(Path("Song.prj/.orvanta-lock")));
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(Path("Song.prj")), before);
}

TEST_F(CliAppTest, TheDefaultWorkFolderIsPrivateAndGoesAtExit) {
    MakePrivateFolder("tmp");
    ProjectBuilder project(m_temp.Path(), "Song.prj");
    ProjectBuilder::WriteBytes(Path("Kick.wav"), std::vector<std::uint8_t>(64, 1));
    // The imported wave lies in a folder under the temporary folder while the script runs, which
    // is gone afterwards; the next run's folder has another name.
    std::set<std::string> folders;
    for (int run = 0; run < 2; ++run) {
        const ProcessResult result =
            Tool({"run", "-"}, "open S Song.prj\nimport S Kick.wav\nprint S --json\n", {kTempVariable + Path("tmp")});
        EXPECT_EQ(result.status, 0) << result.err;
        const std::string prefix = "\"file\":\"" + Path("tmp/orvanta-cli-");
        const std::size_t start = result.out.find(prefix);
        ASSERT_NE(start, std::string::npos) << result.out;
        folders.insert(result.out.substr(start, result.out.find('/', start + prefix.size()) - start));
        EXPECT_TRUE(std::filesystem::is_empty(Path("tmp")));
    }
    EXPECT_EQ(folders.size(), 2U) << "every run has a new name";
}

TEST_F(CliAppTest, ANamedWorkFolderKeepsEveryFileThatWasThere) {
    MakePrivateFolder("envwork");
    ProjectBuilder::WriteBytes(Path("envwork/keep.txt"), {1});
    ProjectBuilder::WriteBytes(Path("envwork/000 Old.wav"), {2});
    ProjectBuilder::WriteBytes(Path("envwork/001 Old.p00"), {3});
    const TestSupport::FolderSnapshot env = TestSupport::TakeFolderSnapshot(Path("envwork"));
    const ProcessResult result = Tool({"run", "-"}, "new N\n", {"ORVANTA_WORK_FOLDER=" + Path("envwork")});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(Path("envwork")), env);

    // --work-folder wins over the environment: the run's sub-folder came and went there.
    MakePrivateFolder("optwork");
    ProjectBuilder::WriteBytes(Path("optwork/002 X.aif"), {4});
    const TestSupport::FolderSnapshot opt = TestSupport::TakeFolderSnapshot(Path("optwork"));
    const ProcessResult option = Tool({"--work-folder", "optwork", "run", "-"}, "new N\nprint N --json\n",
                                      {"ORVANTA_WORK_FOLDER=" + Path("envwork")});
    EXPECT_EQ(option.status, 0) << option.err;
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(Path("optwork")), opt);
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(Path("envwork")), env);
}

#if !defined(_WIN32)
// POSIX permission bits; Windows folders have none.
TEST_F(CliAppTest, AWorkFolderOthersCanEnterIsRefused) {
    std::filesystem::create_directory(Path("open"));
    std::filesystem::permissions(Path("open"), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                   std::filesystem::perms::group_exec);
    ProjectBuilder::WriteBytes(Path("open/001 Keep.wav"), {1});
    const ProcessResult result = Tool({"--work-folder", "open", "run", "-"}, "new N\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.ErrLines().front(), "error: Unable to create a work folder.");
    EXPECT_EQ(FileNames(Path("open")), Names{"001 Keep.wav"});
}
#endif

} // namespace
} // namespace Orvanta::CliTest
