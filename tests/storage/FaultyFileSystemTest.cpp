#include "FaultyFileSystem.h"

#include "ProjectBuilder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Orvanta {
namespace {

using TestSupport::FaultyFileSystem;
using TestSupport::ProjectBuilder;
using Bytes = std::vector<std::uint8_t>;

class FaultyFileSystemTest : public ::testing::Test {
protected:
    TestSupport::TempFolder m_folder;
    FaultyFileSystem m_fs;
};

TEST_F(FaultyFileSystemTest, FailsExactlyTheNthCallOfTheChosenKinds) {
    ProjectBuilder::WriteBytes(m_folder / "a", {1});
    m_fs.FailNthCall(FaultyFileSystem::kCopy | FaultyFileSystem::kRename, 3);
    EXPECT_TRUE(m_fs.CopyWholeFile(m_folder / "a", m_folder / "b"));  // 1
    EXPECT_TRUE(m_fs.IsFolder(m_folder.Path()));                      // another kind: not counted
    EXPECT_TRUE(m_fs.Rename(m_folder / "b", m_folder / "c"));         // 2
    EXPECT_FALSE(m_fs.CopyWholeFile(m_folder / "a", m_folder / "d")); // 3: fails
    EXPECT_FALSE(std::filesystem::exists(m_folder / "d"));
    EXPECT_TRUE(m_fs.CopyWholeFile(m_folder / "a", m_folder / "d")); // 4
    EXPECT_EQ(m_fs.FaultsInjected(), 1);
    EXPECT_EQ(m_fs.Calls(FaultyFileSystem::kCopy), 3);
    EXPECT_EQ(m_fs.Calls(FaultyFileSystem::kAnyOp), 5);
}

TEST_F(FaultyFileSystemTest, FailsEveryCallOnAPath) {
    ProjectBuilder::WriteBytes(m_folder / "a", {1});
    ProjectBuilder::WriteBytes(m_folder / "b", {2});
    m_fs.FailOnPath(FaultyFileSystem::kOpenReadWrite, m_folder / "a");
    EXPECT_FALSE(m_fs.OpenReadWrite(m_folder / "a"));
    EXPECT_FALSE(m_fs.OpenReadWrite(m_folder / "a"));
    EXPECT_TRUE(m_fs.OpenRead(m_folder / "a")) << "reading stays possible: a read-only file";
    EXPECT_TRUE(m_fs.OpenReadWrite(m_folder / "b"));
    m_fs.FailOnPath(FaultyFileSystem::kCopy, m_folder / "z");
    EXPECT_FALSE(m_fs.CopyWholeFile(m_folder / "a", m_folder / "z")) << "the second path counts too";
    m_fs.ClearFaults();
    EXPECT_TRUE(m_fs.OpenReadWrite(m_folder / "a"));
}

TEST_F(FaultyFileSystemTest, FileOperationsOfOpenedFilesFail) {
    ProjectBuilder::WriteBytes(m_folder / "a", {1, 2, 3, 4});
    std::unique_ptr<CFile> file = m_fs.OpenReadWrite(m_folder / "a");
    ASSERT_TRUE(file);
    m_fs.FailNthCall(FaultyFileSystem::kRead | FaultyFileSystem::kWrite | FaultyFileSystem::kSeek, 1);
    EXPECT_FALSE(file->Seek(1));
    EXPECT_TRUE(file->Seek(1));
    m_fs.FailNthCall(FaultyFileSystem::kWrite, 1);
    EXPECT_FALSE(file->Write(Bytes{9, 9}));
    m_fs.FailNthCall(FaultyFileSystem::kRead, 1);
    Bytes buffer(4);
    EXPECT_EQ(file->Read(buffer), -1);
    EXPECT_TRUE(file->Close());
    EXPECT_EQ(ProjectBuilder::ReadBytes(m_folder / "a"), (Bytes{1, 2, 3, 4})) << "a clean fault writes nothing";
}

TEST_F(FaultyFileSystemTest, TornFaultsLeaveHalfTheBytes) {
    ProjectBuilder::WriteBytes(m_folder / "a", {1, 2, 3, 4});
    m_fs.SetTornFaults(true);
    m_fs.FailNthCall(FaultyFileSystem::kCopy, 1);
    EXPECT_FALSE(m_fs.CopyWholeFile(m_folder / "a", m_folder / "b"));
    EXPECT_EQ(ProjectBuilder::ReadBytes(m_folder / "b"), (Bytes{1, 2}));
    std::unique_ptr<CFile> file = m_fs.OpenReadWrite(m_folder / "a");
    ASSERT_TRUE(file);
    m_fs.FailNthCall(FaultyFileSystem::kWrite, 1);
    EXPECT_FALSE(file->Write(Bytes{7, 7, 7, 7}));
    EXPECT_TRUE(file->Close());
    EXPECT_EQ(ProjectBuilder::ReadBytes(m_folder / "a"), (Bytes{7, 7, 3, 4}));
}

TEST_F(FaultyFileSystemTest, QueriesAndFoldersCanFail) {
    m_fs.FailNthCall(FaultyFileSystem::kAnyOp, 1);
    EXPECT_FALSE(m_fs.IsFolder(m_folder.Path()));
    m_fs.FailNthCall(FaultyFileSystem::kCreateFolder, 1);
    EXPECT_EQ(m_fs.CreateFolder(m_folder / "New"), FolderCreation::kFailed);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "New"));
    EXPECT_EQ(m_fs.CreateFolder(m_folder / "New"), FolderCreation::kCreated);
    m_fs.FailNthCall(FaultyFileSystem::kList, 1);
    ProjectBuilder::WriteBytes(m_folder / "x.p00", {1});
    EXPECT_TRUE(m_fs.ListFolder(m_folder.Path(), "*.p00").empty());
    EXPECT_EQ(m_fs.ListFolder(m_folder.Path(), "*.p00").size(), 1U);
    EXPECT_EQ(m_fs.CalledPaths(FaultyFileSystem::kList), (std::vector<std::string>(2, m_folder.Path())));
}

} // namespace
} // namespace Orvanta
