// A project folder from elsewhere and a project shared with other programs: recovery never acts
// through a link, a save whose places cannot be completed is undone, one program at a time saves,
// and a save notices what another program changed since the project was opened.

#include "SaveFixture.h"

#include "storage/CNativeFileSystem.h"
#include "storage/LoadDiagnosis.h"
#include "storage/ProjectNaming.h"
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

// Crafted records that would act on folders, markers or the lock file, records that are links, and
// records far longer than a save writes (sparse, taking no room on disk): recovery refuses them
// without reading them whole, and nothing in the project or outside it changes; no file goes to
// the trash.
TEST_F(ProjectSharingTest, CraftedRecordsNamingFoldersMarkersOrTooLongAreRefused) {
    const std::string outside = m_temp / "outside";
    ProjectBuilder::WriteBytes(outside + "/secret.txt", {'W', 'a', 'v', 'e'});
    fs::create_directory(m_project.Path() + "Notes");
    ProjectBuilder::WriteBytes(m_project.Path() + "Notes/mine.txt", {1});
    const std::string header = "orvanta-save-journal 1\n";
    const std::string done = header + "park Patch/002%20Beta.p00 .orvanta-save/o-1\nend\n";
    const auto sparse = [this](const std::string& name) {
        ProjectBuilder::WriteBytes(Staging() + name, {});
        fs::resize_file(Staging() + name, std::uintmax_t{6} << 30); // 6 GB, a hole
    };
    struct Case {
        const char* name;
        std::function<void()> craft;
        bool refused; // else what is left is the user's to look at; nothing is acted on either way
    };
    const Case cases[] = {
        {"a sparse 6 GB journal", [&] { sparse("journal"); }, true},
        {"a sparse 6 GB record of created folders",
         [&] {
             sparse("created");
             WriteStaging("journal", header + "end\n");
         },
         true},
        {"a sparse 6 GB finished journal", [&] { sparse("done"); }, true},
        {"a sparse 6 GB trash marker",
         [&] {
             WriteStaging("done", done);
             sparse("r-1");
         },
         false},
        {"a trash marker that is a link to a file outside",
         [&] {
             WriteStaging("done", done);
             fs::create_symlink(outside + "/secret.txt", Staging() + "r-1");
         },
         false},
        {"a trash marker naming the Wave folder",
         [&] {
             WriteStaging("done", done);
             WriteStaging("r-1", "Wave");
         },
         false},
        {"a finished journal that is a link", [&] { fs::create_symlink(outside + "/secret.txt", Staging() + "done"); },
         true},
        {"a finished journal that is not one, beside a parked file",
         [&] {
             WriteStaging("o-1", "an old content");
             WriteStaging("done", "not a journal\n");
         },
         true},
        {"a park of the Wave folder", [&] { WriteStaging("journal", header + "park Wave .orvanta-save/o-1\nend\n"); },
         true},
        {"a park of the Patch folder", [&] { WriteStaging("journal", header + "park Patch .orvanta-save/o-1\nend\n"); },
         true},
        {"a park of a folder of the user's",
         [&] { WriteStaging("journal", header + "park Notes .orvanta-save/o-1\nend\n"); }, true},
        {"a park of the lock file",
         [&] { WriteStaging("journal", header + "park .orvanta-lock .orvanta-save/o-1\nend\n"); }, true},
        {"a park into a record's name",
         [&] { WriteStaging("journal", header + "park Patch/002%20Beta.p00 .orvanta-save/journal\nend\n"); }, true},
        {"an undone place whose staged name is the record of created folders",
         [&] {
             WriteStaging("undo", "");
             WriteStaging("journal", header + "place .orvanta-save/created Patch/001%20Alpha.p00\nend\n");
         },
         true},
        {"an undone place into the Patch folder",
         [&] {
             WriteStaging("undo", "");
             WriteStaging("o-1", "x");
             WriteStaging("journal", header + "place .orvanta-save/o-1 Patch\nend\n");
         },
         true},
        {"a parked name that is a folder",
         [&] {
             fs::create_directory(Staging() + "o-1");
             WriteStaging("undo", "");
             WriteStaging("journal", header + "park Patch/009%20Gone.p00 .orvanta-save/o-1\nend\n");
         },
         true},
    };
    // The project's files with their bytes, and the staging folder's entries with their sizes only:
    // a sparse record is never read whole, by the test either.
    const auto projectState = [this] {
        FolderSnapshot state;
        for (const char* folder : {"Patch", "Wave", "Notes"}) {
            for (const auto& [name, bytes] : TakeFolderSnapshot(m_project.Path() + folder)) {
                state[std::string(folder) + "/" + name] = bytes;
            }
        }
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_project.Path(), error)) {
            const std::string name = entry.path().filename().string();
            if (TestSupport::IsLockFileName(name)) {
                continue;
            }
            if (entry.is_symlink(error) || entry.is_directory(error)) {
                state[name + "/"] = {};
            } else {
                state[name] = Bytes(entry.path().string());
            }
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(Staging(), error)) {
            const bool link = entry.is_symlink(error);
            const std::uintmax_t size = !link && entry.is_regular_file(error) ? entry.file_size(error) : 0;
            const std::string text = std::to_string(size) + (link ? " link" : "");
            state[std::string(kSaveStagingFolder) + "/" + entry.path().filename().string()] =
                std::vector<std::uint8_t>(text.begin(), text.end());
        }
        return state;
    };
    std::vector<std::string> trashed;
    SetTrashHandler([&trashed](const std::string& path) {
        trashed.push_back(path);
        return false;
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_project.Path() + kSaveStagingFolder);
        fs::create_directory(m_project.Path() + kSaveStagingFolder);
        c.craft();
        const FolderSnapshot outsideBefore = TakeFolderSnapshot(outside);
        const FolderSnapshot projectBefore = projectState();
        trashed.clear();

        const RecoveryOutcome outcome = RecoverInterruptedSave(m_project.Path());
        if (c.refused) {
            EXPECT_EQ(outcome, RecoveryOutcome::kRefused);
            EXPECT_EQ(projectState(), projectBefore);
        }
        EXPECT_TRUE(trashed.empty());
        EXPECT_EQ(TakeFolderSnapshot(outside), outsideBefore);
        for (const char* kept : {"Patch/001 Alpha.p00", "Patch/002 Beta.p00", "Wave/001 Kick.w00", "Notes/mine.txt"}) {
            EXPECT_TRUE(FileExists(m_project.Path() + kept)) << kept;
        }
    }
    SetTrashHandler(nullptr);
}

// The longest journal a save can write, many renames of long names that need escaping, is read
// and run, not taken for a damaged one.
TEST_F(ProjectSharingTest, AJournalOfManyLongNamesIsStillRead) {
    SaveJournal journal;
    for (int i = 1; i <= 1511; ++i) {
        // Blanks and "%" are written as three characters each: 250 of them make a name of 750.
        journal.parks.emplace_back("Patch/" + std::string(246, ' ') + "%" + std::to_string(i) + ".p00",
                                   std::string(kSaveStagingFolder) + "/o-" + std::to_string(i));
    }
    const std::string text = FormatSaveJournal(journal);
    ASSERT_GT(text.size(), 1000000U);
    fs::create_directory(m_project.Path() + kSaveStagingFolder);
    WriteStaging("journal", text);
    FolderSnapshot before = TakeFolderSnapshot(m_project.Path());
    std::erase_if(before, [](const auto& entry) { return entry.first.rfind(kSaveStagingFolder, 0) == 0; });
    EXPECT_EQ(RecoverInterruptedSave(m_project.Path()), RecoveryOutcome::kCompleted); // nothing there to park
    EXPECT_FALSE(HasInterruptedSave(m_project.Path()));
    fs::remove_all(m_project.Path() + kSaveStagingFolder);
    EXPECT_EQ(TakeFolderSnapshot(m_project.Path()), before);
}

// Another program wrote a file where an interrupted save must put one (a rewritten patch file
// whose old content is parked), after the save committed. Going forward, it stands where the new
// file goes; going back, where the parked file returns. Either way recovery keeps it under a name
// a load takes for a stray, finishes, and names it.
TEST_F(ProjectSharingTest, AFileInTheWayOfARecoveryIsMovedAsideAndNamed) {
    const std::vector<std::uint8_t> oldBeta = Bytes(m_project.Path() + "Patch/002 Beta.p00");
    const std::vector<std::uint8_t> newBeta = PatchBytes(0x66);
    const std::vector<std::uint8_t> synced = {'s', 'y', 'n', 'c'};
    for (const bool undoing : {false, true}) {
        SCOPED_TRACE(undoing ? "undoing" : "completing");
        fs::create_directory(m_project.Path() + kSaveStagingFolder);
        fs::rename(m_project.Path() + "Patch/002 Beta.p00", Staging() + "o-1");
        ProjectBuilder::WriteBytes(Staging() + "n-2", newBeta);
        WriteStaging("journal", "orvanta-save-journal 1\npark Patch/002%20Beta.p00 .orvanta-save/o-1\n"
                                "place .orvanta-save/n-2 Patch/002%20Beta.p00\nend\n");
        if (undoing) {
            WriteStaging("undo", ""); // every place undone, the marker "parked" gone
        } else {
            WriteStaging("parked", "");
        }
        ProjectBuilder::WriteBytes(m_project.Path() + "Patch/002 Beta.p00", synced);

        std::vector<std::string> setAside;
        const RecoveryOutcome outcome = RecoverInterruptedSave(m_project.Path(), &setAside);
        EXPECT_EQ(outcome, undoing ? RecoveryOutcome::kRolledBack : RecoveryOutcome::kCompleted);
        EXPECT_FALSE(HasInterruptedSave(m_project.Path()));
        ASSERT_EQ(setAside, std::vector<std::string>{"Patch/002 Beta (in the way).p00"});
        EXPECT_FALSE(IsSlotFileName(setAside[0]));
        EXPECT_EQ(Bytes(m_project.Path() + setAside[0]), synced);
        EXPECT_EQ(Bytes(m_project.Path() + "Patch/002 Beta.p00"), undoing ? oldBeta : newBeta);
        EXPECT_NE(RecoveryText(m_project.Path(), outcome, setAside).find("\"Patch/002 Beta (in the way).p00\""),
                  std::string::npos);
        {
            DocumentList documents;
            EXPECT_TRUE(documents.Add().OpenProjectFolder(m_project.Path()));
        }
        // Put back for the next row.
        fs::remove(m_project.Path() + setAside[0]);
        ProjectBuilder::WriteBytes(m_project.Path() + "Patch/002 Beta.p00", oldBeta);
    }
}

// A Save As into a new folder that stopped as it began leaves the folder holding nothing but its
// save lock: the next recovery of that folder removes it. A folder with anything else in it stays.
TEST_F(ProjectSharingTest, AFolderLeftHoldingOnlyASaveLockIsRemoved) {
    const std::string target = m_temp / "New.prj/";
    fs::create_directory(target);
    ProjectBuilder::WriteBytes(target + kSaveLockName, {});
    EXPECT_EQ(RecoverInterruptedSave(target), RecoveryOutcome::kRolledBack);
    EXPECT_FALSE(fs::exists(m_temp / "New.prj"));

    fs::create_directory(target);
    ProjectBuilder::WriteBytes(target + kSaveLockName, {});
    ProjectBuilder::WriteBytes(target + "notes.txt", {1});
    EXPECT_EQ(RecoverInterruptedSave(target), RecoveryOutcome::kNothing);
    EXPECT_TRUE(fs::exists(target + "notes.txt"));
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

// Two patch files of one name swap slots, so that each parked file is placed at the other's old
// name, and a rename of a third keeps failing, so the save undoes itself. A crash at any call of
// that save, then at any call of the recovery that follows: the recovery after that still leaves
// the old project, every content at its own name.
TEST_F(ProjectSharingTest, ACrashWhileUndoingASwapOfSameNamedFilesEndsWithTheOldProject) {
    m_project.AddPatchBytes("003 Pad.p00", PatchBytes(0x33));
    m_project.AddPatchBytes("004 Pad.p00", PatchBytes(0x44));
    m_project.AddPatchBytes("009 Last.p00", PatchBytes(0x99));
    const FolderSnapshot old = TakeFolderSnapshot(m_project.Path());
    const std::string stuck = m_project.Path() + "Patch/009 Renamed.p00";
    const auto save = [this] {
        DocumentList documents;
        CTernFileDocument& document = documents.Open(m_project.Path());
        CPatchArray& patches = document.Data().m_patches;
        std::unique_ptr<CPatch> third = patches.Replace(2, patches.CloneAt(3));
        patches.Replace(3, std::move(third));
        patches[8].SetName("Renamed", false);
        document.SetModified(true);
        return document.SaveProjectTo(m_project.Path());
    };
    const auto recoverStuck = [&] {
        m_files.FailOnPath(FaultyFileSystem::kRename, stuck);
        const RecoveryOutcome outcome = RecoverInterruptedSave(m_project.Path());
        m_files.ClearFaults();
        return outcome;
    };
    m_files.FailOnPath(FaultyFileSystem::kRename, stuck);
    const int before = m_files.Calls(FaultyFileSystem::kChanging);
    EXPECT_FALSE(save());
    const int calls = m_files.Calls(FaultyFileSystem::kChanging) - before;
    m_files.ClearFaults();
    ASSERT_EQ(TakeFolderSnapshot(m_project.Path()), old);
    for (int n = 1; n <= calls && !HasFailure(); ++n) {
        SCOPED_TRACE("crash at call " + std::to_string(n) + " of the save");
        TestSupport::RestoreFolderSnapshot(m_project.Path(), old);
        m_files.SetTornFaults(true);
        m_files.FailOnPath(FaultyFileSystem::kRename, stuck);
        m_files.CrashAtCall(FaultyFileSystem::kChanging, n);
        (void)save();
        m_files.ClearFaults();
        const FolderSnapshot crashed = TakeFolderSnapshot(m_project.Path());
        const int start = m_files.Calls(FaultyFileSystem::kChanging);
        EXPECT_TRUE(IsRecovered(recoverStuck()));
        const int recoveryCalls = m_files.Calls(FaultyFileSystem::kChanging) - start;
        EXPECT_EQ(TakeFolderSnapshot(m_project.Path()), old);
        for (int m = 1; m <= recoveryCalls && !HasFailure(); ++m) {
            SCOPED_TRACE("crash at call " + std::to_string(m) + " of the recovery");
            TestSupport::RestoreFolderSnapshot(m_project.Path(), crashed);
            m_files.FailOnPath(FaultyFileSystem::kRename, stuck);
            m_files.CrashAtCall(FaultyFileSystem::kChanging, m);
            (void)RecoverInterruptedSave(m_project.Path());
            m_files.ClearFaults();
            EXPECT_TRUE(IsRecovered(recoverStuck()));
            EXPECT_FALSE(HasInterruptedSave(m_project.Path()));
            EXPECT_EQ(TakeFolderSnapshot(m_project.Path()), old);
        }
    }
    m_files.SetTornFaults(false);
}

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
