#include "storage/WaveImport.h"

#include "ConsistencyChecker.h"
#include "SaveFixture.h"

#include "operations/WaveSpace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace Orvanta::SaveTesting {
namespace {

class WaveImportTest : public SaveTest {
protected:
    WaveImportTest() { std::filesystem::create_directory(m_temp / "in"); }

    // Writes `in/name` with `size` bytes of a pattern that depends on the name; returns its path.
    std::string Input(const std::string& name, std::size_t size = 64) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>(name.size() * 31 + i * 7);
        }
        const std::string path = m_temp / ("in/" + name);
        ProjectBuilder::WriteBytes(path, bytes);
        return path;
    }

    // A new document whose first `used` wave slots hold waves (the files need not exist).
    CTernFileDocument& DocumentWithUsedWaves(std::size_t used) {
        CTernFileDocument& document = m_documents.Add();
        for (std::size_t i = 0; i < used; ++i) {
            document.Data().m_waves[i].m_path = m_temp / ("absent" + std::to_string(i) + ".w00");
        }
        return document;
    }
};

TEST_F(WaveImportTest, AnEmptyListIsRefusedWithCode9) {
    CTernFileDocument& document = m_documents.Add();
    EXPECT_EQ(document.ImportWaves({}), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorImport});
    EXPECT_FALSE(document.IsModified());
}

TEST_F(WaveImportTest, MoreFilesThanFreeSlotsAreRefusedWithCode6BeforeFiltering) {
    CTernFileDocument& document = DocumentWithUsedWaves(kWaveSlots - 4);
    const std::string kick = Input("Kick.wav");
    const std::vector<std::string> files = {kick, kick, Input("Snare.wav"), Input("Notes.txt"), Input("Hat.aif")};
    EXPECT_EQ(document.ImportWaves(files), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorWaveSpace});
    EXPECT_EQ(document.Data().CountEmpty(kWaveList), 4U);
    EXPECT_TRUE(WorkFiles().empty());
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

TEST_F(WaveImportTest, OnlyInstrumentWavesOrForeignFilesAreRefusedWithCode9) {
    CTernFileDocument& document = m_documents.Add();
    EXPECT_EQ(document.ImportWaves({Input("001 Pad.w00"), Input("002 Bell.W00")}), 0U);
    EXPECT_EQ(document.ImportWaves({Input("Song.mp3"), Input("noextension"), Input("Clip.wave")}), 0U);
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorImport, kErrorImport}));
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(WaveImportTest, NamesDifferingOnlyInLetterCaseAreDifferentFiles) {
    CTernFileDocument& document = m_documents.Add();
    const std::string upper = Input("Kick.WAV", 10);
    const std::string lower = Input("kick.wav", 20);
    EXPECT_EQ(document.ImportWaves({lower, upper}), 2U);
    const CTernData& data = document.Data();
    // Byte order: "K" sorts before "k", so Kick.WAV lands in the first free slot.
    EXPECT_EQ(data.m_waves[0].m_name, "Kick");
    EXPECT_EQ(Extension(data.m_waves[0].m_path), ".WAV");
    EXPECT_EQ(Bytes(data.m_waves[0].m_path), Bytes(upper));
    EXPECT_EQ(data.m_waves[1].m_name, "kick");
    EXPECT_EQ(Bytes(data.m_waves[1].m_path), Bytes(lower));
    EXPECT_EQ(WorkFiles().size(), 2U);
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_TRUE(document.IsModified());
}

TEST_F(WaveImportTest, FilesFillTheFreeSlotsInByteOrder) {
    CTernFileDocument& document = m_documents.Add();
    CTernData& data = document.Data();
    data.m_waves[0].m_path = Input("used0.w00");
    data.m_waves[2].m_path = Input("used2.w00");
    const std::vector<std::string> files = {Input("Zeta.aiff"), Input("Alpha.vpw"), Input("Mid.aif"),
                                            Input("Alpha.vpw")};
    EXPECT_EQ(document.ImportWaves(files), 3U);
    EXPECT_EQ(data.m_waves[1].m_name, "Alpha");
    EXPECT_EQ(data.m_waves[3].m_name, "Mid");
    EXPECT_EQ(data.m_waves[4].m_name, "Zeta");
    EXPECT_EQ(Extension(data.m_waves[4].m_path), ".aiff");
    for (const std::size_t i : {1U, 3U, 4U}) {
        EXPECT_EQ(data.m_waves[i].m_path.rfind(m_workFolder, 0), 0U);
    }
}

TEST_F(WaveImportTest, TheFiftyMegabyteLimitCountsEveryByte) {
    const std::string big = m_temp / "in/big.w00";
    ProjectBuilder::WriteBytes(big, {});
    std::filesystem::resize_file(big, static_cast<std::uintmax_t>(kMaxWaveBytes - 100));
    CTernFileDocument& document = m_documents.Add();
    document.Data().m_waves[0].m_path = big;
    EXPECT_EQ(TotalWaveSize(document.Data()), kMaxWaveBytes - 100);

    EXPECT_EQ(document.ImportWaves({Input("Over.wav", 101)}), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorWaveSize});
    EXPECT_EQ(document.ImportWaves({Input("Fits.wav", 100)}), 1U);
    EXPECT_EQ(TotalWaveSize(document.Data()), kMaxWaveBytes);
    EXPECT_EQ(WaveMemoryText(document.Data()), "50.0 MB");
}

TEST_F(WaveImportTest, SizesOfFourGigabytesAndMoreDoNotWrap) {
    const std::string huge = m_temp / "in/huge.w00";
    ProjectBuilder::WriteBytes(huge, {});
    std::filesystem::resize_file(huge, (std::uintmax_t{1} << 32) + 10);
    CTernFileDocument& document = m_documents.Add();
    document.Data().m_waves[0].m_path = huge;
    EXPECT_EQ(TotalWaveSize(document.Data()), (std::int64_t{1} << 32) + 10);
    EXPECT_EQ(document.ImportWaves({Input("Small.wav", 10)}), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorWaveSize});
}

TEST_F(WaveImportTest, TotalWaveSizeCountsAMissingFileAsNothing) {
    CTernFileDocument& document = m_documents.Add();
    CTernData& data = document.Data();
    data.m_waves[0].m_path = Input("a.wav", 1000);
    data.m_waves[7].m_path = Input("b.wav", 48);
    data.m_waves[9].m_path = m_temp / "in/vanished.wav";
    EXPECT_EQ(TotalWaveSize(data), 1048);
    EXPECT_EQ(WaveMemoryText(data), "1.0 KB");
    EXPECT_EQ(WaveMemoryText(m_documents.Add().Data()), "0 Bytes");
}

// A name cut after a blank does not keep the blank: neither the wave's name nor its file ends in one.
TEST_F(WaveImportTest, LongNamesAreCutToTwelveCharactersAndSavedUnderThatName) {
    struct Row {
        const char* source;
        const char* name;
    };
    const Row rows[] = {
        {"Long Sample Name 01.wav", "Long Sample"},
        {"Deep Bass 1 Xtra.wav", "Deep Bass 1"},
        {"Twelve Chars.wav", "Twelve Chars"},
        {"ABCDEFGHIJKLMNOP.wav", "ABCDEFGHIJKL"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        ProjectBuilder project = Project(std::string(row.name) + ".prj");
        CTernFileDocument& document = m_documents.Open(project.Path());
        const std::string file = Input(row.source, 77);
        ASSERT_EQ(document.ImportWaves({file}), 1U);
        const CWave& wave = document.Data().m_waves[0];
        EXPECT_EQ(wave.m_name, row.name);
        // Work folder + the counter's prefix (three digits or more and a blank) + the cut name.
        ASSERT_EQ(wave.m_path.rfind(m_workFolder, 0), 0U);
        const std::string fileName = wave.m_path.substr(m_workFolder.size());
        const std::size_t blank = fileName.find(' ');
        ASSERT_GE(blank, 3U);
        EXPECT_EQ(fileName.find_first_not_of("0123456789"), blank);
        EXPECT_EQ(fileName.substr(blank + 1), std::string(row.name) + ".wav");

        ASSERT_TRUE(document.SaveProjectTo(project.Path()));
        const std::string saved = project.Path() + "Wave/001 " + row.name + ".wav";
        EXPECT_EQ(document.Data().m_waves[0].m_path, saved);
        EXPECT_EQ(Bytes(saved), Bytes(file));

        CTernFileDocument& reopened = m_documents.Open(project.Path());
        EXPECT_EQ(reopened.Data().m_waves[0].m_name, row.name);
    }
}

TEST_F(WaveImportTest, DigitsAtTheStartOfAFileNameStayInTheName) {
    CTernFileDocument& document = m_documents.Add();
    ASSERT_EQ(document.ImportWaves({Input("808 Clap.aif")}), 1U);
    EXPECT_EQ(document.Data().m_waves[0].m_name, "808 Clap");
}

TEST_F(WaveImportTest, OneUndoTakesTheWholeImportBack) {
    CTernFileDocument& document = m_documents.Add();
    ASSERT_EQ(document.ImportWaves({Input("One.wav"), Input("Two.wav")}), 2U);
    CDomain& domain = CDomain::Instance();
    ASSERT_TRUE(domain.IsUndoProject(&document.Data()));
    domain.Undo();
    EXPECT_EQ(document.Data().CountEmpty(kWaveList), kWaveSlots);
}

// Slot 1's wave file was missing at load, so the slot is empty while two patches still name wave 1.
// The imported wave lands there; those references must go, not silently name the new sound, and
// the one Undo of the import brings them back.
TEST_F(WaveImportTest, AWaveImportedIntoASlotThatPatchesStillNameClearsThoseReferences) {
    TestSupport::TempFolder folder;
    ProjectBuilder project(folder.Path(), "Song.prj");
    project.AddPatch("001 Lead.p00", ProjectBuilder::PatchUsingWaves(1, 2));
    project.AddPatch("002 Bass.p00", ProjectBuilder::PatchUsingWaves(1));
    project.AddWave("002 Pad.w00");
    CTernFileDocument& document = m_documents.Open(project.Path());
    const CTernData& data = document.Data();
    const auto waves = [&data](std::size_t patch) {
        std::set<int> used;
        for (const int w : data.m_patches[patch].UsedWaves()) {
            if (w != 0) {
                used.insert(w);
            }
        }
        return used;
    };
    ASSERT_TRUE(data.m_waves[0].IsEmpty());
    ASSERT_EQ(waves(1), std::set<int>{1});

    ASSERT_EQ(document.ImportWaves({Input("Kick.wav")}), 1U);
    EXPECT_EQ(data.m_waves[0].m_name, "Kick");
    EXPECT_EQ(waves(0), std::set<int>{2});
    EXPECT_TRUE(waves(1).empty());
    EXPECT_TRUE(data.m_waves[0].m_users.empty());
    EXPECT_TRUE(TestSupport::ConsistencyChecker::IsConsistent(data));

    CDomain::Instance().Undo();
    EXPECT_TRUE(data.m_waves[0].IsEmpty());
    EXPECT_EQ(waves(0), (std::set<int>{1, 2}));
    EXPECT_EQ(waves(1), std::set<int>{1});
    EXPECT_TRUE(TestSupport::ConsistencyChecker::IsConsistent(data));
}

// An import that fails part-way still reports how many waves it placed, so that the caller shows
// them and marks the project modified.
TEST_F(WaveImportTest, AFailedCopyReportsCode10AndCountsTheWavesPlacedBefore) {
    CTernFileDocument& document = m_documents.Add();
    const std::vector<std::string> files = {Input("A.wav", 11), Input("B.wav", 12), Input("C.wav", 13)};
    m_files.FailOnPath(FaultyFileSystem::kCreate, files[1]);
    EXPECT_EQ(document.ImportWaves(files), 1U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorUndefined});
    EXPECT_TRUE(document.IsModified());
    const CTernData& data = document.Data();
    EXPECT_EQ(data.m_waves[0].m_name, "A");
    EXPECT_EQ(Bytes(data.m_waves[0].m_path), Bytes(files[0]));
    EXPECT_TRUE(data.m_waves[1].IsEmpty());
    EXPECT_TRUE(CDomain::Instance().IsUndoProject(&data));
}

TEST_F(WaveImportTest, WithoutAWorkFolderNothingIsImported) {
    CTernFileDocument& document = m_documents.Add();
    CDomain::Instance().SetWorkFolder("");
    EXPECT_EQ(document.ImportWaves({Input("A.wav")}), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorUndefined});
    EXPECT_EQ(document.Data().CountEmpty(kWaveList), kWaveSlots);
    EXPECT_FALSE(document.IsModified());
}

// Whichever call of an import fails, the waves it placed have their data, and saving afterwards
// brings exactly those into the project.
TEST_F(WaveImportTest, AnImportThatFailsPartWayLosesNothing) {
    for (const unsigned op : {unsigned{FaultyFileSystem::kCopy}, unsigned{FaultyFileSystem::kSize}}) {
        for (int n = 1; n <= 3 && !HasFailure(); ++n) {
            SCOPED_TRACE(std::to_string(op) + " call " + std::to_string(n));
            TestSupport::TempFolder folder;
            ProjectBuilder project(folder.Path(), "Song.prj");
            project.AddWave("002 Pad.w00", 40);
            CTernFileDocument& document = m_documents.Open(project.Path());
            const std::vector<std::string> files = {Input("A.wav", 21), Input("B.aif", 22), Input("C.vpw", 23)};
            m_files.SetTornFaults(true);
            m_files.FailNthCall(op, n);
            const std::size_t placed = document.ImportWaves(files);
            m_files.ClearFaults();
            ASSERT_LE(placed, files.size());
            const ProjectRecord record = RecordProject(document.Data());
            EXPECT_EQ(record.waves.size(), placed + 1);
            for (std::size_t i = 0; i < placed; ++i) {
                const std::size_t slot = i == 0 ? 0 : i + 1; // slot 2 is taken
                EXPECT_EQ(Bytes(document.Data().m_waves[slot].m_path), Bytes(files[i]));
            }
            ASSERT_TRUE(document.SaveProjectTo(project.Path()));
            ExpectSavedProject(document.Data(), record, "saved after import");
            // Closed before its folder goes: on Windows the open project's marker keeps the folder.
            m_documents.Close(document);
        }
    }
}

} // namespace
} // namespace Orvanta::SaveTesting

namespace Orvanta::SaveTesting {
namespace {

TEST_F(WaveImportTest, FromASlotOnOnlyTheFreeSlotsFromThereCount) {
    CTernFileDocument& document = DocumentWithUsedWaves(3); // slots 0-2 used
    document.Data().m_waves[5].m_path = m_temp / "absent5.w00";
    const std::vector<std::string> files = {Input("b.wav"), Input("a.wav")};
    EXPECT_EQ(document.ImportWaves(files, 4), 2U);
    const CTernData& data = document.Data();
    EXPECT_TRUE(data.m_waves[3].IsEmpty());
    EXPECT_EQ(data.m_waves[4].m_name, "a");
    EXPECT_EQ(data.m_waves[6].m_name, "b");
    // From the last slot on there is one free slot: two files are refused before anything changes.
    EXPECT_EQ(document.ImportWaves({Input("c.wav"), Input("d.wav")}, kWaveSlots - 1), 0U);
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorWaveSpace});
    EXPECT_TRUE(data.m_waves[kWaveSlots - 1].IsEmpty());
}

} // namespace
} // namespace Orvanta::SaveTesting
