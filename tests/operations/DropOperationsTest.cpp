#include "OperationsFixture.h"

#include "operations/DropOperations.h"

namespace Orvanta::TestSupport {
namespace {

class DropOperationsTest : public OperationsTest {
protected:
    static CDragRequest Request(CTernData& source, CTernData& target, int which, CSelection selection, int dropIndex,
                                bool insert, bool copy) {
        CDragRequest request;
        request.source = &source;
        request.target = &target;
        request.which = which;
        request.selection = std::move(selection);
        request.dropIndex = dropIndex;
        request.insert = insert;
        request.copy = copy;
        return request;
    }

    static bool TransferIsEmpty() {
        return CDomain::Instance().m_transferPatches.empty() && CDomain::Instance().m_transferWaves.empty();
    }

    CTernData m_a;
    CTernData m_b;
};

TEST_F(DropOperationsTest, ContiguousBlockOntoItsOwnPlaceChangesNothing) {
    for (std::size_t i = 4; i < 7; ++i) {
        UsePatch(m_a, "A", i);
    }
    const ProjectState before = CaptureState(m_a);

    for (const bool insert : {false, true}) {
        for (const bool copy : {false, true}) {
            const CDropResult result = DragAndDrop(Request(m_a, m_a, kPatchList, {4, 5, 6}, 4, insert, copy));
            EXPECT_EQ(result.status, DropStatus::NoOp);
            EXPECT_EQ(result.sourceSelection, (CSelection{4, 5, 6}));
            EXPECT_TRUE(result.deletedAfterMove.empty());
        }
    }
    EXPECT_EQ(CaptureState(m_a), before);
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_FALSE(CDomain::Instance().HasUndo());
    EXPECT_TRUE(TransferIsEmpty());
}

TEST_F(DropOperationsTest, OwnPlaceRuleNeedsAContiguousBlockInTheSameList) {
    EXPECT_TRUE(IsDropOntoOwnPlace({4, 5, 6}, true, 4));
    EXPECT_FALSE(IsDropOntoOwnPlace({4, 5, 6}, true, 5));
    EXPECT_FALSE(IsDropOntoOwnPlace({4, 6}, true, 4));
    EXPECT_FALSE(IsDropOntoOwnPlace({4, 5, 6}, false, 4));
}

TEST_F(DropOperationsTest, MovingThreePatchesToAnotherWindowIsUndoneInBothByOneUndo) {
    UseWave(m_a, "A", 1);
    for (std::size_t i = 0; i < 3; ++i) {
        SetWaveReference(UsePatch(m_a, "A", i), 0, 0, 2);
    }
    UsePatch(m_a, "A", 3);
    RebuildUsers(m_a);
    const ProjectState beforeA = CaptureState(m_a);
    const ProjectState beforeB = CaptureState(m_b);

    const CDropResult result = DragAndDrop(Request(m_a, m_b, kPatchList, {0, 1, 2}, 10, false, false));

    ASSERT_EQ(result.status, DropStatus::Done);
    EXPECT_TRUE(result.otherWindow);
    EXPECT_EQ(result.deletedAfterMove, (CSelection{0, 1, 2}));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(m_a.m_patches[i].IsEmpty());
        EXPECT_FALSE(m_b.m_patches[10 + i].IsEmpty());
        EXPECT_EQ(m_b.m_patches[10 + i].m_osc[0].GetWaveNumber(0), 1);
    }
    EXPECT_FALSE(m_a.m_waves[1].IsEmpty());
    EXPECT_TRUE(m_a.m_waves[1].m_users.empty());
    EXPECT_EQ(m_b.m_waves[0].m_path, m_a.m_waves[1].m_path);
    EXPECT_TRUE(Consistent(m_a));
    EXPECT_TRUE(Consistent(m_b));
    EXPECT_TRUE(TransferIsEmpty());
    const ProjectState afterA = CaptureState(m_a);
    const ProjectState afterB = CaptureState(m_b);

    CDomain::Instance().Undo();
    EXPECT_EQ(CaptureState(m_a), beforeA);
    EXPECT_EQ(CaptureState(m_b), beforeB);
    CDomain::Instance().Undo();
    EXPECT_EQ(CaptureState(m_a), afterA);
    EXPECT_EQ(CaptureState(m_b), afterB);
}

TEST_F(DropOperationsTest, CopyToAnotherWindowKeepsTheSourceAndItsSelection) {
    UsePatch(m_a, "A", 7);
    const CDropResult result = DragAndDrop(Request(m_a, m_b, kPatchList, {7}, 0, false, true));
    ASSERT_EQ(result.status, DropStatus::Done);
    EXPECT_EQ(result.sourceSelection, (CSelection{7}));
    EXPECT_TRUE(result.deletedAfterMove.empty());
    EXPECT_FALSE(m_a.m_patches[7].IsEmpty());
    EXPECT_EQ(CDomain::Instance().UndoSlot(0).project, &m_b);
    EXPECT_EQ(CDomain::Instance().UndoSlot(1).project, nullptr);
}

TEST_F(DropOperationsTest, InsertMoveInsideOneWindowShiftsTheDraggedRowsBeforeDeletingThem) {
    std::vector<std::string> paths(30);
    for (std::size_t i = 5; i < 23; ++i) {
        paths[i] = UsePatch(m_a, "A", i).m_path;
    }

    const CDropResult result = DragAndDrop(Request(m_a, m_a, kPatchList, {20, 21, 22}, 5, true, false));

    ASSERT_EQ(result.status, DropStatus::Done);
    EXPECT_EQ(result.count, 3U);
    EXPECT_EQ(result.selectCount, 3U);
    EXPECT_EQ(result.deletedAfterMove, (CSelection{23, 24, 25}));
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(m_a.m_patches[5 + k].m_path, paths[20 + k]);
        EXPECT_TRUE(m_a.m_patches[23 + k].IsEmpty());
    }
    for (std::size_t i = 5; i < 20; ++i) {
        EXPECT_EQ(m_a.m_patches[i + 3].m_path, paths[i]);
    }
    EXPECT_TRUE(Consistent(m_a));
}

TEST_F(DropOperationsTest, OverwriteMoveInsideOneWindowKeepsTheOverwrittenRows) {
    for (std::size_t i = 20; i < 23; ++i) {
        UsePatch(m_a, "A", i);
    }
    const std::string first = m_a.m_patches[20].m_path;

    const CDropResult result = DragAndDrop(Request(m_a, m_a, kPatchList, {20, 21, 22}, 21, false, false));

    ASSERT_EQ(result.status, DropStatus::Done);
    EXPECT_EQ(result.deletedAfterMove, (CSelection{20}));
    EXPECT_TRUE(m_a.m_patches[20].IsEmpty());
    EXPECT_EQ(m_a.m_patches[21].m_path, first);
    EXPECT_FALSE(m_a.m_patches[23].IsEmpty());
}

TEST_F(DropOperationsTest, ReselectionFollowsTheDropKind) {
    // Another window: unchanged.
    EXPECT_EQ(ReselectAfterDrop({3, 9}, kPatchList, true, true, 0, 2), (CSelection{3, 9}));
    // Insert into the same list: rows at or behind the drop move back; past the last slot they fall away.
    EXPECT_EQ(ReselectAfterDrop({3, 9, 510}, kPatchList, false, true, 9, 3), (CSelection{3, 12}));
    EXPECT_EQ(ReselectAfterDrop({996, 997}, kWaveList, false, true, 0, 2), (CSelection{998}));
    // Overwrite of the same list: rows inside the overwritten range are left out.
    EXPECT_EQ(ReselectAfterDrop({3, 4, 5, 9}, kPatchList, false, false, 4, 2), (CSelection{3, 9}));
}

TEST_F(DropOperationsTest, RowsSelectedAfterAnInsertStopAtTheLastSlot) {
    EXPECT_EQ(RowsToSelectAfterInsert(kPatchList, 3, 5), 3U);
    EXPECT_EQ(RowsToSelectAfterInsert(kPatchList, 5, 510), 2U);
    EXPECT_EQ(RowsToSelectAfterInsert(kWaveList, 5, 996), 3U);
    EXPECT_EQ(RowsToSelectAfterInsert(kWaveList, 5, -1), 0U);
}

TEST_F(DropOperationsTest, RefusedMoveDeletesNothingAndEmptiesTheBuffer) {
    UsePatch(m_a, "A", 0);
    UsePatch(m_b, "B", 3);
    m_reporter->SetDefaultAnswer(kAnswerCancel);
    const ProjectState beforeA = CaptureState(m_a);
    const ProjectState beforeB = CaptureState(m_b);

    const CDropResult result = DragAndDrop(Request(m_a, m_b, kPatchList, {0}, 3, false, false));

    EXPECT_EQ(result.status, DropStatus::Refused);
    EXPECT_EQ(result.sourceSelection, (CSelection{0}));
    EXPECT_TRUE(result.deletedAfterMove.empty());
    EXPECT_EQ(CaptureState(m_a), beforeA);
    EXPECT_EQ(CaptureState(m_b), beforeB);
    EXPECT_TRUE(TransferIsEmpty());
}

TEST_F(DropOperationsTest, DropOverNoRowOrPastTheEndIsRefused) {
    UsePatch(m_a, "A", 0);
    UsePatch(m_a, "A", 1);
    EXPECT_EQ(DragAndDrop(Request(m_a, m_b, kPatchList, {0, 1}, -1, false, true)).status, DropStatus::Refused);
    EXPECT_EQ(DragAndDrop(Request(m_a, m_b, kPatchList, {0, 1}, 511, true, true)).status, DropStatus::Refused);
    EXPECT_TRUE(TransferIsEmpty());
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

TEST_F(DropOperationsTest, DragOfEmptySlotsOnlyDoesNotStart) {
    UsePatch(m_b, "B", 0);
    const CDropResult result = DragAndDrop(Request(m_a, m_b, kPatchList, {0, 1}, 0, false, false));
    EXPECT_EQ(result.status, DropStatus::NothingDragged);
    EXPECT_FALSE(m_b.m_patches[0].IsEmpty());
    EXPECT_TRUE(m_reporter->Questions().empty());
    EXPECT_TRUE(TransferIsEmpty());
}

TEST_F(DropOperationsTest, MovingWave3OntoSlot10InsideOneWindow) {
    UseWave(m_a, "A", 2);
    SetWaveReference(UsePatch(m_a, "A", 0), 0, 0, 3);
    SetWaveReference(UsePatch(m_a, "A", 1), 15, 1, 3);
    RebuildUsers(m_a);
    const std::string wave3 = m_a.m_waves[2].m_path;

    const CDropResult result = DragAndDrop(Request(m_a, m_a, kWaveList, {2}, 9, false, false));

    ASSERT_EQ(result.status, DropStatus::Done);
    EXPECT_EQ(result.deletedAfterMove, (CSelection{2}));
    EXPECT_TRUE(m_a.m_waves[2].IsEmpty());
    EXPECT_EQ(m_a.m_waves[9].m_path, wave3);
    EXPECT_EQ(m_a.m_patches[0].m_osc[0].GetWaveNumber(0), 10);
    EXPECT_EQ(m_a.m_patches[1].m_osc[15].GetWaveNumber(1), 10);
    EXPECT_EQ(SortedUsers(m_a.m_waves[9]), (std::vector<std::int32_t>{0, 1}));
    EXPECT_TRUE(Consistent(m_a));
}

TEST_F(DropOperationsTest, CopyingWave3OntoSlot10InsideOneWindow) {
    UseWave(m_a, "A", 2);
    SetWaveReference(UsePatch(m_a, "A", 0), 0, 0, 3);
    RebuildUsers(m_a);

    const CDropResult result = DragAndDrop(Request(m_a, m_a, kWaveList, {2}, 9, false, true));

    ASSERT_EQ(result.status, DropStatus::Done);
    EXPECT_EQ(result.sourceSelection, (CSelection{2}));
    EXPECT_FALSE(m_a.m_waves[2].IsEmpty());
    EXPECT_EQ(m_a.m_waves[9].m_path, m_a.m_waves[2].m_path);
    EXPECT_TRUE(m_a.m_waves[9].m_users.empty());
    EXPECT_EQ(m_a.m_patches[0].m_osc[0].GetWaveNumber(0), 3);
    EXPECT_TRUE(Consistent(m_a));
}

TEST_F(DropOperationsTest, InsertMovingWave8ToSlotIndex2EmptiesTheShiftedOldWave) {
    for (std::size_t w = 0; w < 10; ++w) {
        UseWave(m_a, "A", w);
    }
    SetWaveReference(UsePatch(m_a, "A", 0), 0, 0, 8);
    SetWaveReference(UsePatch(m_a, "A", 1), 0, 0, 9);
    RebuildUsers(m_a);
    const std::string wave8 = m_a.m_waves[7].m_path;
    const std::string wave9 = m_a.m_waves[8].m_path;

    const CDropResult result = DragAndDrop(Request(m_a, m_a, kWaveList, {7}, 2, true, false));

    ASSERT_EQ(result.status, DropStatus::Done);
    EXPECT_EQ(result.deletedAfterMove, (CSelection{8}));
    EXPECT_EQ(m_a.m_waves[2].m_path, wave8);
    EXPECT_TRUE(m_a.m_waves[8].IsEmpty());
    EXPECT_EQ(m_a.m_waves[9].m_path, wave9);
    EXPECT_EQ(m_a.m_patches[0].m_osc[0].GetWaveNumber(0), 3);
    EXPECT_EQ(m_a.m_patches[1].m_osc[0].GetWaveNumber(0), 10);
    EXPECT_TRUE(Consistent(m_a));
}

TEST_F(DropOperationsTest, DeleteAfterMoveToAnotherWindowRegistersWithoutClearing) {
    UsePatch(m_a, "A", 0);
    CDomain& domain = CDomain::Instance();
    domain.SaveUndo(kUndoBoth, &m_b);

    EXPECT_TRUE(DeleteAfterMove(m_a, {0}, kPatchList, true));

    EXPECT_EQ(domain.UndoSlot(0).project, &m_b);
    EXPECT_EQ(domain.UndoSlot(1).project, &m_a);
    EXPECT_TRUE(m_a.m_patches[0].IsEmpty());
    EXPECT_FALSE(DeleteAfterMove(m_a, {}, kPatchList, true));
}

TEST_F(DropOperationsTest, DropSetsTheDomainFlags) {
    UsePatch(m_a, "A", 0);
    DragAndDrop(Request(m_a, m_b, kPatchList, {0}, 0, true, true));
    EXPECT_EQ(CDomain::Instance().m_dropInserts, 1);
    EXPECT_EQ(CDomain::Instance().m_dropCopies, 1);
    DragAndDrop(Request(m_a, m_b, kPatchList, {0}, 3, false, false));
    EXPECT_EQ(CDomain::Instance().m_dropInserts, 0);
    EXPECT_EQ(CDomain::Instance().m_dropCopies, 0);
}

} // namespace
} // namespace Orvanta::TestSupport
