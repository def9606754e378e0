#include "OperationsFixture.h"

#include "operations/OverwriteOperation.h"
#include "operations/WaveSpace.h"

namespace Orvanta::TestSupport {
namespace {

class OverwriteOperationTest : public OperationsTest {
protected:
    // Fills the transfer buffer with `count` used patches of the source project, dragged from slot 0 on.
    void DragPatches(std::size_t count) {
        CSelection rows;
        for (std::size_t i = 0; i < count; ++i) {
            UsePatch(m_source, "S", i);
            rows.push_back(i);
        }
        CopyToTransfer(m_source, rows, kPatchList);
    }

    CTernData m_source;
    CTernData m_target;
};

TEST_F(OverwriteOperationTest, RangePastTheEndFailsSilentlyAndTheLastFittingPlaceSucceeds) {
    DragPatches(3);
    EXPECT_FALSE(Overwrite(m_target, 510, kPatchList, true));
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_FALSE(CDomain::Instance().HasUndo());

    ASSERT_TRUE(Overwrite(m_target, 509, kPatchList, true));
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(m_target.m_patches[509 + k].m_path, m_source.m_patches[k].m_path);
    }
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_EQ(CDomain::Instance().UndoSlot(0).project, &m_target);
}

TEST_F(OverwriteOperationTest, EmptyTransferBufferRefuses) {
    EXPECT_FALSE(CanOverwrite(m_target, 0, kPatchList, true));
    EXPECT_FALSE(CanOverwrite(m_target, 0, kWaveList, false));
}

TEST_F(OverwriteOperationTest, AsksOnceOverARangeWithOneUsedSlotAndCancelChangesNothing) {
    DragPatches(3);
    UsePatch(m_target, "T", 11);
    const ProjectState before = CaptureState(m_target);
    m_reporter->QueueAnswer(kAnswerCancel);

    EXPECT_FALSE(Overwrite(m_target, 10, kPatchList, true));

    EXPECT_EQ(m_reporter->Questions(), (std::vector<ScriptedReporter::Question>{{kButtonsOkCancel, kAskOverwrite}}));
    EXPECT_EQ(CaptureState(m_target), before);
    EXPECT_FALSE(CDomain::Instance().HasUndo());

    m_reporter->ClearRecord();
    EXPECT_TRUE(Overwrite(m_target, 10, kPatchList, true));
    EXPECT_EQ(m_reporter->QuestionCodes(), (std::vector<int>{kAskOverwrite}));
    EXPECT_EQ(m_target.m_patches[11].m_path, m_source.m_patches[1].m_path);
}

TEST_F(OverwriteOperationTest, SharedWaveLandsInTheFirstEmptyWaveSlotWithBothReferencesRewritten) {
    UseWave(m_source, "S", 6);
    SetWaveReference(UsePatch(m_source, "S", 0), 0, 0, 7);
    SetWaveReference(UsePatch(m_source, "S", 1), 9, 1, 7);
    RebuildUsers(m_source);
    for (std::size_t w = 0; w < 3; ++w) {
        UseWave(m_target, "T", w);
    }
    CopyToTransfer(m_source, {0, 1}, kPatchList);

    ASSERT_TRUE(Overwrite(m_target, 20, kPatchList, true));

    EXPECT_EQ(m_target.m_waves[3].m_path, m_source.m_waves[6].m_path);
    EXPECT_EQ(m_target.m_patches[20].m_osc[0].GetWaveNumber(0), 4);
    EXPECT_EQ(m_target.m_patches[21].m_osc[9].GetWaveNumber(1), 4);
    EXPECT_EQ(SortedUsers(m_target.m_waves[3]), (std::vector<std::int32_t>{20, 21}));
    EXPECT_TRUE(Consistent(m_target));
    // The source project is left as it was.
    EXPECT_EQ(m_source.m_waves[6].m_users, (std::vector<std::int32_t>{0, 1}));
}

TEST_F(OverwriteOperationTest, TooFewEmptyWaveSlotsForTheAccompanyingWavesGivesCode6) {
    UseWave(m_source, "S", 0);
    SetWaveReference(UsePatch(m_source, "S", 0), 0, 0, 1);
    RebuildUsers(m_source);
    for (std::size_t w = 0; w < kWaveSlots; ++w) {
        m_target.m_waves[w].m_path = "/T.prj/Wave/x" + std::to_string(w);
    }
    CopyToTransfer(m_source, {0}, kPatchList);

    EXPECT_FALSE(Overwrite(m_target, 0, kPatchList, true));
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorWaveSpace}));
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

TEST_F(OverwriteOperationTest, WaveLimitAllowsExactly50MBAndRefusesOneByteMore) {
    UseWave(m_target, "T", 0, kMaxWaveBytes - 10);
    UseWave(m_source, "S", 0, 10);
    UseWave(m_source, "S", 1, 11);

    CopyToTransfer(m_source, {1}, kWaveList);
    const ProjectState before = CaptureState(m_target);
    EXPECT_FALSE(Overwrite(m_target, 5, kWaveList, true));
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorWaveSize}));
    EXPECT_EQ(CaptureState(m_target), before);

    m_reporter->ClearRecord();
    CopyToTransfer(m_source, {0}, kWaveList);
    EXPECT_TRUE(Overwrite(m_target, 5, kWaveList, true));
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_EQ(TotalWaveBytes(m_target.m_waves), kMaxWaveBytes);
}

TEST_F(OverwriteOperationTest, ReplacedWavesAreSubtractedFromTheTotal) {
    // 10 bytes below the limit; an 11-byte wave fits only in place of a used wave of its size.
    UseWave(m_target, "T", 0, kMaxWaveBytes - 21);
    UseWave(m_target, "T", 1, 11);
    UseWave(m_source, "S", 0, 11);
    CopyToTransfer(m_source, {0}, kWaveList);
    EXPECT_FALSE(Overwrite(m_target, 2, kWaveList, true));
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorWaveSize}));
    m_reporter->ClearRecord();

    EXPECT_TRUE(Overwrite(m_target, 1, kWaveList, true));
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_EQ(m_reporter->QuestionCodes(), (std::vector<int>{kAskOverwrite}));
    EXPECT_EQ(m_target.m_waves[1].m_path, m_source.m_waves[0].m_path);
}

TEST_F(OverwriteOperationTest, AccompanyingWavesCountTowardsTheLimit) {
    UseWave(m_target, "T", 0, kMaxWaveBytes);
    UseWave(m_source, "S", 3, 1);
    SetWaveReference(UsePatch(m_source, "S", 0), 0, 0, 4);
    RebuildUsers(m_source);
    CopyToTransfer(m_source, {0}, kPatchList);

    EXPECT_FALSE(Overwrite(m_target, 0, kPatchList, true));
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorWaveSize}));
}

TEST_F(OverwriteOperationTest, WaveSizesAreSummedWithoutWrappingAt4GB) {
    // 4 GB + 100 bytes would read as 100 bytes in a 32-bit sum.
    UseWave(m_target, "T", 0, std::int64_t{1} << 32);
    UseWave(m_source, "S", 0, 100);
    CopyToTransfer(m_source, {0}, kWaveList);

    EXPECT_FALSE(Overwrite(m_target, 1, kWaveList, true));
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorWaveSize}));
}

TEST_F(OverwriteOperationTest, MovingAWaveInsideOneWindowTakesItsReferencesAlong) {
    UseWave(m_target, "T", 2);
    UseWave(m_target, "T", 9);
    SetWaveReference(UsePatch(m_target, "T", 0), 0, 0, 3);
    CPatch& both = UsePatch(m_target, "T", 1);
    SetWaveReference(both, 0, 0, 3);
    SetWaveReference(both, 1, 1, 10); // names the wave about to be replaced
    SetWaveReference(UsePatch(m_target, "T", 2), 4, 0, 10);
    RebuildUsers(m_target);
    CopyToTransfer(m_target, {2}, kWaveList);
    CDomain::Instance().m_dropCopies = 0;

    ASSERT_TRUE(Overwrite(m_target, 9, kWaveList, false));

    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 10);
    EXPECT_EQ(m_target.m_patches[1].m_osc[0].GetWaveNumber(0), 10);
    EXPECT_EQ(m_target.m_patches[1].m_osc[1].GetWaveNumber(1), 0);
    EXPECT_EQ(m_target.m_patches[2].m_osc[4].GetWaveNumber(0), 0);
    EXPECT_EQ(SortedUsers(m_target.m_waves[9]), (std::vector<std::int32_t>{0, 1}));
    // The drag source empties slot 3 afterwards; until then the old wave still lists its users.
    ASSERT_TRUE(DeleteItems(m_target, {2}, kWaveList, false));
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 10);
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(OverwriteOperationTest, MovingWavesOntoAnOverlappingRangeReadsTheSnapshot) {
    // Waves 3 and 4 move one slot back onto 4 and 5.
    for (const std::size_t w : {2U, 3U, 4U}) {
        UseWave(m_target, "T", w);
    }
    SetWaveReference(UsePatch(m_target, "T", 0), 0, 0, 3);
    SetWaveReference(UsePatch(m_target, "T", 1), 0, 0, 4);
    SetWaveReference(UsePatch(m_target, "T", 2), 0, 0, 5);
    RebuildUsers(m_target);
    const std::string wave3 = m_target.m_waves[2].m_path;
    const std::string wave4 = m_target.m_waves[3].m_path;
    CopyToTransfer(m_target, {2, 3}, kWaveList);

    ASSERT_TRUE(Overwrite(m_target, 3, kWaveList, false));
    ASSERT_TRUE(DeleteItems(m_target, {2}, kWaveList, false)); // slot 4 was overwritten: not deleted

    EXPECT_EQ(m_target.m_waves[3].m_path, wave3);
    EXPECT_EQ(m_target.m_waves[4].m_path, wave4);
    EXPECT_TRUE(m_target.m_waves[2].IsEmpty());
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 4);
    EXPECT_EQ(m_target.m_patches[1].m_osc[0].GetWaveNumber(0), 5);
    EXPECT_EQ(m_target.m_patches[2].m_osc[0].GetWaveNumber(0), 0);
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(OverwriteOperationTest, CopyingAWaveInsideOneWindowLeavesReferencesAndGivesNoUsers) {
    UseWave(m_target, "T", 2);
    SetWaveReference(UsePatch(m_target, "T", 0), 0, 0, 3);
    RebuildUsers(m_target);
    CopyToTransfer(m_target, {2}, kWaveList);
    CDomain::Instance().m_dropCopies = 1;

    ASSERT_TRUE(Overwrite(m_target, 9, kWaveList, false));

    EXPECT_EQ(m_target.m_waves[9].m_path, m_target.m_waves[2].m_path);
    EXPECT_TRUE(m_target.m_waves[9].m_users.empty());
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 3);
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(OverwriteOperationTest, CopyingWavesInsideOneWindowIsHeldToTheLimitButMovingIsNot) {
    UseWave(m_target, "T", 0, kMaxWaveBytes / 2 + 1);
    CopyToTransfer(m_target, {0}, kWaveList);

    CDomain::Instance().m_dropCopies = 1;
    EXPECT_FALSE(Overwrite(m_target, 1, kWaveList, false));
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorWaveSize}));
    EXPECT_TRUE(m_target.m_waves[1].IsEmpty());

    m_reporter->ClearRecord();
    CDomain::Instance().m_dropCopies = 0;
    EXPECT_TRUE(Overwrite(m_target, 1, kWaveList, false));
    EXPECT_TRUE(m_reporter->Errors().empty());
}

TEST_F(OverwriteOperationTest, OverwritingWavesFromAnotherWindowClearsReferencesToTheReplacedOnes) {
    UseWave(m_target, "T", 4);
    SetWaveReference(UsePatch(m_target, "T", 0), 0, 0, 5);
    RebuildUsers(m_target);
    UseWave(m_source, "S", 0);
    SetWaveReference(UsePatch(m_source, "S", 0), 0, 0, 1);
    RebuildUsers(m_source);
    CopyToTransfer(m_source, {0}, kWaveList);

    ASSERT_TRUE(Overwrite(m_target, 4, kWaveList, true));

    EXPECT_EQ(m_target.m_waves[4].m_path, m_source.m_waves[0].m_path);
    EXPECT_TRUE(m_target.m_waves[4].m_users.empty());
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 0);
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(OverwriteOperationTest, ReferenceToAMissingWaveDoesNotComeToNameAnArrivingWave) {
    // Patch 5 names wave 1, whose file was missing at loading: slot 1 is empty but lists the patch.
    SetWaveReference(UsePatch(m_target, "T", 5), 0, 0, 1);
    RebuildUsers(m_target);
    UseWave(m_source, "S", 8);
    SetWaveReference(UsePatch(m_source, "S", 0), 0, 0, 9);
    RebuildUsers(m_source);
    CopyToTransfer(m_source, {0}, kPatchList);

    ASSERT_TRUE(Overwrite(m_target, 0, kPatchList, true));

    EXPECT_EQ(m_target.m_waves[0].m_path, m_source.m_waves[8].m_path);
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 1);
    EXPECT_EQ(m_target.m_patches[5].m_osc[0].GetWaveNumber(0), 0);
    EXPECT_EQ(m_target.m_waves[0].m_users, (std::vector<std::int32_t>{0}));
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(OverwriteOperationTest, UndoRestoresTheTargetAndASecondUndoRedoes) {
    UseWave(m_source, "S", 1);
    SetWaveReference(UsePatch(m_source, "S", 0), 0, 0, 2);
    RebuildUsers(m_source);
    UsePatch(m_target, "T", 3);
    CopyToTransfer(m_source, {0}, kPatchList);
    const ProjectState before = CaptureState(m_target);

    ASSERT_TRUE(Overwrite(m_target, 3, kPatchList, true));
    const ProjectState after = CaptureState(m_target);

    CDomain::Instance().Undo();
    EXPECT_EQ(CaptureState(m_target), before);
    CDomain::Instance().Undo();
    EXPECT_EQ(CaptureState(m_target), after);
}

} // namespace
} // namespace Orvanta::TestSupport
