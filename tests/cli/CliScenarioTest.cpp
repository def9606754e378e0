// Scenario scripts of tests/cli/scenarios, run through the real orvanta-cli on project folders built
// for each test; the folders are checked on disk afterwards.

#include "CliTestSupport.h"
#include "FolderSnapshot.h"
#include "ProjectBuilder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

namespace Orvanta::CliTest {
namespace {

using TestSupport::FolderSnapshot;
using TestSupport::ProjectBuilder;
using TestSupport::TakeFolderSnapshot;

using Names = std::vector<std::string>;
using Numbers = std::vector<int>;

// The 32 wave references of a patch whose oscillators 0 and 1 name `first` and `second`.
Numbers References(int first, int second = 0) {
    Numbers numbers(32, 0);
    numbers[0] = first;
    numbers[2] = second;
    return numbers;
}

class CliScenarioTest : public ::testing::Test {
protected:
    // A: patches 1 Lead (wave 1), 2 Pad (waves 2 and 1), 3 Bass (wave 3), 5 Keys (none); waves
    // 1 Saw.wav, 2 Choir.w00, 3 Sub.aif.
    void BuildA(const std::string& name = "A.prj") {
        ProjectBuilder a(m_temp.Path(), name);
        a.AddPatch("001 Lead.p00", ProjectBuilder::PatchUsingWaves(1));
        a.AddPatch("002 Pad.p00", ProjectBuilder::PatchUsingWaves(2, 1));
        a.AddPatch("003 Bass.p00", ProjectBuilder::PatchUsingWaves(3));
        a.AddPatch("005 Keys.p00");
        a.AddWave("001 Saw.wav", 100);
        a.AddWave("002 Choir.w00", 200);
        a.AddWave("003 Sub.aif", 300);
        a.AddSystemFiles();
        Remember(a.Path());
    }

    // B: patches 1 Drums (wave 1), 2 Strings (wave 2), 512 Last; waves 1 Kick.wav, 2 Str.w00.
    void BuildB() {
        ProjectBuilder b(m_temp.Path(), "B.prj");
        b.AddPatch("001 Drums.p00", ProjectBuilder::PatchUsingWaves(1));
        b.AddPatch("002 Strings.p00", ProjectBuilder::PatchUsingWaves(2));
        b.AddPatch("512 Last.p00");
        b.AddWave("001 Kick.wav", 50);
        b.AddWave("002 Str.w00", 60);
        b.AddSystemFiles();
        Remember(b.Path());
    }

    // C, for cleaning: patches 2 X (wave 3), 5 Y (wave 3 and the empty wave slot 7); waves 1 U.wav
    // (unused), 3 V.w00, 4 W.w00 (unused), 6 Z.aif (unused).
    void BuildC() {
        ProjectBuilder c(m_temp.Path(), "C.prj");
        c.AddPatch("002 X.p00", ProjectBuilder::PatchUsingWaves(3));
        c.AddPatch("005 Y.p00", ProjectBuilder::PatchUsingWaves(3, 7));
        c.AddWave("001 U.wav", 10);
        c.AddWave("003 V.w00", 30);
        c.AddWave("004 W.w00", 40);
        c.AddWave("006 Z.aif", 60);
        c.AddSystemFiles();
        Remember(c.Path());
    }

    ProcessResult Run(const std::string& scenario) {
        return RunTool({"--work-folder", WorkFolder(), "run", ScenarioPath(scenario)}, m_temp.Path());
    }

    [[nodiscard]] std::string WorkFolder() const { return m_temp.Path() + "work"; }
    [[nodiscard]] std::string Path(const std::string& relative) const { return m_temp.Path() + relative; }
    // The bytes a file had when the test built it.
    [[nodiscard]] const std::vector<std::uint8_t>& Original(const std::string& relative) const {
        return m_original.at(relative);
    }
    [[nodiscard]] FolderSnapshot Before(const std::string& project) const { return m_before.at(project); }

    TestSupport::TempFolder m_temp;

private:
    void Remember(const std::string& projectPath) {
        const std::string project = std::filesystem::path(projectPath).parent_path().filename().string();
        m_before[project] = TakeFolderSnapshot(projectPath);
        for (const auto& [relative, bytes] : m_before[project]) {
            m_original[project + "/" + relative] = bytes;
        }
    }

    std::map<std::string, FolderSnapshot> m_before;
    std::map<std::string, std::vector<std::uint8_t>> m_original;
};

TEST_F(CliScenarioTest, CopyBringsTheWavesAlongIntoTheOtherProject) {
    BuildA();
    BuildB();
    const ProcessResult result = Run("copy-with-waves.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");

    EXPECT_EQ(FileNames(Path("B.prj/Patch")),
              (Names{"001 Drums.p00", "002 Strings.p00", "003 Lead.p00", "004 Pad.p00", "512 Last.p00"}));
    EXPECT_EQ(FileNames(Path("B.prj/Wave")), (Names{"001 Kick.wav", "002 Str.w00", "003 Saw.wav", "004 Choir.w00"}));
    EXPECT_EQ(ReadBytes(Path("B.prj/Wave/003 Saw.wav")), Original("A.prj/Wave/001 Saw.wav"));
    EXPECT_EQ(ReadBytes(Path("B.prj/Wave/004 Choir.w00")), Original("A.prj/Wave/002 Choir.w00"));
    // Lead named A's wave 1, now B's wave 3; Pad named 2 and 1, now 4 and 3. B's own stay.
    EXPECT_EQ(WaveReferences(Path("B.prj/Patch/003 Lead.p00")), References(3));
    EXPECT_EQ(WaveReferences(Path("B.prj/Patch/004 Pad.p00")), References(4, 3));
    EXPECT_EQ(WaveReferences(Path("B.prj/Patch/001 Drums.p00")), References(1));
    EXPECT_EQ(WaveReferences(Path("B.prj/Patch/002 Strings.p00")), References(2));
    EXPECT_EQ(TakeFolderSnapshot(Path("A.prj")), Before("A.prj"));
}

TEST_F(CliScenarioTest, OneUndoRestoresBothProjectsOfAMove) {
    BuildA();
    BuildB();
    const ProcessResult result = Run("move-undo.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    // After the move: A's slot 1 is empty, B's slot 3 holds Lead with A's wave 1 as B's wave 3.
    std::istringstream lines(result.out);
    std::vector<std::string> json;
    for (std::string line; std::getline(lines, line);) {
        json.push_back(line);
    }
    ASSERT_EQ(json.size(), 4U) << result.out;
    EXPECT_EQ(json[0].find("\"name\":\"Lead\""), std::string::npos);
    EXPECT_NE(json[1].find("{\"number\":3,\"name\":\"Lead\""), std::string::npos) << json[1];
    EXPECT_NE(json[1].find("\"waves\":[3]"), std::string::npos) << json[1];
    // After the undo: both as loaded.
    EXPECT_NE(json[2].find("{\"number\":1,\"name\":\"Lead\""), std::string::npos) << json[2];
    EXPECT_EQ(json[3].find("Lead"), std::string::npos) << json[3];
    // Saving both in place writes what was loaded.
    EXPECT_EQ(TakeFolderSnapshot(Path("A.prj")), Before("A.prj"));
    EXPECT_EQ(TakeFolderSnapshot(Path("B.prj")), Before("B.prj"));
}

TEST_F(CliScenarioTest, PasteAfterTheSourceClosedBringsTheWavesFromTheWorkFolder) {
    BuildA();
    BuildB();
    const ProcessResult result = Run("paste-after-close.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    // As a copy with waves from the open project would: the waves follow into B's free slots.
    EXPECT_EQ(FileNames(Path("B.prj/Patch")),
              (Names{"001 Drums.p00", "002 Strings.p00", "003 Lead.p00", "004 Pad.p00", "512 Last.p00"}));
    EXPECT_EQ(FileNames(Path("B.prj/Wave")), (Names{"001 Kick.wav", "002 Str.w00", "003 Saw.wav", "004 Choir.w00"}));
    EXPECT_EQ(ReadBytes(Path("B.prj/Wave/004 Choir.w00")), Original("A.prj/Wave/002 Choir.w00"));
    EXPECT_EQ(WaveReferences(Path("B.prj/Patch/004 Pad.p00")), References(4, 3));
    EXPECT_EQ(TakeFolderSnapshot(Path("A.prj")), Before("A.prj"));
}

TEST_F(CliScenarioTest, BackAndForwardThroughTheHistoryReachTheLoadedState) {
    BuildA();
    BuildB();
    const ProcessResult result = Run("history-back.orv");
    EXPECT_EQ(result.status, 1);
    // Newest first; "- " marks the changes taken back. Saving drops the entries of both projects.
    EXPECT_EQ(result.out, "- Rename patch 2 in A.prj to \"Renamed\"\n"
                          "- Delete wave 1 in B.prj\n"
                          "  Cut and paste patch 1 from A.prj to B.prj inserted at 3\n"
                          "- Rename patch 2 in A.prj to \"Renamed\"\n"
                          "- Delete wave 1 in B.prj\n"
                          "- Cut and paste patch 1 from A.prj to B.prj inserted at 3\n");
    EXPECT_NE(result.err.find("line 17: the history holds 0 changes to go back over"), std::string::npos) << result.err;
    EXPECT_EQ(TakeFolderSnapshot(Path("A.prj")), Before("A.prj"));
    EXPECT_EQ(TakeFolderSnapshot(Path("B.prj")), Before("B.prj"));
}

TEST_F(CliScenarioTest, ASaveThatMovesFilesOtherProjectsUseDropsTheirHistory) {
    BuildA();
    BuildB();
    const ProcessResult result = Run("history-after-save.orv");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Saving A.prj removed 1 entry from the history.\n"
                          "The files of B.prj were moved by a save or a close: 1 entry was removed from the "
                          "history.\n");
    EXPECT_NE(result.err.find("line 10: the history holds 0 changes to go back over"), std::string::npos) << result.err;
    // B's copy of Pad follows the file to its new name and is saved with A's bytes.
    EXPECT_EQ(ReadBytes(Path("B.prj/Patch/010 Pad.p00")).size(), Original("A.prj/Patch/002 Pad.p00").size());
    EXPECT_EQ(WaveReferences(Path("B.prj/Patch/010 Pad.p00")), References(4, 3));
    EXPECT_TRUE(std::filesystem::exists(Path("A.prj/Patch/020 Pad.p00")));
}

TEST_F(CliScenarioTest, InsertsRenumberWavesReferencesAndPatches) {
    BuildA();
    BuildB();
    const ProcessResult result = Run("insert-renumbers.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(FileNames(Path("A.prj/Wave")), (Names{"001 Kick.wav", "002 Saw.wav", "003 Choir.w00", "004 Sub.aif"}));
    EXPECT_EQ(ReadBytes(Path("A.prj/Wave/001 Kick.wav")), Original("B.prj/Wave/001 Kick.wav"));
    EXPECT_EQ(ReadBytes(Path("A.prj/Wave/002 Saw.wav")), Original("A.prj/Wave/001 Saw.wav"));
    EXPECT_EQ(ReadBytes(Path("A.prj/Wave/004 Sub.aif")), Original("A.prj/Wave/003 Sub.aif"));
    // Bass moved to the top; the others moved one on; Keys from 5 to 6; slot 4 (Bass's copy) emptied.
    EXPECT_EQ(FileNames(Path("A.prj/Patch")), (Names{"001 Bass.p00", "002 Lead.p00", "003 Pad.p00", "006 Keys.p00"}));
    EXPECT_EQ(WaveReferences(Path("A.prj/Patch/001 Bass.p00")), References(4));
    EXPECT_EQ(WaveReferences(Path("A.prj/Patch/002 Lead.p00")), References(2));
    EXPECT_EQ(WaveReferences(Path("A.prj/Patch/003 Pad.p00")), References(3, 2));
    EXPECT_EQ(WaveReferences(Path("A.prj/Patch/006 Keys.p00")), References(0));
    EXPECT_EQ(TakeFolderSnapshot(Path("B.prj")), Before("B.prj"));
}

TEST_F(CliScenarioTest, SaveParksDisplacedFilesInTheWorkFolder) {
    BuildA();
    BuildB();
    const ProcessResult result = Run("save-evacuates.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "question: OK to delete? -> yes\n"
                          "question: Do you want to delete the existing data and overwrite it? -> yes\n");
    // A: wave 3 gone, Bass no longer names it; Lead moved from 1 onto 2.
    EXPECT_EQ(FileNames(Path("A.prj/Wave")), (Names{"001 Saw.wav", "002 Choir.w00"}));
    EXPECT_EQ(FileNames(Path("A.prj/Patch")), (Names{"002 Lead.p00", "003 Bass.p00", "005 Keys.p00"}));
    EXPECT_EQ(WaveReferences(Path("A.prj/Patch/002 Lead.p00")), References(1));
    EXPECT_EQ(WaveReferences(Path("A.prj/Patch/003 Bass.p00")), References(0));
    // Between the saves B's wave came from the work folder; B now holds it under its own name.
    EXPECT_NE(result.out.find("\"file\":\"" + WorkFolder() + "/"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Sub.aif\""), std::string::npos) << result.out;
    EXPECT_EQ(FileNames(Path("B.prj/Wave")), (Names{"001 Kick.wav", "002 Str.w00", "005 Sub.aif"}));
    EXPECT_EQ(ReadBytes(Path("B.prj/Wave/005 Sub.aif")), Original("A.prj/Wave/003 Sub.aif"));
    // The named work folder is emptied of patch and wave files at exit and stays.
    EXPECT_TRUE(std::filesystem::is_directory(WorkFolder()));
    EXPECT_EQ(FileNames(WorkFolder()), Names{});
}

TEST_F(CliScenarioTest, ClosingAProjectKeepsTheFilesOtherWindowsUse) {
    BuildA();
    BuildB();
    const ProcessResult result = Run("close-preserves.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    // After the close B's Bass and its wave come from copies in the work folder, not from A.
    EXPECT_NE(result.out.find("{\"number\":3,\"name\":\"Bass\",\"file\":\"" + WorkFolder() + "/"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("{\"number\":3,\"name\":\"Sub\",\"file\":\"" + WorkFolder() + "/"), std::string::npos)
        << result.out;
    EXPECT_EQ(result.out.find(Path("A.prj")), std::string::npos) << result.out;
    EXPECT_EQ(FileNames(Path("B.prj/Patch")),
              (Names{"001 Drums.p00", "002 Strings.p00", "003 Bass.p00", "512 Last.p00"}));
    EXPECT_EQ(FileNames(Path("B.prj/Wave")), (Names{"001 Kick.wav", "002 Str.w00", "003 Sub.aif"}));
    EXPECT_EQ(ReadBytes(Path("B.prj/Wave/003 Sub.aif")), Original("A.prj/Wave/003 Sub.aif"));
    EXPECT_EQ(WaveReferences(Path("B.prj/Patch/003 Bass.p00")), References(3));
    // Closing without saving leaves A as it was.
    EXPECT_EQ(TakeFolderSnapshot(Path("A.prj")), Before("A.prj"));
}

TEST_F(CliScenarioTest, ADropOntoItsOwnPlaceIsNoFailureAndChangesNothing) {
    BuildA();
    const ProcessResult result = Run("own-place.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(TakeFolderSnapshot(Path("A.prj")), Before("A.prj"));
}

TEST_F(CliScenarioTest, CleanDropsUnusedWavesAndClosesBothLists) {
    BuildC();
    const ProcessResult result = Run("clean.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(FileNames(Path("C.prj/Patch")), (Names{"001 X.p00", "002 Y.p00"}));
    EXPECT_EQ(FileNames(Path("C.prj/Wave")), (Names{"001 V.w00"}));
    EXPECT_EQ(ReadBytes(Path("C.prj/Wave/001 V.w00")), Original("C.prj/Wave/003 V.w00"));
    EXPECT_EQ(WaveReferences(Path("C.prj/Patch/001 X.p00")), References(1));
    EXPECT_EQ(WaveReferences(Path("C.prj/Patch/002 Y.p00")), References(1, 0));
}

TEST_F(CliScenarioTest, CleanCanKeepUserWavesAndPatchNumbers) {
    BuildC();
    const ProcessResult result = Run("clean-keep.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FileNames(Path("C.prj/Patch")), (Names{"002 X.p00", "005 Y.p00"}));
    EXPECT_EQ(FileNames(Path("C.prj/Wave")), (Names{"001 U.wav", "002 V.w00", "003 Z.aif"}));
    EXPECT_EQ(ReadBytes(Path("C.prj/Wave/003 Z.aif")), Original("C.prj/Wave/006 Z.aif"));
    EXPECT_EQ(WaveReferences(Path("C.prj/Patch/002 X.p00")), References(2));
    EXPECT_EQ(WaveReferences(Path("C.prj/Patch/005 Y.p00")), References(2, 0));
}

TEST_F(CliScenarioTest, ImportedFilesArriveInTheFreeWaveSlots) {
    BuildA();
    std::filesystem::create_directory(Path("in"));
    ProjectBuilder::WriteBytes(Path("in/Loop One.wav"), std::vector<std::uint8_t>(500, 7));
    ProjectBuilder::WriteBytes(Path("in/Pluck.aif"), std::vector<std::uint8_t>(400, 9));
    const ProcessResult result = Run("import.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(FileNames(Path("A.prj/Wave")),
              (Names{"001 Saw.wav", "002 Choir.w00", "003 Sub.aif", "004 Loop One.wav", "005 Pluck.aif"}));
    EXPECT_EQ(ReadBytes(Path("A.prj/Wave/004 Loop One.wav")), std::vector<std::uint8_t>(500, 7));
    EXPECT_EQ(ReadBytes(Path("A.prj/Wave/005 Pluck.aif")), std::vector<std::uint8_t>(400, 9));
    EXPECT_EQ(FileNames(Path("in")), (Names{"Loop One.wav", "Pluck.aif"}));
}

TEST_F(CliScenarioTest, EveryRefusalPrintsItsMessageAndNothingIsWritten) {
    BuildA();
    BuildB();
    {
        ProjectBuilder full(m_temp.Path(), "Full.prj");
        for (int n = 1; n <= 999; ++n) {
            char name[16];
            std::snprintf(name, sizeof name, "%03d W.w00", n);
            full.AddWave(name, 1);
        }
    }
    {
        ProjectBuilder huge(m_temp.Path(), "Huge.prj");
        huge.AddPatch("001 Big.p00", ProjectBuilder::PatchUsingWaves(1));
        huge.AddWave("001 Big.wav", 1);
        // 50 MB and one byte, without using the disk space.
        std::filesystem::resize_file(huge.Path() + "Wave/001 Big.wav", 52428801);
    }
    {
        ProjectBuilder other(m_temp.Path(), "Other.prj");
        other.AddSystemFiles();
    }
    std::filesystem::create_directory(Path("NotAProject.prj"));
    std::filesystem::create_directory(Path("in"));
    WriteText(Path("in/notes.txt"), "not a sound");
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());

    const ProcessResult result = Run("refusals.orv");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "line 2: there is nothing to undo\n"
                          "failed: line 2\n"
                          "question: OK to delete? -> no\n"
                          "failed: line 5\n"
                          "question: Do you want to delete the existing data and overwrite it? -> no\n"
                          "failed: line 6\n"
                          "question: Do you want to delete the last data, and then insert? -> no\n"
                          "failed: line 7\n"
                          "error: There is insufficient free wave space.\n"
                          "failed: line 9\n"
                          "error: Can't add wave; the total size of all waves would exceed 50 MB.\n"
                          "failed: line 11\n"
                          "error: This project could not be loaded.\n"
                          "  the sub-folder \"Patch\" is missing\n"
                          "  the sub-folder \"Wave\" is missing\n"
                          "failed: line 12\n"
                          "error: This project could not be saved.\n"
                          "  another open project uses this folder: " +
                              Path("B.prj") +
                              "/\n"
                              "failed: line 13\n"
                              "question: Project already exists. Do you want to replace it? -> no\n"
                              "failed: line 14\n"
                              "error: Files could not be imported.\n"
                              "failed: line 15\n"
                              "line 17: the window \"N\" has no folder yet: use save-as\n"
                              "failed: line 17\n"
                              "line 18: 3 patches do not fit from slot 511 to the end of the list\n"
                              "failed: line 18\n"
                              "line 19: every selected slot of the patches is empty: nothing to delete\n"
                              "failed: line 19\n");
    FolderSnapshot after = TakeFolderSnapshot(m_temp.Path());
    after.erase("work/");
    EXPECT_EQ(after, before);
}

TEST_F(CliScenarioTest, PreviewPrintsWhatASaveWouldDoAndChangesNothing) {
    BuildA();
    BuildB();
    const ProcessResult result = Run("preview.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string a = Path("A.prj/");
    // Deleted files go to the trash where the tool has one (the core's own on Linux; the Windows build
    // has none).
#if defined(ORVANTA_DESKTOP_TRASH) || defined(ORVANTA_OWN_TRASH)
    const std::string toTrash = ",\"to\":\"trash\"";
#else
    const std::string toTrash;
#endif
    // Lead renamed, Bass moved to 7: renames. Pad loses its wave 2: rewritten in place. Keys and
    // Choir emptied; B still uses Choir, so it is kept in the work folder first.
    EXPECT_EQ(result.out, "{\"project\":\"" + a + "\",\"write\":[\"" + a + "Patch/002 Pad.p00\"],\"move\":[[\"" + a +
                              "Patch/001 Lead.p00\",\"" + a + "Patch/001 Solo.p00\"],[\"" + a +
                              "Patch/003 Bass.p00\",\"" + a + "Patch/007 Bass.p00\"]],\"park\":[\"" + a +
                              "Wave/002 Choir.w00\"],\"delete\":[{\"path\":\"" + a +
                              "Patch/005 Keys.p00\",\"why\":\"emptied\"" + toTrash + "},{\"path\":\"" + a +
                              "Wave/002 Choir.w00\",\"why\":\"emptied\"" + toTrash + "}]}\n");
    EXPECT_EQ(TakeFolderSnapshot(Path("A.prj")), Before("A.prj"));
    EXPECT_EQ(TakeFolderSnapshot(Path("B.prj")), Before("B.prj"));
}

#if defined(ORVANTA_OWN_TRASH) && defined(__linux__)
TEST_F(CliScenarioTest, ADeletedFileGoesToTheHomeTrashEvenBeforeTheDataFolderExists) {
    // A home without ~/.local/share: the file goes to the trash made there, never into the folder
    // the tool runs in.
    BuildA();
    const std::string home = Path("home");
    const std::string runIn = Path("run-in");
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(runIn);
    WriteText(Path("delete.orv"), "open A " + Path("A.prj") + "\nanswer yes\ndelete A patches 5\nsave A\n");
    const ProcessResult result = RunTool({"--work-folder", WorkFolder(), "run", Path("delete.orv")}, runIn, {},
                                         {"HOME=" + home, "XDG_DATA_HOME="});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FileNames(runIn), Names());
    EXPECT_TRUE(std::filesystem::is_empty(runIn));
    EXPECT_EQ(FileNames(home + "/.local/share/Trash/files"), Names({"005 Keys.p00"}));
    EXPECT_EQ(FileNames(Path("A.prj/Patch")), Names({"001 Lead.p00", "002 Pad.p00", "003 Bass.p00"}));
}
#endif

#if defined(ORVANTA_OWN_TRASH)
// A trash whose info folder is a file takes nothing: the preview says the file will be kept, the
// save keeps it in the project's "Kept files" and says where, and it ends (no waiting on the trash).
TEST_F(CliScenarioTest, AFileNoTrashTakesIsKeptAndTheToolSaysWhere) {
    BuildA();
    const std::string data = Path("data");
    std::filesystem::create_directories(data + "/Trash/files");
    WriteText(data + "/Trash/info", "not a folder\n");
    WriteText(Path("delete.orv"), "open A " + Path("A.prj") + "\nanswer yes\ndelete A patches 5\npreview A\nsave A\n");
    const ProcessResult result = RunTool({"--work-folder", WorkFolder(), "run", Path("delete.orv")}, m_temp.Path(), {},
                                         {"XDG_DATA_HOME=" + data});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\"why\":\"emptied\",\"to\":\"kept\""), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("kept in the folder " + Path("A.prj/Kept files") + ": 005 Keys.p00"), std::string::npos)
        << result.err;
    EXPECT_EQ(FileNames(Path("A.prj/Kept files")), Names({"005 Keys.p00"}));
    EXPECT_EQ(FileNames(data + "/Trash/files"), Names());
}
#endif

TEST_F(CliScenarioTest, AScriptThatDoesNotParseRunsNothing) {
    BuildA();
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());
    const ProcessResult result = Run("bad-input.orv");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "line 2: unknown statement \"frobnicate\"\n"
                          "line 3: KIND must be \"patches\" or \"waves\", not \"tracks\"\n"
                          "line 4: patch number 0 is outside 1-512\n"
                          "line 5: wave number 1000 is outside 1-999\n"
                          "line 6: patch number 513 is outside 1-512\n"
                          "line 7: \"copy\" takes: copy FROM KIND SEL TO NUMBER [insert]\n"
                          "line 8: a double quote is not closed\n"
                          "the script does not parse; nothing was run\n");
    EXPECT_EQ(result.out, "");
    // Not even the work folder was made.
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
}

TEST_F(CliScenarioTest, MissingWindowsAndFilesFailTheirLinesOnly) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    BuildA();
    std::filesystem::create_directory(Path("sub"));
    std::filesystem::create_directory_symlink(Path("A.prj"), Path("linked.prj"));
    const ProcessResult result = Run("missing.orv");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "line 3: a window named \"A\" is already open\n"
                          "failed: line 3\n"
                          "line 4: the project " +
                              Path("A.prj") +
                              " is already open as the window \"A\"\n"
                              "failed: line 4\n"
                              "error: This project could not be loaded.\n"
                              "  the folder does not exist: " +
                              Path("Missing.prj") +
                              "/\n"
                              "failed: line 5\n"
                              "line 6: no window named \"Nobody\" is open\n"
                              "failed: line 6\n"
                              "line 7: no window named \"Nobody\" is open\n"
                              "failed: line 7\n"
                              "line 8: cannot read the file in/absent.wav\n"
                              "failed: line 8\n"
                              "line 9: no window named \"Nobody\" is open\n"
                              "failed: line 9\n"
                              "line 11: the project " +
                              Path("A.prj") +
                              " is already open as the window \"A\"\n"
                              "failed: line 11\n"
                              "line 12: the project " +
                              Path("linked.prj") +
                              " is already open as the window \"A\"\n"
                              "failed: line 12\n");
    // The statements after the failed ones still ran.
    EXPECT_EQ(result.out.rfind("{\"path\":\"" + Path("A.prj/") + "\"", 0), 0U) << result.out;
    EXPECT_FALSE(std::filesystem::exists(Path("Missing.prj")));
    EXPECT_EQ(TakeFolderSnapshot(Path("A.prj")), Before("A.prj"));
}

TEST_F(CliScenarioTest, PathsWithBlanksAndCommasWork) {
    std::filesystem::create_directory(Path("My Songs, 2024"));
    BuildA("My Songs, 2024/Set A.prj");
    const ProcessResult result = Run("blanks-and-commas.orv");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const Names expected{"001 Lead, bright.p00", "002 Pad.p00", "003 Bass.p00", "005 Keys.p00"};
    EXPECT_EQ(FileNames(Path("My Songs, 2024/Set A.prj/Patch")), expected);
    EXPECT_EQ(FileNames(Path("My Songs, 2024/Set B, copy.prj/Patch")), expected);
    EXPECT_EQ(FileNames(Path("My Songs, 2024/Set B, copy.prj/Wave")),
              (Names{"001 Saw.wav", "002 Choir.w00", "003 Sub.aif"}));
    EXPECT_EQ(FileNames(Path("My Songs, 2024/Set B, copy.prj")),
              (Names{"Orvanta Palette.s00", "Orvanta System.s00", "Orvanta Template.s00"}));
    EXPECT_EQ(WaveReferences(Path("My Songs, 2024/Set B, copy.prj/Patch/002 Pad.p00")), References(2, 1));
}

} // namespace
} // namespace Orvanta::CliTest
