// No data is lost whichever file-system call of a save fails: for a save in place and a Save As
// that swap, rename, copy between projects, park files in the work folder and delete, the n-th call
// of each kind is made to fail in turn, for every n up to the number of such calls the save makes.

#include "SaveFixture.h"

#include "storage/SaveJournal.h"
#include "storage/WaveImport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace Orvanta::SaveTesting {
namespace {

using TestSupport::FolderSnapshot;
using TestSupport::TakeFolderSnapshot;

const char* OpName(unsigned op) {
    switch (op) {
    case FaultyFileSystem::kOpenRead:
        return "open for reading";
    case FaultyFileSystem::kOpenReadWrite:
        return "open for writing";
    case FaultyFileSystem::kRead:
        return "read";
    case FaultyFileSystem::kWrite:
        return "write";
    case FaultyFileSystem::kSeek:
        return "seek";
    case FaultyFileSystem::kCopy:
        return "copy";
    case FaultyFileSystem::kRename:
        return "rename";
    case FaultyFileSystem::kDelete:
        return "delete";
    case FaultyFileSystem::kCreateFolder:
        return "create folder";
    case FaultyFileSystem::kRemoveFolder:
        return "remove folder";
    case FaultyFileSystem::kList:
        return "list";
    case FaultyFileSystem::kSize:
        return "size";
    default:
        return "query";
    }
}

// Two open projects edited so that saving A moves files in every way a save can:
//   A patches: 1 and 2 swapped (one work copy); 7 renamed Lead -> Bass (a rename, and B holds a
//   copy of it); 9 emptied (deleted); 4 Bass replaced by a copy of 3 named Pad, onto the duplicate
//   "004 Pad.p00" planned for deletion; a stray; "777 Keep.p00" that must stay. Alpha's file is
//   too long to be kept in memory, so it is copied where the others are written from memory.
//   A patches 10-12 moved to 11-13 as an insert moves them (renames of the folder's own files).
//   A waves: 3 moved to 5; 2 copied into B and emptied in A (parked for B), then an imported wave
//   fills slot 2 from the work folder.
class Scenario {
public:
    Scenario() {
        EXPECT_TRUE(SetUpWorkFolder(m_temp / "work"));
        ProjectBuilder a(m_temp.Path(), "A.prj");
        a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11, ProjectBuilder::PatchUsingWaves(1), kKeptPatchFileSize));
        a.AddPatchBytes("002 Beta.p00", PatchBytes(0x22, ProjectBuilder::PatchUsingWaves(2), 3));
        a.AddPatchBytes("003 Gamma.p00", PatchBytes(0x33));
        a.AddPatchBytes("004 Bass.p00", PatchBytes(0x44));
        a.AddPatchBytes("004 Pad.p00", PatchBytes(0x45));
        a.AddPatchBytes("007 Lead.p00", PatchBytes(0x77, ProjectBuilder::PatchUsingWaves(3)));
        a.AddPatchBytes("009 Gone.p00", PatchBytes(0x99));
        a.AddPatchBytes("stray.p00", PatchBytes(0x5A));
        a.AddPatchBytes("777 Keep.p00", PatchBytes(0x7F));
        a.AddPatchBytes("010 Ten.p00", PatchBytes(0xA0));
        a.AddPatchBytes("011 Eleven.p00", PatchBytes(0xA1));
        a.AddPatchBytes("012 Twelve.p00", PatchBytes(0xA2));
        a.AddWave("001 Kick.wav", 300);
        a.AddWave("002 Snare.w00", 200);
        a.AddWave("003 Hat.aif", 150);
        a.AddWave("004 Pad.w00", 100);
        a.AddSystemFiles();
        ProjectBuilder b(m_temp.Path(), "B.prj");
        b.AddPatchBytes("001 Bee.p00", PatchBytes(0xB1));
        b.AddWave("001 Bwave.wav", 120);
        m_pathA = a.Path();
        m_pathB = b.Path();
        std::filesystem::create_directory(m_temp / "in");
        ProjectBuilder::WriteBytes(m_temp / "in/Clap.wav", std::vector<std::uint8_t>(90, 0xC1));

        m_a = &m_documents.Open(m_pathA);
        m_b = &m_documents.Open(m_pathB);
        CTernData& dataA = m_a->Data();
        CTernData& dataB = m_b->Data();
        std::unique_ptr<CPatch> alpha = dataA.m_patches.Replace(0, dataA.m_patches.CloneAt(1));
        dataA.m_patches.Replace(1, std::move(alpha));
        EXPECT_TRUE(dataA.m_patches[1].m_osc[0].SetWaveNumber(0, 5));
        dataA.m_patches[6].SetName("Bass", false);
        dataA.m_patches.Replace(8, std::make_unique<CPatch>());
        dataA.m_patches.Replace(3, dataA.m_patches.CloneAt(2));
        dataA.m_patches[3].SetName("Pad", false);
        for (std::size_t i = 12; i > 9; --i) {
            dataA.m_patches.Replace(i, dataA.m_patches.CloneAt(i - 1));
        }
        dataA.m_patches.Replace(9, std::make_unique<CPatch>());
        dataA.m_waves.Replace(4, dataA.m_waves.CloneAt(2));
        dataA.m_waves.Replace(2, std::make_unique<CWave>());
        dataB.m_waves.Replace(1, dataA.m_waves.CloneAt(1));
        dataB.m_patches.Replace(1, dataA.m_patches.CloneAt(6));
        dataA.m_waves.Replace(1, std::make_unique<CWave>());
        EXPECT_EQ(m_a->ImportWaves({m_temp / "in/Clap.wav"}), 1U);
        m_a->SetModified(true);
        m_b->SetModified(true);
        m_recordA = RecordProject(dataA);
        m_recordB = RecordProject(dataB);
        EXPECT_EQ(m_recordA.patches.size(), 8U);
        EXPECT_EQ(m_recordA.waves.size(), 4U);
    }
    ~Scenario() { CDomain::Instance().SetWorkFolder(""); }
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    TestSupport::TempFolder m_temp;
    DocumentList m_documents;
    std::string m_pathA;
    std::string m_pathB;
    CTernFileDocument* m_a = nullptr;
    CTernFileDocument* m_b = nullptr;
    ProjectRecord m_recordA;
    ProjectRecord m_recordB;
};

class SaveFaultTest : public ::testing::Test {
protected:
    SaveFaultTest() {
        m_reporter = TestSupport::ScriptedReporter::Install();
        m_reporter->SetDefaultAnswer(kAnswerYes);
    }
    ~SaveFaultTest() override { TestSupport::ScriptedReporter::Uninstall(); }

    // How many calls of the kinds in `op` saving A makes when nothing fails.
    int CountCalls(unsigned op, bool saveAs) {
        Scenario scenario;
        const int before = m_files.Calls(op);
        EXPECT_TRUE(scenario.m_a->SaveProjectTo(saveAs ? scenario.m_temp / "C.prj" : scenario.m_pathA));
        return m_files.Calls(op) - before;
    }

    // Saves A with the n-th call of kind `op` failing, then checks that nothing was lost and that
    // saving again without faults gives the right folders.
    void SaveWithFault(unsigned op, int n, bool saveAs) {
        SCOPED_TRACE(std::string(saveAs ? "save as, " : "save in place, ") + OpName(op) + " call " + std::to_string(n));
        Scenario scenario;
        CTernData& dataA = scenario.m_a->Data();
        CTernData& dataB = scenario.m_b->Data();
        const std::string target = saveAs ? scenario.m_temp / "C.prj/" : scenario.m_pathA;
        const FolderSnapshot folderA = TakeFolderSnapshot(scenario.m_pathA);
        const auto stateA = PathState(dataA);
        const auto stateB = PathState(dataB);
        const std::vector<std::string> pendingA = scenario.m_a->PendingDeletions();
        m_reporter->ClearRecord();

        m_files.SetTornFaults(true);
        m_files.FailNthCall(op, n);
        const bool saved = scenario.m_a->SaveProjectTo(target);
        m_files.ClearFaults();
        if (!saved) {
            EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorSave});
            EXPECT_TRUE(scenario.m_a->IsModified());
            ExpectEveryObjectReadable(dataA, scenario.m_recordA, "A after the failed save");
            ExpectEveryObjectReadable(dataB, scenario.m_recordB, "B after the failed save");
            if (saveAs) {
                EXPECT_EQ(PathState(dataA), stateA);
                EXPECT_EQ(PathState(dataB), stateB);
                EXPECT_EQ(scenario.m_a->PendingDeletions(), pendingA);
            }
        } else {
            ExpectEveryObjectReadable(dataB, scenario.m_recordB, "B after the save");
        }
        if (saveAs) {
            EXPECT_EQ(TakeFolderSnapshot(scenario.m_pathA), folderA); // a Save As never touches the old folder
        }
        if (HasFailure()) {
            return;
        }

        // Saved again without faults: the right project, whatever the first attempt left behind.
        ASSERT_TRUE(scenario.m_a->SaveProjectTo(target));
        EXPECT_EQ(dataA.m_projectPath, target);
        const std::set<std::string> kept = saveAs ? std::set<std::string>{} : std::set<std::string>{"777 Keep.p00"};
        ExpectSavedProject(dataA, scenario.m_recordA, "A saved again", kept);
        for (const char* name : {"Orvanta System.s00", "Orvanta Palette.s00", "Orvanta Template.s00"}) {
            EXPECT_EQ(Bytes(target + name), folderA.at(name)) << name;
        }
        EXPECT_TRUE(scenario.m_a->PendingDeletions().empty());
        ExpectEveryObjectReadable(dataB, scenario.m_recordB, "B after A was saved");
        ASSERT_TRUE(scenario.m_b->SaveProjectTo(scenario.m_pathB));
        ExpectSavedProject(dataB, scenario.m_recordB, "B saved");
    }

    void RunEveryFault(bool saveAs) {
        int runs = 0;
        unsigned exercised = 0;
        for (unsigned bit = 0; bit < FaultyFileSystem::kOpKinds; ++bit) {
            const unsigned op = 1U << bit;
            const int calls = CountCalls(op, saveAs);
            if (calls > 0) {
                exercised |= op;
            }
            for (int n = 1; n <= calls && !HasFailure(); ++n) {
                SaveWithFault(op, n, saveAs);
                ++runs;
            }
        }
        // The scenario makes every kind of change a save can make.
        const unsigned changes = FaultyFileSystem::kCreate | FaultyFileSystem::kWrite | FaultyFileSystem::kOpen |
                                 FaultyFileSystem::kSeek | FaultyFileSystem::kCreateFolder |
                                 (saveAs ? 0U : FaultyFileSystem::kRename | FaultyFileSystem::kDelete);
        EXPECT_EQ(exercised & changes, changes);
        std::printf("%s: %d saves, each with one failing call\n", saveAs ? "save as" : "save in place", runs);
    }

    FaultyFileSystem m_files;
    TestSupport::StorageDomainGuard m_guard{&m_files};
    std::shared_ptr<TestSupport::ScriptedReporter> m_reporter;
};

TEST_F(SaveFaultTest, TheScenarioSavesInPlaceAsExpected) {
    Scenario scenario;
    CTernData& dataA = scenario.m_a->Data();
    ASSERT_TRUE(scenario.m_a->SaveProjectTo(scenario.m_pathA));
    ExpectSavedProject(dataA, scenario.m_recordA, "A", {"777 Keep.p00"});
    EXPECT_EQ(dataA.m_patches[3].m_name, "Pad");
    EXPECT_EQ(Bytes(scenario.m_pathA + "Patch/004 Pad.p00")[100], 0x33);
    EXPECT_EQ(Bytes(scenario.m_pathA + "Patch/007 Bass.p00")[100], 0x77);
    EXPECT_EQ(scenario.m_b->Data().m_patches[1].m_path, scenario.m_pathA + "Patch/007 Bass.p00");
    EXPECT_EQ(scenario.m_b->Data().m_waves[1].m_path.rfind(CDomain::Instance().WorkFolder(), 0), 0U);
    EXPECT_EQ(dataA.m_waves[1].m_name, "Clap");
    ASSERT_TRUE(scenario.m_b->SaveProjectTo(scenario.m_pathB));
    ExpectSavedProject(scenario.m_b->Data(), scenario.m_recordB, "B");
}

TEST_F(SaveFaultTest, NothingIsLostWhicheverCallOfASaveInPlaceFails) {
    RunEveryFault(false);
}

TEST_F(SaveFaultTest, NothingIsLostWhicheverCallOfASaveAsFails) {
    RunEveryFault(true);
}

// A crash at any call of a save that changes the disk: after a fresh open of the folder (which
// finishes or undoes the interrupted save), the folder is byte for byte the project before the save
// or the project as the complete save leaves it, and nothing of the save is left in it.
TEST_F(SaveFaultTest, ACrashAtAnyCallEndsWithTheOldOrTheNewProject) {
    for (const bool saveAs : {false, true}) {
        // The folder a complete save leaves, and how many changing calls it makes.
        FolderSnapshot saved;
        int calls = 0;
        {
            Scenario scenario;
            const int before = m_files.Calls(FaultyFileSystem::kChanging);
            ASSERT_TRUE(scenario.m_a->SaveProjectTo(saveAs ? scenario.m_temp / "C.prj" : scenario.m_pathA));
            calls = m_files.Calls(FaultyFileSystem::kChanging) - before;
            saved = TakeFolderSnapshot(saveAs ? scenario.m_temp / "C.prj" : scenario.m_pathA);
        }
        int rolledBack = 0;
        int completed = 0;
        for (int n = 1; n <= calls && !HasFailure(); ++n) {
            SCOPED_TRACE(std::string(saveAs ? "save as" : "save in place") + ", crash at call " + std::to_string(n));
            Scenario scenario;
            const std::string target = saveAs ? scenario.m_temp / "C.prj/" : scenario.m_pathA;
            const FolderSnapshot old = TakeFolderSnapshot(target);
            const FolderSnapshot folderA = TakeFolderSnapshot(scenario.m_pathA);
            m_files.SetTornFaults(true);
            m_files.CrashAtCall(FaultyFileSystem::kChanging, n);
            // A crash while tidying up comes after every file is in place: that save has succeeded.
            (void)scenario.m_a->SaveProjectTo(target);
            EXPECT_TRUE(m_files.Crashed());
            m_files.ClearFaults();

            // What the next run finds: the open recovers, and says so.
            m_reporter->ClearRecord();
            // An empty staging folder (the last step of tidying up) is removed without a word.
            std::error_code error;
            const bool interrupted =
                HasInterruptedSave(target) && !std::filesystem::is_empty(target + kSaveStagingFolder, error);
            DocumentList nextRun;
            if (saveAs) {
                EXPECT_NE(RecoverInterruptedSave(target), RecoveryOutcome::kFailed);
            } else {
                EXPECT_TRUE(nextRun.Add().OpenProjectFolder(target));
                EXPECT_EQ(m_reporter->Recoveries().size(), interrupted ? 1U : 0U);
            }
            EXPECT_FALSE(HasInterruptedSave(target));
            const FolderSnapshot after = TakeFolderSnapshot(target);
            EXPECT_TRUE(after == old || after == saved);
            (after == saved ? completed : rolledBack) += 1;
            if (saveAs) {
                EXPECT_EQ(TakeFolderSnapshot(scenario.m_pathA), folderA);
            }
        }
        EXPECT_GT(rolledBack, 0);
        EXPECT_GT(completed, 0);
        std::printf("%s: %d crashes, %d rolled back, %d completed\n", saveAs ? "save as" : "save in place", calls,
                    rolledBack, completed);
    }
}

// A save whose places cannot be completed (a rename that keeps failing) undoes itself. A crash at
// any call of that save, its undoing included, and then a crash at any call of the recovery that
// the next open makes: the recovery after that still ends with the old project byte for byte, and
// nothing of the save is left. The place stays stuck for every recovery, so each of them undoes the
// save as well, from wherever the one before stopped.
TEST_F(SaveFaultTest, ACrashWhileUndoingAndWhileRecoveringFromItEndsWithTheOldProject) {
    // "007 Bass.p00" is a new name that a parked file is placed at: its rename fails every time.
    const auto stick = [this](const Scenario& scenario) {
        m_files.FailOnPath(FaultyFileSystem::kRename, scenario.m_pathA + "Patch/007 Bass.p00");
    };
    const auto recoverStuck = [&](const Scenario& scenario) {
        stick(scenario);
        const RecoveryOutcome outcome = RecoverInterruptedSave(scenario.m_pathA);
        m_files.ClearFaults();
        return outcome;
    };
    int calls = 0;
    {
        Scenario scenario;
        const FolderSnapshot old = TakeFolderSnapshot(scenario.m_pathA);
        stick(scenario);
        const int before = m_files.Calls(FaultyFileSystem::kChanging);
        EXPECT_FALSE(scenario.m_a->SaveProjectTo(scenario.m_pathA));
        calls = m_files.Calls(FaultyFileSystem::kChanging) - before;
        m_files.ClearFaults();
        ASSERT_EQ(TakeFolderSnapshot(scenario.m_pathA), old); // undone by the save itself
        ASSERT_NE(m_reporter->Details().back().find("the save was undone"), std::string::npos);
    }
    int recoveries = 0;
    for (int n = 1; n <= calls && !HasFailure(); ++n) {
        SCOPED_TRACE("crash at call " + std::to_string(n) + " of the save");
        Scenario scenario;
        const std::string target = scenario.m_pathA;
        const FolderSnapshot old = TakeFolderSnapshot(target);
        m_files.SetTornFaults(true);
        stick(scenario);
        m_files.CrashAtCall(FaultyFileSystem::kChanging, n);
        (void)scenario.m_a->SaveProjectTo(target);
        EXPECT_TRUE(m_files.Crashed());
        m_files.ClearFaults();
        const FolderSnapshot crashed = TakeFolderSnapshot(target);

        // Recovered without a crash: the old project, and how many changing calls that takes.
        const int start = m_files.Calls(FaultyFileSystem::kChanging);
        EXPECT_TRUE(IsRecovered(recoverStuck(scenario)));
        const int recoveryCalls = m_files.Calls(FaultyFileSystem::kChanging) - start;
        EXPECT_FALSE(HasInterruptedSave(target));
        EXPECT_EQ(TakeFolderSnapshot(target), old);

        for (int m = 1; m <= recoveryCalls && !HasFailure(); ++m) {
            SCOPED_TRACE("crash at call " + std::to_string(m) + " of the recovery");
            TestSupport::RestoreFolderSnapshot(target, crashed);
            stick(scenario);
            m_files.CrashAtCall(FaultyFileSystem::kChanging, m);
            (void)RecoverInterruptedSave(target);
            EXPECT_TRUE(m_files.Crashed());
            m_files.ClearFaults();
            EXPECT_TRUE(IsRecovered(recoverStuck(scenario)));
            EXPECT_FALSE(HasInterruptedSave(target));
            EXPECT_EQ(TakeFolderSnapshot(target), old);
            ++recoveries;
        }
    }
    std::printf("undoing save: %d crashes, then %d crashes while recovering\n", calls, recoveries);
}

// The check phase only looks: whichever call fails while checking, every file stays as it was.
TEST_F(SaveFaultTest, CheckingChangesNothingOnDiskWhateverFails) {
    for (const bool saveAs : {false, true}) {
        for (unsigned bit = 0; bit < FaultyFileSystem::kOpKinds; ++bit) {
            const unsigned op = 1U << bit;
            for (int n = 1; !HasFailure(); ++n) {
                Scenario scenario;
                CTernFileDocument& document = *scenario.m_a;
                const std::string previous = document.Data().m_projectPath;
                const auto mode =
                    saveAs ? CTernFileDocument::SaveMode::kNewFolder : CTernFileDocument::SaveMode::kInPlace;
                const FolderSnapshot before = TakeFolderSnapshot(scenario.m_temp.Path());
                const int start = m_files.FaultsInjected();
                m_files.FailNthCall(op, n);
                const bool checked = document.CheckSave(saveAs ? scenario.m_temp / "C.prj/" : previous, mode);
                m_files.ClearFaults();
                EXPECT_EQ(TakeFolderSnapshot(scenario.m_temp.Path()), before) << OpName(op) << " call " << n;
                const bool faulted = m_files.FaultsInjected() > start;
                if (!faulted) {
                    EXPECT_TRUE(checked);
                    break; // n is past the number of such calls
                }
            }
        }
    }
}

} // namespace
} // namespace Orvanta::SaveTesting
