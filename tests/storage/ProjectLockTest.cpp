// The lock files of a project folder (the open marker and the save lock) when something else is at
// their names: a file outside the folder is never written through them, a lock is either taken
// (the odd entry replaced by a lock file of our own) or reported, and never silently skipped.

#include "SaveFixture.h"

#include "storage/CNativeFileSystem.h"
#include "storage/SaveJournal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Orvanta::SaveTesting {
namespace {

namespace fs = std::filesystem;
using TestSupport::FolderSnapshot;
using TestSupport::TakeFolderSnapshot;

#if !defined(_WIN32)

// What is put at a lock file's name before the program comes.
struct Planted {
    const char* what;
    std::function<void(const std::string& at, const std::string& outside)> make;
    bool usable; // false: nothing can lock there, and the program says so naming the file
};

const Planted kPlanted[] = {
    {"a hard link to a file outside",
     [](const std::string& at, const std::string& outside) { fs::create_hard_link(outside + "notes.txt", at); }, true},
    {"a symbolic link to a file outside",
     [](const std::string& at, const std::string& outside) { fs::create_symlink(outside + "notes.txt", at); }, true},
    {"a symbolic link to a missing file outside",
     [](const std::string& at, const std::string& outside) { fs::create_symlink(outside + "new.txt", at); }, true},
    {"a pipe", [](const std::string& at, const std::string&) { ASSERT_EQ(::mkfifo(at.c_str(), 0644), 0); }, true},
    {"a folder", [](const std::string& at, const std::string&) { fs::create_directory(at); }, false},
};

class ProjectLockTest : public SaveTest {
protected:
    ProjectLockTest() {
        m_project.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
        m_project.AddPatchBytes("002 Beta.p00", PatchBytes(0x22));
        m_project.AddWave("001 Kick.w00");
        fs::create_directory(m_outside);
        ProjectBuilder::WriteBytes(m_outside + "notes.txt", {'m', 'y', ' ', 'n', 'o', 't', 'e', 's'});
    }

    // True when a regular file with one name, made by the lock, is at `path`.
    static bool IsOwnLockFile(const std::string& path) {
        struct stat status {};
        return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 1;
    }

    ProjectBuilder m_project = Project("A.prj");
    std::string m_outside = m_temp / "outside/";
};

// Locking directly: the lock is taken on a file of its own and excludes a second taker, or it is
// refused with the file named; the file outside stays as it was either way.
TEST_F(ProjectLockTest, AnOddEntryAtALockFileNameIsReplacedOrReported) {
    for (const char* lockName : {kSaveLockName, kOpenMarkerName}) {
        for (const Planted& planted : kPlanted) {
            SCOPED_TRACE(std::string(lockName) + ": " + planted.what);
            const std::string path = m_project.Path() + lockName;
            planted.make(path, m_outside);
            const FolderSnapshot outside = TakeFolderSnapshot(m_outside);
            {
                CLockAttempt attempt = NativeFileSystem().TryLock(path);
                EXPECT_FALSE(attempt.heldElsewhere);
                if (!planted.usable) {
                    EXPECT_EQ(attempt.lock, nullptr);
                    EXPECT_NE(attempt.unusable.find(path), std::string::npos) << attempt.unusable;
                    EXPECT_TRUE(fs::is_directory(fs::symlink_status(path)));
                    fs::remove(path);
                    continue;
                }
                ASSERT_NE(attempt.lock, nullptr) << attempt.unusable;
                EXPECT_TRUE(attempt.unusable.empty());
                EXPECT_TRUE(IsOwnLockFile(path));
                EXPECT_TRUE(attempt.lock->Describe("the holder"));
                // A second taker (another open of the file) finds it held and who holds it.
                const CLockAttempt second = NativeFileSystem().TryLock(path);
                EXPECT_EQ(second.lock, nullptr);
                EXPECT_TRUE(second.heldElsewhere);
                EXPECT_EQ(second.holder, "the holder");
                EXPECT_EQ(TakeFolderSnapshot(m_outside), outside);
            }
            EXPECT_FALSE(fs::exists(fs::symlink_status(path))); // the holder removes its lock file
            EXPECT_EQ(TakeFolderSnapshot(m_outside), outside);
        }
    }
}

// The program at work: opening for editing takes the open marker, saving the save lock. A save
// goes on only under a lock it holds; the file outside is never changed.
TEST_F(ProjectLockTest, OpeningAndSavingNeverWriteThroughALockFileName) {
    for (const char* lockName : {kSaveLockName, kOpenMarkerName}) {
        for (const Planted& planted : kPlanted) {
            SCOPED_TRACE(std::string(lockName) + ": " + planted.what);
            TestSupport::TempFolder temp;
            fs::copy(m_project.Path(), temp / "A.prj", fs::copy_options::recursive);
            const std::string project = temp / "A.prj/";
            const std::string path = project + lockName;
            planted.make(path, m_outside);
            const FolderSnapshot outside = TakeFolderSnapshot(m_outside);
            m_reporter->ClearRecord();
            DocumentList documents;
            CTernFileDocument& document = documents.Open(project);
            const bool isMarker = std::string(lockName) == kOpenMarkerName;
            // A marker that cannot be made opens the project without one, as a read-only folder does.
            EXPECT_EQ(document.HoldsOpenMarker(), !isMarker || planted.usable);
            if (isMarker && planted.usable) {
                EXPECT_TRUE(IsOwnLockFile(path));
            }
            document.Data().m_patches[1].SetName("Renamed", false);
            document.SetModified(true);
            const FolderSnapshot before = TakeFolderSnapshot(project);
            const bool saved = document.SaveProjectTo(project);
            EXPECT_EQ(saved, isMarker || planted.usable);
            if (!saved) {
                ASSERT_EQ(m_reporter->Details().size(), 1U);
                EXPECT_NE(m_reporter->Details()[0].find(path), std::string::npos) << m_reporter->Details()[0];
                EXPECT_EQ(TakeFolderSnapshot(project), before);
            } else {
                EXPECT_TRUE(FileExists(project + "Patch/002 Renamed.p00"));
            }
            EXPECT_EQ(TakeFolderSnapshot(m_outside), outside);
            EXPECT_FALSE(fs::exists(m_outside + "new.txt"));
        }
    }
}

// Recovery needs the save lock as a save does: a folder in its place leaves the interrupted save as
// it is and says why, naming the folder; once it is gone the save is undone.
TEST_F(ProjectLockTest, RecoveryWithoutAUsableLockTouchesNothingAndSaysWhy) {
    const std::string project = m_project.Path();
    fs::create_directory(project + kSaveLockName);
    fs::create_directory(project + kSaveStagingFolder);
    ProjectBuilder::WriteBytes(project + kSaveStagingFolder + "/n-1", {1, 2, 3});
    const FolderSnapshot before = TakeFolderSnapshot(project);
    EXPECT_EQ(RecoverInterruptedSave(project), RecoveryOutcome::kBusy);
    EXPECT_EQ(TakeFolderSnapshot(project), before);
    const std::string text = RecoveryText(project, RecoveryOutcome::kBusy);
    EXPECT_NE(text.find("\".orvanta-lock\" in it is a folder"), std::string::npos) << text;

    // Opening tells the same as the first reason the project does not open; nothing is "recovered".
    DocumentList documents;
    EXPECT_FALSE(documents.Add().OpenProjectFolder(project));
    EXPECT_TRUE(m_reporter->Recoveries().empty());
    ASSERT_EQ(m_reporter->Details().size(), 1U);
    EXPECT_EQ(m_reporter->Details()[0].substr(0, text.size()), text);

    fs::remove(project + kSaveLockName);
    EXPECT_EQ(RecoverInterruptedSave(project), RecoveryOutcome::kRolledBack);
    EXPECT_FALSE(fs::exists(project + kSaveLockName));
}

// A save lock file left by a process that died goes with the next open that can lock it; one that
// a process holds stays.
TEST_F(ProjectLockTest, AStaleSaveLockGoesWithTheNextOpen) {
    const std::string path = m_project.Path() + kSaveLockName;
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held" : "stale");
        ProjectBuilder::WriteBytes(path, {'o', 'l', 'd'});
        CLockAttempt holder;
        if (held) {
            holder = NativeFileSystem().TryLock(path);
            ASSERT_NE(holder.lock, nullptr);
        }
        DocumentList documents;
        documents.Open(m_project.Path());
        EXPECT_EQ(fs::exists(path), held);
    }
}

#endif

} // namespace
} // namespace Orvanta::SaveTesting
