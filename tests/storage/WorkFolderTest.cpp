#include "storage/WorkFolder.h"

#include "FaultyFileSystem.h"
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

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace Orvanta {
namespace {

namespace fs = std::filesystem;
using TestSupport::FaultyFileSystem;
using TestSupport::ProjectBuilder;

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

TEST_F(WorkFolderTest, AMissingFolderIsCreatedForItsOwnerOnly) {
    const std::string path = m_temp / "data/Orvanta/OrvantaWork";
    ASSERT_TRUE(SetUpWorkFolder(path));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(Permissions(path), fs::perms::owner_all);
    EXPECT_EQ(CDomain::Instance().WorkFolder(), path + "/");
    EXPECT_EQ(SetUpWorkFolderPath(), path + "/");

    // Set up again in a later run: the folder is accepted as it is.
    ASSERT_TRUE(SetUpWorkFolder(path + "/"));
    EXPECT_EQ(CDomain::Instance().WorkFolder(), path + "/");
}

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
TEST_F(WorkFolderTest, TheEnvironmentVariableOverridesTheFrontEndsChoice) {
    const char* saved = std::getenv(kWorkFolderVariable);
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv(kWorkFolderVariable, "/somewhere/else", 1);
    EXPECT_EQ(ChooseWorkFolderPath("/home/u/.local/share/OrvantaWork"), "/somewhere/else");
    ::setenv(kWorkFolderVariable, "", 1);
    EXPECT_EQ(ChooseWorkFolderPath("/home/u/.local/share/OrvantaWork"), "/home/u/.local/share/OrvantaWork");
    ::unsetenv(kWorkFolderVariable);
    EXPECT_EQ(ChooseWorkFolderPath("/d"), "/d");
    if (saved != nullptr) {
        ::setenv(kWorkFolderVariable, previous.c_str(), 1);
    }
}

#endif

TEST_F(WorkFolderTest, CleaningDeletesPatchAndWaveFilesOnly) {
    const std::string work = m_temp / "work";
    ASSERT_TRUE(SetUpWorkFolder(work));
    for (const char* name : {"000 Alpha.p00", "001 Kick.wav", "002 Snare.W00", "003 Hat.aif", "004 Ride.AIFF",
                             "005 Pad.vpw", "006 Both.aif.wav", "notes.txt", "Orvanta System.s00", "007 Clip.mp3"}) {
        Touch(work + "/" + name);
    }
    fs::create_directory(work + "/sub.wav");
    EXPECT_TRUE(CleanWorkFolder());
    EXPECT_EQ(Names(work), (std::set<std::string>{"notes.txt", "Orvanta System.s00", "007 Clip.mp3", "sub.wav"}));
    EXPECT_TRUE(m_reporter->Errors().empty());
}

TEST_F(WorkFolderTest, AFileThatCannotBeDeletedIsReportedAndTheRestStillGo) {
    const std::string work = m_temp / "work";
    ASSERT_TRUE(SetUpWorkFolder(work));
    for (const char* name : {"000 A.p00", "001 B.wav", "002 C.wav"}) {
        Touch(work + "/" + name);
    }
    m_files.FailOnPath(FaultyFileSystem::kDelete, work + "/001 B.wav");
    EXPECT_TRUE(CleanWorkFolder());
    EXPECT_EQ(Names(work), std::set<std::string>{"001 B.wav"});
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorUndefined});
}

// A start that failed before its work folder existed must not delete the sound files of whatever
// folder the domain happens to name, nor of the current folder.
TEST_F(WorkFolderTest, WithoutASuccessfulSetUpCleaningDoesNothing) {
    const std::string music = m_temp / "music";
    fs::create_directory(music);
    Touch(music + "/Song.wav");
    ASSERT_TRUE(SetUpWorkFolder(m_temp / "work"));
    Touch(m_temp / "a-file");
    EXPECT_FALSE(SetUpWorkFolder(m_temp / "a-file/work")); // its parent is a file
    CDomain::Instance().SetWorkFolder(music + "/");
    EXPECT_FALSE(CleanWorkFolder());
    EXPECT_EQ(Names(music), std::set<std::string>{"Song.wav"});
    CDomain::Instance().SetWorkFolder("");
    EXPECT_FALSE(CleanWorkFolder());
    EXPECT_EQ(m_files.Calls(FaultyFileSystem::kDelete | FaultyFileSystem::kList), 0);
}

TEST_F(WorkFolderTest, WorkFileNamesNeverRepeat) {
    ASSERT_TRUE(SetUpWorkFolder(m_temp / "work"));
    const int first = NextWorkFileNumber();
    EXPECT_EQ(NextWorkFileNumber(), first + 1);
    const std::string one = MakeWorkCopyPath("Kick", ".wav");
    const std::string two = MakeWorkCopyPath("Kick", ".wav");
    EXPECT_NE(one, two);
    EXPECT_EQ(one, m_temp / "work/" + FormatSlotNumber(first + 2) + "Kick.wav");
    EXPECT_EQ(two, m_temp / "work/" + FormatSlotNumber(first + 3) + "Kick.wav");
    CDomain::Instance().SetWorkFolder("");
    EXPECT_EQ(MakeWorkCopyPath("Kick", ".wav"), "");
    CDomain::Instance().SetWorkFolder("relative/");
    EXPECT_EQ(MakeWorkCopyPath("Kick", ".wav"), "");
    EXPECT_EQ(NextWorkFileNumber(), first + 6);
}

} // namespace
} // namespace Orvanta
