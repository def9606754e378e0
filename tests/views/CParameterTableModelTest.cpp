#include "ViewsFixture.h"

#include "views/CPatchTableModel.h"
#include "views/CWaveTableModel.h"

#include <QAbstractItemModelTester>

namespace Orvanta {
namespace {

using TestSupport::PutPatch;
using TestSupport::PutWave;

class ParameterTableModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        PutPatch(m_project, 0, "Brass");
        PutPatch(m_project, 3, "Strings");
        PutWave(m_project, 0, "Kick");
        PutWave(m_project, 2, "Snare", "/nowhere/Song.prj/Wave/003 Snare.W00");
        m_project.m_waves[0].AddUser(0, false);
    }

    CTernData m_project;
};

TEST_F(ParameterTableModelTest, PassTheModelTesterWhileFilledAndRefilled) {
    CPatchTableModel patches;
    CWaveTableModel waves;
    QAbstractItemModelTester patchTester(&patches, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester waveTester(&waves, QAbstractItemModelTester::FailureReportingMode::Fatal);
    patches.SetArray(&m_project.m_patches);
    waves.SetArray(&m_project.m_waves);
    EXPECT_EQ(patches.rowCount(), 512);
    EXPECT_EQ(waves.rowCount(), 999);
    EXPECT_EQ(patches.columnCount(), 2);
    PutPatch(m_project, 7, "Pad");
    patches.Refill();
    waves.SetArray(nullptr);
    EXPECT_EQ(waves.rowCount(), 0);
}

TEST_F(ParameterTableModelTest, PatchRowsShowNumberFromOneAndPlainName) {
    CPatchTableModel model;
    model.SetArray(&m_project.m_patches);
    EXPECT_EQ(model.CellText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(model.CellText(0, 1), QStringLiteral("Brass"));
    EXPECT_EQ(model.CellText(511, 0), QStringLiteral("512"));
    EXPECT_EQ(model.CellText(1, 1), QString()); // empty slot: no mark
    EXPECT_TRUE(model.index(1, 1).data(CParameterTableModel::kEmptyRole).toBool());
    EXPECT_FALSE(model.index(0, 1).data(CParameterTableModel::kEmptyRole).toBool());
}

TEST_F(ParameterTableModelTest, WaveNamesCarryTheirMarks) {
    CWaveTableModel model;
    model.SetArray(&m_project.m_waves);
    EXPECT_EQ(model.CellText(0, 1), QStringLiteral("  Kick"));
    EXPECT_EQ(model.CellText(2, 1), QStringLiteral("* Snare")); // ".W00" in any case
    EXPECT_EQ(model.CellText(1, 1), QString());
    EXPECT_TRUE(model.index(0, 0).data(CParameterTableModel::kUsedRole).toBool());
    EXPECT_FALSE(model.index(2, 0).data(CParameterTableModel::kUsedRole).toBool());
    EXPECT_TRUE(model.index(2, 1).data(CParameterTableModel::kNativeWaveRole).toBool());
}

TEST_F(ParameterTableModelTest, HeadersAndAlignmentComeFromTheColumnTable) {
    CPatchTableModel patches;
    CWaveTableModel waves;
    EXPECT_EQ(patches.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Number"));
    EXPECT_EQ(patches.headerData(1, Qt::Horizontal).toString(), QStringLiteral("PatchName"));
    EXPECT_EQ(waves.headerData(1, Qt::Horizontal).toString(), QStringLiteral("WaveName"));
    waves.SetArray(&m_project.m_waves);
    const auto alignment = [&waves](int column) {
        return Qt::Alignment(waves.index(0, column).data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(alignment(0), Qt::AlignRight);
    EXPECT_EQ(alignment(1), Qt::AlignLeft);
    // The descriptors: number column 0x11141 (0 to 127), name column 0x10010.
    EXPECT_EQ(CPatchTableModel::ColumnTable()[0].descriptor.flags, 0x11141U);
    EXPECT_EQ(CPatchTableModel::ColumnTable()[0].descriptor.maximum, 127.0);
    EXPECT_EQ(CWaveTableModel::ColumnTable()[1].descriptor.flags, 0x10010U);
}

TEST_F(ParameterTableModelTest, RowsBeyondAShrunkArrayReadAsNothingUntilRefilled) {
    CPatchTableModel model;
    model.SetArray(&m_project.m_patches);
    m_project.m_patches.Resize(2);
    EXPECT_EQ(model.rowCount(), 512);
    EXPECT_EQ(model.CellText(3, 1), QString());
    EXPECT_FALSE(model.index(3, 1).data(CParameterTableModel::kInArrayRole).toBool());
    EXPECT_FALSE(model.index(3, 1).data(Qt::DisplayRole).isValid());
    model.Refill();
    EXPECT_EQ(model.rowCount(), 2);
    m_project.m_patches.Resize(512);
}

} // namespace
} // namespace Orvanta
