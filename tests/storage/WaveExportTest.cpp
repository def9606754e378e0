#include "storage/WaveExport.h"

#include "SaveFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Orvanta::SaveTesting {
namespace {

class WaveExportTest : public SaveTest {
protected:
    WaveExportTest() {
        std::filesystem::create_directory(m_temp / "out");
        m_out = m_temp / "out/";
    }

    // A project with waves in slots 1 (an instrument wave), 3 and 12, open in a document.
    CTernFileDocument& OpenProject() {
        ProjectBuilder project = Project("Song.prj");
        project.AddWave("001 Pad.w00", 300);
        project.AddWave("003 Kick 808.wav", 7);
        project.AddWave("012 Vox.AIF", 70000);
        return m_documents.Open(m_temp / "Song.prj");
    }

    std::string m_out;
};

TEST_F(WaveExportTest, WritesTheSelectedWavesByteForByteUnderTheirSlotNames) {
    CTernFileDocument& document = OpenProject();
    const CTernData& data = document.Data();
    // Slot 2 is empty and passed over.
    const std::vector<std::string> written = ExportWaves(data, {0, 1, 2, 11}, m_out);
    EXPECT_EQ(written,
              (std::vector<std::string>{m_out + "001 Pad.w00", m_out + "003 Kick 808.wav", m_out + "012 Vox.AIF"}));
    EXPECT_EQ(FileNames(m_out), (std::set<std::string>{"001 Pad.w00", "003 Kick 808.wav", "012 Vox.AIF"}));
    EXPECT_EQ(Bytes(m_out + "001 Pad.w00"), Bytes(data.m_waves[0].m_path));
    EXPECT_EQ(Bytes(m_out + "003 Kick 808.wav"), Bytes(data.m_waves[2].m_path));
    EXPECT_EQ(Bytes(m_out + "012 Vox.AIF"), Bytes(data.m_waves[11].m_path));
    EXPECT_EQ(Bytes(m_out + "012 Vox.AIF").size(), 70000U);
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_FALSE(document.IsModified());
}

TEST_F(WaveExportTest, AWaveImportedButNotSavedIsExportedFromItsWorkCopy) {
    CTernFileDocument& document = m_documents.Add();
    const std::string source = m_temp / "Snare Long Name.wav";
    ProjectBuilder::WriteBytes(source, {9, 8, 7, 6});
    ASSERT_EQ(document.ImportWaves({source}), 1U);
    EXPECT_EQ(ExportWaves(document.Data(), {0}, m_out), std::vector<std::string>{m_out + "001 Snare Long N.wav"});
    EXPECT_EQ(Bytes(m_out + "001 Snare Long N.wav"), (std::vector<std::uint8_t>{9, 8, 7, 6}));
}

TEST_F(WaveExportTest, ExistingFilesAreReplacedOnlyAfterAYes) {
    CTernFileDocument& document = OpenProject();
    const CTernData& data = document.Data();
    ProjectBuilder::WriteBytes(m_out + "003 Kick 808.wav", {1});

    m_reporter->QueueAnswer(kAnswerNo);
    EXPECT_TRUE(ExportWaves(data, {2, 11}, m_out).empty());
    ASSERT_EQ(m_reporter->Questions().size(), 1U);
    EXPECT_EQ(m_reporter->Questions()[0].code, kAskReplaceExported);
    // Nothing is written, not even the file that was not in the way.
    EXPECT_EQ(FileNames(m_out), std::set<std::string>{"003 Kick 808.wav"});
    EXPECT_EQ(Bytes(m_out + "003 Kick 808.wav"), std::vector<std::uint8_t>{1});

    m_reporter->QueueAnswer(kAnswerYes);
    EXPECT_EQ(ExportWaves(data, {2, 11}, m_out).size(), 2U);
    EXPECT_EQ(m_reporter->Questions().size(), 2U);
    EXPECT_EQ(Bytes(m_out + "003 Kick 808.wav"), Bytes(data.m_waves[2].m_path));
    EXPECT_EQ(Bytes(m_out + "012 Vox.AIF"), Bytes(data.m_waves[11].m_path));
}

TEST_F(WaveExportTest, AMissingWaveFileOrAFolderInTheWayWritesNothing) {
    CTernFileDocument& document = OpenProject();
    CTernData& data = document.Data();
    std::filesystem::create_directory(m_out + "012 Vox.AIF");
    EXPECT_TRUE(ExportWaves(data, {2, 11}, m_out).empty());
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorUndefined});
    EXPECT_EQ(FileNames(m_out), std::set<std::string>{});

    m_reporter->ClearRecord();
    std::filesystem::remove(data.m_waves[11].m_path);
    std::filesystem::remove(m_out + "012 Vox.AIF");
    EXPECT_TRUE(ExportWaves(data, {2, 11}, m_out).empty());
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorUndefined});
    ASSERT_EQ(m_reporter->Details().size(), 1U);
    EXPECT_EQ(m_reporter->Details()[0].rfind("012 Vox.AIF", 0), 0U);
    EXPECT_TRUE(FileNames(m_out).empty());
}

TEST_F(WaveExportTest, NamesNeverLeadIntoAnotherFolder) {
    CTernFileDocument& document = OpenProject();
    document.Data().m_waves[2].m_name = "../Kick";
    EXPECT_EQ(ExportFileName(document.Data(), 2), "003 .._Kick.wav");
    EXPECT_EQ(ExportFileName(document.Data(), 1), "");
}

} // namespace
} // namespace Orvanta::SaveTesting
