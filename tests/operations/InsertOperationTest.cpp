#include "OperationsFixture.h"

#include "operations/InsertOperation.h"
#include "operations/WaveSpace.h"

namespace Orvanta::TestSupport {
namespace {

class InsertOperationTest : public OperationsTest {
protected:
    CTernData m_source;
    CTernData m_target;
};

TEST_F(InsertOperationTest, InsertingWavesRaisesReferencesBehindThePointOnly) {
    for (std::size_t w = 0; w < 10; ++w) {
        UseWave(m_target, "T", w);
    }
    for (int number = 1; number <= 10; ++number) {
        SetWaveReference(UsePatch(m_target, "T", static_cast<std::size_t>(number)), 0, 1, number);
    }
    RebuildUsers(m_target);
    const std::string oldWave5 = m_target.m_waves[4].m_path;
    UseWave(m_source, "S", 0);
    UseWave(m_source, "S", 1);
    CopyToTransfer(m_source, {0, 1}, kWaveList);

    ASSERT_EQ(Insert(m_target, 4, kWaveList, true), 2U);

    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_EQ(m_target.m_waves[4].m_path, m_source.m_waves[0].m_path);
    EXPECT_EQ(m_target.m_waves[5].m_path, m_source.m_waves[1].m_path);
    EXPECT_EQ(m_target.m_waves[6].m_path, oldWave5);
    EXPECT_TRUE(m_target.m_waves[4].m_users.empty());
    for (int number = 1; number <= 10; ++number) {
        const int expected = number <= 4 ? number : number + 2;
        EXPECT_EQ(m_target.m_patches[static_cast<std::size_t>(number)].m_osc[0].GetWaveNumber(1), expected) << number;
    }
    EXPECT_EQ(m_target.m_waves.size(), kWaveSlots);
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(InsertOperationTest, InsertingAtTheFrontAsksWhenTheLastWaveIsUsedAndDropsIt) {
    UseWave(m_target, "T", 998);
    UseWave(m_target, "T", 0);
    CPatch& patch = UsePatch(m_target, "T", 0);
    SetWaveReference(patch, 0, 0, 999);
    SetWaveReference(patch, 0, 1, 1);
    RebuildUsers(m_target);
    UseWave(m_source, "S", 0);
    CopyToTransfer(m_source, {0}, kWaveList);

    ASSERT_EQ(Insert(m_target, 0, kWaveList, true), 1U);

    EXPECT_EQ(m_reporter->Questions(), (std::vector<ScriptedReporter::Question>{{kButtonsOkCancel, kAskInsert}}));
    EXPECT_TRUE(m_target.m_waves[998].IsEmpty());
    EXPECT_EQ(patch.m_osc[0].GetWaveNumber(0), 0);
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(1), 2);
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(InsertOperationTest, CancelAtTheTailQuestionChangesNothing) {
    UsePatch(m_target, "T", 511);
    UsePatch(m_source, "S", 0);
    CopyToTransfer(m_source, {0}, kPatchList);
    const ProjectState before = CaptureState(m_target);
    m_reporter->QueueAnswer(kAnswerCancel);

    EXPECT_EQ(Insert(m_target, 0, kPatchList, true), 0U);
    EXPECT_EQ(m_reporter->QuestionCodes(), (std::vector<int>{kAskInsert}));
    EXPECT_EQ(CaptureState(m_target), before);
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

TEST_F(InsertOperationTest, InsertingPatchesShiftsTheUsersBehindThePoint) {
    UseWave(m_target, "T", 0);
    for (const std::size_t p : {3U, 9U, 10U, 40U}) {
        SetWaveReference(UsePatch(m_target, "T", p), 0, 0, 1);
    }
    RebuildUsers(m_target);
    UsePatch(m_source, "S", 0);
    UsePatch(m_source, "S", 1);
    CopyToTransfer(m_source, {0, 1}, kPatchList);

    ASSERT_EQ(Insert(m_target, 10, kPatchList, true), 2U);

    EXPECT_EQ(SortedUsers(m_target.m_waves[0]), (std::vector<std::int32_t>{3, 9, 12, 42}));
    EXPECT_EQ(m_target.m_patches[10].m_path, m_source.m_patches[0].m_path);
    EXPECT_EQ(m_target.m_patches.size(), kPatchSlots);
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(InsertOperationTest, PatchesFromAnotherWindowBringTheirWavesIntoTheFirstEmptySlots) {
    UseWave(m_target, "T", 0);
    UseWave(m_target, "T", 2);
    SetWaveReference(UsePatch(m_target, "T", 0), 0, 0, 3);
    RebuildUsers(m_target);
    UseWave(m_source, "S", 4);
    UseWave(m_source, "S", 7);
    CPatch& first = UsePatch(m_source, "S", 0);
    SetWaveReference(first, 0, 0, 8);
    SetWaveReference(first, 1, 0, 5);
    SetWaveReference(UsePatch(m_source, "S", 1), 2, 1, 8);
    RebuildUsers(m_source);
    CopyToTransfer(m_source, {0, 1}, kPatchList);

    ASSERT_EQ(Insert(m_target, 0, kPatchList, true), 2U);

    // Accompanying waves 5 and 8 land in the empty slots 2 and 4 (indices 1 and 3).
    EXPECT_EQ(m_target.m_waves[1].m_path, m_source.m_waves[4].m_path);
    EXPECT_EQ(m_target.m_waves[3].m_path, m_source.m_waves[7].m_path);
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 4);
    EXPECT_EQ(m_target.m_patches[0].m_osc[1].GetWaveNumber(0), 2);
    EXPECT_EQ(m_target.m_patches[1].m_osc[2].GetWaveNumber(1), 4);
    EXPECT_EQ(m_target.m_patches[2].m_osc[0].GetWaveNumber(0), 3);
    EXPECT_EQ(SortedUsers(m_target.m_waves[3]), (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(SortedUsers(m_target.m_waves[2]), (std::vector<std::int32_t>{2}));
    EXPECT_TRUE(Consistent(m_target));
    EXPECT_TRUE(Consistent(m_source));
}

TEST_F(InsertOperationTest, MovingWave8ToSlot3IsNotRaisedTwice) {
    for (std::size_t w = 0; w < 10; ++w) {
        UseWave(m_target, "T", w);
    }
    SetWaveReference(UsePatch(m_target, "T", 0), 0, 0, 8);
    SetWaveReference(UsePatch(m_target, "T", 1), 0, 0, 3);
    SetWaveReference(UsePatch(m_target, "T", 2), 0, 0, 2);
    RebuildUsers(m_target);
    const std::string wave8 = m_target.m_waves[7].m_path;
    CopyToTransfer(m_target, {7}, kWaveList);
    CDomain::Instance().m_dropCopies = 0;

    ASSERT_EQ(Insert(m_target, 2, kWaveList, false), 1U);

    EXPECT_EQ(m_target.m_waves[2].m_path, wave8);
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 3);
    EXPECT_EQ(m_target.m_patches[1].m_osc[0].GetWaveNumber(0), 4);
    EXPECT_EQ(m_target.m_patches[2].m_osc[0].GetWaveNumber(0), 2);
    EXPECT_EQ(m_target.m_waves[2].m_users, (std::vector<std::int32_t>{0}));
    // The old wave, now wave 9, is emptied by the drag source; nothing names it any more.
    EXPECT_EQ(m_target.m_waves[8].m_path, wave8);
    ASSERT_TRUE(DeleteItems(m_target, {8}, kWaveList, false));
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 3);
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(InsertOperationTest, MovingAdjacentWavesBackByOneRepointsEachReferenceOnce) {
    // Waves 1 and 2 move to slot index 1: the references to 1 become 2 and must not then be taken
    // for references to the second moved wave.
    for (std::size_t w = 0; w < 3; ++w) {
        UseWave(m_target, "T", w);
    }
    SetWaveReference(UsePatch(m_target, "T", 0), 0, 0, 1);
    SetWaveReference(UsePatch(m_target, "T", 1), 0, 0, 2);
    SetWaveReference(UsePatch(m_target, "T", 2), 0, 0, 3);
    RebuildUsers(m_target);
    CopyToTransfer(m_target, {0, 1}, kWaveList);
    CDomain::Instance().m_dropCopies = 0;

    ASSERT_EQ(Insert(m_target, 1, kWaveList, false), 2U);
    ASSERT_TRUE(DeleteItems(m_target, {0, 3}, kWaveList, false)); // the dragged waves at their new places

    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 2);
    EXPECT_EQ(m_target.m_patches[1].m_osc[0].GetWaveNumber(0), 3);
    EXPECT_EQ(m_target.m_patches[2].m_osc[0].GetWaveNumber(0), 5);
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(InsertOperationTest, InsertingFourPatchesAt509FailsSilently) {
    for (std::size_t i = 0; i < 4; ++i) {
        UsePatch(m_source, "S", i);
    }
    CopyToTransfer(m_source, {0, 1, 2, 3}, kPatchList);
    EXPECT_EQ(Insert(m_target, 509, kPatchList, true), 0U);
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

TEST_F(InsertOperationTest, TwoAccompanyingWavesWithOneFreeSlotGiveCode6AndChangeNothing) {
    for (std::size_t w = 0; w < kWaveSlots - 1; ++w) {
        m_target.m_waves[w].m_path = "/T.prj/Wave/x" + std::to_string(w);
    }
    UseWave(m_source, "S", 0);
    UseWave(m_source, "S", 1);
    CPatch& patch = UsePatch(m_source, "S", 0);
    SetWaveReference(patch, 0, 0, 1);
    SetWaveReference(patch, 0, 1, 2);
    RebuildUsers(m_source);
    CopyToTransfer(m_source, {0}, kPatchList);
    const ProjectState before = CaptureState(m_target);

    EXPECT_EQ(Insert(m_target, 0, kPatchList, true), 0U);
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorWaveSpace}));
    EXPECT_EQ(CaptureState(m_target), before);
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

TEST_F(InsertOperationTest, WaveLimitIsExactAndWavesFallingOffAreNotSubtracted) {
    UseWave(m_target, "T", 0, kMaxWaveBytes - 100);
    UseWave(m_target, "T", 998, 50); // falls off the end, but still counts
    UseWave(m_source, "S", 0, 50);
    UseWave(m_source, "S", 1, 51);

    CopyToTransfer(m_source, {1}, kWaveList);
    EXPECT_EQ(Insert(m_target, 1, kWaveList, true), 0U);
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorWaveSize}));

    m_reporter->ClearRecord();
    CopyToTransfer(m_source, {0}, kWaveList);
    EXPECT_EQ(Insert(m_target, 1, kWaveList, true), 1U);
    EXPECT_TRUE(m_reporter->Errors().empty());
}

TEST_F(InsertOperationTest, CopyingWavesInsideOneWindowIsHeldToTheLimit) {
    UseWave(m_target, "T", 0, kMaxWaveBytes / 2 + 1);
    CopyToTransfer(m_target, {0}, kWaveList);
    CDomain::Instance().m_dropCopies = 1;

    EXPECT_EQ(Insert(m_target, 1, kWaveList, false), 0U);
    EXPECT_EQ(m_reporter->Errors(), (std::vector<int>{kErrorWaveSize}));

    m_reporter->ClearRecord();
    CDomain::Instance().m_dropCopies = 0;
    EXPECT_EQ(Insert(m_target, 1, kWaveList, false), 1U);
    EXPECT_TRUE(m_reporter->Errors().empty());
}

TEST_F(InsertOperationTest, CopyingAWaveInsideOneWindowRaisesAllReferencesBehindIt) {
    UseWave(m_target, "T", 3);
    SetWaveReference(UsePatch(m_target, "T", 0), 0, 0, 4);
    RebuildUsers(m_target);
    CopyToTransfer(m_target, {3}, kWaveList);
    CDomain::Instance().m_dropCopies = 1;

    ASSERT_EQ(Insert(m_target, 1, kWaveList, false), 1U);

    EXPECT_TRUE(m_target.m_waves[1].m_users.empty());
    EXPECT_EQ(m_target.m_patches[0].m_osc[0].GetWaveNumber(0), 5);
    EXPECT_EQ(m_target.m_waves[4].m_users, (std::vector<std::int32_t>{0}));
    EXPECT_TRUE(Consistent(m_target));
}

TEST_F(InsertOperationTest, UndoRestoresTheTargetAndASecondUndoRedoes) {
    UseWave(m_target, "T", 0);
    SetWaveReference(UsePatch(m_target, "T", 0), 0, 0, 1);
    RebuildUsers(m_target);
    UsePatch(m_source, "S", 0);
    CopyToTransfer(m_source, {0}, kPatchList);
    const ProjectState before = CaptureState(m_target);

    ASSERT_EQ(Insert(m_target, 0, kPatchList, true), 1U);
    const ProjectState after = CaptureState(m_target);

    CDomain::Instance().Undo();
    EXPECT_EQ(CaptureState(m_target), before);
    CDomain::Instance().Undo();
    EXPECT_EQ(CaptureState(m_target), after);
}

} // namespace
} // namespace Orvanta::TestSupport
