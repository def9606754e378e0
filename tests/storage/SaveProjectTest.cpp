#include "SaveFixture.h"

#include "model/CDomain.h"
#include "storage/CNativeFileSystem.h"
#include "storage/CSvdManager.h"
#include "storage/SaveJournal.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace Orvanta::SaveTesting {
namespace {

using TestSupport::FolderSnapshot;
using TestSupport::TakeFolderSnapshot;

void EmptyWave(CTernData& data, std::size_t i) {
    data.m_waves.Replace(i, std::make_unique<CWave>());
}

void SwapPatches(CTernData& data, std::size_t first, std::size_t second) {
    std::unique_ptr<CPatch> held = data.m_patches.Replace(first, data.m_patches.CloneAt(second));
    data.m_patches.Replace(second, std::move(held));
}

// Adds patches Alpha (slot 1) and Beta (slot 2) to `project`, opens it and swaps the two in memory.
CTernFileDocument& OpenWithSwappedPatches(DocumentList& documents, ProjectBuilder& project) {
    project.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    project.AddPatchBytes("002 Beta.p00", PatchBytes(0x22));
    CTernFileDocument& document = documents.Open(project.Path());
    SwapPatches(document.Data(), 0, 1);
    document.SetModified(true);
    return document;
}

std::array<std::uint8_t, kPackedPatchSize> PackedBlocks(const CPatch& patch) {
    std::array<std::uint8_t, kPackedPatchSize> blocks{};
    CSvdManager().PackPatch(patch, blocks);
    return blocks;
}

// Files of the folder that change slots are renamed, never copied, and nothing of the save is left.
TEST_F(SaveTest, SwappingTwoPatchesInPlaceRenamesTheirFiles) {
    ProjectBuilder a = Project("A.prj");
    a.AddSystemFiles();
    a.AddWave("001 Pad.w00");
    CTernFileDocument& document = OpenWithSwappedPatches(m_documents, a);
    CTernData& data = document.Data();
    const ProjectRecord before = RecordProject(data);

    ASSERT_TRUE(document.SaveProjectTo(a.Path()));
    ExpectSavedProject(data, before, "swap");
    EXPECT_EQ(data.m_patches[0].m_name, "Beta");
    EXPECT_EQ(Bytes(a.Path() + "Patch/001 Beta.p00")[100], 0x22);
    EXPECT_EQ(Bytes(a.Path() + "Patch/002 Alpha.p00")[100], 0x11);
    EXPECT_TRUE(WorkFiles().empty());
    EXPECT_EQ(m_files.Calls(FaultyFileSystem::kCopy | FaultyFileSystem::kWrite), 0);
    for (const std::string& created : m_files.CalledPaths(FaultyFileSystem::kCreate)) {
        EXPECT_EQ(created.find("/n-"), std::string::npos) << "a content was copied: " << created;
    }
    // A renamed file keeps its stamp, and so does one the save leaves where it is: the record takes
    // it from the check, not from another look.
    const std::vector<std::string> looked = m_files.CalledPaths(FaultyFileSystem::kQuery);
    for (const std::string& path : looked) {
        EXPECT_TRUE(path.find("001 Beta") == std::string::npos && path.find("002 Alpha") == std::string::npos) << path;
    }
    EXPECT_EQ(std::count(looked.begin(), looked.end(), a.Path() + "Wave/001 Pad.w00"), 1);
    EXPECT_EQ(document.DiskChanges(), std::vector<std::string>());
    EXPECT_FALSE(FileExists(a.Path() + ".orvanta-save") || std::filesystem::exists(a.Path() + ".orvanta-save"));
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_FALSE(document.IsModified());
}

TEST_F(SaveTest, RenamingAPatchRenamesItsFileAndRewritesOnlyTheBlocks) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("007 Lead.p00", PatchBytes(0x77, ProjectBuilder::PatchUsingWaves(3), 9));
    a.AddWave("003 Pad.w00");
    a.AddWave("004 Bell.w00");
    CTernFileDocument& document = m_documents.Open(a.Path());
    CTernData& data = document.Data();
    const std::vector<std::uint8_t> original = Bytes(a.Path() + "Patch/007 Lead.p00");
    data.m_patches[6].SetName("Bass", false);
    ASSERT_TRUE(data.m_patches[6].m_osc[0].SetWaveNumber(0, 4));
    document.SetModified(true);
    const int copiesBefore = m_files.Calls(FaultyFileSystem::kCopy);

    ASSERT_TRUE(document.SaveProjectTo(a.Path()));
    const std::string renamed = a.Path() + "Patch/007 Bass.p00";
    EXPECT_FALSE(FileExists(a.Path() + "Patch/007 Lead.p00"));
    const std::vector<std::uint8_t> saved = Bytes(renamed);
    EXPECT_TRUE(SamePatchContainer(saved, original));
    const auto blocks = PackedBlocks(data.m_patches[6]);
    EXPECT_TRUE(std::equal(blocks.begin(), blocks.end(), saved.begin() + kPatchBlocksOffset));
    EXPECT_FALSE(std::equal(blocks.begin(), blocks.end(), original.begin() + kPatchBlocksOffset));
    CPatch reread;
    ASSERT_TRUE(ReadPatchFile(renamed, reread));
    EXPECT_EQ(reread.m_osc[0].GetWaveNumber(0), 4);
    EXPECT_EQ(data.m_patches[6].m_path, renamed);
    EXPECT_EQ(data.m_patchFiles[6], renamed);
    EXPECT_EQ(m_files.Calls(FaultyFileSystem::kCopy), copiesBefore);
    EXPECT_TRUE(WorkFiles().empty());
}

// The native file system, on which another program writes a file the moment a save has placed
// its files (as the journal becomes "done").
class WriterAfterPlacingFileSystem : public CNativeFileSystem {
public:
    bool Rename(const std::string& from, const std::string& to) override {
        const bool renamed = CNativeFileSystem::Rename(from, to);
        if (renamed && to.ends_with(std::string("/") + kSaveStagingFolder + "/done") && m_write) {
            std::exchange(m_write, nullptr)();
        }
        return renamed;
    }
    std::function<void()> m_write;
};

// A patch file that another program changes just after a save placed it (other blocks, same size,
// a later time) is written again by the next save: what the patch remembers of its file is what
// the save wrote, not what was there when the save ended.
TEST_F(SaveTest, APatchFileChangedJustAfterTheSavePlacedItIsWrittenAgainByTheNextSave) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("007 Lead.p00", PatchBytes(0x77, ProjectBuilder::PatchUsingWaves(3)));
    a.AddWave("003 Pad.w00");
    a.AddWave("004 Bell.w00");
    CTernFileDocument& document = m_documents.Open(a.Path());
    CPatch& patch = document.Data().m_patches[6];
    ASSERT_TRUE(patch.m_osc[0].SetWaveNumber(0, 4));
    const std::string path = a.Path() + "Patch/007 Lead.p00";
    const auto blocksOf = [&path] {
        const std::vector<std::uint8_t> bytes = Bytes(path);
        return std::vector<std::uint8_t>(bytes.begin() + kPatchBlocksOffset, bytes.begin() + kPatchRecordSize);
    };
    const auto packed = PackedBlocks(patch);
    const std::vector<std::uint8_t> blocks(packed.begin(), packed.end());
    WriterAfterPlacingFileSystem files;
    files.m_write = [&path] {
        std::vector<std::uint8_t> bytes = Bytes(path);
        std::fill(bytes.begin() + kPatchBlocksOffset, bytes.begin() + kPatchRecordSize, std::uint8_t{0x5A});
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
    };
    CDomain::Instance().SetFileSystem(&files);
    const bool saved = document.SaveProjectTo(a.Path());
    CDomain::Instance().SetFileSystem(&m_files);
    ASSERT_TRUE(saved);
    ASSERT_NE(blocksOf(), blocks); // the other program's write

    ASSERT_TRUE(document.SaveProjectTo(a.Path()));
    EXPECT_EQ(blocksOf(), blocks);
}

// A file system that ignores letter case in file names, as many desktop file systems do: a name
// that differs from an existing file's only in case names that file.
class CaselessFileSystem : public CNativeFileSystem {
public:
    std::unique_ptr<CFile> OpenRead(const std::string& path) override {
        return CNativeFileSystem::OpenRead(Resolve(path));
    }
    std::unique_ptr<CFile> OpenReadWrite(const std::string& path) override {
        return CNativeFileSystem::OpenReadWrite(Resolve(path));
    }
    bool Exists(const std::string& path) override { return CNativeFileSystem::Exists(Resolve(path)); }
    bool IsSameEntry(const std::string& first, const std::string& second) override {
        return CNativeFileSystem::IsSameEntry(Resolve(first), Resolve(second));
    }

private:
    static std::string Resolve(const std::string& path) {
        const std::filesystem::path native(path);
        std::error_code error;
        if (std::filesystem::exists(native, error)) {
            return path;
        }
        for (std::filesystem::directory_iterator it(native.parent_path(), error), end; !error && it != end;
             it.increment(error)) {
            if (IsSameTextNoCase(it->path().filename().string(), native.filename().string())) {
                return it->path().string();
            }
        }
        return path;
    }
};

TEST_F(SaveTest, ChangingOnlyTheLetterCaseOfANameSavesOnACaselessFileSystem) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("007 Lead.p00", PatchBytes(0x77));
    CTernFileDocument& document = m_documents.Open(a.Path());
    CTernData& data = document.Data();
    data.m_patches[6].SetName("LEAD", false);
    document.SetModified(true);
    CaselessFileSystem caseless;
    CDomain::Instance().SetFileSystem(&caseless);

    // The file found under the new spelling is the slot's own file, not another one in the way.
    const bool saved = document.SaveProjectTo(a.Path());
    CDomain::Instance().SetFileSystem(&m_files);
    ASSERT_TRUE(saved);
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_EQ(FileNames(a.Path() + "Patch"), std::set<std::string>{"007 LEAD.p00"});
    EXPECT_EQ(data.m_patches[6].m_path, a.Path() + "Patch/007 LEAD.p00");
    EXPECT_EQ(data.m_patchFiles[6], a.Path() + "Patch/007 LEAD.p00");
}

TEST_F(SaveTest, RenameOntoAnExistingFileFailsBeforeAnyChange) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("007 Bass.p00", PatchBytes(0x71));
    a.AddPatchBytes("007 Lead.p00", PatchBytes(0x72)); // a duplicate of slot 7, planned for deletion
    a.AddPatchBytes("002 Keys.p00", PatchBytes(0x73));
    CTernFileDocument& document = m_documents.Open(a.Path());
    CTernData& data = document.Data();
    ASSERT_EQ(data.m_patches[6].m_name, "Bass");
    SwapPatches(data, 1, 2); // a change that would move files if the save went ahead
    data.m_patches[6].SetName("Lead", false);
    document.SetModified(true);
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());

    EXPECT_FALSE(document.SaveProjectTo(a.Path()));
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorSave});
    EXPECT_EQ(m_reporter->Details(),
              std::vector<std::string>{"a file of that name is there already: " + a.Path() + "Patch/007 Lead.p00"});
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
    EXPECT_TRUE(document.IsModified());
}

TEST_F(SaveTest, WaveCopiedToAnotherProjectSurvivesTheSaveOfItsOrigin) {
    ProjectBuilder a = Project("A.prj");
    ProjectBuilder b = Project("B.prj");
    const std::string kick = a.AddWave("001 Kick.wav", 300);
    const std::vector<std::uint8_t> kickBytes = Bytes(kick);
    CTernFileDocument& documentA = m_documents.Open(a.Path());
    CTernFileDocument& documentB = m_documents.Open(b.Path());
    documentB.Data().m_waves.Replace(0, documentA.Data().m_waves.CloneAt(0));
    documentB.SetModified(true);
    EmptyWave(documentA.Data(), 0);
    documentA.SetModified(true);

    ASSERT_TRUE(documentA.SaveProjectTo(a.Path()));
    EXPECT_FALSE(FileExists(kick));
    const std::string parked = documentB.Data().m_waves[0].m_path;
    EXPECT_EQ(parked.rfind(m_workFolder, 0), 0U) << parked;
    EXPECT_EQ(Bytes(parked), kickBytes);

    ASSERT_TRUE(documentB.SaveProjectTo(b.Path()));
    EXPECT_EQ(documentB.Data().m_waves[0].m_path, b.Path() + "Wave/001 Kick.wav");
    EXPECT_EQ(Bytes(b.Path() + "Wave/001 Kick.wav"), kickBytes);
    EXPECT_TRUE(FileExists(parked)); // work files stay until the program cleans its work folder
}

TEST_F(SaveTest, ClosingAProjectPreservesTheFilesAnotherProjectUses) {
    ProjectBuilder a = Project("A.prj");
    ProjectBuilder b = Project("B.prj");
    a.AddPatchBytes("003 Keys.p00", PatchBytes(0x33));
    a.AddWave("002 Pad.w00", 200);
    a.AddWave("005 Other.wav", 50);
    CTernFileDocument& documentA = m_documents.Open(a.Path());
    CTernFileDocument& documentB = m_documents.Open(b.Path());
    CTernData& dataB = documentB.Data();
    dataB.m_patches.Replace(0, documentA.Data().m_patches.CloneAt(2));
    dataB.m_waves.Replace(0, documentA.Data().m_waves.CloneAt(1));
    documentB.SetModified(true);
    const ProjectRecord before = RecordProject(dataB);
    const FolderSnapshot folderA = TakeFolderSnapshot(a.Path());

    m_documents.Close(documentA);
    EXPECT_EQ(TakeFolderSnapshot(a.Path()), folderA);
    EXPECT_EQ(dataB.m_patches[0].m_path.rfind(m_workFolder, 0), 0U);
    EXPECT_EQ(dataB.m_waves[0].m_path.rfind(m_workFolder, 0), 0U);
    ExpectEveryObjectReadable(dataB, before, "after close");
    EXPECT_EQ(WorkFiles().size(), 2U); // the unused wave is not copied

    ASSERT_TRUE(documentB.SaveProjectTo(b.Path()));
    ExpectSavedProject(dataB, before, "B saved");
}

// Closing never deletes a file, so a copy that fails leaves the other project on the original.
TEST_F(SaveTest, ClosingWithAFailedCopyLeavesTheOtherProjectOnTheOriginalFile) {
    ProjectBuilder a = Project("A.prj");
    ProjectBuilder b = Project("B.prj");
    const std::string pad = a.AddWave("002 Pad.w00", 200);
    CTernFileDocument& documentA = m_documents.Open(a.Path());
    CTernFileDocument& documentB = m_documents.Open(b.Path());
    documentB.Data().m_waves.Replace(0, documentA.Data().m_waves.CloneAt(1));
    documentB.SetModified(true);

    m_files.SetTornFaults(true);
    m_files.FailOnPath(FaultyFileSystem::kCreate, pad);
    m_documents.Close(documentA);
    EXPECT_EQ(documentB.Data().m_waves[0].m_path, pad);
    EXPECT_EQ(Bytes(pad).size(), 200U);
}

TEST_F(SaveTest, SaveAsOntoAnExistingProjectAsksAndNoWritesNothing) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    a.AddWave("002 Pad.w00");
    a.AddSystemFiles();
    ProjectBuilder t = Project("T.prj");
    t.AddPatchBytes("001 Old.p00", PatchBytes(0x99));
    t.AddPatchBytes("009 Older.p00", PatchBytes(0x98));
    t.AddWave("004 Gone.wav");
    CTernFileDocument& document = m_documents.Open(a.Path());
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());
    const FolderSnapshot folderA = TakeFolderSnapshot(a.Path());
    const auto state = PathState(document.Data());

    m_reporter->QueueAnswer(kAnswerNo);
    EXPECT_FALSE(document.SaveProjectTo(t.Path()));
    EXPECT_EQ(m_reporter->QuestionCodes(), std::vector<int>{kAskReplaceProject});
    EXPECT_EQ(m_reporter->Questions()[0].buttons, kButtonsYesNo);
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
    EXPECT_EQ(PathState(document.Data()), state);

    m_reporter->QueueAnswer(kAnswerYes);
    const ProjectRecord record = RecordProject(document.Data());
    ASSERT_TRUE(document.SaveProjectTo(t.Path()));
    EXPECT_EQ(document.Data().m_projectPath, t.Path());
    ExpectSavedProject(document.Data(), record, "replaced");
    for (const char* name : {"Orvanta System.s00", "Orvanta Palette.s00", "Orvanta Template.s00"}) {
        EXPECT_EQ(Bytes(t.Path() + name), Bytes(a.Path() + name)) << name;
    }
    EXPECT_EQ(TakeFolderSnapshot(a.Path()), folderA);
    EXPECT_TRUE(m_reporter->Errors().empty());
}

TEST_F(SaveTest, SaveAsLeavesTheOldFolderUntouched) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    a.AddPatchBytes("002 Beta.p00", PatchBytes(0x22));
    a.AddWave("003 Pad.w00");
    a.AddSystemFiles();
    CTernFileDocument& document = m_documents.Open(a.Path());
    SwapPatches(document.Data(), 0, 1);
    document.SetModified(true);
    const FolderSnapshot folderA = TakeFolderSnapshot(a.Path());
    const ProjectRecord record = RecordProject(document.Data());

    const std::string target = m_temp / "Copy.prj";
    ASSERT_TRUE(document.SaveProjectTo(target));
    EXPECT_EQ(TakeFolderSnapshot(a.Path()), folderA);
    EXPECT_EQ(document.Data().m_projectPath, target + "/");
    ExpectSavedProject(document.Data(), record, "save as");
    EXPECT_TRUE(FileExists(target + "/Orvanta Template.s00"));
    EXPECT_TRUE(m_reporter->Questions().empty());
}

// A Save As writes each patch file that memory knows whole without opening it, byte for byte what
// a copy gives; a file another program rewrote since loading, or one too long to keep, is copied
// as it is now. The patch then knows its new file whole only where it was written from memory.
TEST_F(SaveTest, SaveAsWritesPatchFilesKnownWholeFromMemoryAndCopiesTheOthers) {
    ProjectBuilder a = Project("A.prj");
    const std::vector<std::string> paths = {
        a.AddPatchBytes("001 Kept.p00", PatchBytes(0x11, ProjectBuilder::PatchUsingWaves(3), 5)),
        a.AddPatchBytes("002 Changed.p00", PatchBytes(0x22, CPatch(), 7)),
        a.AddPatchBytes("003 Long.p00", PatchBytes(0x33, CPatch(), kKeptPatchFileSize)),
    };
    a.AddWave("003 Pad.w00");
    CTernFileDocument& document = m_documents.Open(a.Path());
    CTernData& data = document.Data();
    ASSERT_TRUE(data.m_patches[0].m_osc[0].SetWaveNumber(0, 5));
    ProjectBuilder::WriteBytes(paths[1], PatchBytes(0x2B, CPatch(), 9));
    std::filesystem::last_write_time(paths[1], std::filesystem::last_write_time(paths[1]) + std::chrono::seconds(2));
    std::vector<std::vector<std::uint8_t>> before;
    for (const std::string& path : paths) {
        before.push_back(Bytes(path));
    }
    constexpr unsigned kReads = FaultyFileSystem::kOpen | FaultyFileSystem::kCreate; // opens and copies
    const std::size_t readsBefore = m_files.CalledPaths(kReads).size();

    const std::string target = m_temp / "Copy.prj/";
    ASSERT_TRUE(document.SaveProjectTo(target));
    const std::vector<std::string> all = m_files.CalledPaths(kReads);
    const std::vector<std::string> reads(all.begin() + static_cast<std::ptrdiff_t>(readsBefore), all.end());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const CPatch& patch = data.m_patches[i];
        const std::vector<std::uint8_t> saved = Bytes(patch.m_path);
        EXPECT_EQ(patch.m_path.rfind(target, 0), 0U) << patch.m_path;
        EXPECT_TRUE(SamePatchContainer(saved, before[i])) << paths[i];
        const auto blocks = PackedBlocks(patch);
        EXPECT_TRUE(std::equal(blocks.begin(), blocks.end(), saved.begin() + kPatchBlocksOffset)) << paths[i];
        const bool fromMemory = i == 0;
        EXPECT_EQ(std::count(reads.begin(), reads.end(), ToNativePath(paths[i])), fromMemory ? 0 : 1) << paths[i];
        EXPECT_EQ(patch.m_knownRest.empty(), !fromMemory) << paths[i];
    }
}

TEST_F(SaveTest, StrayAndDuplicateFilesGoWithTheNextSaveInPlace) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 One.p00", PatchBytes(0x01));
    a.AddPatchBytes("001 Two.p00", PatchBytes(0x02));
    a.AddPatchBytes("stray.p00", PatchBytes(0x03));
    a.AddPatchBytes("777 Keep.p00", PatchBytes(0x04));
    a.AddWave("001 Kick.wav");
    a.AddWave("loose.wav");
    CTernFileDocument& document = m_documents.Open(a.Path());
    ASSERT_EQ(document.PendingDeletions().size(), 3U);
    const ProjectRecord record = RecordProject(document.Data());

    ASSERT_TRUE(document.SaveProjectTo(a.Path()));
    ExpectSavedProject(document.Data(), record, "cleaned", {"777 Keep.p00"});
    EXPECT_TRUE(document.PendingDeletions().empty());
}

// A duplicate planned for deletion can be the very file a slot is saved into.
TEST_F(SaveTest, AFileASlotWasJustSavedIntoIsNotDeletedAsADuplicate) {
    ProjectBuilder a = Project("A.prj");
    ProjectBuilder b = Project("B.prj");
    a.AddPatchBytes("005 Bass.p00", PatchBytes(0x51));
    a.AddPatchBytes("005 Pad.p00", PatchBytes(0x52));
    b.AddPatchBytes("002 Pad.p00", PatchBytes(0x62));
    CTernFileDocument& documentA = m_documents.Open(a.Path());
    CTernFileDocument& documentB = m_documents.Open(b.Path());
    ASSERT_EQ(documentA.PendingDeletions(), std::vector<std::string>{a.Path() + "Patch/005 Pad.p00"});
    documentA.Data().m_patches.Replace(4, documentB.Data().m_patches.CloneAt(1));
    documentA.SetModified(true);
    const ProjectRecord record = RecordProject(documentA.Data());

    ASSERT_TRUE(documentA.SaveProjectTo(a.Path()));
    ExpectSavedProject(documentA.Data(), record, "dropped Pad");
    EXPECT_EQ(Bytes(a.Path() + "Patch/005 Pad.p00")[100], 0x62);
    EXPECT_TRUE(documentA.PendingDeletions().empty());
}

TEST_F(SaveTest, SaveAsCreatesAFolderThatDoesNotExistYet) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    CTernFileDocument& document = m_documents.Open(a.Path());
    const ProjectRecord record = RecordProject(document.Data());
    ASSERT_TRUE(document.SaveProjectTo(m_temp / "Fresh.prj"));
    ExpectSavedProject(document.Data(), record, "fresh");
    EXPECT_TRUE(m_reporter->Questions().empty());
}

TEST_F(SaveTest, AFolderThatCannotBeCreatedFailsTheSave) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    CTernFileDocument& document = m_documents.Open(a.Path());
    const auto state = PathState(document.Data());
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());

    // A missing parent folder.
    EXPECT_FALSE(document.SaveProjectTo(m_temp / "missing/Deep.prj"));
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorSave});
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);

    // "Patch" cannot be created (a read-only parent, say): no question, nothing left behind.
    m_reporter->ClearRecord();
    m_files.FailOnPath(FaultyFileSystem::kCreateFolder, m_temp / "New.prj/Patch");
    EXPECT_FALSE(document.SaveProjectTo(m_temp / "New.prj"));
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorSave});
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
    EXPECT_EQ(PathState(document.Data()), state);
}

TEST_F(SaveTest, AFolderThatIsNoProjectIsRefusedBeforeAnythingChanges) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    ProjectBuilder plain = Project("Plain");
    plain.AddWave("001 Voice.wav");
    CTernFileDocument& document = m_documents.Open(a.Path());
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());

    EXPECT_FALSE(document.SaveProjectTo(plain.Path()));
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorSave});
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
    EXPECT_EQ(document.Data().m_projectPath, a.Path());
}

TEST_F(SaveTest, AMissingSourceFileFailsAndRemovesAnEmptyTarget) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    const std::string wave = a.AddWave("002 Pad.w00");
    CTernFileDocument& document = m_documents.Open(a.Path());
    std::filesystem::remove(wave);
    std::filesystem::create_directory(m_temp / "Empty.prj");
    const FolderSnapshot folderA = TakeFolderSnapshot(a.Path());

    EXPECT_FALSE(document.SaveProjectTo(m_temp / "Empty.prj"));
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorSave});
    EXPECT_FALSE(std::filesystem::exists(m_temp / "Empty.prj"));
    EXPECT_EQ(TakeFolderSnapshot(a.Path()), folderA);
}

TEST_F(SaveTest, TheFolderOfAnotherOpenProjectIsRefusedHoweverItIsSpelled) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    ProjectBuilder a = Project("A.prj");
    ProjectBuilder b = Project("B.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    b.AddPatchBytes("001 Beta.p00", PatchBytes(0x22));
    std::filesystem::create_directory_symlink(m_temp / "B.prj", m_temp / "Alias.prj");
    std::filesystem::create_directory(m_temp / "x");
    CTernFileDocument& document = m_documents.Open(a.Path());
    (void)m_documents.Open(b.Path());
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());

    EXPECT_FALSE(document.SaveProjectTo(b.Path()));
    EXPECT_FALSE(document.SaveProjectTo(m_temp / "Alias.prj"));
    EXPECT_FALSE(document.SaveProjectTo(m_temp / "x/../B.prj"));
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorSave, kErrorSave, kErrorSave}));
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
}

// Save As onto the project's own folder through a link is a save in place: without that, the user
// would be asked to replace the project and every wave would be deleted before being copied.
TEST_F(SaveTest, SaveAsOntoTheOwnFolderThroughALinkSavesInPlace) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    a.AddPatchBytes("002 Beta.p00", PatchBytes(0x22));
    a.AddWave("001 Kick.wav", 500);
    a.AddWave("002 Pad.w00", 400);
    std::filesystem::create_directory_symlink(m_temp / "A.prj", m_temp / "Link.prj");
    CTernFileDocument& document = m_documents.Open(a.Path());
    SwapPatches(document.Data(), 0, 1);
    document.Data().m_waves[1].SetName("Strings", false);
    document.SetModified(true);
    const ProjectRecord record = RecordProject(document.Data());
    m_reporter->SetDefaultAnswer(kAnswerYes);

    ASSERT_TRUE(document.SaveProjectTo(m_temp / "Link.prj"));
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_EQ(document.Data().m_projectPath, a.Path());
    ExpectSavedProject(document.Data(), record, "through link");
}

// A Save As that fails part-way leaves the objects on the files they had.
TEST_F(SaveTest, AFailedSaveAsLeavesSourcesAndSlotFilesAsTheyWere) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    a.AddPatchBytes("002 Beta.p00", PatchBytes(0x22));
    a.AddPatchBytes("002 Dup.p00", PatchBytes(0x23));
    a.AddWave("001 Kick.wav", 500);
    CTernFileDocument& document = m_documents.Open(a.Path());
    SwapPatches(document.Data(), 0, 1);
    document.Data().m_patches[1].SetName("Renamed", false);
    document.SetModified(true);
    const auto state = PathState(document.Data());
    const std::vector<std::string> pending = document.PendingDeletions();
    const ProjectRecord record = RecordProject(document.Data());
    const FolderSnapshot folderA = TakeFolderSnapshot(a.Path());

    m_files.FailOnPath(FaultyFileSystem::kCreate, a.Path() + "Wave/001 Kick.wav"); // its copy into C
    EXPECT_FALSE(document.SaveProjectTo(m_temp / "C.prj"));
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorSave});
    EXPECT_EQ(PathState(document.Data()), state);
    EXPECT_EQ(document.PendingDeletions(), pending);
    EXPECT_EQ(TakeFolderSnapshot(a.Path()), folderA);
    EXPECT_TRUE(document.IsModified());

    m_files.ClearFaults();
    ASSERT_TRUE(document.SaveProjectTo(a.Path()));
    ExpectSavedProject(document.Data(), record, "in place after failed save as");
}

// The work copy must exist before any object is pointed at it.
TEST_F(SaveTest, AFailedEvacuationLeavesTheObjectsOnTheOriginalFile) {
    ProjectBuilder a = Project("A.prj");
    ProjectBuilder b = Project("B.prj");
    const std::string alpha = a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    CTernFileDocument& documentA = m_documents.Open(a.Path());
    CTernFileDocument& documentB = m_documents.Open(b.Path());
    documentB.Data().m_patches.Replace(0, documentA.Data().m_patches.CloneAt(0));
    documentB.SetModified(true);
    documentA.Data().m_patches.Replace(0, std::make_unique<CPatch>());
    documentA.SetModified(true);
    const ProjectRecord record = RecordProject(documentB.Data());
    const FolderSnapshot folderA = TakeFolderSnapshot(a.Path());

    m_files.SetTornFaults(true);
    m_files.FailOnPath(FaultyFileSystem::kCreate, alpha); // its copy to the work folder
    EXPECT_FALSE(documentA.SaveProjectTo(a.Path()));
    EXPECT_EQ(documentB.Data().m_patches[0].m_path, alpha);
    EXPECT_EQ(TakeFolderSnapshot(a.Path()), folderA);

    m_files.ClearFaults();
    ASSERT_TRUE(documentA.SaveProjectTo(a.Path()));
    EXPECT_FALSE(FileExists(alpha));
    ExpectEveryObjectReadable(documentB.Data(), record, "B after A was saved");
}

// Undo after a save could otherwise bring back references to files the save deleted.
TEST_F(SaveTest, SavingClearsTheUndoStateOfEveryProject) {
    ProjectBuilder a = Project("A.prj");
    ProjectBuilder b = Project("B.prj");
    a.AddWave("001 Kick.wav", 300);
    CTernFileDocument& documentA = m_documents.Open(a.Path());
    CTernFileDocument& documentB = m_documents.Open(b.Path());
    CDomain& domain = CDomain::Instance();
    // B took A's wave, then the user emptied that slot of B again: B's undo copy names A's file.
    documentB.Data().m_waves.Replace(0, documentA.Data().m_waves.CloneAt(0));
    domain.ClearUndo();
    ASSERT_TRUE(domain.SaveUndo(kUndoBoth, &documentB.Data()));
    EmptyWave(documentB.Data(), 0);
    documentB.SetModified(true);
    EmptyWave(documentA.Data(), 0);
    documentA.SetModified(true);

    ASSERT_TRUE(documentA.SaveProjectTo(a.Path()));
    EXPECT_FALSE(FileExists(a.Path() + "Wave/001 Kick.wav")); // nobody used it any more
    EXPECT_FALSE(domain.HasUndo());
    domain.Undo();
    EXPECT_TRUE(documentB.Data().m_waves[0].IsEmpty());
}

TEST_F(SaveTest, AnUnwritablePatchFileFailsTheCheckBeforeAnyFileIsTouched) {
    ProjectBuilder a = Project("A.prj");
    const std::string locked = a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11)); // moves to slot 2
    a.AddPatchBytes("002 Beta.p00", PatchBytes(0x22));
    a.AddPatchBytes("003 Gamma.p00", PatchBytes(0x33)); // untouched: may be locked without harm
    a.AddWave("001 Kick.wav");
    CTernFileDocument& document = m_documents.Open(a.Path());
    SwapPatches(document.Data(), 0, 1);
    EmptyWave(document.Data(), 0);
    document.SetModified(true);
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());

    m_files.FailOnPath(FaultyFileSystem::kOpenReadWrite, locked);
    EXPECT_FALSE(document.SaveProjectTo(a.Path()));
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorSave});
    EXPECT_EQ(m_reporter->Details(),
              std::vector<std::string>{"a file that the save replaces or removes is read-only or in use: " + locked});
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
    EXPECT_EQ(m_files.Calls(FaultyFileSystem::kChanging & ~FaultyFileSystem::kCreateFolder), 0);
}

#if !defined(_WIN32)
// The same with a file that is really read-only. Root ignores file permissions, so as root the save
// runs in a child process as an unprivileged user; the test is skipped where the restriction does
// not apply even then.
TEST_F(SaveTest, AReadOnlyPatchFileOnDiskFailsTheSaveBeforeAnyFileIsTouched) {
    ProjectBuilder a = Project("A.prj");
    const std::string locked = a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    a.AddPatchBytes("002 Beta.p00", PatchBytes(0x22));
    CTernFileDocument& document = m_documents.Open(a.Path());
    document.Data().m_patches[0].SetName("Renamed", false);
    document.SetModified(true);
    constexpr uid_t kNobody = 65534;
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(a.Path())) {
            ASSERT_EQ(::chown(entry.path().c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::chown(a.Path().c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chmod(m_temp.Path().c_str(), 0755), 0);
    }
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    const FolderSnapshot before = TakeFolderSnapshot(a.Path());

    // 0: refused with nothing changed; 1: saved; 2: the file is writable after all; 3: changed.
    const auto run = [&]() -> int {
        if (NativeFileSystem().OpenReadWrite(locked) != nullptr) {
            return 2;
        }
        if (document.SaveProjectTo(a.Path())) {
            return 1;
        }
        return TakeFolderSnapshot(a.Path()) == before ? 0 : 3;
    };
    int outcome = 0;
    if (asRoot) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
            ::_exit(dropped ? run() : 2);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        outcome = WEXITSTATUS(status);
    } else {
        outcome = run();
    }
    if (outcome == 2) {
        GTEST_SKIP() << "read-only files are writable for this user";
    }
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(TakeFolderSnapshot(a.Path()), before);
}
#endif

TEST_F(SaveTest, SaveAsCopiesTheSystemFilesAndFailsWhenOneCannotBeCopied) {
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    a.AddSystemFiles();
    CTernFileDocument& document = m_documents.Open(a.Path());
    const auto state = PathState(document.Data());

    m_files.FailOnPath(FaultyFileSystem::kCreate, a.Path() + "Orvanta Palette.s00");
    EXPECT_FALSE(document.SaveProjectTo(m_temp / "C.prj"));
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorSave});
    EXPECT_EQ(PathState(document.Data()), state);

    m_files.ClearFaults();
    m_reporter->SetDefaultAnswer(kAnswerYes);
    ASSERT_TRUE(document.SaveProjectTo(m_temp / "C.prj"));
    for (const char* name : {"Orvanta System.s00", "Orvanta Palette.s00", "Orvanta Template.s00"}) {
        EXPECT_EQ(Bytes(m_temp / "C.prj/" + name), Bytes(a.Path() + name)) << name;
    }
}

TEST_F(SaveTest, WithoutAWorkFolderASaveThatMustParkAFileFailsBeforeAnyChange) {
    ProjectBuilder a = Project("A.prj");
    ProjectBuilder b = Project("B.prj");
    a.AddWave("001 Kick.wav", 300);
    CTernFileDocument& document = m_documents.Open(a.Path());
    CTernFileDocument& documentB = m_documents.Open(b.Path());
    documentB.Data().m_waves.Replace(0, document.Data().m_waves.CloneAt(0));
    documentB.SetModified(true);
    EmptyWave(document.Data(), 0);
    document.SetModified(true);
    CDomain::Instance().SetWorkFolder("");
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());

    EXPECT_FALSE(document.SaveProjectTo(a.Path()));
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
}

#if !defined(_WIN32)
// Saving never writes through a link: a slot file that is a symbolic link to a file outside the
// project, or a patch file hard-linked into another project, is replaced by a file of its own, and
// what the links lead to stays byte for byte as it was. Rows: which slot file is linked and how.
TEST_F(SaveTest, SavingReplacesLinkedSlotFilesAndLeavesWhatTheyLeadToAlone) {
    namespace fs = std::filesystem;
    ProjectBuilder a = Project("A.prj");
    ProjectBuilder b = Project("B.prj");
    fs::create_directory(m_temp / "outside");
    const std::string outsidePatch = m_temp / "outside/alpha.p00";
    const std::string outsideWave = m_temp / "outside/kick.wav";
    ProjectBuilder::WriteBytes(outsidePatch, PatchBytes(0x11, ProjectBuilder::PatchUsingWaves(1)));
    ProjectBuilder::WriteBytes(outsideWave, std::vector<std::uint8_t>(300, 0x4B));
    fs::create_symlink(outsidePatch, a.Path() + "Patch/001 Alpha.p00");
    fs::create_symlink(outsideWave, a.Path() + "Wave/001 Kick.wav");
    const std::string shared = b.AddPatchBytes("001 Beta.p00", PatchBytes(0x22, ProjectBuilder::PatchUsingWaves(1)));
    fs::create_hard_link(shared, a.Path() + "Patch/002 Beta.p00");
    a.AddWave("002 Snare.wav", 100);
    const FolderSnapshot outside = TakeFolderSnapshot(m_temp / "outside");
    const std::vector<std::uint8_t> sharedBytes = Bytes(shared);

    CTernFileDocument& document = m_documents.Open(a.Path());
    CTernData& data = document.Data();
    // Both patches now use wave 2 (new patch data); the linked wave is renamed.
    for (const std::size_t i : {0U, 1U}) {
        ASSERT_TRUE(data.m_patches[i].m_osc[0].SetWaveNumber(0, 2));
    }
    data.m_waves[0].SetName("Kick2", false);
    document.SetModified(true);
    const ProjectRecord record = RecordProject(data);

    ASSERT_TRUE(document.SaveProjectTo(a.Path()));
    ExpectSavedProject(data, record, "linked files");
    EXPECT_EQ(TakeFolderSnapshot(m_temp / "outside"), outside);
    EXPECT_EQ(Bytes(shared), sharedBytes);
    for (const char* name : {"Patch/001 Alpha.p00", "Patch/002 Beta.p00", "Wave/001 Kick2.wav"}) {
        struct stat status {};
        ASSERT_EQ(::lstat((a.Path() + name).c_str(), &status), 0) << name;
        EXPECT_TRUE(S_ISREG(status.st_mode)) << name;
        EXPECT_EQ(status.st_nlink, 1U) << name;
    }
    EXPECT_EQ(Bytes(a.Path() + "Wave/001 Kick2.wav"), Bytes(outsideWave));
    EXPECT_FALSE(fs::exists(fs::symlink_status(a.Path() + "Wave/001 Kick.wav")));
}

// A link named like the staging folder is the user's: opening does not take it for an interrupted
// save (nothing it leads to is touched), and a save refuses to start rather than stage through it.
TEST_F(SaveTest, ALinkNamedLikeTheStagingFolderIsNeverUsed) {
    namespace fs = std::filesystem;
    ProjectBuilder a = Project("A.prj");
    a.AddPatchBytes("001 Alpha.p00", PatchBytes(0x11));
    fs::create_directory(m_temp / "elsewhere");
    ProjectBuilder::WriteBytes(m_temp / "elsewhere/journal", {1, 2});
    ProjectBuilder::WriteBytes(m_temp / "elsewhere/n-1", {3});
    fs::create_directory_symlink(m_temp / "elsewhere", a.Path() + ".orvanta-save");
    const FolderSnapshot before = TakeFolderSnapshot(m_temp.Path());

    CTernFileDocument& document = m_documents.Open(a.Path());
    EXPECT_TRUE(m_reporter->Recoveries().empty());
    document.Data().m_patches[0].SetName("Beta", false);
    document.SetModified(true);
    EXPECT_FALSE(document.SaveProjectTo(a.Path()));
    EXPECT_EQ(TakeFolderSnapshot(m_temp.Path()), before);
}
#endif

} // namespace
} // namespace Orvanta::SaveTesting
