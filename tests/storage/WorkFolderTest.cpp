#include "storage/WorkFolder.h"

#include "FaultyFileSystem.h"
#include "FolderSnapshot.h"
#include "ProjectBuilder.h"
#include "ScriptedReporter.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"
#include "model/CDomain.h"
#include "storage/ProjectNaming.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which they build on.
#include <aclapi.h>
#include <sddl.h>
#endif

namespace Orvanta {
namespace {

namespace fs = std::filesystem;
using TestSupport::FaultyFileSystem;
using TestSupport::FolderSnapshot;
using TestSupport::ProjectBuilder;
using TestSupport::TakeFolderSnapshot;

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

void Touch(const std::string& path) {
    ProjectBuilder::WriteBytes(path, {1, 2, 3});
}

// Sets the environment variable `name` to `value` for this process.
void SetVariable(const char* name, const std::string& value) {
#if defined(_WIN32)
    ASSERT_EQ(::_putenv_s(name, value.c_str()), 0);
#else
    ASSERT_EQ(::setenv(name, value.c_str(), 1), 0);
#endif
}

void RemoveVariable(const char* name) {
#if defined(_WIN32)
    ASSERT_EQ(::_putenv_s(name, ""), 0);
#else
    ASSERT_EQ(::unsetenv(name), 0);
#endif
}

// The process's own sub-folder: set up, a sub-folder of `chosen` named after this process.
void ExpectOwnSubFolder(const std::string& chosen) {
    const std::string own = SetUpWorkFolderPath();
    EXPECT_EQ(CDomain::Instance().WorkFolder(), own);
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(fs::path(own).parent_path().parent_path(), fs::path(chosen));
    const std::string name = fs::path(own).parent_path().filename().string();
    EXPECT_EQ(name.rfind(std::string(kRunFolderPrefix) + std::to_string(CurrentProcessId()) + "-", 0), 0U) << name;
    EXPECT_TRUE(fs::is_directory(own));
}

class WorkFolderTest : public ::testing::Test {
protected:
    WorkFolderTest() { m_reporter = TestSupport::ScriptedReporter::Install(); }
    ~WorkFolderTest() override {
        TestSupport::ScriptedReporter::Uninstall();
        CDomain::Instance().SetWorkFolder("");
    }

    TestSupport::TempFolder m_temp;
    FaultyFileSystem m_files;
    TestSupport::StorageDomainGuard m_guard{&m_files};
    std::shared_ptr<TestSupport::ScriptedReporter> m_reporter;
};

#if !defined(_WIN32)
fs::perms Permissions(const std::string& path) {
    return fs::symlink_status(path).permissions() & fs::perms::mask;
}
#endif

// Windows folders have no POSIX permission bits; access there follows the folder's ACL, which a
// per-user folder inherits from the user's profile.
TEST_F(WorkFolderTest, AMissingFolderIsCreatedForItsOwnerOnlyWithAPrivateSubFolderOfThisProcess) {
    const std::string path = m_temp / "data/Orvanta/OrvantaWork";
    ASSERT_TRUE(SetUpWorkFolder(path));
    EXPECT_TRUE(fs::is_directory(path));
#if !defined(_WIN32)
    EXPECT_EQ(Permissions(path), fs::perms::owner_all);
#endif
    ExpectOwnSubFolder(path);
#if !defined(_WIN32)
    EXPECT_EQ(Permissions(SetUpWorkFolderPath()), fs::perms::owner_all);
#endif

    // Set up again, as a second process would: the folder is accepted as it is, and the new
    // sub-folder is another one.
    const std::string first = SetUpWorkFolderPath();
    ASSERT_TRUE(SetUpWorkFolder(path + "/"));
    ExpectOwnSubFolder(path);
    EXPECT_NE(SetUpWorkFolderPath(), first);
    EXPECT_TRUE(fs::is_directory(first));
}

#if !defined(_WIN32)
// Permission bits, symbolic links and owners: POSIX only.
TEST_F(WorkFolderTest, AFolderOthersCanEnterALinkOrAFileIsRefused) {
    const std::string open = m_temp / "open";
    fs::create_directory(open);
    fs::permissions(open, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    const std::string real = m_temp / "real";
    fs::create_directory(real);
    fs::permissions(real, fs::perms::owner_all);
    const std::string link = m_temp / "link";
    fs::create_directory_symlink(real, link);
    const std::string file = m_temp / "file";
    Touch(file);
    CDomain::Instance().SetWorkFolder("");

    for (const std::string& path : {open, link, link + "/", file, std::string("relative/work"), std::string()}) {
        EXPECT_FALSE(SetUpWorkFolder(path)) << path;
        EXPECT_EQ(SetUpWorkFolderPath(), "") << path;
    }
    EXPECT_EQ(CDomain::Instance().WorkFolder(), "");
    EXPECT_TRUE(fs::is_empty(open));
    EXPECT_TRUE(fs::is_empty(real));
    EXPECT_EQ(Permissions(open), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(SetUpWorkFolder(real));
}

TEST_F(WorkFolderTest, AFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a folder away needs root";
    }
    const std::string foreign = m_temp / "foreign";
    fs::create_directory(foreign);
    fs::permissions(foreign, fs::perms::owner_all);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(SetUpWorkFolder(foreign));
}
#endif

// An empty value counts as not set (on Windows, setting a variable to "" removes it).
// Windows: the folder's ACL stands for the permission bits. A folder everyone may enter is refused,
// and one made by CreateOwnerOnlyFolder is accepted.
TEST_F(WorkFolderTest, AFolderEveryoneCanEnterIsRefusedOnWindows) {
#if defined(_WIN32)
    const std::string open = m_temp / "open";
    ASSERT_TRUE(CreateOwnerOnlyFolder(open));
    EXPECT_FALSE(CreateOwnerOnlyFolder(open)) << "never made twice";
    ASSERT_TRUE(SetUpWorkFolder(open));
    EXPECT_TRUE(CleanWorkFolder());
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                       &descriptor, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL everyone = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &everyone, &defaulted));
    std::wstring wide = fs::path(open).wstring();
    EXPECT_EQ(::SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      everyone, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    ::LocalFree(descriptor);
    EXPECT_FALSE(SetUpWorkFolder(open));
    EXPECT_TRUE(fs::is_empty(open));
#else
    GTEST_SKIP() << "Windows ACLs; the permission bits are checked in AFolderOthersCanEnterALinkOrAFileIsRefused";
#endif
}

// Unique folders: a taken name (a folder with contents, a file) is skipped and stays as it is,
// a failure of another kind ends at once, and the default tails differ from call to call.
TEST_F(WorkFolderTest, UniqueFoldersSkipTakenNamesAndStopAtOtherFailures) {
    const std::string stem = m_temp / "f-";
    fs::create_directory(stem + "a");
    Touch(stem + "a/keep");
    Touch(stem + "b");
    const std::vector<std::string> tails = {"a", "b", "c"};
    std::size_t asked = 0;
    const auto next = [&] { return tails[asked++ % tails.size()]; };
    EXPECT_EQ(CreateUniquePrivateFolder(stem, next), stem + "c");
    EXPECT_EQ(asked, 3U);
    EXPECT_EQ(Names(stem + "a"), std::set<std::string>{"keep"});
    EXPECT_EQ(ProjectBuilder::ReadBytes(stem + "b"), (std::vector<std::uint8_t>{1, 2, 3}));
    asked = 0;
    EXPECT_EQ(CreateUniquePrivateFolder(stem, next), "") << "every name taken";
    EXPECT_EQ(asked, 100U);
    asked = 0;
    EXPECT_EQ(CreateUniquePrivateFolder(m_temp / "missing/f-", next), "");
    EXPECT_EQ(asked, 1U);

    const std::string first = CreateUniquePrivateFolder(m_temp / "r-");
    const std::string second = CreateUniquePrivateFolder(m_temp / "r-");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    for (const std::string& made : {stem + "c", first, second}) {
        EXPECT_TRUE(SetUpWorkFolder(made)) << made << " is private";
        EXPECT_TRUE(CleanWorkFolder());
    }
}

TEST_F(WorkFolderTest, TheEnvironmentVariableOverridesTheFrontEndsChoice) {
    const char* saved = std::getenv(kWorkFolderVariable);
    const std::string previous = saved != nullptr ? saved : "";
    SetVariable(kWorkFolderVariable, "/somewhere/else");
    EXPECT_EQ(ChooseWorkFolderPath("/home/u/.local/share/OrvantaWork"), "/somewhere/else");
    SetVariable(kWorkFolderVariable, "");
    EXPECT_EQ(ChooseWorkFolderPath("/home/u/.local/share/OrvantaWork"), "/home/u/.local/share/OrvantaWork");
    RemoveVariable(kWorkFolderVariable);
    EXPECT_EQ(ChooseWorkFolderPath("/d"), "/d");
    if (saved != nullptr) {
        SetVariable(kWorkFolderVariable, previous);
    }
}

// The folder the user named holds their own files, a project's Wave folder, and sub-folders of
// other runs: a run that still works (pid 1), and runs that ended, one of them with its copies.
TEST_F(WorkFolderTest, CleaningRemovesOnlyThisProcesssFilesAndLeavesTheChosenFolderAsItWas) {
    const std::string chosen = m_temp / "mine";
    ASSERT_TRUE(CreateOwnerOnlyFolder(chosen));
    fs::create_directory(chosen + "/Wave");
    ProjectBuilder::WriteBytes(chosen + "/song.wav", {1, 2, 3});
    ProjectBuilder::WriteBytes(chosen + "/photo.webp", {4, 5});
    ProjectBuilder::WriteBytes(chosen + "/take1.aiff", {6});
    ProjectBuilder::WriteBytes(chosen + "/000 Kick.wav", {7, 7});
    ProjectBuilder::WriteBytes(chosen + "/Wave/001 Kick.wav", {8, 9});
    ProjectBuilder::WriteBytes(chosen + "/Wave/notes.p00", {10});
    const std::string crashed = chosen + "/run-99999999-crash1"; // no such process
    fs::create_directory(crashed);
    ProjectBuilder::WriteBytes(crashed + "/000 Kick.wav", {11});
    // A process that runs: pid 1 on POSIX systems; on Windows, where no process id is fixed, this one.
#if defined(_WIN32)
    fs::create_directory(chosen + "/run-" + std::to_string(CurrentProcessId()) + "-alive1");
#else
    fs::create_directory(chosen + "/run-1-alive1");
#endif
    fs::create_directory(chosen + "/run-99999999-empty1");
    fs::create_directory(m_temp / "in");
    const std::string source = m_temp / "in/Kick.wav";
    ProjectBuilder::WriteBytes(source, {42, 43, 44});
    FolderSnapshot before = TakeFolderSnapshot(chosen);

    // An earlier set-up stands for another process with its own copy of the same name.
    ASSERT_TRUE(SetUpWorkFolder(chosen));
    const std::string other = SetUpWorkFolderPath();
    const std::string otherCopy = CopyIntoWorkFolder(source, "Kick", ".wav");
    ASSERT_EQ(fs::path(otherCopy).parent_path().string() + "/", other);

    ASSERT_TRUE(SetUpWorkFolder(chosen));
    const std::string own = SetUpWorkFolderPath();
    EXPECT_NE(own, other);
    const std::string copy = CopyIntoWorkFolder(source, "Kick", ".wav");
    ASSERT_EQ(copy.rfind(own, 0), 0U) << copy;
    EXPECT_EQ(ProjectBuilder::ReadBytes(copy), (std::vector<std::uint8_t>{42, 43, 44}));
    const std::string made = MakeWorkCopyPath("Pad", ".w00");
    ASSERT_EQ(made.rfind(own, 0), 0U) << made;
    Touch(made);
    static_cast<void>(MakeWorkCopyPath("Unused", ".p00")); // reserved, never created

    EXPECT_TRUE(CleanWorkFolder());
    EXPECT_FALSE(fs::exists(own));
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_FALSE(CleanWorkFolder()); // the set-up has ended
    EXPECT_EQ(SetUpWorkFolderPath(), "");

    // Everything of the user's and of the other runs is as it was; only the empty folder of a run
    // that ended has gone.
    FolderSnapshot after = TakeFolderSnapshot(chosen);
    const std::string otherName = fs::path(other).parent_path().filename().string();
    EXPECT_EQ(after.erase(otherName + "/"), 1U);
    EXPECT_EQ(after.erase(otherName + "/" + fs::path(otherCopy).filename().string()), 1U);
    EXPECT_EQ(before.erase("run-99999999-empty1/"), 1U);
    EXPECT_EQ(after, before);
}

TEST_F(WorkFolderTest, AFileThatCannotBeDeletedIsReportedAndTheRestStillGo) {
    const std::string source = m_temp / "Pad.wav";
    Touch(source);
    ASSERT_TRUE(SetUpWorkFolder(m_temp / "work"));
    const std::string own = SetUpWorkFolderPath();
    const std::string a = CopyIntoWorkFolder(source, "A", ".p00");
    const std::string b = CopyIntoWorkFolder(source, "B", ".wav");
    const std::string c = CopyIntoWorkFolder(source, "C", ".wav");
    ASSERT_FALSE(a.empty() || b.empty() || c.empty());
    m_files.FailOnPath(FaultyFileSystem::kDelete, b);
    EXPECT_TRUE(CleanWorkFolder());
    EXPECT_EQ(Names(own), std::set<std::string>{fs::path(b).filename().string()});
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorUndefined});
}

// A start that failed before its work folder existed must not delete the sound files of whatever
// folder the domain happens to name, nor of the current folder.
TEST_F(WorkFolderTest, WithoutASuccessfulSetUpCleaningDoesNothing) {
    const std::string music = m_temp / "music";
    fs::create_directory(music);
    Touch(music + "/Song.wav");
    ASSERT_TRUE(SetUpWorkFolder(m_temp / "work"));
    const int calls = m_files.Calls(FaultyFileSystem::kDelete | FaultyFileSystem::kList);
    Touch(m_temp / "a-file");
    EXPECT_FALSE(SetUpWorkFolder(m_temp / "a-file/work")); // its parent is a file
    CDomain::Instance().SetWorkFolder(music + "/");
    EXPECT_FALSE(CleanWorkFolder());
    EXPECT_EQ(Names(music), std::set<std::string>{"Song.wav"});
    CDomain::Instance().SetWorkFolder("");
    EXPECT_FALSE(CleanWorkFolder());
    EXPECT_EQ(m_files.Calls(FaultyFileSystem::kDelete | FaultyFileSystem::kList), calls);
}

TEST_F(WorkFolderTest, WorkFileNamesNeverRepeat) {
    ASSERT_TRUE(SetUpWorkFolder(m_temp / "work"));
    const int first = NextWorkFileNumber();
    EXPECT_EQ(NextWorkFileNumber(), first + 1);
    const std::string one = MakeWorkCopyPath("Kick", ".wav");
    const std::string two = MakeWorkCopyPath("Kick", ".wav");
    EXPECT_NE(one, two);
    EXPECT_EQ(one, SetUpWorkFolderPath() + FormatSlotNumber(first + 2) + "Kick.wav");
    EXPECT_EQ(two, SetUpWorkFolderPath() + FormatSlotNumber(first + 3) + "Kick.wav");
    CDomain::Instance().SetWorkFolder("");
    EXPECT_EQ(MakeWorkCopyPath("Kick", ".wav"), "");
    CDomain::Instance().SetWorkFolder("relative/");
    EXPECT_EQ(MakeWorkCopyPath("Kick", ".wav"), "");
    EXPECT_EQ(NextWorkFileNumber(), first + 6);
}

} // namespace
} // namespace Orvanta
