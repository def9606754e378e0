#include "DragDriver.h"
#include "ViewsFixture.h"

#include "views/DropFeedback.h"

#include <QImage>

namespace Orvanta {
namespace {

using TestSupport::DragDriver;
using TestSupport::PutPatch;
using TestSupport::PutWave;
using TestSupport::TestDocument;

TEST(DropPlacementTest, FivePatchesNearTheEndLandInTheLastFiveSlots) {
    // Anchor first: the pointer's row is where the block starts, until it would run past slot 511.
    for (const bool insert : {false, true}) {
        EXPECT_EQ(PlaceDrop(510, 0, 5, 512, insert).dropIndex, 507) << insert;
        EXPECT_EQ(PlaceDrop(511, 0, 5, 512, insert).dropIndex, 507) << insert;
        EXPECT_EQ(PlaceDrop(507, 0, 5, 512, insert).dropIndex, 507) << insert;
        EXPECT_EQ(PlaceDrop(506, 0, 5, 512, insert).dropIndex, 506) << insert;
    }
    const DropPlacement overwrite = PlaceDrop(510, 0, 5, 512, false);
    EXPECT_EQ(overwrite.dropStart, 510);
    EXPECT_EQ(overwrite.rows, 5);
    EXPECT_EQ(PlaceDrop(510, 0, 5, 512, true).rows, 0); // an insert shows a line
}

TEST(DropPlacementTest, FiveWavesNearTheEndLandInTheLastFiveSlots) {
    for (const bool insert : {false, true}) {
        EXPECT_EQ(PlaceDrop(996, 0, 5, 999, insert).dropIndex, 994) << insert;
        EXPECT_EQ(PlaceDrop(998, 0, 5, 999, insert).dropIndex, 994) << insert;
        EXPECT_EQ(PlaceDrop(993, 0, 5, 999, insert).dropIndex, 993) << insert;
    }
}

TEST(DropPlacementTest, OverwriteStartsAnchorOffsetRowsAboveThePointerButNotBeforeSlotZero) {
    // The pointer on the third of four dragged elements.
    EXPECT_EQ(PlaceDrop(10, 2, 4, 512, false).dropIndex, 8);
    EXPECT_EQ(PlaceDrop(10, 2, 4, 512, false).dropStart, 8);
    EXPECT_EQ(PlaceDrop(1, 2, 4, 512, false).dropStart, -1);
    EXPECT_EQ(PlaceDrop(1, 2, 4, 512, false).dropIndex, 0);
    // An insert goes in at the pointer's row whatever the anchor.
    EXPECT_EQ(PlaceDrop(10, 2, 4, 512, true).dropIndex, 10);
    EXPECT_EQ(PlaceDrop(1, 2, 4, 512, true).dropIndex, 1);
}

TEST(DropPlacementTest, NothingLandsOverNoRowOrWithoutDraggedElements) {
    EXPECT_EQ(PlaceDrop(-1, 0, 3, 512, false).dropIndex, -1);
    EXPECT_EQ(PlaceDrop(-1, 2, 3, 512, false).dropStart, -3);
    EXPECT_EQ(PlaceDrop(-1, 0, 3, 512, true).dropIndex, -1);
    EXPECT_EQ(PlaceDrop(5, 0, 0, 512, false).dropIndex, -1);
    EXPECT_EQ(PlaceDrop(512, 0, 1, 512, false).dropIndex, -1);
}

TEST(AutoScrollSpeedTest, OneRowForTheFirstThreeSecondsThenTheSecondsPassed) {
    std::int64_t start = 0;
    EXPECT_EQ(AutoScrollSpeed(start, 1000), 1);
    EXPECT_EQ(start, 1000);
    EXPECT_EQ(AutoScrollSpeed(start, 1000), 1);
    EXPECT_EQ(AutoScrollSpeed(start, 1002), 1);
    EXPECT_EQ(AutoScrollSpeed(start, 1003), 3);
    EXPECT_EQ(AutoScrollSpeed(start, 1005), 5);
    EXPECT_EQ(start, 1000);
}

// The feedback as drawn: rows whose left edge shows the outline's grey.
class DropFeedbackPaintTest : public TestSupport::ViewsTest {
protected:
    // Rows from `first` to `last` whose pixels near the left inset carry the outline colour.
    static std::vector<int> OutlinedRows(CParameterListCtrl& list, int first, int last) {
        const QImage image = list.viewport()->grab().toImage();
        std::vector<int> rows;
        for (int row = first; row <= last; ++row) {
            const int top = list.rowViewportPosition(row);
            bool found = false;
            const int bottom = std::min(top + list.rowHeight(row) - 3, image.height());
            for (int y = std::max(top + 3, 0); y < bottom && !found; ++y) {
                for (int x = 0; x < 6 && !found; ++x) {
                    found = image.pixel(x, y) == (0xFF000000u | kOverwriteOutlineColour);
                }
            }
            if (found) {
                rows.push_back(row);
            }
        }
        return rows;
    }
};

TEST_F(DropFeedbackPaintTest, OverwriteOutlineIsClampedToTheListEnd) {
    TestDocument& document = NewDocument();
    for (std::size_t slot = 0; slot < 5; ++slot) {
        PutPatch(document.Data(), slot, "P" + std::to_string(slot));
    }
    CFileView& view = OpenView(document, QSize(640, 900));
    CParameterListCtrl& list = view.PatchList();
    list.SelectRows({0, 1, 2, 3, 4});
    ASSERT_TRUE(CListDragSource::Begin(list, 0));
    DragDriver drag(kPatchList);
    list.ScrollRowToTop(500);
    const QPoint point = DragDriver::RowPoint(list, 510);
    drag.Enter(list, point);
    ASSERT_TRUE(drag.Move(list, point).accepted);
    EXPECT_EQ(DragState::Instance().dropIndex, 507);

    EXPECT_EQ(OutlinedRows(list, 503, 511), (std::vector<int>{507, 508, 509, 510, 511}));
    // Moving up lets the outline follow the pointer.
    ASSERT_TRUE(drag.Move(list, DragDriver::RowPoint(list, 504)).accepted);
    EXPECT_EQ(OutlinedRows(list, 503, 511), (std::vector<int>{504, 505, 506, 507, 508}));
    drag.Leave(list);
    EXPECT_TRUE(OutlinedRows(list, 503, 511).empty());
    CListDragSource::Finish();
}

TEST_F(DropFeedbackPaintTest, InsertShowsALineInsteadOfAnOutline) {
    TestDocument& document = NewDocument();
    PutWave(document.Data(), 0, "W");
    CFileView& view = OpenView(document, QSize(640, 900));
    CParameterListCtrl& list = view.WaveList();
    list.SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(list, 0));
    DragDriver drag(kWaveList);
    list.ScrollRowToTop(980);
    const QPoint point = DragDriver::RowPoint(list, 990);
    drag.Enter(list, point, Qt::AltModifier);
    ASSERT_TRUE(drag.Move(list, point, Qt::AltModifier).accepted);
    EXPECT_EQ(DragState::Instance().dropIndex, 990);
    EXPECT_TRUE(OutlinedRows(list, 985, 995).empty());
    // The line: black pixels across row 990, one pixel below its top.
    const QImage image = list.viewport()->grab().toImage();
    const int y = list.rowViewportPosition(990) + 1;
    const int x = list.columnViewportPosition(1) + 5;
    EXPECT_EQ(image.pixel(x, y), 0xFF000000u);
    EXPECT_NE(image.pixel(x, y + 3), 0xFF000000u);
    drag.Leave(list);
    CListDragSource::Finish();
}

TEST_F(DropFeedbackPaintTest, OutlineStaysWhileTheOverwriteQuestionIsUp) {
    TestDocument& source = NewDocument();
    PutPatch(source.Data(), 0, "A");
    PutPatch(source.Data(), 1, "B");
    TestDocument& target = NewDocument();
    PutPatch(target.Data(), 3, "Old");
    CFileView& viewA = OpenView(source);
    CFileView& viewB = OpenView(target);
    viewA.PatchList().SelectRows({0, 1});
    ASSERT_TRUE(CListDragSource::Begin(viewA.PatchList(), 0));
    DragDriver drag(kPatchList);
    CParameterListCtrl& list = viewB.PatchList();
    std::vector<int> outlinedWhileAsking;
    m_reporter->SetAnswerer([&](int, int) {
        outlinedWhileAsking = OutlinedRows(list, 0, 6);
        return kAnswerCancel;
    });
    EXPECT_FALSE(drag.EnterAndDrop(list, DragDriver::RowPoint(list, 3)).accepted);
    CListDragSource::Finish();
    EXPECT_EQ(m_reporter->QuestionCodes(), std::vector<int>{kAskOverwrite});
    EXPECT_EQ(outlinedWhileAsking, (std::vector<int>{3, 4}));
    EXPECT_TRUE(OutlinedRows(list, 0, 6).empty()); // gone once the drop is over
    EXPECT_EQ(target.Data().m_patches[3].m_name, "Old");
}

} // namespace
} // namespace Orvanta
