#include "DragDriver.h"
#include "ViewsFixture.h"

#include "operations/EditCommands.h"

#include <QTest>

#include <utility>
#include <vector>

namespace Orvanta {
namespace {

using TestSupport::DragDriver;
using TestSupport::PutPatch;
using TestSupport::PutWave;
using TestSupport::RebuildUsers;
using TestSupport::TestDocument;

class DragSourceTest : public TestSupport::ViewsTest {
protected:
    TestDocument& ProjectWithPatches(std::size_t count, const std::string& prefix = "P") {
        TestDocument& document = NewDocument();
        for (std::size_t slot = 0; slot < count; ++slot) {
            PutPatch(document.Data(), slot, prefix + std::to_string(slot));
        }
        return document;
    }
    static std::string Name(const TestDocument& document, std::size_t slot) {
        return document.Data().m_patches[slot].m_name;
    }
    static QList<int> Rows(std::initializer_list<int> rows) { return QList<int>(rows); }

    // A drag of `rows` of `from`, anchored on `anchor`, dropped on `row` of `to`.
    bool DragRows(CParameterListCtrl& from, const CSelection& rows, int anchor, CParameterListCtrl& to, int row,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        from.SelectRows(rows);
        if (!CListDragSource::Begin(from, anchor)) {
            return false;
        }
        DragDriver drag(from.GetListKind());
        const bool accepted = drag.EnterAndDrop(to, DragDriver::RowPoint(to, row), modifiers).accepted;
        CListDragSource::Finish();
        return accepted;
    }
};

TEST_F(DragSourceTest, NothingStartsWithoutASelectedSlotInUse) {
    TestDocument& document = ProjectWithPatches(2);
    CFileView& view = OpenView(document);
    EXPECT_FALSE(CListDragSource::Begin(view.PatchList(), 0)); // nothing selected
    view.PatchList().SelectRows({5, 6});
    EXPECT_FALSE(CListDragSource::Begin(view.PatchList(), 5)); // only empty slots
    EXPECT_FALSE(DragState::Instance().inProgress);
    EXPECT_EQ(TransferCount(kPatchList), 0u);
}

TEST_F(DragSourceTest, BeginRecordsTheAnchorAndTheShapeOfTheSelection) {
    TestDocument& document = ProjectWithPatches(10);
    CFileView& view = OpenView(document);
    view.PatchList().SelectRows({2, 3, 7});
    ASSERT_TRUE(CListDragSource::Begin(view.PatchList(), 7));
    const DragState& drag = DragState::Instance();
    EXPECT_TRUE(drag.inProgress);
    EXPECT_EQ(drag.anchorRow, 7);
    EXPECT_EQ(drag.anchorOffset, 2);
    EXPECT_FALSE(drag.contiguous);
    EXPECT_FALSE(drag.waveDrag);
    EXPECT_EQ(drag.dropIndex, 7);
    EXPECT_EQ(drag.sourceList, &view.PatchList());
    EXPECT_EQ(TransferCount(kPatchList), 3u);
    CListDragSource::Finish();
    EXPECT_FALSE(DragState::Instance().inProgress);
    EXPECT_EQ(TransferCount(kPatchList), 0u);
    EXPECT_FALSE(document.IsModified());
}

TEST_F(DragSourceTest, CopyInTheSameListKeepsTheSourceRowsSelectedExceptThoseOverwritten) {
    TestDocument& document = ProjectWithPatches(6);
    CFileView& view = OpenView(document);
    CParameterListCtrl& list = view.PatchList();
    m_reporter->SetDefaultAnswer(kAnswerOk); // "delete the existing data and overwrite it?"
    // Rows 1, 2 and 4 onto row 2: slots 2 to 4 are overwritten.
    ASSERT_TRUE(DragRows(list, {1, 2, 4}, 1, list, 2, Qt::ControlModifier));
    EXPECT_EQ(Name(document, 2), "P1");
    EXPECT_EQ(Name(document, 3), "P2");
    EXPECT_EQ(Name(document, 4), "P4");
    EXPECT_EQ(list.SelectedRows(), Rows({1}));
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(TransferCount(kPatchList), 0u);
}

TEST_F(DragSourceTest, CopyInsertedInTheSameListSelectsTheDraggedRowsWhereTheyAreNow) {
    TestDocument& document = ProjectWithPatches(8);
    CFileView& view = OpenView(document);
    CParameterListCtrl& list = view.PatchList();
    ASSERT_TRUE(DragRows(list, {1, 6}, 6, list, 4, Qt::ControlModifier | Qt::AltModifier));
    EXPECT_EQ(Name(document, 4), "P1");
    EXPECT_EQ(Name(document, 5), "P6");
    EXPECT_EQ(Name(document, 8), "P6"); // the original, two slots further on
    EXPECT_EQ(list.SelectedRows(), Rows({1, 8}));
}

TEST_F(DragSourceTest, MoveInsertedInTheSameListEmptiesTheDraggedRowsAtTheirNewPlaces) {
    TestDocument& document = ProjectWithPatches(23);
    CFileView& view = OpenView(document);
    CParameterListCtrl& list = view.PatchList();
    // Slots 20 to 22 with Alt onto slot 5.
    ASSERT_TRUE(DragRows(list, {20, 21, 22}, 20, list, 5, Qt::AltModifier));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Name(document, 5 + i), "P" + std::to_string(20 + i));
    }
    for (std::size_t i = 5; i < 20; ++i) {
        EXPECT_EQ(Name(document, i + 3), "P" + std::to_string(i));
    }
    for (std::size_t slot = 23; slot < 26; ++slot) {
        EXPECT_TRUE(document.Data().m_patches[slot].IsEmpty()) << slot;
    }
    EXPECT_TRUE(list.SelectedRows().isEmpty());
    EXPECT_EQ(list.UsedCount(), 23);
}

TEST_F(DragSourceTest, MoveOverwritingInTheSameListEmptiesOnlyRowsNotOverwritten) {
    TestDocument& document = ProjectWithPatches(5);
    CFileView& view = OpenView(document);
    CParameterListCtrl& list = view.PatchList();
    m_reporter->SetDefaultAnswer(kAnswerOk); // "delete the existing data and overwrite it?"
    // Rows 1 and 2 onto row 2: slot 2 receives P1, slot 3 P2; slot 1 is emptied, slot 2 kept.
    ASSERT_TRUE(DragRows(list, {1, 2}, 1, list, 2));
    EXPECT_TRUE(document.Data().m_patches[1].IsEmpty());
    EXPECT_EQ(Name(document, 2), "P1");
    EXPECT_EQ(Name(document, 3), "P2");
    EXPECT_EQ(Name(document, 4), "P4");
}

TEST_F(DragSourceTest, CopyToAnotherWindowKeepsTheSourceSelectionAndLeavesTheTargetUnselected) {
    TestDocument& source = ProjectWithPatches(4);
    TestDocument& target = ProjectWithPatches(1, "T");
    CFileView& viewA = OpenView(source);
    CFileView& viewB = OpenView(target);
    ASSERT_TRUE(DragRows(viewA.PatchList(), {1, 3}, 1, viewB.PatchList(), 10));
    EXPECT_EQ(Name(target, 10), "P1");
    EXPECT_EQ(Name(target, 11), "P3");
    EXPECT_EQ(Name(source, 1), "P1");
    EXPECT_EQ(viewA.PatchList().SelectedRows(), Rows({1, 3}));
    EXPECT_TRUE(viewB.PatchList().SelectedRows().isEmpty());
    EXPECT_FALSE(source.IsModified());
    EXPECT_TRUE(target.IsModified());
}

TEST_F(DragSourceTest, MoveToAnotherWindowIsUndoneForBothProjectsAtOnce) {
    TestDocument& source = ProjectWithPatches(3);
    PutWave(source.Data(), 0, "Pad");
    PutPatch(source.Data(), 1, "P1", TestSupport::ProjectBuilder::PatchUsingWaves(1));
    RebuildUsers(source.Data());
    TestDocument& target = ProjectWithPatches(1, "T");
    CFileView& viewA = OpenView(source);
    CFileView& viewB = OpenView(target);
    ASSERT_TRUE(DragRows(viewA.PatchList(), {0, 1, 2}, 0, viewB.PatchList(), 10, Qt::ControlModifier));
    EXPECT_EQ(Name(target, 11), "P1");
    EXPECT_EQ(target.Data().m_waves[0].m_name, "Pad"); // the accompanying wave in the first free slot
    EXPECT_EQ(viewB.WaveList().UsedCount(), 1);
    for (std::size_t slot = 0; slot < 3; ++slot) {
        EXPECT_TRUE(source.Data().m_patches[slot].IsEmpty());
    }
    EXPECT_EQ(viewA.PatchList().UsedCount(), 0);
    EXPECT_TRUE(source.IsModified());
    EXPECT_TRUE(target.IsModified());

    const std::vector<CTernData*> restored = UndoLastChange();
    EXPECT_EQ(restored.size(), 2u);
    EXPECT_EQ(Name(source, 1), "P1");
    EXPECT_TRUE(target.Data().m_patches[10].IsEmpty());
}

TEST_F(DragSourceTest, ARefusedDropDeletesNothingAndEmptiesTheBuffer) {
    TestDocument& source = ProjectWithPatches(2);
    TestDocument& target = ProjectWithPatches(3, "T");
    CFileView& viewA = OpenView(source);
    CFileView& viewB = OpenView(target);
    m_reporter->QueueAnswer(kAnswerCancel); // "delete the existing data and overwrite it?"
    EXPECT_FALSE(DragRows(viewA.PatchList(), {0, 1}, 0, viewB.PatchList(), 1, Qt::ControlModifier));
    EXPECT_EQ(m_reporter->Questions().size(), 1u);
    EXPECT_EQ(Name(source, 0), "P0");
    EXPECT_EQ(Name(target, 1), "T1");
    EXPECT_FALSE(source.IsModified());
    EXPECT_FALSE(target.IsModified());
    EXPECT_EQ(TransferCount(kPatchList), 0u);
    EXPECT_EQ(TransferCount(kWaveList), 0u);
    EXPECT_EQ(viewA.PatchList().SelectedRows(), Rows({0, 1}));
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

TEST_F(DragSourceTest, AContiguousBlockDroppedOnItsOwnPlaceChangesNothing) {
    TestDocument& document = ProjectWithPatches(6);
    CFileView& view = OpenView(document);
    CParameterListCtrl& list = view.PatchList();
    // Released on the row it was pressed on, the block lands where it is, whichever keys are held:
    // also an insert anchored inside the block, which would otherwise go in at the hovered row.
    const std::vector<std::pair<int, Qt::KeyboardModifiers>> drops = {
        {3, Qt::NoModifier},  {2, Qt::AltModifier},   {2, Qt::ControlModifier},
        {3, Qt::AltModifier}, {4, Qt::ShiftModifier}, {3, Qt::ControlModifier | Qt::AltModifier},
    };
    for (const auto& [anchor, modifiers] : drops) {
        SCOPED_TRACE(anchor);
        EXPECT_FALSE(DragRows(list, {2, 3, 4}, anchor, list, anchor, modifiers));
    }
    EXPECT_EQ(document.modifiedCalls, 0);
    EXPECT_FALSE(document.IsModified());
    for (std::size_t slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(Name(document, slot), "P" + std::to_string(slot));
    }
    EXPECT_EQ(list.SelectedRows(), Rows({2, 3, 4}));
    EXPECT_EQ(TransferCount(kPatchList), 0u);
}

TEST_F(DragSourceTest, ACancelledMouseDragDeletesNothingAndEmptiesTheBuffer) {
    // The offscreen platform ends every drag loop at once without a drop, like Escape does.
    TestDocument& document = ProjectWithPatches(4);
    CFileView& view = OpenView(document);
    CParameterListCtrl& list = view.PatchList();
    list.SelectRows({1, 2});
    const QPoint start = DragDriver::RowPoint(list, 1);
    QTest::mousePress(list.viewport(), Qt::LeftButton, Qt::NoModifier, start);
    EXPECT_EQ(list.SelectedRows(), Rows({1, 2})); // a press on a selected row keeps the selection
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(0, 40)), list.viewport()->mapToGlobal(start),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &move);
    EXPECT_FALSE(DragState::Instance().inProgress);
    EXPECT_EQ(TransferCount(kPatchList), 0u);
    EXPECT_EQ(Name(document, 1), "P1");
    EXPECT_EQ(Name(document, 2), "P2");
    EXPECT_FALSE(document.IsModified());
    EXPECT_EQ(list.SelectedRows(), Rows({1, 2}));
}

} // namespace
} // namespace Orvanta
