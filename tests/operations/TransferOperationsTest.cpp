#include "OperationsFixture.h"

#include "operations/TransferOperations.h"

namespace Orvanta::TestSupport {
namespace {

class TransferOperationsTest : public OperationsTest {
protected:
    CTernData m_project;
};

TEST_F(TransferOperationsTest, PatchDragCarriesEachUsedWaveOnceInWaveOrderWithItsNumberAsMarker) {
    for (const std::size_t w : {4U, 8U}) {
        UseWave(m_project, "A", w);
    }
    SetWaveReference(UsePatch(m_project, "A", 0), 0, 0, 5);
    SetWaveReference(UsePatch(m_project, "A", 1), 3, 1, 9);
    CPatch& third = UsePatch(m_project, "A", 2);
    SetWaveReference(third, 0, 0, 5);
    SetWaveReference(third, 1, 0, 0); // a wave reference naming no wave
    RebuildUsers(m_project);

    CopyToTransfer(m_project, {0, 1, 2}, kPatchList);

    const CDomain& domain = CDomain::Instance();
    ASSERT_EQ(domain.m_transferPatches.size(), 3U);
    EXPECT_EQ(domain.m_transferPatches[1].m_path, m_project.m_patches[1].m_path);
    EXPECT_EQ(WaveReferences(domain.m_transferPatches[2]), WaveReferences(third));
    ASSERT_EQ(domain.m_transferWaves.size(), 2U);
    EXPECT_EQ(domain.m_transferWaves[0].m_path, m_project.m_waves[4].m_path);
    EXPECT_EQ(domain.m_transferWaves[0].m_users, (std::vector<std::int32_t>{0, 2, 5}));
    EXPECT_EQ(domain.m_transferWaves[1].m_path, m_project.m_waves[8].m_path);
    EXPECT_EQ(domain.m_transferWaves[1].m_users, (std::vector<std::int32_t>{1, 9}));
    // The project itself carries no marker.
    EXPECT_TRUE(Consistent(m_project));
}

TEST_F(TransferOperationsTest, WaveDragMarksSlotIndicesAndSnapshotsAllPatches) {
    UseWave(m_project, "A", 2);
    UseWave(m_project, "A", 6);
    SetWaveReference(UsePatch(m_project, "A", 40), 0, 0, 7);
    RebuildUsers(m_project);

    CopyToTransfer(m_project, {2, 6}, kWaveList);

    const CDomain& domain = CDomain::Instance();
    ASSERT_EQ(domain.m_transferWaves.size(), 2U);
    EXPECT_EQ(domain.m_transferWaves[0].m_users, (std::vector<std::int32_t>{2}));
    EXPECT_EQ(domain.m_transferWaves[1].m_users, (std::vector<std::int32_t>{40, 6}));
    ASSERT_EQ(domain.m_transferPatches.size(), kPatchSlots);
    EXPECT_EQ(WaveReferences(domain.m_transferPatches[40]), WaveReferences(m_project.m_patches[40]));
    EXPECT_NE(&domain.m_transferPatches[40], &m_project.m_patches[40]);
}

TEST_F(TransferOperationsTest, ReferenceAboveTheLastWaveSlotBringsNoWave) {
    SetWaveReference(UsePatch(m_project, "A", 0), 0, 0, 1000);
    CopyToTransfer(m_project, {0}, kPatchList);
    EXPECT_EQ(CDomain::Instance().m_transferPatches.size(), 1U);
    EXPECT_EQ(CDomain::Instance().m_transferWaves.size(), 0U);
}

TEST_F(TransferOperationsTest, DeletingAWaveClearsExactlyTheReferencesToIt) {
    UseWave(m_project, "A", 2);
    UseWave(m_project, "A", 3);
    for (const std::size_t p : {1U, 5U, 9U}) {
        CPatch& patch = UsePatch(m_project, "A", p);
        SetWaveReference(patch, 0, 0, 3);
        SetWaveReference(patch, 7, 1, 3);
        SetWaveReference(patch, 2, 0, 4);
    }
    CPatch& other = UsePatch(m_project, "A", 6);
    SetWaveReference(other, 0, 0, 4);
    RebuildUsers(m_project);
    const std::string name = m_project.m_patches[5].m_name;

    ASSERT_TRUE(DeleteItems(m_project, {2}, kWaveList, false));

    EXPECT_TRUE(m_project.m_waves[2].IsEmpty());
    EXPECT_TRUE(m_project.m_waves[2].m_name.empty());
    for (const std::size_t p : {1U, 5U, 9U}) {
        EXPECT_EQ(m_project.m_patches[p].m_osc[0].GetWaveNumber(0), 0);
        EXPECT_EQ(m_project.m_patches[p].m_osc[7].GetWaveNumber(1), 0);
        EXPECT_EQ(m_project.m_patches[p].m_osc[2].GetWaveNumber(0), 4);
    }
    EXPECT_EQ(m_project.m_patches[5].m_name, name);
    EXPECT_EQ(SortedUsers(m_project.m_waves[3]), (std::vector<std::int32_t>{1, 5, 6, 9}));
    EXPECT_TRUE(Consistent(m_project));
}

TEST_F(TransferOperationsTest, DeletingAPatchLeavesItsWavesInPlaceWithoutIt) {
    UseWave(m_project, "A", 0);
    UseWave(m_project, "A", 1);
    CPatch& patch = UsePatch(m_project, "A", 3);
    SetWaveReference(patch, 0, 0, 1);
    SetWaveReference(patch, 0, 1, 2);
    SetWaveReference(patch, 5, 0, 2);
    SetWaveReference(UsePatch(m_project, "A", 4), 0, 0, 2);
    patch.m_osc[0].m_values[3] = 99; // a value the librarian never reads
    RebuildUsers(m_project);

    ASSERT_TRUE(DeleteItems(m_project, {3}, kPatchList, false));

    EXPECT_TRUE(m_project.m_patches[3].IsEmpty());
    EXPECT_TRUE(m_project.m_patches[3].m_name.empty());
    EXPECT_EQ(m_project.m_patches[3].m_osc[0].m_values[3], 99);
    EXPECT_EQ(m_project.m_patches[3].m_osc[5].GetWaveNumber(0), 0);
    EXPECT_FALSE(m_project.m_waves[0].IsEmpty());
    EXPECT_TRUE(m_project.m_waves[0].m_users.empty());
    EXPECT_EQ(m_project.m_waves[1].m_users, (std::vector<std::int32_t>{4}));
    EXPECT_TRUE(Consistent(m_project));
}

TEST_F(TransferOperationsTest, DeletingAPatchWithADamagedReferenceTouchesNoWaveSlot) {
    CPatch& patch = UsePatch(m_project, "A", 0);
    SetWaveReference(patch, 0, 0, 4095);
    ASSERT_TRUE(DeleteItems(m_project, {0}, kPatchList, false));
    EXPECT_EQ(m_project.m_patches[0].m_osc[0].GetWaveNumber(0), 0);
    EXPECT_TRUE(Consistent(m_project));
}

TEST_F(TransferOperationsTest, CancelledDeleteChangesNeitherProjectNorUndoState) {
    CTernData earlier;
    CDomain& domain = CDomain::Instance();
    domain.SaveUndo(kUndoBoth, &earlier);
    UsePatch(m_project, "A", 0);
    const ProjectState before = CaptureState(m_project);
    m_reporter->QueueAnswer(kAnswerCancel);

    EXPECT_FALSE(DeleteItems(m_project, {0}, kPatchList, true));

    EXPECT_EQ(m_reporter->Questions(), (std::vector<ScriptedReporter::Question>{{kButtonsOkCancel, kAskDelete}}));
    EXPECT_EQ(CaptureState(m_project), before);
    EXPECT_EQ(domain.UndoSlot(0).project, &earlier);
    EXPECT_EQ(domain.UndoSlot(1).project, nullptr);
}

TEST_F(TransferOperationsTest, DeletingAnEmptySlotWithTheQuestionStillAsksAndRegistersUndo) {
    EXPECT_TRUE(DeleteItems(m_project, {7}, kWaveList, true));
    EXPECT_EQ(m_reporter->QuestionCodes(), (std::vector<int>{kAskDelete}));
    EXPECT_EQ(CDomain::Instance().UndoSlot(0).project, &m_project);
}

TEST_F(TransferOperationsTest, UndoAfterDeleteRestoresBothListsAndASecondUndoDeletesAgain) {
    UseWave(m_project, "A", 0);
    SetWaveReference(UsePatch(m_project, "A", 2), 4, 1, 1);
    SetWaveReference(UsePatch(m_project, "A", 3), 0, 0, 1);
    RebuildUsers(m_project);
    const ProjectState before = CaptureState(m_project);

    ASSERT_TRUE(DeleteItems(m_project, {0}, kWaveList, true));
    const ProjectState after = CaptureState(m_project);
    ASSERT_NE(after, before);

    CDomain::Instance().Undo();
    EXPECT_EQ(CaptureState(m_project), before);
    EXPECT_TRUE(Consistent(m_project));
    CDomain::Instance().Undo();
    EXPECT_EQ(CaptureState(m_project), after);
    EXPECT_TRUE(Consistent(m_project));
}

TEST_F(TransferOperationsTest, IndicesPastTheEndAreIgnored) {
    UsePatch(m_project, "A", 0);
    CopyToTransfer(m_project, {0, 600}, kPatchList);
    EXPECT_EQ(CDomain::Instance().m_transferPatches.size(), 1U);
    EXPECT_TRUE(DeleteItems(m_project, {5000}, kWaveList, false));
    EXPECT_TRUE(Consistent(m_project));
}

} // namespace
} // namespace Orvanta::TestSupport
