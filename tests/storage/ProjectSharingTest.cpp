// A project folder from elsewhere and a project shared with other programs: recovery never acts
// through a link, a save whose places cannot be completed is undone, one program at a time saves,
// and a save notices what another program changed since the project was opened.

#include "SaveFixture.h"

#include "storage/CNativeFileSystem.h"
#include "storage/LoadDiagnosis.h"
#include "storage/SaveJournal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#if !defined(_WIN32)
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace Orvanta::SaveTesting {
namespace {

namespace fs = std::filesystem;
using TestSupport::FolderSnapshot;
using TestSupport::TakeFolderSnapshot;

class ProjectSharingTest : public SaveTest {
protected:
    ProjectSharingTest() {
        m_project.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11, ProjectBuilder::PatchUsingWaves(1)));
        m_project.AddPatchBytes("002 Beta.p00", PatchBytes(0x22));
        m_project.AddWave("001 Kick.w00");
        fs::create_directory(m_temp / "outside");
        ProjectBuilder::WriteBytes(m_temp / "outside/victim.txt", {7, 7, 7});
    }

    std::string Staging() const { return m_project.Path() + kSaveStagingFolder + "/"; }
    void WriteStaging(const std::string& name, const std::string& text) const {
        ProjectBuilder::WriteBytes(Staging() + name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }

    ProjectBuilder m_project = Project("A.prj");
};

#if !defined(_WIN32)
// Crafted staging folders: whatever a journal names, and whichever folder or record on the way is a
// link, recovery touches nothing outside the project and leaves the staging folder for the user.
TEST_F(ProjectSharingTest, ACraftedStagingFolderNeverReachesOutsideTheProject) {
    const std::string outside = m_temp / "outside";
    struct Case {
        const char* name;
        std::function<void()> craft;
    };
    const std::string parkAndPlace = "orvanta-save-journal 1\npark Wave/victim.txt .orvanta-save/o-1\n"
                                     "place .orvanta-save/n-1 Wave/planted.txt\nend\n";
    const Case cases[] = {
        {"a linked middle folder",
         [&] {
             fs::create_directory_symlink(outside, m_project.Path() + "evil");
             WriteStaging("journal", "orvanta-save-journal 1\npark evil/victim.txt .orvanta-save/o-1\n"
                                     "place .orvanta-save/n-1 evil/planted.txt\nend\n");
         }},
        {"a linked Wave folder",
         [&] {
             fs::rename(m_project.Path() + "Wave", m_project.Path() + "RealWave");
             fs::create_directory_symlink(outside, m_project.Path() + "Wave");
             WriteStaging("journal", parkAndPlace);
         }},
        {"a linked journal",
         [&] {
             ProjectBuilder::WriteBytes(outside + "/journal",
                                        std::vector<std::uint8_t>(parkAndPlace.begin(), parkAndPlace.end()));
             fs::create_symlink(outside + "/journal", Staging() + "journal");
         }},
        {"a linked record of created folders",
         [&] {
             fs::create_symlink(outside + "/victim.txt", Staging() + "created");
             WriteStaging("journal", "orvanta-save-journal 1\nend\n");
         }},
        {"a linked staged copy",
         [&] {
             fs::remove(Staging() + "n-1");
             fs::create_symlink(outside + "/victim.txt", Staging() + "n-1");
             WriteStaging("journal", "orvanta-save-journal 1\nplace .orvanta-save/n-1 Patch/003 New.p00\nend\n");
         }},
        {"a folder outside Patch and Wave",
         [&] { WriteStaging("journal", "orvanta-save-journal 1\nplace .orvanta-save/n-1 Other/003 New.p00\nend\n"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_project.Path() + kSaveStagingFolder);
        fs::create_directory(m_project.Path() + kSaveStagingFolder);
        WriteStaging("n-1", "planted");
        c.craft();
        const FolderSnapshot outsideBefore = TakeFolderSnapshot(outside);
        const FolderSnapshot projectBefore = TakeFolderSnapshot(m_project.Path());

        EXPECT_EQ(RecoverInterruptedSave(m_project.Path()), RecoveryOutcome::kRefused);
        EXPECT_FALSE(m_documents.Add().OpenProjectFolder(m_project.Path()));
        EXPECT_NE(RecoveryText(m_project.Path(), RecoveryOutcome::kRefused).find("left as it is"), std::string::npos);
        EXPECT_EQ(TakeFolderSnapshot(outside), outsideBefore);
        EXPECT_EQ(TakeFolderSnapshot(m_project.Path()), projectBefore);

        // Put back for the next case.
        std::error_code error;
        if (fs::is_symlink(m_project.Path() + "Wave", error)) {
            fs::remove(m_project.Path() + "Wave");
            fs::rename(m_project.Path() + "RealWave", m_project.Path() + "Wave");
        }
        fs::remove(m_project.Path() + "evil", error);
    }
}

// A slot folder that leads elsewhere is refused before the save changes anything.
TEST_F(ProjectSharingTest, ASaveIntoALinkedSlotFolderIsRefusedUpFront) {
    CTernFileDocument& document = m_documents.Open(m_project.Path());
    fs::rename(m_project.Path() + "Wave", m_temp / "outside/Wave");
    fs::create_directory_symlink(m_temp / "outside/Wave", m_project.Path() + "Wave");
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());
    document.Data().m_patches[1].SetName("Gamma", false);
    EXPECT_FALSE(document.SaveProjectTo(m_project.Path()));
    ASSERT_EQ(m_reporter->Details().size(), 1U);
    EXPECT_NE(m_reporter->Details()[0].find("\"Wave\" in A.prj is a link"), std::string::npos);
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
}
#endif

// A rename that keeps failing after the commit: the save is undone from the parked files, and a
// journal left so (the process gone) is undone by the next open; either way the old project opens.
TEST_F(ProjectSharingTest, PlacesThatCannotBeCompletedAreUndone) {
    for (const bool byRecovery : {false, true}) {
        SCOPED_TRACE(byRecovery ? "by the next open" : "by the save itself");
        DocumentList documents;
        CTernFileDocument& document = documents.Open(m_project.Path());
        const FolderSnapshot before = TakeFolderSnapshot(m_project.Path());
        document.Data().m_patches.Replace(4, document.Data().m_patches.CloneAt(0));
        document.Data().m_patches[0].SetName("Moved", false);
        document.SetModified(true);
        const auto sources = PathState(document.Data());
        const std::string stuck = m_project.Path() + "Patch/005 Alpha.p00";
        m_files.FailOnPath(FaultyFileSystem::kRename, stuck);
        if (byRecovery) {
            // Undoing fails too, as if the process had died: the journal stays for the next open.
            m_files.FailOnPath(FaultyFileSystem::kCreate, Staging() + "undo");
        }
        EXPECT_FALSE(document.SaveProjectTo(m_project.Path()));
        EXPECT_EQ(PathState(document.Data()), sources);
        EXPECT_EQ(HasInterruptedSave(m_project.Path()), byRecovery);
        if (byRecovery) {
            EXPECT_NE(m_reporter->Details().back().find("the next time the project is opened"), std::string::npos);
            m_reporter->ClearRecord();
            m_files.ClearFaults();
            m_files.FailOnPath(FaultyFileSystem::kRename, stuck); // the place still cannot be completed
            EXPECT_TRUE(documents.Add().OpenProjectFolder(m_project.Path()));
            ASSERT_EQ(m_reporter->Recoveries().size(), 1U);
            EXPECT_NE(m_reporter->Recoveries()[0].find("was undone"), std::string::npos);
        } else {
            EXPECT_NE(m_reporter->Details().back().find("the save was undone"), std::string::npos);
        }
        m_files.ClearFaults();
        EXPECT_FALSE(HasInterruptedSave(m_project.Path()));
        EXPECT_EQ(TakeFolderSnapshot(m_project.Path()), before);
        m_reporter->ClearRecord();
    }
}

// Changed on disk: a file changed in place, a new file in an empty slot, a renamed file. The save
// asks; on No it refuses and changes nothing; on Yes it saves, a new file taken for a stray.
TEST_F(ProjectSharingTest, ASaveNoticesWhatAnotherProgramChanged) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> change;
        const char* said;
        bool asks; // false: a file the save needs is gone, so saving anyway cannot be offered
    };
    const Case cases[] = {
        {"changed in place",
         [](const std::string& p) { ProjectBuilder::WriteBytes(p + "Patch/002 Beta.p00", PatchBytes(0x55)); },
         "002 Beta.p00 was changed by another program since A.prj was opened", true},
        {"a new file in an empty slot",
         [](const std::string& p) {
             ProjectBuilder::WriteBytes(p + "Wave/007 Snare.w00", {1, 2, 3});
         },
         "007 Snare.w00 was added by another program since A.prj was opened", true},
        {"a renamed file", [](const std::string& p) { fs::rename(p + "Patch/002 Beta.p00", p + "Patch/002 Bass.p00"); },
         "002 Beta.p00 was removed or renamed by another program since A.prj was opened", false},
    };
    for (const Case& c : cases) {
        for (const bool anyway : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (anyway ? ", saved anyway" : ", refused"));
            TestSupport::TempFolder temp;
            fs::copy(m_temp / "A.prj", temp / "A.prj", fs::copy_options::recursive);
            const std::string path = temp / "A.prj/";
            DocumentList documents;
            CTernFileDocument& document = documents.Open(path);
            document.Data().m_patches[0].SetName("Renamed", false);
            document.SetModified(true);
            EXPECT_TRUE(document.DiskChanges().empty());
            c.change(path);
            const std::vector<std::string> changes = document.DiskChanges();
            EXPECT_NE(std::find(changes.begin(), changes.end(), c.said), changes.end()) << JoinLines(changes);
            const FolderSnapshot changed = TakeFolderSnapshot(path);
            m_reporter->ClearRecord();
            m_reporter->QueueAnswer(anyway ? kAnswerYes : kAnswerNo);
            EXPECT_EQ(document.SaveProjectTo(path), anyway && c.asks);
            EXPECT_EQ(m_reporter->QuestionCodes(),
                      c.asks ? std::vector<int>{kAskSaveChangedOnDisk} : std::vector<int>{});
            if (!anyway || !c.asks) {
                ASSERT_EQ(m_reporter->Details().size(), 1U);
                EXPECT_NE(m_reporter->Details()[0].find(c.said), std::string::npos);
                EXPECT_EQ(TakeFolderSnapshot(path), changed);
                m_reporter->ClearAnswers();
                continue;
            }
            EXPECT_TRUE(document.DiskChanges().empty());
            EXPECT_TRUE(FileExists(path + "Patch/001 Renamed.p00"));
            EXPECT_FALSE(FileExists(path + "Wave/007 Snare.w00")); // a stray the save deleted
        }
    }
}

// Another program changes a file the save moves aside after the save compared the folder with its
// record and before the commit (the copies and the flushes take long): the save stops before its
// commit and says what changed, the folder keeps the other program's change and nothing else, and
// the next save asks about it.
TEST_F(ProjectSharingTest, AChangeWhileSavingStopsTheSaveBeforeItsCommit) {
    using FS = FaultyFileSystem;
    struct Case {
        const char* when;
        unsigned ops;
        const char* pathEnd;
        int n;        // the n-th such call
        bool removed; // else changed
        const char* said;
    };
    const Case cases[] = {
        {"as the first new file is staged", FS::kCreate, "/.orvanta-save/n-1", 1, false,
         "001 Alpha.p00 was changed by another program while A.prj was being saved"},
        {"as the staging folder is flushed", FS::kSync, "", 1, false,
         "001 Alpha.p00 was changed by another program while A.prj was being saved"},
        {"as the staged files are flushed", FS::kSync, "", 2, false,
         "001 Alpha.p00 was changed by another program while A.prj was being saved"},
        {"as the journal is written", FS::kCreate, "/.orvanta-save/journal.tmp", 1, false,
         "001 Alpha.p00 was changed by another program while A.prj was being saved"},
        {"removed as the journal is written", FS::kCreate, "/.orvanta-save/journal.tmp", 1, true,
         "001 Alpha.p00 was removed or renamed by another program while A.prj was being saved"},
        {"removed as the save checks it can move it", FS::kOpenReadWrite, "/001 Alpha.p00", 1, true,
         "a file that the save replaces or removes was removed or renamed by another program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        TestSupport::TempFolder temp;
        fs::copy(m_temp / "A.prj", temp / "A.prj", fs::copy_options::recursive);
        const std::string path = temp / "A.prj/";
        const std::string alpha = path + "Patch/001 Alpha.p00";
        DocumentList documents;
        CTernFileDocument& document = documents.Open(path);
        document.Data().m_patches[0].SetName("Renamed", false);
        document.Data().m_patches[0].m_osc[0].m_values[3] ^= 1; // new data: the file is copied
        document.SetModified(true);
        // The folder as the other program leaves it.
        FolderSnapshot changed = TakeFolderSnapshot(path);
        if (c.removed) {
            changed.erase("Patch/001 Alpha.p00");
        } else {
            changed["Patch/001 Alpha.p00"] = PatchBytes(0x55);
        }
        bool acted = false;
        m_files.RunBeforeCall(
            c.ops, c.pathEnd,
            [&] {
                if (c.removed) {
                    fs::remove(alpha);
                } else {
                    ProjectBuilder::WriteBytes(alpha, PatchBytes(0x55));
                }
                acted = true;
            },
            c.n);
        m_reporter->ClearRecord();
        m_reporter->SetDefaultAnswer(kAnswerYes);
        EXPECT_FALSE(document.SaveProjectTo(path));
        ASSERT_TRUE(acted);
        EXPECT_TRUE(m_reporter->Questions().empty());
        ASSERT_EQ(m_reporter->Details().size(), 1U);
        EXPECT_NE(m_reporter->Details()[0].find(c.said), std::string::npos) << m_reporter->Details()[0];
        EXPECT_EQ(TakeFolderSnapshot(path), changed);
        EXPECT_FALSE(HasInterruptedSave(path));
        if (!c.removed) {
            // The next save asks; answered yes it saves, the other program's change goes as agreed.
            m_reporter->ClearRecord();
            EXPECT_TRUE(document.SaveProjectTo(path));
            EXPECT_EQ(m_reporter->QuestionCodes(), std::vector<int>{kAskSaveChangedOnDisk});
            EXPECT_TRUE(FileExists(path + "Patch/001 Renamed.p00"));
        }
        m_reporter->SetDefaultAnswer(kAnswerOk);
        m_files.ClearFaults();
    }
}

// An interrupted Save As into a new folder is undone without a trace: the folders it made go too,
// although the recovering program holds its save lock in the folder.
TEST_F(ProjectSharingTest, UndoingASaveAsRemovesTheFoldersItMade) {
    const std::string target = m_temp / "New.prj/";
    for (const char* folder : {"", "Patch", "Wave", kSaveStagingFolder}) {
        fs::create_directory(target + folder);
    }
    ProjectBuilder::WriteBytes(target + kSaveStagingFolder + "/created",
                               {'.', '\n', 'P', 'a', 't', 'c', 'h', '\n', 'W', 'a', 'v', 'e', '\n'});
    ProjectBuilder::WriteBytes(target + kSaveStagingFolder + "/n-1", {1, 2, 3});
    EXPECT_EQ(RecoverInterruptedSave(target), RecoveryOutcome::kRolledBack);
    EXPECT_FALSE(fs::exists(m_temp / "New.prj"));
}

// The trash: a save that deletes files (an emptied slot, a replaced content) moves them into the
// trash under their names; crashed at any call, the next open ends with every old content either
// in the project or in the trash, never lost.
TEST_F(ProjectSharingTest, DeletedFilesGoToTheTrashAndACrashLosesNone) {
    const auto contents = [](const std::string& folder) {
        std::multiset<std::string> all; // contents as text: a set of byte vectors trips GCC's -O3 bounds warning
        std::error_code error;
        for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            if (it->is_regular_file(error) && !TestSupport::IsLockFileName(it->path().filename().string())) {
                const std::vector<std::uint8_t> bytes = Bytes(it->path().string());
                all.emplace(bytes.begin(), bytes.end());
            }
        }
        return all;
    };
    const auto save = [this](DocumentList& documents) {
        CTernFileDocument& document = documents.Open(m_project.Path());
        document.Data().m_waves.Replace(0, std::make_unique<CWave>());
        (void)document.Data().m_patches[0].m_osc[0].SetWaveNumber(0, 0); // patch 1 rewritten
        document.Data().m_patches.Replace(1, std::make_unique<CPatch>());
        document.SetModified(true);
        return document.SaveProjectTo(m_project.Path());
    };
    const std::string trash = m_temp / "trash/";
    fs::create_directory(trash);
    SetTrashHandler([&trash](const std::string& path) {
        std::error_code error;
        fs::rename(path, trash + fs::path(path).filename().string(), error);
        return !error;
    });
    const std::multiset<std::string> before = contents(m_project.Path());
    const FolderSnapshot old = TakeFolderSnapshot(m_project.Path());

    int calls = 0;
    {
        DocumentList documents;
        const int start = m_files.Calls(FaultyFileSystem::kChanging);
        EXPECT_TRUE(save(documents));
        calls = m_files.Calls(FaultyFileSystem::kChanging) - start;
    }
    EXPECT_EQ(FileNames(trash), (std::set<std::string>{"001 Alpha (old).p00", "001 Kick.w00", "002 Beta.p00"}));
    const FolderSnapshot saved = TakeFolderSnapshot(m_project.Path());

    for (int n = 1; n <= calls && !HasFailure(); ++n) {
        SCOPED_TRACE("crash at call " + std::to_string(n));
        fs::remove_all(m_project.Path());
        fs::remove_all(trash);
        fs::create_directory(trash);
        for (const auto& [name, bytes] : old) {
            if (name.back() == '/') {
                fs::create_directories(m_project.Path() + name);
            } else {
                ProjectBuilder::WriteBytes(m_project.Path() + name, bytes);
            }
        }
        {
            DocumentList documents;
            m_files.SetTornFaults(true);
            m_files.CrashAtCall(FaultyFileSystem::kChanging, n);
            (void)save(documents);
            m_files.ClearFaults();
        }
        DocumentList nextRun;
        EXPECT_TRUE(nextRun.Add().OpenProjectFolder(m_project.Path()));
        const FolderSnapshot after = TakeFolderSnapshot(m_project.Path());
        EXPECT_TRUE(after == old || after == saved);
        std::multiset<std::string> kept = contents(m_project.Path());
        kept.merge(contents(trash));
        for (const std::string& content : before) {
            EXPECT_NE(kept.find(content), kept.end()) << "a content of " << content.size() << " bytes was lost";
        }
    }
    SetTrashHandler(nullptr);
}

// A crash while writing a trash marker leaves it empty or cut short: the file is still parked, so
// the next open chooses again and finishes.
TEST_F(ProjectSharingTest, ACutTrashMarkerIsWrittenAgain) {
    const std::string trash = m_temp / "trash/";
    fs::create_directory(trash);
    SetTrashHandler([&trash](const std::string& path) {
        std::error_code error;
        fs::rename(path, trash + fs::path(path).filename().string(), error);
        return !error;
    });
    fs::create_directory(m_project.Path() + kSaveStagingFolder);
    fs::rename(m_project.Path() + "Patch/002 Beta.p00", Staging() + "o-1");
    WriteStaging("done", "orvanta-save-journal 1\npark Patch/002%20Beta.p00 .orvanta-save/o-1\nend\n");
    WriteStaging("r-1", ""); // created, then the crash
    EXPECT_EQ(RecoverInterruptedSave(m_project.Path()), RecoveryOutcome::kCompleted);
    EXPECT_FALSE(HasInterruptedSave(m_project.Path()));
    EXPECT_EQ(FileNames(trash), std::set<std::string>{"002 Beta.p00"});
    SetTrashHandler(nullptr);
}

#if !defined(_WIN32)
// Another process holds the project's locks: a child that takes the save lock, or the open marker,
// and keeps it until told to end. Recovery and saving wait briefly and then say the project is
// being saved, touching nothing; opening asks; once the child is gone its locks are taken over.
TEST_F(ProjectSharingTest, AnotherProcessHoldingTheLocksIsWaitedForAndTold) {
    for (const char* lockName : {kSaveLockName, kOpenMarkerName}) {
        SCOPED_TRACE(lockName);
        int toChild[2];
        int fromChild[2];
        ASSERT_EQ(::pipe(toChild), 0);
        ASSERT_EQ(::pipe(fromChild), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CLockAttempt attempt = NativeFileSystem().TryLock(m_project.Path() + lockName);
            const char held = attempt.lock && attempt.lock->Describe("the test's child") ? 'y' : 'n';
            (void)::write(fromChild[1], &held, 1);
            char end = 0;
            (void)::read(toChild[0], &end, 1);
            ::_exit(0);
        }
        char held = 0;
        ASSERT_EQ(::read(fromChild[0], &held, 1), 1);
        ASSERT_EQ(held, 'y');
        fs::create_directory(m_project.Path() + kSaveStagingFolder);
        const FolderSnapshot before = TakeFolderSnapshot(m_project.Path());

        DocumentList documents;
        m_reporter->SetDefaultAnswer(kAnswerNo);
        const bool opened = documents.Add().OpenProjectFolder(m_project.Path());
        if (std::string(lockName) == kSaveLockName) {
            EXPECT_EQ(RecoverInterruptedSave(m_project.Path()), RecoveryOutcome::kBusy);
            EXPECT_FALSE(opened);
            // Nothing was recovered, and the failure to open says why first.
            EXPECT_TRUE(m_reporter->Recoveries().empty());
            ASSERT_EQ(m_reporter->Details().size(), 1U);
            EXPECT_EQ(m_reporter->Details()[0].substr(0, m_reporter->Details()[0].find('\n')),
                      "A.prj is being saved by another program right now: nothing was recovered or changed. Open it "
                      "again once that save has ended.");
        } else {
            EXPECT_FALSE(opened);
            ASSERT_EQ(m_reporter->Questions().size(), 1U);
            EXPECT_EQ(m_reporter->Questions()[0].code, kAskOpenElsewhere);
            EXPECT_EQ(m_reporter->QuestionDetails()[0], "A.prj is open in the test's child.");
        }
        EXPECT_EQ(TakeFolderSnapshot(m_project.Path()), before);

        // The child ends without letting go: the system does, and the locks are taken over.
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(toChild[0]);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        ::close(fromChild[1]);
        m_reporter->ClearRecord();
        CTernFileDocument& document = documents.Add();
        EXPECT_TRUE(document.OpenProjectFolder(m_project.Path()));
        EXPECT_TRUE(document.HoldsOpenMarker());
        EXPECT_TRUE(m_reporter->Questions().empty());
        EXPECT_FALSE(HasInterruptedSave(m_project.Path()));
    }
}
#endif

} // namespace
} // namespace Orvanta::SaveTesting
