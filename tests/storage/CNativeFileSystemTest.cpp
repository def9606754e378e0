#include "storage/CNativeFileSystem.h"

#include "ProjectBuilder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace Orvanta {
namespace {

namespace fs = std::filesystem;
using TestSupport::ProjectBuilder;
using Bytes = std::vector<std::uint8_t>;

class NativeFileSystemTest : public ::testing::Test {
protected:
    std::string File(const std::string& name, const Bytes& bytes) {
        const std::string path = m_folder / name;
        ProjectBuilder::WriteBytes(path, bytes);
        return path;
    }

    TestSupport::TempFolder m_folder;
    CNativeFileSystem m_fs;
};

TEST_F(NativeFileSystemTest, ReadWriteSeekWithoutTruncation) {
    const std::string path = File("data.bin", {1, 2, 3, 4, 5, 6});
    {
        std::unique_ptr<CFile> file = m_fs.OpenReadWrite(path);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->Seek(2));
        const Bytes patch = {9, 9};
        ASSERT_TRUE(file->Write(patch));
        EXPECT_TRUE(file->Close());
        EXPECT_TRUE(file->Close()) << "a second close is harmless";
    }
    EXPECT_EQ(ProjectBuilder::ReadBytes(path), (Bytes{1, 2, 9, 9, 5, 6}));

    std::unique_ptr<CFile> file = m_fs.OpenRead(path);
    ASSERT_TRUE(file);
    Bytes buffer(10);
    EXPECT_EQ(file->Read(buffer), 6) << "fewer bytes at the end of the file";
    EXPECT_EQ(file->Read(buffer), 0);
    ASSERT_TRUE(file->Seek(4));
    EXPECT_EQ(file->Read(std::span(buffer).first(1)), 1);
    EXPECT_EQ(buffer[0], 5);
    // The open file knows the stamp that the path's entry tells, time included.
    EXPECT_EQ(file->Stamp(), m_fs.Stamp(path));
    EXPECT_GE(file->Stamp().modified, 0);
}

TEST_F(NativeFileSystemTest, OpeningNeverCreatesAndRefusesWhatIsNoFile) {
    EXPECT_FALSE(m_fs.OpenRead(m_folder / "missing"));
    EXPECT_FALSE(m_fs.OpenReadWrite(m_folder / "missing"));
    EXPECT_FALSE(fs::exists(m_folder / "missing"));
    EXPECT_FALSE(m_fs.OpenRead(m_folder.Path())) << "a folder is not a file";
    EXPECT_EQ(m_fs.FileSize(m_folder.Path()), -1);
}

TEST_F(NativeFileSystemTest, OpeningAPipeDoesNotHang) {
#if defined(__unix__) || defined(__APPLE__)
    const std::string pipe = m_folder / "001 Pipe.w00";
    ASSERT_EQ(std::system(("mkfifo '" + pipe + "'").c_str()), 0);
    EXPECT_FALSE(m_fs.OpenRead(pipe));
    EXPECT_EQ(m_fs.FileSize(pipe), -1);
    EXPECT_TRUE(m_fs.ListFolder(m_folder.Path(), "*").empty()) << "a pipe is never listed";
#else
    GTEST_SKIP() << "no named pipes here";
#endif
}

TEST_F(NativeFileSystemTest, CopyReplacesTheDestinationWhole) {
    Bytes big(3 << 20);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>(i * 31 + (i >> 13));
    }
    const std::string source = File("source.w00", big);
    const std::string destination = File("destination.w00", Bytes(5 << 20, 7));
    ASSERT_TRUE(m_fs.CopyWholeFile(source, destination));
    EXPECT_EQ(ProjectBuilder::ReadBytes(destination), big);
    ASSERT_TRUE(m_fs.CopyWholeFile(source, m_folder / "new.w00"));
    EXPECT_EQ(ProjectBuilder::ReadBytes(m_folder / "new.w00"), big);
    const std::string empty = File("empty.w00", {});
    ASSERT_TRUE(m_fs.CopyWholeFile(empty, destination));
    EXPECT_TRUE(ProjectBuilder::ReadBytes(destination).empty());
}

TEST_F(NativeFileSystemTest, CopyOntoItselfKeepsTheContent) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    const std::string path = File("self.w00", {1, 2, 3});
    EXPECT_TRUE(m_fs.CopyWholeFile(path, path));
    fs::create_symlink(path, m_folder / "alias.w00");
    EXPECT_TRUE(m_fs.CopyWholeFile(m_folder / "alias.w00", path));
    EXPECT_EQ(ProjectBuilder::ReadBytes(path), (Bytes{1, 2, 3}));
}

TEST_F(NativeFileSystemTest, FailedCopyLeavesNoNewFile) {
    EXPECT_FALSE(m_fs.CopyWholeFile(m_folder / "missing", m_folder / "copy"));
    EXPECT_FALSE(fs::exists(m_folder / "copy"));
    const std::string source = File("source", {1});
    EXPECT_FALSE(m_fs.CopyWholeFile(source, m_folder / "no/such/folder/copy"));
    EXPECT_FALSE(m_fs.CopyWholeFile(m_folder.Path(), m_folder / "copy")) << "a folder is not copied";
    EXPECT_FALSE(fs::exists(m_folder / "copy"));
}

TEST_F(NativeFileSystemTest, RenameAndDelete) {
    const std::string path = File("a.p00", {1});
    EXPECT_TRUE(m_fs.Rename(path, m_folder / "b.p00"));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(ProjectBuilder::ReadBytes(m_folder / "b.p00"), Bytes{1});
    EXPECT_FALSE(m_fs.Rename(path, m_folder / "c.p00"));
    EXPECT_TRUE(m_fs.Delete(m_folder / "b.p00"));
    EXPECT_FALSE(m_fs.Delete(m_folder / "b.p00"));
    fs::create_directory(m_folder / "sub");
    EXPECT_FALSE(m_fs.Delete(m_folder / "sub")) << "Delete never removes a folder";
    EXPECT_TRUE(fs::exists(m_folder / "sub"));
}

// A file held open here locks nothing: it can be renamed (also over another file) and deleted
// meanwhile, and its open handles go on reading and writing the same file. Windows refuses both
// while any handle on the file does not share deleting.
TEST_F(NativeFileSystemTest, FilesOpenHereCanBeRenamedAndDeleted) {
    const std::string path = File("001 Pad.w00", {1, 2, 3});
    const std::string other = File("002 Lead.w00", {4, 5, 6});
    std::unique_ptr<CFile> reading = m_fs.OpenRead(path);
    std::unique_ptr<CFile> writing = m_fs.OpenReadWrite(path);
    ASSERT_TRUE(reading && writing);
    Bytes buffer(1);
    ASSERT_EQ(reading->Read(buffer), 1);
    EXPECT_TRUE(m_fs.Rename(path, m_folder / "003 Pad.w00"));
    EXPECT_TRUE(m_fs.Rename(m_folder / "003 Pad.w00", other)) << "renamed over another file while open";
    ASSERT_TRUE(writing->Seek(2));
    ASSERT_TRUE(writing->Write(Bytes{9}));
    EXPECT_TRUE(writing->Close());
    buffer.resize(4);
    EXPECT_EQ(reading->Read(buffer), 2);
    EXPECT_EQ(buffer, (Bytes{2, 9, 0, 0}));
    EXPECT_EQ(ProjectBuilder::ReadBytes(other), (Bytes{1, 2, 9}));
    EXPECT_TRUE(m_fs.Delete(other));
    EXPECT_TRUE(reading->Close());
    EXPECT_FALSE(fs::exists(other));
    EXPECT_FALSE(fs::exists(path));
}

// Whatever is at the name of a new file (a file, a folder) stays as it is and the call fails;
// without links, so that it runs where none can be made.
TEST_F(NativeFileSystemTest, NewFilesNeverReplaceWhatIsThere) {
    const std::string source = File("source.wav", {1, 2, 3});
    const std::string existing = File("existing.wav", {7});
    fs::create_directory(m_folder / "folder.wav");
    const std::uint8_t data[] = {4, 5};
    for (const bool durable : {false, true}) {
        for (const char* taken : {"existing.wav", "folder.wav"}) {
            EXPECT_FALSE(m_fs.CopyToNewFile(source, m_folder / taken, durable)) << taken;
            EXPECT_FALSE(m_fs.WriteNewFile(m_folder / taken, data, durable)) << taken;
            CFileStamp stamp;
            EXPECT_EQ(m_fs.CopyToNewFileOver(source, m_folder / taken, 1, data, stamp), CFileSystem::NewCopy::kFailed);
            EXPECT_FALSE(m_fs.RenameIfFree(source, m_folder / taken)) << taken;
        }
        const std::string copy = m_folder / (durable ? "durable.wav" : "copy.wav");
        EXPECT_TRUE(m_fs.CopyToNewFile(source, copy, durable));
        EXPECT_EQ(ProjectBuilder::ReadBytes(copy), (Bytes{1, 2, 3}));
        EXPECT_TRUE(m_fs.Sync(copy));
    }
    // A copy written over from an offset, stamped after that write; one from a missing source.
    CFileStamp stamp;
    EXPECT_EQ(m_fs.CopyToNewFileOver(source, m_folder / "over.wav", 1, data, stamp), CFileSystem::NewCopy::kMade);
    EXPECT_EQ(ProjectBuilder::ReadBytes(m_folder / "over.wav"), (Bytes{1, 4, 5}));
    EXPECT_EQ(stamp, m_fs.Stamp(m_folder / "over.wav"));
    EXPECT_EQ(m_fs.CopyToNewFileOver(m_folder / "missing.wav", m_folder / "none.wav", 0, {}, stamp),
              CFileSystem::NewCopy::kUnreadable);
    EXPECT_FALSE(fs::exists(m_folder / "none.wav"));
    EXPECT_TRUE(m_fs.RenameIfFree(m_folder / "over.wav", m_folder / "moved.wav"));
    EXPECT_EQ(ProjectBuilder::ReadBytes(m_folder / "moved.wav"), (Bytes{1, 4, 5}));
    EXPECT_EQ(ProjectBuilder::ReadBytes(source), (Bytes{1, 2, 3}));
    EXPECT_EQ(ProjectBuilder::ReadBytes(existing), Bytes{7});
    EXPECT_TRUE(fs::is_directory(m_folder / "folder.wav"));
    EXPECT_TRUE(fs::is_empty(m_folder / "folder.wav"));
    EXPECT_FALSE(m_fs.Sync(m_folder / "missing.wav"));
    EXPECT_FALSE(fs::exists(m_folder / "missing.wav")) << "syncing never creates";
}

// Names beyond ASCII go through the wide-character API on Windows: each operation must reach the
// file whose UTF-16 name is the UTF-8 text's, and a rename onto an existing file replaces it.
TEST_F(NativeFileSystemTest, Utf8NamesReachTheFileSystemAsTheyAre) {
    const std::string folder = m_folder / "Caf\xC3\xA9 \xE2\x99\xAA.prj";
    ASSERT_EQ(m_fs.CreateFolder(folder), FolderCreation::kCreated);
    EXPECT_TRUE(fs::is_directory(fs::path(m_folder.Path()) / u8"Caf\u00E9 \u266A.prj"));
    const std::string first = folder + "/001 \xC3\x9C"
                                       "ber.p00";
    const std::string second = folder + "/002 \xE9\x9F\xB3.p00";
    ASSERT_TRUE(m_fs.WriteNewFile(first, Bytes{1, 2, 3}, true));
    EXPECT_FALSE(m_fs.WriteNewFile(first, Bytes{4}, false)) << "created exclusively";
    ASSERT_TRUE(m_fs.CopyToNewFile(first, second, true));
    EXPECT_EQ(m_fs.FileSize(second), 3);
    std::vector<std::string> names = m_fs.ListFolder(folder, "*.P00");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"001 \xC3\x9C"
                                               "ber.p00",
                                               "002 \xE9\x9F\xB3.p00"}));
    EXPECT_EQ(m_fs.ListEntries(folder).size(), 2U);

    ProjectBuilder::WriteBytes(second, {9});
    EXPECT_TRUE(m_fs.Rename(first, second));
    EXPECT_FALSE(m_fs.Exists(first));
    EXPECT_EQ(ProjectBuilder::ReadBytes(second), (Bytes{1, 2, 3}));
    EXPECT_TRUE(fs::exists(fs::path(m_folder.Path()) / u8"Caf\u00E9 \u266A.prj" / u8"002 \u97F3.p00"));
    EXPECT_TRUE(m_fs.IsSameEntry(second, folder + "/./002 \xE9\x9F\xB3.p00"));
    EXPECT_TRUE(m_fs.Delete(second));
    EXPECT_TRUE(m_fs.RemoveFolder(folder));
}

TEST_F(NativeFileSystemTest, DeletingALinkKeepsItsTarget) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    const std::string target = File("target.w00", {4});
    fs::create_symlink(target, m_folder / "link.w00");
    EXPECT_TRUE(m_fs.Delete(m_folder / "link.w00"));
    EXPECT_TRUE(fs::exists(target));
}

TEST_F(NativeFileSystemTest, CreateFolderTellsCreatedExistedAndFailed) {
    EXPECT_EQ(m_fs.CreateFolder(m_folder / "New"), FolderCreation::kCreated);
    EXPECT_EQ(m_fs.CreateFolder(m_folder / "New"), FolderCreation::kExisted);
    EXPECT_EQ(m_fs.CreateFolder(m_folder / "New/"), FolderCreation::kExisted);
    EXPECT_EQ(m_fs.CreateFolder(m_folder / "Missing/Child"), FolderCreation::kFailed);
    File("Plain", {1});
    EXPECT_EQ(m_fs.CreateFolder(m_folder / "Plain"), FolderCreation::kFailed) << "a file is no folder";
}

TEST_F(NativeFileSystemTest, RemoveFolderOnlyRemovesEmptyRealFolders) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    fs::create_directory(m_folder / "Empty");
    fs::create_directory(m_folder / "Full");
    File("Full/x", {1});
    fs::create_directory_symlink(m_folder / "Empty", m_folder / "Link");
    EXPECT_FALSE(m_fs.RemoveFolder(m_folder / "Full"));
    EXPECT_FALSE(m_fs.RemoveFolder(m_folder / "Link/")) << "a link to a folder is not removed";
    EXPECT_TRUE(fs::is_symlink(m_folder / "Link"));
    EXPECT_FALSE(m_fs.RemoveFolder(m_folder / "Full/x")) << "a file is not removed";
    EXPECT_TRUE(m_fs.RemoveFolder(m_folder / "Empty/"));
    EXPECT_FALSE(fs::exists(m_folder / "Empty"));
}

TEST_F(NativeFileSystemTest, ListFolderMatchesWithoutLetterCaseAndOnlyFiles) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    File("001 Pad.p00", {});
    File("002 LEAD.P00", {});
    File("003 Bass.p00.bak", {});
    fs::create_directory(m_folder / "004 Folder.p00");
    fs::create_symlink(m_folder / "001 Pad.p00", m_folder / "005 Link.p00");
    fs::create_symlink(m_folder / "gone", m_folder / "006 Dangling.p00");
    std::vector<std::string> names = m_fs.ListFolder(m_folder.Path(), "*.p00");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"001 Pad.p00", "002 LEAD.P00", "005 Link.p00"}));
    EXPECT_TRUE(m_fs.ListFolder(m_folder / "missing/", "*").empty());
}

// A folder opened once lists what a listing by path lists and opens its files relative to itself: a
// file listed as a link opens what it points to, but a link put in the place of a listed file after
// the listing is refused, and a name never leads out of the folder.
TEST_F(NativeFileSystemTest, AnOpenFolderOpensWhatItListedButNoLinkPutInItsPlace) {
    File("001 Pad.p00", {1, 2});
    File("002 Lead.p00", {3});
    File("Other.bin", {9});
    fs::create_directory(m_folder / "sub");
    File("sub/003 Deep.p00", {4});
    const bool links = TestSupport::CanCreateSymbolicLinks();
    if (links) {
        fs::create_symlink(m_folder / "001 Pad.p00", m_folder / "005 Link.p00");
    }
    const std::unique_ptr<CFolder> folder = m_fs.OpenFolder(m_folder.Path());
    ASSERT_TRUE(folder);
    std::vector<std::string> names = folder->ListMatchingAny({"*.p00", "*.bin"});
    std::vector<std::string> byPath = m_fs.ListFolderMatchingAny(m_folder.Path(), {"*.p00", "*.bin"});
    std::sort(names.begin(), names.end());
    std::sort(byPath.begin(), byPath.end());
    EXPECT_EQ(names, byPath);

    std::unique_ptr<CFile> file = folder->OpenRead("002 Lead.p00");
    ASSERT_TRUE(file);
    Bytes buffer(4);
    EXPECT_EQ(file->Read(buffer), 1);
    EXPECT_EQ(file->Stamp(), m_fs.Stamp(m_folder / "002 Lead.p00"));
    EXPECT_FALSE(folder->OpenRead("sub/003 Deep.p00")) << "a name of this folder, not a path";
    EXPECT_FALSE(folder->OpenRead("missing.p00"));
    EXPECT_FALSE(m_fs.OpenFolder(m_folder / "001 Pad.p00")) << "a file is no folder";
    EXPECT_FALSE(m_fs.OpenFolder(m_folder / "missing/"));
    if (!links) {
        return;
    }
    EXPECT_TRUE(folder->OpenRead("005 Link.p00")) << "listed as a link, followed as the listing takes it";
    fs::remove(m_folder / "002 Lead.p00");
    fs::create_symlink(m_folder / "Other.bin", m_folder / "002 Lead.p00");
    EXPECT_TRUE(m_fs.OpenRead(m_folder / "002 Lead.p00")) << "by path the link is followed";
#if !defined(_WIN32)
    EXPECT_FALSE(folder->OpenRead("002 Lead.p00")) << "listed as a file, now a link";
#endif
}

// Uses the interface's own way of listing several patterns, one listing per pattern.
class PerPatternListing : public CNativeFileSystem {
public:
    std::vector<std::string> ListFolderMatchingAny(const std::string& folder,
                                                   const std::vector<std::string>& patterns) override {
        return CFileSystem::ListFolderMatchingAny(folder, patterns);
    }
};

TEST_F(NativeFileSystemTest, SeveralPatternsListEachFileOnce) {
    File("001 Pad.aif.wav", {});
    File("002 Hit.w.vpw", {});
    File("003 Kick.AIFF", {});
    File("004 Text.txt", {});
    const std::vector<std::string> patterns = {"*.w*", "*.aif*", "*.vpw"};
    const std::vector<std::string> expected = {"001 Pad.aif.wav", "002 Hit.w.vpw", "003 Kick.AIFF"};
    std::vector<std::string> names = m_fs.ListFolderMatchingAny(m_folder.Path(), patterns);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expected);
    PerPatternListing perPattern;
    names = perPattern.ListFolderMatchingAny(m_folder.Path(), patterns);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expected);
}

TEST_F(NativeFileSystemTest, CanOpenForReadingOpensAndClosesOnly) {
    const std::string path = File("001 Pad.w00", {1, 2});
    EXPECT_TRUE(m_fs.CanOpenForReading(path));
    EXPECT_FALSE(m_fs.CanOpenForReading(m_folder / "missing.w00"));
    EXPECT_EQ(ProjectBuilder::ReadBytes(path), (Bytes{1, 2}));
#if defined(__unix__) || defined(__APPLE__)
    const std::string pipe = m_folder / "002 Pipe.w00";
    ASSERT_EQ(std::system(("mkfifo '" + pipe + "'").c_str()), 0);
    (void)m_fs.CanOpenForReading(pipe); // must return at once, whatever it answers
#endif
}

TEST_F(NativeFileSystemTest, NamesThatAreNotUtf8PassUnchanged) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows names are UTF-16: every name is valid Unicode there";
#endif
    const std::string name = "001 \xFF\xFE.p00";
    const std::string path = File(name, {1, 2});
    EXPECT_EQ(m_fs.ListFolder(m_folder.Path(), "*.p00"), std::vector<std::string>{name});
    EXPECT_EQ(m_fs.FileSize(path), 2);
    EXPECT_TRUE(m_fs.OpenRead(path));
}

TEST_F(NativeFileSystemTest, QueriesAndFolderIdentity) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    const std::string file = File("f", {1, 2, 3});
    EXPECT_EQ(m_fs.FileSize(file), 3);
    EXPECT_EQ(m_fs.FileSize(m_folder / "missing"), -1);
    EXPECT_TRUE(m_fs.IsFolder(m_folder.Path()));
    EXPECT_FALSE(m_fs.IsFolder(file));
    EXPECT_TRUE(m_fs.Exists(file));
    EXPECT_FALSE(m_fs.Exists(m_folder / "missing"));
    fs::create_symlink(m_folder / "gone", m_folder / "dangling");
    EXPECT_TRUE(m_fs.Exists(m_folder / "dangling")) << "an entry is there, even if it leads nowhere";

    fs::create_directory(m_folder / "Song.prj");
    fs::create_directory_symlink(m_folder / "Song.prj", m_folder / "Alias.prj");
    EXPECT_TRUE(m_fs.IsFolder(m_folder / "Alias.prj/"));
    EXPECT_TRUE(m_fs.IsSameEntry(m_folder / "Song.prj/", m_folder / "Alias.prj/"));
    EXPECT_TRUE(m_fs.IsSameEntry(m_folder / "Song.prj/", m_folder / "./Song.prj/"));
    EXPECT_FALSE(m_fs.IsSameEntry(m_folder / "Song.prj/", m_folder.Path()));
    EXPECT_FALSE(m_fs.IsSameEntry(m_folder / "Song.prj/", m_folder / "Other.prj/")) << "one side missing";
}

// New files are created exclusively: whatever is at the name (a file, a link, even a dangling one)
// stays as it is and the call fails; a link is never written through.
TEST_F(NativeFileSystemTest, NewFilesAreCreatedExclusivelyAndLinksAreDetected) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    const std::string source = File("source.wav", {1, 2, 3});
    const std::string existing = File("existing.wav", {7});
    const std::string outside = File("outside.wav", {8});
    fs::create_symlink(outside, m_folder / "link.wav");
    fs::create_symlink(m_folder / "nowhere.wav", m_folder / "dangling.wav");
    fs::create_hard_link(outside, m_folder / "hard.wav");
    const std::uint8_t data[] = {4, 5};
    for (const char* taken : {"existing.wav", "link.wav", "dangling.wav"}) {
        EXPECT_FALSE(m_fs.CopyToNewFile(source, m_folder / taken, true)) << taken;
        EXPECT_FALSE(m_fs.WriteNewFile(m_folder / taken, data, false)) << taken;
    }
    EXPECT_EQ(ProjectBuilder::ReadBytes(existing), Bytes{7});
    EXPECT_EQ(ProjectBuilder::ReadBytes(outside), Bytes{8});
    EXPECT_FALSE(fs::exists(m_folder / "nowhere.wav"));

    EXPECT_TRUE(m_fs.CopyToNewFile(source, m_folder / "copy.wav", true));
    EXPECT_EQ(ProjectBuilder::ReadBytes(m_folder / "copy.wav"), (Bytes{1, 2, 3}));
    EXPECT_TRUE(m_fs.WriteNewFile(m_folder / "new.bin", data, true));
    EXPECT_EQ(ProjectBuilder::ReadBytes(m_folder / "new.bin"), (Bytes{4, 5}));
    EXPECT_FALSE(m_fs.CopyToNewFile(m_folder / "missing.wav", m_folder / "other.wav", false));
    EXPECT_FALSE(fs::exists(m_folder / "other.wav")) << "a failed copy leaves nothing";
    EXPECT_TRUE(m_fs.Sync(m_folder / "copy.wav"));
    EXPECT_TRUE(m_fs.Sync(m_folder.Path()));

    EXPECT_TRUE(m_fs.IsLinked(m_folder / "link.wav"));
    EXPECT_TRUE(m_fs.IsLinked(m_folder / "hard.wav"));
    EXPECT_TRUE(m_fs.IsLinked(outside)) << "both names of a hard link are shared";
    EXPECT_FALSE(m_fs.IsLinked(source));
    const std::vector<std::string> entries = m_fs.ListEntries(m_folder.Path());
    EXPECT_NE(std::find(entries.begin(), entries.end(), "dangling.wav"), entries.end());
}

#if !defined(_WIN32)
// A backslash is part of a name outside Windows, also at its end.
TEST_F(NativeFileSystemTest, ATrailingBackslashIsPartOfTheName) {
    const std::string plain = File("take", {1});
    const std::string odd = File("take\\", {2});
    EXPECT_TRUE(m_fs.Exists(odd));
    EXPECT_TRUE(m_fs.Delete(odd));
    EXPECT_FALSE(fs::exists(odd));
    EXPECT_EQ(ProjectBuilder::ReadBytes(plain), Bytes{1});
}
#endif

} // namespace
} // namespace Orvanta
