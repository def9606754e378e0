#include "storage/CTernFileDocument.h"

#include "FaultyFileSystem.h"
#include "FolderSnapshot.h"
#include "ProjectBuilder.h"
#include "StorageDomainGuard.h"
#include "TempFolder.h"
#include "model/CDomain.h"
#include "storage/COpenProjects.h"
#include "storage/ContentHash.h"
#include "storage/WaveImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace Orvanta {
namespace {

using TestSupport::FaultyFileSystem;
using TestSupport::ProjectBuilder;

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// A document that records what the front-end hooks were asked to do.
class RecordingDocument : public CTernFileDocument {
public:
    using CTernFileDocument::CTernFileDocument;
    std::vector<std::string> m_events;

protected:
    void BeginWaitCursor() override { m_events.push_back("begin wait"); }
    void EndWaitCursor() override { m_events.push_back("end wait"); }
    void OnProjectPathChanged(const std::string& path) override { m_events.push_back("path " + path); }
};

class ProjectLoadTest : public ::testing::Test {
protected:
    ProjectBuilder Project(const std::string& name = "Song.prj", ProjectBuilder::Options options = {}) {
        return ProjectBuilder(m_folder.Path(), name, options);
    }

    // True when every slot is empty and nothing is planned: the state of a new document.
    static bool IsNew(const CTernFileDocument& document) {
        const CTernData& data = document.Data();
        return data.m_patches.size() == kPatchSlots && data.m_waves.size() == kWaveSlots &&
               data.CountEmpty(kPatchList) == kPatchSlots && data.CountEmpty(kWaveList) == kWaveSlots &&
               data.m_projectPath.empty() && document.PendingDeletions().empty() &&
               std::all_of(data.m_patchFiles.begin(), data.m_patchFiles.end(), [](auto& p) { return p.empty(); }) &&
               std::all_of(data.m_waveFiles.begin(), data.m_waveFiles.end(), [](auto& p) { return p.empty(); });
    }

    TestSupport::TempFolder m_folder;
    TestSupport::StorageDomainGuard m_guard;
    RecordingDocument m_document;
};

TEST_F(ProjectLoadTest, SlotsFollowTheNumbersInTheFileNames) {
    ProjectBuilder project = Project();
    const std::string alto = project.AddPatch("001 Alto.p00");
    const std::string cello = project.AddPatch("003 Cello.p00");
    const std::string pad = project.AddWave("002 Pad.w00");
    project.AddSystemFiles();

    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    const CTernData& data = m_document.Data();
    EXPECT_EQ(data.m_projectPath, project.Path());
    ASSERT_EQ(data.m_patches.size(), kPatchSlots);
    ASSERT_EQ(data.m_waves.size(), kWaveSlots);
    EXPECT_EQ(data.m_patches[0].m_path, alto);
    EXPECT_EQ(data.m_patches[0].m_name, "Alto");
    EXPECT_TRUE(data.m_patches[1].IsEmpty());
    EXPECT_EQ(data.m_patches[1].m_name, "");
    EXPECT_EQ(data.m_patches[2].m_name, "Cello");
    EXPECT_EQ(data.m_patchFiles[2], cello);
    EXPECT_EQ(data.m_patchFiles.size(), kPatchSlots);
    EXPECT_EQ(data.m_waves[1].m_path, pad);
    EXPECT_EQ(data.m_waves[1].m_name, "Pad");
    EXPECT_EQ(data.m_waveFiles[1], pad);
    EXPECT_EQ(data.m_waveFiles.size(), kWaveSlots);
    EXPECT_EQ(data.CountEmpty(kPatchList), kPatchSlots - 2);
    EXPECT_EQ(data.CountEmpty(kWaveList), kWaveSlots - 1);
    EXPECT_TRUE(m_document.PendingDeletions().empty());
    EXPECT_TRUE(m_guard.ReportedCodes().empty());
    EXPECT_FALSE(m_document.IsModified());
}

TEST_F(ProjectLoadTest, FrontEndHooksFrameTheLoad) {
    ProjectBuilder project = Project();
    project.AddPatch("001 Alto.p00");
    m_document.SetModified(true);
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    EXPECT_EQ(m_document.m_events, (std::vector<std::string>{"begin wait", "path " + project.Path(), "end wait"}));
    EXPECT_FALSE(m_document.IsModified());
}

TEST_F(ProjectLoadTest, PathWithTrailingSeparatorsOpens) {
    ProjectBuilder project = Project();
    project.AddPatch("001 Alto.p00");
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path() + "/"));
    EXPECT_EQ(m_document.Data().m_projectPath, project.Path());
}

TEST_F(ProjectLoadTest, DuplicateNumberKeepsTheFirstInByteOrder) {
    ProjectBuilder project = Project();
    const std::string pad = project.AddPatch("005 Pad.p00");
    const std::string bass = project.AddPatch("005 Bass.p00");
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    EXPECT_EQ(m_document.Data().m_patches[4].m_path, bass);
    EXPECT_EQ(m_document.PendingDeletions(), std::vector<std::string>{pad});
}

TEST_F(ProjectLoadTest, StraysAreScheduledAndOtherFilesNeverListed) {
    ProjectBuilder project = Project();
    const std::string readme = project.AddPatchBytes("Readme.p00", {1, 2, 3});
    project.AddPatchBytes("Readme.txt", {1, 2, 3});
    const std::string longStem = project.AddPatch("001 Thirteen char.p00");
    const std::string hidden = project.AddWave(".W00");
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    std::vector<std::string> pending = m_document.PendingDeletions();
    std::sort(pending.begin(), pending.end());
    std::vector<std::string> expected = {readme, longStem, hidden};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(pending, expected);
    EXPECT_TRUE(m_document.Data().m_patches[0].IsEmpty());
}

TEST_F(ProjectLoadTest, NumbersAboveTheSlotCountAreLeftAlone) {
    ProjectBuilder project = Project();
    project.AddPatch("777 X.p00");
    const std::string wave = project.AddWave("777 X.w00");
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    EXPECT_EQ(m_document.Data().CountEmpty(kPatchList), kPatchSlots);
    EXPECT_EQ(m_document.Data().m_waves[776].m_path, wave);
    EXPECT_TRUE(m_document.PendingDeletions().empty());
}

TEST_F(ProjectLoadTest, UpperCaseExtensionsLoad) {
    ProjectBuilder project = Project();
    project.AddPatch("001 PAD.P00");
    project.AddWave("001 KICK.W00");
    project.AddWave("002 SNARE.WAV");
    project.AddWave("003 HAT.AIFF");
    project.AddWave("004 TOM.Aif");
    project.AddWave("005 RIDE.VPW");
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    const CTernData& data = m_document.Data();
    EXPECT_EQ(data.m_patches[0].m_name, "PAD");
    EXPECT_EQ(data.m_waves[0].m_name, "KICK");
    EXPECT_EQ(data.m_waves[1].m_name, "SNARE");
    EXPECT_EQ(data.m_waves[2].m_name, "HAT");
    EXPECT_EQ(data.m_waves[3].m_name, "TOM");
    EXPECT_EQ(data.m_waves[4].m_name, "RIDE");
    EXPECT_TRUE(data.m_waves[0].IsNativeWave());
    EXPECT_TRUE(m_document.PendingDeletions().empty());
}

TEST_F(ProjectLoadTest, NameMatchingTwoWavePatternsIsListedOnce) {
    // "*.w*" and "*.aif*" both match; a second entry would be deleted as a duplicate of slot 1.
    ProjectBuilder project = Project();
    const std::string wave = project.AddWave("001 Pad.aif.wav");
    const std::string other = project.AddWave("002 Hit.w.vpw");
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    EXPECT_EQ(m_document.Data().m_waves[0].m_path, wave);
    EXPECT_EQ(m_document.Data().m_waves[1].m_path, other);
    EXPECT_TRUE(m_document.PendingDeletions().empty());
}

TEST_F(ProjectLoadTest, WaveUsersAreRebuiltFromThePatches) {
    ProjectBuilder project = Project();
    project.AddPatch("001 A.p00", ProjectBuilder::PatchUsingWaves(3, 5));
    project.AddPatch("004 B.p00", ProjectBuilder::PatchUsingWaves(3));
    project.AddPatch("005 C.p00", ProjectBuilder::PatchUsingWaves(999, 999));
    project.AddWave("003 Three.w00");
    project.AddWave("005 Five.w00");
    project.AddWave("999 Last.w00");
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    const CTernData& data = m_document.Data();
    EXPECT_EQ(data.m_waves[2].m_users, (std::vector<std::int32_t>{0, 3}));
    EXPECT_EQ(data.m_waves[4].m_users, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(data.m_waves[998].m_users, (std::vector<std::int32_t>{4})) << "one entry per patch";
    EXPECT_TRUE(data.m_waves[0].m_users.empty());
}

// Loading keeps each wave's stamp as its one open told it: the wave memory adds the kept sizes
// without looking at a file, until a wave's source is another file than the one loading opened.
TEST_F(ProjectLoadTest, WavesKeepTheStampOfTheirOpenAndTheWaveMemoryLooksAtNoFile) {
    ProjectBuilder project = Project();
    const std::string pad = project.AddWave("001 Pad.w00", 100);
    project.AddWave("002 Bass.wav", 250);
    FaultyFileSystem faulty;
    TestSupport::StorageDomainGuard guard(&faulty);
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    CTernData& data = m_document.Data();
    EXPECT_EQ(data.m_waves[0].KnownStamp(), NativeFileSystem().Stamp(pad));
    const unsigned looks = FaultyFileSystem::kQuery | FaultyFileSystem::kSize | FaultyFileSystem::kOpen;
    const int loaded = faulty.Calls(looks);
    EXPECT_EQ(TotalWaveSize(data), 350);
    EXPECT_EQ(faulty.Calls(looks), loaded);

    data.m_waves[1].m_path = pad;
    EXPECT_EQ(data.m_waves[1].KnownStamp().size, -1);
    EXPECT_EQ(TotalWaveSize(data), 200) << "the size of the file the wave uses now";
    EXPECT_EQ(faulty.Calls(looks), loaded + 1);
}

TEST_F(ProjectLoadTest, WaveNumbersAboveTheLastSlotAreNoReference) {
    CPatch patch;
    patch.m_osc[0].m_values[18] = 1;
    std::fill_n(patch.m_osc[0].m_values.begin() + 40, 4, std::uint8_t{15}); // 65535
    patch.m_osc[1].m_values[18] = 1;
    patch.m_osc[1].SetWaveNumber(0, 1000);
    ProjectBuilder project = Project();
    project.AddPatch("001 Odd.p00", patch);
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    for (std::size_t i = 0; i < kWaveSlots; ++i) {
        ASSERT_TRUE(m_document.Data().m_waves[i].m_users.empty()) << "wave slot " << i;
    }
}

TEST_F(ProjectLoadTest, MissingWaveFolderFailsAndLeavesNoneBehind) {
    ProjectBuilder project = Project("Song.prj", {.patchFolder = true, .waveFolder = false});
    project.AddPatch("001 Alto.p00");
    const auto before = TestSupport::TakeFolderSnapshot(m_folder.Path());
    EXPECT_FALSE(m_document.OpenProjectFolder(project.Path()));
    EXPECT_EQ(m_guard.ReportedCodes(), std::vector<int>{kErrorLoad});
    EXPECT_FALSE(std::filesystem::exists(project.Path() + "Wave"));
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_folder.Path()), before);
    EXPECT_TRUE(IsNew(m_document));
    EXPECT_TRUE(m_document.m_events.empty()) << "no wait cursor before the folders passed";
}

TEST_F(ProjectLoadTest, MissingPatchFolderOrProjectFolderFails) {
    ProjectBuilder project = Project("Song.prj", {.patchFolder = false, .waveFolder = true});
    EXPECT_FALSE(m_document.OpenProjectFolder(project.Path()));
    EXPECT_FALSE(std::filesystem::exists(project.Path() + "Patch"));
    EXPECT_FALSE(m_document.OpenProjectFolder(m_folder / "Absent.prj"));
    EXPECT_FALSE(std::filesystem::exists(m_folder / "Absent.prj"));
    EXPECT_FALSE(m_document.OpenProjectFolder(m_folder / "No/Parent/Absent.prj"));
    EXPECT_EQ(m_guard.ReportedCodes(), (std::vector<int>{kErrorLoad, kErrorLoad, kErrorLoad}));
}

TEST_F(ProjectLoadTest, FoldersAreTestedWithoutCreatingAnything) {
    // When creating a folder fails (a read-only or missing parent), a create-and-remove test takes
    // the folder for present and opens a project that is not there.
    FaultyFileSystem faulty;
    TestSupport::StorageDomainGuard guard(&faulty);
    faulty.FailNthCall(FaultyFileSystem::kCreateFolder, 1);
    EXPECT_FALSE(m_document.OpenProjectFolder(m_folder / "Absent.prj"));
    ProjectBuilder project = Project();
    project.AddPatch("001 Alto.p00");
    project.AddWave("001 Pad.w00");
    EXPECT_TRUE(m_document.OpenProjectFolder(project.Path()));
    const unsigned changes = FaultyFileSystem::kOpenReadWrite | FaultyFileSystem::kWrite | FaultyFileSystem::kCopy |
                             FaultyFileSystem::kRename | FaultyFileSystem::kDelete | FaultyFileSystem::kCreateFolder |
                             FaultyFileSystem::kRemoveFolder;
    EXPECT_EQ(faulty.Calls(changes), 0) << "loading never changes the disk";
}

TEST_F(ProjectLoadTest, FolderThatIsNoProjectFails) {
    ProjectBuilder project = Project("Song");
    EXPECT_FALSE(m_document.OpenProjectFolder(project.Path()));
    ProjectBuilder backup = Project("Song.prj.bak");
    EXPECT_FALSE(m_document.OpenProjectFolder(backup.Path()));
    EXPECT_EQ(m_guard.ReportedCodes().size(), 2U);
    EXPECT_TRUE(IsNew(m_document));
}

TEST_F(ProjectLoadTest, DamagedPatchFailsTheWholeProject) {
    ProjectBuilder project = Project();
    project.AddPatch("001 Good.p00");
    std::vector<std::uint8_t> bytes = ProjectBuilder::PatchFileBytes();
    bytes[20] = 'X';
    project.AddPatchBytes("002 Bad.p00", bytes);
    project.AddPatchBytes("003 Stray.p00x", {1});
    project.AddPatch("Readme.p00");
    EXPECT_FALSE(m_document.OpenProjectFolder(project.Path()));
    EXPECT_EQ(m_guard.ReportedCodes(), std::vector<int>{kErrorLoad});
    EXPECT_TRUE(IsNew(m_document)) << "nothing of the failed load survives, pending deletions included";
    EXPECT_EQ(m_document.m_events, (std::vector<std::string>{"begin wait", "end wait"}));
}

TEST_F(ProjectLoadTest, ShortPatchFailsTheWholeProject) {
    ProjectBuilder project = Project();
    std::vector<std::uint8_t> bytes = ProjectBuilder::PatchFileBytes();
    bytes.resize(1509);
    project.AddPatchBytes("512 Short.p00", bytes);
    EXPECT_FALSE(m_document.OpenProjectFolder(project.Path()));
}

TEST_F(ProjectLoadTest, UnopenableFilesFailTheLoad) {
    ProjectBuilder project = Project();
    const std::string patch = project.AddPatch("001 Alto.p00");
    const std::string wave = project.AddWave("999 Pad.wav");
    for (const std::string& path : {patch, wave}) {
        FaultyFileSystem faulty;
        TestSupport::StorageDomainGuard guard(&faulty);
        faulty.FailOnPath(FaultyFileSystem::kOpenRead, path);
        EXPECT_FALSE(m_document.OpenProjectFolder(project.Path())) << path;
        EXPECT_EQ(guard.ReportedCodes(), std::vector<int>{kErrorLoad});
        EXPECT_EQ(faulty.FaultsInjected(), 2) << "once loading, once finding out why for the message";
    }
    EXPECT_TRUE(m_document.OpenProjectFolder(project.Path()));
}

TEST_F(ProjectLoadTest, OpenedForADuplicateSearchEachFileIsOpenedOnce) {
    ProjectBuilder project = Project();
    const std::string patch = project.AddPatch("001 Alto.p00");
    const std::string copy = project.AddPatch("002 Alto.p00");
    const std::string bad = project.AddWave("999 Pad.wav");
    const std::string good = project.AddWave("002 Bass.wav");
    for (const bool vouched : {false, true}) {
        FaultyFileSystem faulty;
        TestSupport::StorageDomainGuard guard(&faulty);
        faulty.FailOnPath(FaultyFileSystem::kOpenRead, bad);
        CContentHashes& hashes = SharedContentHashes();
        hashes.Clear();
        ASSERT_TRUE(m_document.OpenProjectFolder(project.Path(), CTernFileDocument::Recovery::kRefuse,
                                                 CTernFileDocument::LoadFor::kDuplicateSearch));
        EXPECT_EQ(faulty.CalledPaths(FaultyFileSystem::kOpenRead), (std::vector<std::string>{patch, copy}));
        // The patch files' compared bytes came with the load: the search opens neither again.
        const std::size_t read = hashes.FilesRead();
        hashes.Prepare({patch, copy}, PatchFileRegion());
        EXPECT_TRUE(hashes.SameBytes(patch, copy, PatchFileRegion()));
        EXPECT_EQ(hashes.FilesRead(), read);
        EXPECT_EQ(faulty.CalledPaths(FaultyFileSystem::kOpenRead).size(), 2U);
        const bool checked = m_document.CheckWaveFiles([&](const std::string& path) { return vouched && path == bad; });
        EXPECT_EQ(checked, vouched);
        EXPECT_EQ(IsNew(m_document), !vouched);
        EXPECT_EQ(guard.ReportedCodes(), vouched ? std::vector<int>{} : std::vector<int>{kErrorLoad});
        EXPECT_TRUE(Contains(faulty.CalledPaths(FaultyFileSystem::kOpenRead), good));
    }
}

TEST_F(ProjectLoadTest, ReloadForgetsEarlierPendingDeletions) {
    ProjectBuilder first = Project("First.prj");
    first.AddPatch("Readme.p00");
    ASSERT_TRUE(m_document.OpenProjectFolder(first.Path()));
    ASSERT_EQ(m_document.PendingDeletions().size(), 1U);
    ProjectBuilder second = Project("Second.prj");
    second.AddPatch("001 Alto.p00");
    ASSERT_TRUE(m_document.OpenProjectFolder(second.Path()));
    EXPECT_TRUE(m_document.PendingDeletions().empty()) << "a save of Second must not delete First's files";
}

TEST_F(ProjectLoadTest, ReloadLeavesNothingOfTheEarlierContent) {
    ProjectBuilder first = Project("First.prj");
    CPatch edited = ProjectBuilder::PatchUsingWaves(2);
    edited.m_osc[5].m_values[3] = 99;
    first.AddPatch("001 Edited.p00", edited);
    first.AddPatch("003 Other.p00");
    first.AddWave("002 Used.w00");
    ASSERT_TRUE(m_document.OpenProjectFolder(first.Path()));
    ASSERT_EQ(m_document.Data().m_patches[0].m_osc[5].m_values[3], 99);
    ASSERT_EQ(m_document.Data().m_waves[1].m_users, std::vector<std::int32_t>{0});

    ProjectBuilder second = Project("Second.prj");
    second.AddPatch("003 Plain.p00");
    second.AddWave("002 Unused.w00");
    ASSERT_TRUE(m_document.OpenProjectFolder(second.Path()));
    const CTernData& data = m_document.Data();
    const CPatch fresh;
    EXPECT_TRUE(data.m_patches[0].IsEmpty());
    EXPECT_EQ(data.m_patches[0].m_name, "");
    for (std::size_t osc = 0; osc < CPatch::kOscCount; ++osc) {
        EXPECT_EQ(data.m_patches[0].m_osc[osc].m_values, fresh.m_osc[osc].m_values) << "an empty slot is a new patch";
    }
    EXPECT_EQ(data.m_patches[2].m_name, "Plain");
    EXPECT_TRUE(data.m_waves[1].m_users.empty()) << "no user left over from the first project";
    EXPECT_EQ(data.m_waves[1].m_name, "Unused");
}

TEST_F(ProjectLoadTest, BadNamesAndOddEntriesLoadByTheRulesAndChangeNothing) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows names are UTF-16 and lose trailing dots; this needs a POSIX file system";
#endif
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    namespace fs = std::filesystem;
    ProjectBuilder project = Project();
    project.AddPatch("001 Alto.p00");
    project.AddPatch("002 \xFF\xFE\x80.p00");                      // not UTF-8: a slot file all the same
    project.AddPatch("003 " + std::string(247, 'a') + ".p00");     // a 255-byte name: stray
    project.AddPatch("  4 Blank.p00");                             // leading blanks: stray
    project.AddPatch("....p00");                                   // only dots: stray
    project.AddWave("...");                                        // matches no pattern
    fs::create_directory(project.Path() + "Patch/005 Folder.p00"); // a folder is never a patch file
    fs::create_directory(project.Path() + "Wave/005 Folder.w00");
    const std::string target = ProjectBuilder(m_folder.Path(), "Other.prj").AddPatch("001 Elsewhere.p00");
    fs::create_symlink(target, project.Path() + "Patch/006 Link.p00");
    fs::create_symlink(m_folder / "gone.w00", project.Path() + "Wave/006 Gone.w00");
    project.AddWave("001 Pad.w00");
    const auto before = TestSupport::TakeFolderSnapshot(m_folder.Path());

    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    const CTernData& data = m_document.Data();
    EXPECT_EQ(data.m_patches[1].m_name, "\xFF\xFE\x80");
    EXPECT_TRUE(data.m_patches[2].IsEmpty());
    EXPECT_TRUE(data.m_patches[4].IsEmpty());
    EXPECT_EQ(data.m_patches[5].m_name, "Link");
    EXPECT_TRUE(data.m_waves[4].IsEmpty());
    EXPECT_TRUE(data.m_waves[5].IsEmpty()) << "a dangling link is no file";
    EXPECT_EQ(m_document.PendingDeletions().size(), 3U);
    EXPECT_EQ(TestSupport::TakeFolderSnapshot(m_folder.Path()), before);
}

TEST_F(ProjectLoadTest, PatchThatIsAFileAndLinkedSubFolders) {
    if (!TestSupport::CanCreateSymbolicLinks()) {
        GTEST_SKIP() << "this system creates no symbolic links";
    }
    namespace fs = std::filesystem;
    ProjectBuilder broken = Project("Broken.prj", {.patchFolder = false, .waveFolder = true});
    ProjectBuilder::WriteBytes(broken.Path() + "Patch", {1, 2, 3});
    EXPECT_FALSE(m_document.OpenProjectFolder(broken.Path()));
    EXPECT_EQ(ProjectBuilder::ReadBytes(broken.Path() + "Patch"), (std::vector<std::uint8_t>{1, 2, 3}));

    ProjectBuilder real = Project("Real.prj");
    real.AddPatch("001 Alto.p00");
    ProjectBuilder linked = Project("Linked.prj", {.patchFolder = false, .waveFolder = true});
    fs::create_directory_symlink(real.Path() + "Patch", linked.Path() + "Patch");
    ASSERT_TRUE(m_document.OpenProjectFolder(linked.Path()));
    EXPECT_EQ(m_document.Data().m_patches[0].m_path, linked.Path() + "Patch/001 Alto.p00");
}

TEST_F(ProjectLoadTest, CheckSourceFilesFindsAMissingFile) {
    ProjectBuilder project = Project();
    project.AddPatch("001 Alto.p00");
    const std::string wave = project.AddWave("002 Pad.w00");
    ASSERT_TRUE(m_document.OpenProjectFolder(project.Path()));
    EXPECT_TRUE(CTernFileDocument::CheckSourceFiles(m_document.Data()));
    std::filesystem::remove(wave);
    EXPECT_FALSE(CTernFileDocument::CheckSourceFiles(m_document.Data()));
    CTernData empty;
    EXPECT_TRUE(CTernFileDocument::CheckSourceFiles(empty));
}

class AssignSlotsTest : public ::testing::Test {
protected:
    std::vector<std::string> Assign(std::vector<std::string> names, int which) {
        for (std::string& name : names) {
            name = "/p.prj/Patch/" + name;
        }
        return m_document.AssignSlots(names, which);
    }
    static std::string P(const std::string& name) { return "/p.prj/Patch/" + name; }

    CTernFileDocument m_document;
};

TEST_F(AssignSlotsTest, DuplicatesStraysZeroAndHighNumbers) {
    const std::vector<std::string> slots =
        Assign({"003 C.p00", "001 B.p00", "001 A.p00", "000 Zero.p00", "x.p00", "513 High.p00", "999 High.p00",
                "003 c.p00", "512 Last.p00", "512 More.p00"},
               kPatchList);
    ASSERT_EQ(slots.size(), kPatchSlots);
    EXPECT_EQ(slots[0], P("001 A.p00"));
    EXPECT_EQ(slots[1], "");
    EXPECT_EQ(slots[2], P("003 C.p00")) << "upper case sorts before lower case";
    EXPECT_EQ(slots[511], P("512 Last.p00"));
    const std::vector<std::string>& pending = m_document.PendingDeletions();
    EXPECT_EQ(pending.size(), 5U);
    for (const char* name : {"x.p00", "000 Zero.p00", "001 B.p00", "003 c.p00", "512 More.p00"}) {
        EXPECT_TRUE(Contains(pending, P(name))) << name;
    }
    EXPECT_FALSE(Contains(pending, P("513 High.p00")));
    EXPECT_FALSE(Contains(pending, P("999 High.p00")));
}

TEST_F(AssignSlotsTest, WavesHaveNineHundredNinetyNineSlots) {
    const std::vector<std::string> slots = Assign({"999 Last.w00", "777 X.w00", "999 Again.w00"}, kWaveList);
    ASSERT_EQ(slots.size(), kWaveSlots);
    EXPECT_EQ(slots[776], P("777 X.w00"));
    EXPECT_EQ(slots[998], P("999 Again.w00"));
    EXPECT_EQ(m_document.PendingDeletions(), std::vector<std::string>{P("999 Last.w00")});
}

TEST_F(AssignSlotsTest, StemLimitCountsCharacters) {
    const std::vector<std::string> slots =
        Assign({"001 Cordes L\xC3\xA9g\xC3\xA8r.wav", "002 Twelve chars.w00", "003 Thirteen char.w00"}, kWaveList);
    EXPECT_EQ(slots[0], P("001 Cordes L\xC3\xA9g\xC3\xA8r.wav"));
    EXPECT_EQ(slots[1], P("002 Twelve chars.w00"));
    EXPECT_EQ(slots[2], "");
    EXPECT_EQ(m_document.PendingDeletions(), std::vector<std::string>{P("003 Thirteen char.w00")});
}

TEST_F(AssignSlotsTest, EmptyListGivesEmptySlots) {
    const std::vector<std::string> slots = Assign({}, kPatchList);
    EXPECT_EQ(slots, std::vector<std::string>(kPatchSlots));
    EXPECT_TRUE(m_document.PendingDeletions().empty());
}

// Two open documents, one with unsaved changes.
class TwoProjects : public COpenProjects {
public:
    std::vector<CTernFileDocument*> OpenDocuments() override { return {&m_first, &m_second}; }
    CTernFileDocument m_first{this};
    CTernFileDocument m_second{this};
};

TEST(CTernFileDocumentTest, OpenStoresAreTheModifiedDocuments) {
    TwoProjects projects;
    projects.m_second.SetModified(true);
    EXPECT_EQ(projects.m_first.GetOpenDocuments().size(), 2U);
    EXPECT_EQ(projects.m_first.GetOpenStores(), std::vector<CTernData*>{&projects.m_second.Data()});
    CTernFileDocument alone;
    EXPECT_EQ(alone.GetOpenDocuments(), std::vector<CTernFileDocument*>{&alone});
    EXPECT_TRUE(alone.GetOpenStores().empty());
    alone.SetModified(true);
    EXPECT_EQ(alone.GetOpenStores(), std::vector<CTernData*>{&alone.Data()});
}

} // namespace
} // namespace Orvanta
