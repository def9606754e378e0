// The core's own trash: what a save removes ends in the trash with its info, or kept in the
// project's kept-files folder and said so, never gone, whatever stands in the trash's way, whichever
// call fails and wherever the process is killed.

#include "SaveFixture.h"

#include "storage/CNativeFileSystem.h"
#include "storage/FreedesktopTrash.h"
#include "storage/SaveJournal.h"
#include "storage/SavePreview.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>

#if !defined(_WIN32) && !defined(__APPLE__)
#include <sys/stat.h>
#include <unistd.h>

namespace Orvanta::SaveTesting {
namespace {

namespace fs = std::filesystem;

std::string Text(const std::string& path) {
    const std::vector<std::uint8_t> bytes = Bytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// A file system whose folder `m_volume` (and all below it) is another volume, whose top folder
// may be one this user cannot write to.
class VolumeFileSystem : public FaultyFileSystem {
public:
    std::string m_volume;
    bool m_topWritable = true;

    std::int64_t FileSystemOf(const std::string& path) override {
        const std::int64_t real = FaultyFileSystem::FileSystemOf(path);
        return real >= 0 && OnVolume(path) ? real + 7919 : real;
    }
    CEntryInfo LookAt(const std::string& path) override {
        CEntryInfo info = FaultyFileSystem::LookAt(path);
        if (!m_topWritable && IsTop(path)) {
            info.writable = false;
        }
        return info;
    }
    FolderCreation CreatePrivateFolder(const std::string& path) override {
        if (!m_topWritable && IsTop(fs::path(path).parent_path().string())) {
            return FolderCreation::kFailed;
        }
        return FaultyFileSystem::CreatePrivateFolder(path);
    }

private:
    bool OnVolume(const std::string& path) const { return !m_volume.empty() && (path + "/").rfind(m_volume, 0) == 0; }
    bool IsTop(const std::string& path) const { return !m_volume.empty() && path + "/" == m_volume; }
};

class FreedesktopTrashTest : public ::testing::Test {
protected:
    FreedesktopTrashTest() {
        EXPECT_TRUE(SetUpWorkFolder(m_temp / "work"));
        m_reporter = TestSupport::ScriptedReporter::Install();
        const char* before = std::getenv("XDG_DATA_HOME");
        m_oldDataHome = before != nullptr ? std::optional<std::string>(before) : std::nullopt;
        m_dataHome = m_temp / "data";
        ::setenv("XDG_DATA_HOME", m_dataHome.c_str(), 1);
        SetTrashHandler(nullptr);
        UseOwnTrash(true);
    }
    ~FreedesktopTrashTest() override {
        UseOwnTrash(false);
        if (m_oldDataHome) {
            ::setenv("XDG_DATA_HOME", m_oldDataHome->c_str(), 1);
        } else {
            ::unsetenv("XDG_DATA_HOME");
        }
        TestSupport::ScriptedReporter::Uninstall();
        CDomain::Instance().SetWorkFolder("");
    }

    // The project "NAME" in `parent` (the temporary folder by default): two patches and two waves.
    ProjectBuilder MakeProject(const std::string& name, const std::string& parent = std::string()) {
        const std::string folder = parent.empty() ? m_temp.Path() : parent;
        fs::create_directories(folder);
        ProjectBuilder project(folder, name);
        project.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11, ProjectBuilder::PatchUsingWaves(1)));
        project.AddPatchBytes("002 Beta.p00", PatchBytes(0x22));
        project.AddWave("001 Kick.w00");
        project.AddWave("002 Snare.w00");
        return project;
    }

    // Saves the project with patch 2 and wave 2 emptied: two files removed.
    bool SaveRemovingTwo(const std::string& folder) {
        DocumentList documents;
        CTernFileDocument& document = documents.Open(folder);
        document.Data().m_patches.Replace(1, std::make_unique<CPatch>());
        document.Data().m_waves.Replace(1, std::make_unique<CWave>());
        document.SetModified(true);
        return document.SaveProjectTo(folder);
    }

    CSavePreview PreviewRemovingTwo(const std::string& folder) {
        DocumentList documents;
        CTernFileDocument& document = documents.Open(folder);
        document.Data().m_patches.Replace(1, std::make_unique<CPatch>());
        document.Data().m_waves.Replace(1, std::make_unique<CWave>());
        CSavePreview preview;
        std::string reason;
        EXPECT_TRUE(document.PreviewSave(folder, preview, reason)) << reason;
        return preview;
    }

    std::string HomeTrash() const { return m_dataHome + "/Trash/"; }

    // Every regular file below `folder` by content (as text), the lock files left out.
    static std::multiset<std::string> Contents(const std::string& folder) {
        std::multiset<std::string> all;
        std::error_code error;
        for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            if (it->is_regular_file(error) && !TestSupport::IsLockFileName(it->path().filename().string())) {
                all.insert(Text(it->path().string()));
            }
        }
        return all;
    }

    // Every entry of the trash `trash` has its file and an info naming a path; no info without a
    // file, no file without an info, no temporary info left.
    static void ExpectWholeTrash(const std::string& trash) {
        std::error_code error;
        for (fs::directory_iterator it(trash + "info", error), end; !error && it != end; it.increment(error)) {
            const std::string name = it->path().filename().string();
            ASSERT_TRUE(name.size() > 10 && name.substr(name.size() - 10) == ".trashinfo") << name;
            const std::string entry = name.substr(0, name.size() - 10);
            EXPECT_TRUE(fs::exists(fs::symlink_status(trash + "files/" + entry))) << "info without a file: " << name;
            EXPECT_NE(Text(it->path().string()).find("\nPath="), std::string::npos) << "empty info: " << name;
        }
        for (fs::directory_iterator it(trash + "files", error), end; !error && it != end; it.increment(error)) {
            EXPECT_TRUE(fs::exists(trash + "info/" + it->path().filename().string() + ".trashinfo"))
                << "file without an info: " << it->path().filename();
        }
    }

    TestSupport::TempFolder m_temp;
    VolumeFileSystem m_files;
    TestSupport::StorageDomainGuard m_guard{&m_files};
    std::shared_ptr<TestSupport::ScriptedReporter> m_reporter;
    std::string m_dataHome;
    std::optional<std::string> m_oldDataHome;
};

TEST(FreedesktopTrashNaming, PathsArePercentEncodedBytes) {
    EXPECT_EQ(PercentEncodedPath("/home/u/100% A.prj/Wave/012 Hat \xe9t\xe9.wav"),
              "/home/u/100%25%20A.prj/Wave/012%20Hat%20%E9t%E9.wav");
    EXPECT_EQ(PercentEncodedPath("a-b_c.d~e/F9"), "a-b_c.d~e/F9");
    EXPECT_EQ(TrashEntryName("005 Keys.p00", 0), "005 Keys.p00");
    EXPECT_EQ(TrashEntryName("005 Keys.p00", 1), "005 Keys (2).p00");
    EXPECT_EQ(TrashEntryName(std::string(300, 'x') + ".w00", 0).size(), 255U - 15U);
    EXPECT_EQ(TrashEntryName("", 0), "");
    EXPECT_FALSE(IsTrashEntryName(".."));
    EXPECT_FALSE(IsTrashEntryName("a/b"));
}

// What stands in the trash's way, and where the removed files then end: in the trash with an info
// that restores them to their own paths, or kept in the project and said so; never gone.
TEST_F(FreedesktopTrashTest, EveryRemovedFileEndsInTheTrashOrKeptWhateverStandsInTheWay) {
    const std::string uid = std::to_string(::getuid());
    struct Case {
        const char* name;
        std::string projectName;                             // in the temporary folder, or on the volume
        bool onVolume;                                       // the project lies on another volume
        std::function<void(const std::string& top)> prepare; // given the volume's top folder
        std::string trash;                                   // the trash expected, relative to the top or ""
        std::string pathPrefix;                              // what the info's Path begins with
    };
    const std::string outside = m_temp / "outside/";
    const Case cases[] = {
        {"the home trash", "A.prj", false, [](const std::string&) {}, "home", "home"},
        {"a folder name with a percent sign and blanks", "100% A.prj", false, [](const std::string&) {}, "home",
         "home"},
        {"a name that is not UTF-8", "Card \xc4\xe9 Set.prj", false, [](const std::string&) {}, "home", "home"},
        {"info is a file", "A.prj", false,
         [this](const std::string&) {
             fs::create_directories(HomeTrash() + "files");
             ProjectBuilder::WriteBytes(HomeTrash() + "info", {1});
         },
         "", ""},
        {"info is a link", "A.prj", false,
         [this, outside](const std::string&) {
             fs::create_directories(HomeTrash() + "files");
             fs::create_directory_symlink(outside, HomeTrash() + "info");
         },
         "", ""},
        {"the trash folder is a link elsewhere", "A.prj", false,
         [this, outside](const std::string&) {
             fs::create_directories(m_dataHome);
             fs::create_directory_symlink(outside, m_dataHome + "/Trash");
         },
         "", ""},
        {"the volume's own trash", "A.prj", true, [](const std::string&) {}, ".Trash-" + uid, "volume"},
        {"the volume's shared trash", "A.prj", true,
         [](const std::string& top) {
             fs::create_directory(top + ".Trash");
             ::chmod((top + ".Trash").c_str(), 01777);
         },
         ".Trash/" + uid, "volume"},
        {"a shared trash that is not sticky is not used", "A.prj", true,
         [](const std::string& top) { fs::create_directory(top + ".Trash"); }, ".Trash-" + uid, "volume"},
        {"no trash can be made on the volume", "A.prj", true,
         [this](const std::string&) { m_files.m_topWritable = false; }, "", ""},
        {"the volume's trash is a link elsewhere", "A.prj", true,
         [uid, outside](const std::string& top) { fs::create_directory_symlink(outside, top + ".Trash-" + uid); }, "",
         ""},
        {"the volume's trash is a file", "A.prj", true,
         [uid](const std::string& top) { ProjectBuilder::WriteBytes(top + ".Trash-" + uid, {1}); }, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_temp / "vol");
        fs::remove_all(m_dataHome);
        fs::remove_all(outside);
        fs::create_directories(outside);
        for (const char* name : {"A.prj", "100% A.prj", "Card \xc4\xe9 Set.prj"}) {
            fs::remove_all(m_temp / name);
        }
        m_files.m_topWritable = true;
        const std::string top = m_temp / "vol/";
        m_files.m_volume = c.onVolume ? top : std::string();
        ProjectBuilder project = MakeProject(c.projectName, c.onVolume ? top + "user/" : std::string());
        c.prepare(top);
        const std::string beta = Text(project.Path() + "Patch/002 Beta.p00");
        const std::string snare = Text(project.Path() + "Wave/002 Snare.w00");
        const auto outsideBefore = TestSupport::TakeFolderSnapshot(outside);

        const CSavePreview preview = PreviewRemovingTwo(project.Path());
        ASSERT_EQ(preview.remove.size(), 2U);
        const DeletionEnd expectedEnd = c.trash.empty() ? DeletionEnd::kKept : DeletionEnd::kTrash;
        EXPECT_EQ(preview.remove[0].to, expectedEnd);
        EXPECT_EQ(preview.remove[1].to, expectedEnd);

        m_reporter->ClearRecord();
        ASSERT_TRUE(SaveRemovingTwo(project.Path()));
        EXPECT_FALSE(fs::exists(project.Path() + kSaveStagingFolder));
        EXPECT_EQ(TestSupport::TakeFolderSnapshot(outside), outsideBefore);
        if (c.trash.empty()) {
            const std::string kept = project.Path() + kKeptFilesFolder + "/";
            EXPECT_EQ(Text(kept + "002 Beta.p00"), beta);
            EXPECT_EQ(Text(kept + "002 Snare.w00"), snare);
            ASSERT_EQ(m_reporter->Warnings().size(), 1U);
            EXPECT_NE(m_reporter->Warnings()[0].find(project.Path() + kKeptFilesFolder), std::string::npos)
                << m_reporter->Warnings()[0];
            continue;
        }
        EXPECT_TRUE(m_reporter->Warnings().empty());
        const std::string trash = c.trash == "home" ? HomeTrash() : top + c.trash + "/";
        EXPECT_EQ(Text(trash + "files/002 Beta.p00"), beta);
        EXPECT_EQ(Text(trash + "files/002 Snare.w00"), snare);
        ExpectWholeTrash(trash);
        const std::string info = Text(trash + "info/002 Beta.p00.trashinfo");
        const std::string original = c.trash == "home" ? fs::canonical(project.Path()).string() + "/Patch/002 Beta.p00"
                                                       : "user/" + c.projectName + "/Patch/002 Beta.p00";
        EXPECT_TRUE(std::regex_match(info, std::regex("\\[Trash Info\\]\nPath=" + PercentEncodedPath(original) +
                                                      "\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
            << info;
        if (c.trash != "home") {
            struct stat status {};
            ASSERT_EQ(::stat(trash.c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 0777, 0700U);
        }
    }
}

// A removed slot file that is a symbolic link goes as a link: its target, on any volume, stays as
// it is, and no trash is made for it.
TEST_F(FreedesktopTrashTest, ALinkedSlotFileIsRemovedAsALink) {
    ProjectBuilder project = MakeProject("A.prj");
    const std::string library = m_temp / "library/";
    fs::create_directories(library);
    fs::rename(project.Path() + "Wave/002 Snare.w00", library + "sample.w00");
    fs::create_symlink(library + "sample.w00", project.Path() + "Wave/002 Snare.w00");
    m_files.m_volume = library; // the link's target lies on another volume
    const auto libraryBefore = TestSupport::TakeFolderSnapshot(library);
    EXPECT_EQ(PreviewRemovingTwo(project.Path()).remove[1].to, DeletionEnd::kDeleted);
    ASSERT_TRUE(SaveRemovingTwo(project.Path()));
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(library), libraryBefore);
    EXPECT_FALSE(fs::exists(fs::symlink_status(project.Path() + "Wave/002 Snare.w00")));
    EXPECT_EQ(FileNames(HomeTrash() + "files"), std::set<std::string>{"002 Beta.p00"});
}

// Whichever call of the save fails, and wherever it is killed, each removed content ends exactly
// once: in the project (a save undone), in the trash with a whole info, or kept; the next open
// finishes what was left, and leaves no half-written or orphan info in the trash.
TEST_F(FreedesktopTrashTest, AFailureOrAKillAtAnyCallLosesNothingAndLeavesAWholeTrash) {
    ProjectBuilder project = MakeProject("A.prj");
    const auto old = TestSupport::TakeFolderSnapshot(project.Path());
    const std::string beta = Text(project.Path() + "Patch/002 Beta.p00");
    const std::string snare = Text(project.Path() + "Wave/002 Snare.w00");
    const int start = m_files.Calls(FaultyFileSystem::kChanging);
    ASSERT_TRUE(SaveRemovingTwo(project.Path()));
    const int calls = m_files.Calls(FaultyFileSystem::kChanging) - start;
    for (const bool crash : {false, true}) {
        for (int n = 1; n <= calls && !HasFailure(); ++n) {
            SCOPED_TRACE((crash ? "killed at call " : "failing call ") + std::to_string(n));
            fs::remove_all(project.Path());
            fs::remove_all(m_dataHome);
            for (const auto& [name, bytes] : old) {
                if (name.back() == '/') {
                    fs::create_directories(project.Path() + name);
                } else {
                    ProjectBuilder::WriteBytes(project.Path() + name, bytes);
                }
            }
            m_files.SetTornFaults(crash);
            if (crash) {
                m_files.CrashAtCall(FaultyFileSystem::kChanging, n);
            } else {
                m_files.FailNthCall(FaultyFileSystem::kChanging, n);
            }
            (void)SaveRemovingTwo(project.Path());
            m_files.ClearFaults();
            m_files.SetTornFaults(false);
            DocumentList nextRun;
            ASSERT_TRUE(nextRun.Add().OpenProjectFolder(project.Path()));
            EXPECT_FALSE(fs::exists(project.Path() + kSaveStagingFolder));
            std::multiset<std::string> all = Contents(project.Path());
            all.merge(Contents(HomeTrash() + "files"));
            EXPECT_EQ(all.count(beta), 1U);
            EXPECT_EQ(all.count(snare), 1U);
            ExpectWholeTrash(HomeTrash());
        }
    }
}

// A trash marker that this program never writes (a folder, a pipe, a name outside) is refused and
// reported so, with the staging folder left for the user; it is never reported as completed.
TEST_F(FreedesktopTrashTest, AMarkerThatIsNoFileIsRefused) {
    const std::vector<std::function<void(const std::string&)>> crafts = {
        [](const std::string& marker) { fs::create_directory(marker); },
        [](const std::string& marker) { ASSERT_EQ(::mkfifo(marker.c_str(), 0600), 0); },
        [](const std::string& marker) {
            ProjectBuilder::WriteBytes(marker, {'.', '.', '/', 'x'});
        },
        [this](const std::string& marker) { fs::create_symlink(m_temp / "outside", marker); },
    };
    for (std::size_t i = 0; i < crafts.size(); ++i) {
        SCOPED_TRACE("craft " + std::to_string(i));
        fs::remove_all(m_temp / "A.prj");
        ProjectBuilder project = MakeProject("A.prj");
        const std::string staging = project.Path() + kSaveStagingFolder + "/";
        fs::create_directory(staging);
        const std::string journal = "orvanta-save-journal 1\npark Patch/002%20Beta.p00 .orvanta-save/o-1\nend\n";
        ProjectBuilder::WriteBytes(staging + "done", std::vector<std::uint8_t>(journal.begin(), journal.end()));
        fs::rename(project.Path() + "Patch/002 Beta.p00", staging + "o-1");
        fs::remove(staging + "o-1"); // gone to the trash already, as the marker claims
        crafts[i](staging + "r-1");
        EXPECT_EQ(RecoverInterruptedSave(project.Path()), RecoveryOutcome::kRefused);
        EXPECT_TRUE(fs::exists(fs::symlink_status(staging + "r-1")));
    }
}

// A desktop library's trash (as on Windows and macOS) that does not take a file: the file is kept,
// not deleted, and the save says where.
TEST_F(FreedesktopTrashTest, AFileTheDesktopTrashRefusesIsKept) {
    ProjectBuilder project = MakeProject("A.prj");
    const std::string beta = Text(project.Path() + "Patch/002 Beta.p00");
    UseOwnTrash(false);
    SetTrashHandler([](const std::string&) { return false; });
    const bool saved = SaveRemovingTwo(project.Path());
    SetTrashHandler(nullptr);
    ASSERT_TRUE(saved);
    EXPECT_EQ(Text(project.Path() + kKeptFilesFolder + "/002 Beta.p00"), beta);
    EXPECT_FALSE(fs::exists(project.Path() + "Patch/002 Beta.p00"));
    ASSERT_EQ(m_reporter->Warnings().size(), 1U);
}

// A run of the desktop library's trash that was cut short left the displaced old file of slot 4
// back under its old slot name with its marker; a recovery with the trash off now still finishes
// it (deletes it), so that the slot shows the saved content, not the old one.
TEST_F(FreedesktopTrashTest, AFileGivenBackBeforeTheTrashIsFinishedWithTheTrashOff) {
    ProjectBuilder project = MakeProject("A.prj");
    project.AddPatchBytes("004 Mono Lead.p00", PatchBytes(0x44));
    project.AddPatchBytes("004 Dark Pad.p00", PatchBytes(0x45)); // the old content, given back
    const std::string staging = project.Path() + kSaveStagingFolder + "/";
    fs::create_directory(staging);
    const std::string journal = "orvanta-save-journal 1\npark Patch/004%20Dark%20Pad.p00 .orvanta-save/o-1\n"
                                "place .orvanta-save/n-2 Patch/004%20Mono%20Lead.p00\nend\n";
    ProjectBuilder::WriteBytes(staging + "done", std::vector<std::uint8_t>(journal.begin(), journal.end()));
    const std::string given = "Patch/004 Dark Pad.p00";
    ProjectBuilder::WriteBytes(staging + "r-1", std::vector<std::uint8_t>(given.begin(), given.end()));
    UseOwnTrash(false);
    EXPECT_EQ(RecoverInterruptedSave(project.Path()), RecoveryOutcome::kCompleted);
    EXPECT_FALSE(fs::exists(project.Path() + given));
    EXPECT_TRUE(fs::exists(project.Path() + "Patch/004 Mono Lead.p00"));
    EXPECT_FALSE(fs::exists(staging));
}

// A move into the trash killed after the entry's info was in place: the next open moves the file
// in under that entry and leaves no second entry; with the trash off by then, the info goes; when
// the file still cannot be moved, the info goes too and the file stays parked for the next open.
TEST_F(FreedesktopTrashTest, AMoveCutShortAfterItsInfoIsFinishedOrCleared) {
    enum class Then { kTrashOn, kTrashOff, kRenameFails };
    for (const Then then : {Then::kTrashOn, Then::kTrashOff, Then::kRenameFails}) {
        SCOPED_TRACE(static_cast<int>(then));
        fs::remove_all(m_temp / "A.prj");
        fs::remove_all(m_dataHome);
        ProjectBuilder project = MakeProject("A.prj");
        const std::string staging = project.Path() + kSaveStagingFolder + "/";
        fs::create_directory(staging);
        const std::string journal = "orvanta-save-journal 1\npark Patch/002%20Beta.p00 .orvanta-save/o-1\nend\n";
        ProjectBuilder::WriteBytes(staging + "done", std::vector<std::uint8_t>(journal.begin(), journal.end()));
        fs::rename(project.Path() + "Patch/002 Beta.p00", staging + "o-1");
        const TrashLocation trash = FindTrashFor(project.Path(), true);
        ASSERT_EQ(trash.problem, "");
        const std::string info = TrashInfoText(trash, "Patch/002 Beta.p00", "2026-01-02T03:04:05");
        ProjectBuilder::WriteBytes(HomeTrash() + "info/002 Beta.p00.trashinfo",
                                   std::vector<std::uint8_t>(info.begin(), info.end()));
        const std::string marker = "trash:002 Beta.p00";
        ProjectBuilder::WriteBytes(staging + "r-1", std::vector<std::uint8_t>(marker.begin(), marker.end()));
        UseOwnTrash(then != Then::kTrashOff);
        if (then == Then::kRenameFails) {
            m_files.FailOnPath(FaultyFileSystem::kRename, staging + "o-1");
        }
        EXPECT_EQ(RecoverInterruptedSave(project.Path()), RecoveryOutcome::kCompleted);
        m_files.ClearFaults();
        EXPECT_EQ(fs::exists(staging + "o-1"), then == Then::kRenameFails);
        EXPECT_EQ(FileNames(HomeTrash() + "files"),
                  then == Then::kTrashOn ? std::set<std::string>{"002 Beta.p00"} : std::set<std::string>{});
        ExpectWholeTrash(HomeTrash());
    }
}

} // namespace
} // namespace Orvanta::SaveTesting

#endif
