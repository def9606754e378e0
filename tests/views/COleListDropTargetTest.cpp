#include "DragDriver.h"
#include "ViewsFixture.h"

#include "views/COleListDropTarget.h"

#include <QHeaderView>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

namespace Orvanta {
namespace {

using TestSupport::DragDriver;
using TestSupport::PutPatch;
using TestSupport::PutWave;
using TestSupport::TestDocument;

class DropTargetTest : public TestSupport::ViewsTest {
protected:
    // A project with patches in slots 0 .. count - 1, named P0, P1, ...
    TestDocument& ProjectWithPatches(std::size_t count) {
        TestDocument& document = NewDocument();
        for (std::size_t slot = 0; slot < count; ++slot) {
            PutPatch(document.Data(), slot, "P" + std::to_string(slot));
        }
        return document;
    }
    static std::string PatchName(const TestDocument& document, std::size_t slot) {
        return document.Data().m_patches[slot].m_name;
    }
};

TEST(DropTargetRulesTest, EffectIsMoveInTheSourceListAndCopyElsewhereCtrlSwappingThem) {
    EXPECT_EQ(COleListDropTarget::EffectFor(true, Qt::NoModifier), Qt::MoveAction);
    EXPECT_EQ(COleListDropTarget::EffectFor(true, Qt::ControlModifier), Qt::CopyAction);
    EXPECT_EQ(COleListDropTarget::EffectFor(false, Qt::NoModifier), Qt::CopyAction);
    EXPECT_EQ(COleListDropTarget::EffectFor(false, Qt::ControlModifier), Qt::MoveAction);
    // The insert keys do not change the effect.
    EXPECT_EQ(COleListDropTarget::EffectFor(false, Qt::AltModifier | Qt::ShiftModifier), Qt::CopyAction);
}

TEST(DropTargetRulesTest, AltOrShiftInserts) {
    EXPECT_FALSE(COleListDropTarget::InsertRequested(Qt::NoModifier));
    EXPECT_FALSE(COleListDropTarget::InsertRequested(Qt::ControlModifier));
    EXPECT_TRUE(COleListDropTarget::InsertRequested(Qt::AltModifier));
    EXPECT_TRUE(COleListDropTarget::InsertRequested(Qt::ShiftModifier));
    EXPECT_TRUE(COleListDropTarget::InsertRequested(Qt::ControlModifier | Qt::AltModifier));
}

TEST_F(DropTargetTest, ListsRegisterTheFormatOfTheirKind) {
    CFileView& view = OpenView(NewDocument());
    EXPECT_EQ(view.PatchList().DropTarget().Format(), QStringLiteral("OrvantaLibrarian_Patch"));
    EXPECT_EQ(view.WaveList().DropTarget().Format(), QStringLiteral("OrvantaLibrarian_Wave"));
    const std::unique_ptr<QMimeData> data(CListDragSource::MakeDragData(kWaveList));
    EXPECT_EQ(data->formats(), QStringList{QStringLiteral("OrvantaLibrarian_Wave")});
    EXPECT_EQ(data->data(QStringLiteral("OrvantaLibrarian_Wave")), QByteArray(4, '\0'));
}

TEST_F(DropTargetTest, APatchDragIsRefusedByEveryWaveList) {
    TestDocument& source = ProjectWithPatches(2);
    CFileView& viewA = OpenView(source);
    CFileView& viewB = OpenView(NewDocument());
    viewA.PatchList().SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(viewA.PatchList(), 0));
    DragDriver drag(kPatchList);
    for (CFileView* view : {&viewA, &viewB}) {
        CParameterListCtrl& waves = view->WaveList();
        const QPoint point = DragDriver::RowPoint(waves, 3);
        EXPECT_FALSE(drag.Enter(waves, point).accepted);
        EXPECT_FALSE(drag.Move(waves, point).accepted);
        EXPECT_FALSE(drag.Drop(waves, point).accepted);
    }
    EXPECT_TRUE(viewB.Document().Data().m_waves[3].IsEmpty());
    CListDragSource::Finish();
    EXPECT_EQ(TransferCount(kPatchList), 0u);
}

TEST_F(DropTargetTest, DataOfAnotherProgramIsRefused) {
    CFileView& view = OpenView(ProjectWithPatches(1));
    view.PatchList().SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(view.PatchList(), 0));
    auto text = std::make_unique<QMimeData>();
    text->setText(QStringLiteral("001 Lead.p00"));
    DragDriver foreign(std::move(text));
    const QPoint point = DragDriver::RowPoint(view.PatchList(), 5);
    EXPECT_FALSE(foreign.Enter(view.PatchList(), point).accepted);
    EXPECT_FALSE(foreign.Drop(view.PatchList(), point).accepted);
    EXPECT_EQ(DragState::Instance().targetList, nullptr);
    EXPECT_TRUE(view.Document().Data().m_patches[5].IsEmpty());
    CListDragSource::Finish();
}

TEST_F(DropTargetTest, EffectsAndInsertFlagFollowTheKeysAtEveryMove) {
    CFileView& viewA = OpenView(ProjectWithPatches(3));
    CFileView& viewB = OpenView(NewDocument());
    viewA.PatchList().SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(viewA.PatchList(), 0));
    DragDriver drag(kPatchList);
    const CDomain& domain = CDomain::Instance();
    CParameterListCtrl& own = viewA.PatchList();
    CParameterListCtrl& other = viewB.PatchList();

    EXPECT_EQ(drag.Enter(own, DragDriver::RowPoint(own, 6)).action, Qt::MoveAction);
    EXPECT_EQ(domain.m_dropCopies, 0);
    EXPECT_EQ(drag.Move(own, DragDriver::RowPoint(own, 6), Qt::ControlModifier).action, Qt::CopyAction);
    EXPECT_EQ(domain.m_dropCopies, 1);
    EXPECT_EQ(domain.m_dropInserts, 0);
    drag.Move(own, DragDriver::RowPoint(own, 7), Qt::AltModifier);
    EXPECT_EQ(domain.m_dropInserts, 1);
    drag.Move(own, DragDriver::RowPoint(own, 7), Qt::ShiftModifier);
    EXPECT_EQ(domain.m_dropInserts, 1);
    drag.Move(own, DragDriver::RowPoint(own, 7));
    EXPECT_EQ(domain.m_dropInserts, 0);
    drag.Leave(own);

    EXPECT_EQ(drag.Enter(other, DragDriver::RowPoint(other, 6)).action, Qt::CopyAction);
    EXPECT_EQ(DragState::Instance().targetList, &other);
    EXPECT_EQ(drag.Move(other, DragDriver::RowPoint(other, 6), Qt::ControlModifier).action, Qt::MoveAction);
    EXPECT_EQ(domain.m_dropCopies, 0);
    drag.Leave(other);
    EXPECT_EQ(DragState::Instance().targetList, nullptr);
    EXPECT_EQ(DragState::Instance().lastEnteredList, &other);
    CListDragSource::Finish();
}

// During a drag the main window's status bar says what a drop would do, and the message from
// before comes back when the drag leaves.
TEST_F(DropTargetTest, TheStatusBarSaysWhatADropWouldDo) {
    EXPECT_EQ(COleListDropTarget::DropStatusText(Qt::CopyAction, false, 1, kPatchList, 12),
              QStringLiteral("Drop: copy 1 patch to 12, overwriting"));
    EXPECT_EQ(COleListDropTarget::DropStatusText(Qt::MoveAction, true, 3, kWaveList, 990),
              QStringLiteral("Drop: move 3 waves to 990, inserting"));

    CFileView& viewA = OpenView(ProjectWithPatches(3));
    CFileView& viewB = OpenView(NewDocument());
    QMainWindow main;
    main.statusBar()->showMessage(QStringLiteral("Ready"));
    viewB.setParent(&main);
    viewA.PatchList().SelectRows({0, 1});
    ASSERT_TRUE(CListDragSource::Begin(viewA.PatchList(), 0));
    DragDriver drag(kPatchList);
    CParameterListCtrl& list = viewB.PatchList();
    drag.Enter(list, DragDriver::RowPoint(list, 6));
    EXPECT_EQ(main.statusBar()->currentMessage(), QStringLiteral("Drop: copy 2 patches to 7, overwriting"));
    drag.Move(list, DragDriver::RowPoint(list, 9), Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(main.statusBar()->currentMessage(), QStringLiteral("Drop: move 2 patches to 10, inserting"));
    drag.Leave(list);
    EXPECT_EQ(main.statusBar()->currentMessage(), QStringLiteral("Ready"));
    CListDragSource::Finish();
    viewB.setParent(nullptr);
}

// The status text names the slot where the drop lands, also for a drag that did not begin on the
// block's first row: an insert lands at the hovered row, an overwrite at the block's start.
TEST_F(DropTargetTest, TheStatusBarNamesTheSlotWhereTheDropLands) {
    struct Case {
        Qt::KeyboardModifiers keys;
        int hovered;
        int lands;
        const char* text;
    };
    const Case cases[] = {
        {Qt::AltModifier, 19, 19, "Drop: move 5 patches to 20, inserting"},
        {Qt::NoModifier, 19, 17, "Drop: move 5 patches to 18, overwriting"},
        {Qt::AltModifier, 511, 507, "Drop: move 5 patches to 508, inserting"},
        {Qt::NoModifier, 1, 0, "Drop: move 5 patches to 1, overwriting"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TestDocument& document = ProjectWithPatches(15);
        CFileView& view = OpenView(document);
        QMainWindow main;
        view.setParent(&main);
        CParameterListCtrl& list = view.PatchList();
        list.SelectRows({9, 10, 11, 12, 13});
        ASSERT_TRUE(CListDragSource::Begin(list, 11)); // pressed on the third of the five
        DragDriver drag(kPatchList);
        drag.Enter(list, DragDriver::RowPoint(list, c.hovered), c.keys);
        drag.Move(list, DragDriver::RowPoint(list, c.hovered), c.keys);
        EXPECT_EQ(main.statusBar()->currentMessage(), QString::fromUtf8(c.text));
        ASSERT_TRUE(drag.Drop(list, DragDriver::RowPoint(list, c.hovered), c.keys).accepted);
        CListDragSource::Finish();
        EXPECT_EQ(PatchName(document, static_cast<std::size_t>(c.lands)), "P9");
        view.setParent(nullptr);
    }
}

TEST_F(DropTargetTest, DropIndexFollowsTheCursorWithoutARepaint) {
    TestDocument& document = ProjectWithPatches(3);
    CFileView& view = OpenView(document);
    CParameterListCtrl& list = view.PatchList();
    list.SelectRows({1});
    ASSERT_TRUE(CListDragSource::Begin(list, 1));
    DragDriver drag(kPatchList);
    drag.Enter(list, DragDriver::RowPoint(list, 1), Qt::ControlModifier);
    // No event loop runs between the moves: nothing is painted.
    drag.Move(list, DragDriver::RowPoint(list, 4), Qt::ControlModifier);
    EXPECT_EQ(DragState::Instance().dropIndex, 4);
    drag.Move(list, DragDriver::RowPoint(list, 9), Qt::ControlModifier);
    EXPECT_EQ(DragState::Instance().dropIndex, 9);
    // Released at once two rows further on, at the list's left edge: it lands where it was released.
    ASSERT_TRUE(drag.Drop(list, DragDriver::RowPoint(list, 11, 1), Qt::ControlModifier).accepted);
    EXPECT_EQ(DragState::Instance().dropIndex, 11);
    CListDragSource::Finish();
    EXPECT_EQ(PatchName(document, 11), "P1");
    EXPECT_TRUE(document.Data().m_patches[9].IsEmpty());
    EXPECT_EQ(PatchName(document, 1), "P1"); // a copy: the source stays
}

TEST_F(DropTargetTest, FivePatchesDroppedOnRow510FillSlots507To511) {
    TestDocument& source = ProjectWithPatches(5);
    TestDocument& target = NewDocument();
    CFileView& viewA = OpenView(source);
    CFileView& viewB = OpenView(target);
    viewA.PatchList().SelectRows({0, 1, 2, 3, 4});
    ASSERT_TRUE(CListDragSource::Begin(viewA.PatchList(), 0));
    DragDriver drag(kPatchList);
    const QPoint point = DragDriver::RowPoint(viewB.PatchList(), 510);
    ASSERT_TRUE(drag.EnterAndDrop(viewB.PatchList(), point).accepted);
    CListDragSource::Finish();
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(PatchName(target, 507 + i), "P" + std::to_string(i));
    }
    EXPECT_TRUE(target.Data().m_patches[506].IsEmpty());
}

TEST_F(DropTargetTest, FiveWavesInsertedOnRow996FillSlots994To998) {
    TestDocument& source = NewDocument();
    for (std::size_t slot = 0; slot < 5; ++slot) {
        PutWave(source.Data(), slot, "W" + std::to_string(slot));
    }
    TestDocument& target = NewDocument();
    CFileView& viewA = OpenView(source);
    CFileView& viewB = OpenView(target);
    viewA.WaveList().SelectRows({0, 1, 2, 3, 4});
    ASSERT_TRUE(CListDragSource::Begin(viewA.WaveList(), 0));
    DragDriver drag(kWaveList);
    const QPoint point = DragDriver::RowPoint(viewB.WaveList(), 996);
    ASSERT_TRUE(drag.EnterAndDrop(viewB.WaveList(), point, Qt::AltModifier).accepted);
    EXPECT_EQ(DragState::Instance().dropIndex, 994);
    CListDragSource::Finish();
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(target.Data().m_waves[994 + i].m_name, "W" + std::to_string(i));
    }
    EXPECT_TRUE(target.Data().m_waves[993].IsEmpty());
}

TEST_F(DropTargetTest, TheKeysAtTheDropDecideBetweenInsertAndOverwrite) {
    TestDocument& document = ProjectWithPatches(6);
    CFileView& view = OpenView(document);
    CFileView& viewB = OpenView(ProjectWithPatches(0));
    view.PatchList().SelectRows({5});
    ASSERT_TRUE(CListDragSource::Begin(view.PatchList(), 5));
    DragDriver drag(kPatchList);
    CParameterListCtrl& list = view.PatchList();
    drag.Enter(list, DragDriver::RowPoint(list, 2), Qt::ControlModifier);
    drag.Move(list, DragDriver::RowPoint(list, 2), Qt::ControlModifier); // overwrite shown
    // Alt pressed only as the button is released: the drop inserts.
    ASSERT_TRUE(drag.Drop(list, DragDriver::RowPoint(list, 2), Qt::ControlModifier | Qt::AltModifier).accepted);
    CListDragSource::Finish();
    EXPECT_EQ(PatchName(document, 2), "P5");
    EXPECT_EQ(PatchName(document, 3), "P2");
    EXPECT_EQ(PatchName(document, 6), "P5");
    EXPECT_TRUE(m_reporter->Questions().empty());
    (void)viewB;
}

TEST_F(DropTargetTest, EnteringAListScrolledAwayFromItsFocusedRowKeepsItsPlace) {
    CFileView& view = OpenView(ProjectWithPatches(3));
    CParameterListCtrl& list = view.PatchList();
    list.SetFocusedRow(0);
    list.SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(list, 0));
    list.ScrollRowToTop(200);
    DragDriver drag(kPatchList);
    drag.Enter(list, DragDriver::RowPoint(list, 205));
    EXPECT_EQ(list.TopRow(), 200);
    EXPECT_EQ(list.FocusedRow(), 0);
    drag.Leave(list);
    EXPECT_EQ(list.TopRow(), 200);
    CListDragSource::Finish();
}

TEST_F(DropTargetTest, ListsScrollNearTheirTopAndBottomWhileTheirWindowIsActive) {
    CFileView& view = OpenView(ProjectWithPatches(3));
    CParameterListCtrl& list = view.PatchList();
    list.SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(list, 0));
    DragDriver drag(kPatchList);
    list.ScrollRowToTop(100);
    const QPoint middle(20, list.viewport()->height() / 2);
    const QPoint bottom(20, list.viewport()->height() - 2);
    const QPoint aboveTopRow(20, -3); // over the header
    drag.Enter(list, middle);
    COleListDropTarget& target = list.DropTarget();
    EXPECT_FALSE(target.DragScroll(bottom)); // not the active window
    view.OnActivated();
    EXPECT_FALSE(target.DragScroll(middle));
    EXPECT_EQ(list.TopRow(), 100);
    EXPECT_TRUE(target.DragScroll(bottom));
    EXPECT_EQ(list.TopRow(), 101);
    EXPECT_TRUE(target.DragScroll(aboveTopRow));
    EXPECT_TRUE(target.DragScroll(aboveTopRow));
    EXPECT_EQ(list.TopRow(), 99);
    // The wave list does not scroll for a patch drag.
    EXPECT_FALSE(view.WaveList().DropTarget().DragScroll(QPoint(20, view.WaveList().viewport()->height() - 2)));
    drag.Leave(list);
    CListDragSource::Finish();
}

TEST_F(DropTargetTest, DragOverTheHeaderScrollsUpAndDropsNothing) {
    TestDocument& document = ProjectWithPatches(3);
    CFileView& view = OpenView(document);
    CParameterListCtrl& list = view.PatchList();
    list.SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(list, 0));
    view.OnActivated(); // during a drag: no warning about the missing files
    list.ScrollRowToTop(50);
    QWidget* header = list.horizontalHeader()->viewport();
    const QPoint point(20, header->height() / 2);
    auto data = std::unique_ptr<QMimeData>(CListDragSource::MakeDragData(kPatchList));
    QDragEnterEvent headerEnter(point, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(header, &headerEnter);
    EXPECT_FALSE(headerEnter.isAccepted()); // over no row
    QTest::qWait(COleListDropTarget::kTickMs * 4);
    EXPECT_LT(list.TopRow(), 50);
    QDropEvent drop(point, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(header, &drop);
    EXPECT_FALSE(drop.isAccepted());
    CListDragSource::Finish();
    EXPECT_FALSE(document.IsModified());
}

// Two project windows side by side in a multiple-document area, A active; B shows an empty project.
class RaisingTest : public DropTargetTest {
protected:
    void SetUp() override {
        DropTargetTest::SetUp();
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(1000, 600);
        // The frames own the views; the area deletes the frames.
        m_viewA = new CFileView(ProjectWithPatches(2));
        m_viewB = new CFileView(NewDocument());
        m_frameA = m_area->addSubWindow(m_viewA);
        m_frameB = m_area->addSubWindow(m_viewB);
        m_frameA->setGeometry(0, 0, 500, 400);
        m_frameB->setGeometry(500, 0, 500, 400);
        m_area->show();
        m_viewA->OnInitialUpdate();
        m_viewB->OnInitialUpdate();
        m_area->setActiveSubWindow(m_frameA);
        QApplication::processEvents();
    }
    void TearDown() override {
        m_area.reset();
        DropTargetTest::TearDown();
    }

    std::unique_ptr<QMdiArea> m_area;
    CFileView* m_viewA = nullptr;
    CFileView* m_viewB = nullptr;
    QMdiSubWindow* m_frameA = nullptr;
    QMdiSubWindow* m_frameB = nullptr;
};

TEST_F(RaisingTest, RestingOverABackgroundWindowForMoreThanASecondRaisesIt) {
    ASSERT_EQ(m_area->activeSubWindow(), m_frameA);
    m_viewA->PatchList().SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(m_viewA->PatchList(), 0));
    DragDriver drag(kPatchList);
    CParameterListCtrl& list = m_viewB->PatchList();
    drag.Enter(list, DragDriver::RowPoint(list, 3));
    // Moving on before the second is up: no raise.
    QTest::qWait(600);
    drag.Move(list, DragDriver::RowPoint(list, 4));
    QTest::qWait(600);
    EXPECT_EQ(m_area->activeSubWindow(), m_frameA);
    QTest::qWait(600);
    EXPECT_EQ(m_area->activeSubWindow(), m_frameB);
    drag.Leave(list);
    CListDragSource::Finish();
}

TEST_F(RaisingTest, RestingOverTheFormOfABackgroundWindowRaisesItToo) {
    m_viewA->PatchList().SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(m_viewA->PatchList(), 0));
    QWidget* form = m_viewB->PatchList().parentWidget();
    const QPoint beside(m_viewB->PatchList().geometry().right() + 2, m_viewB->PatchList().geometry().center().y());
    const std::unique_ptr<QMimeData> data(CListDragSource::MakeDragData(kPatchList));
    QDragEnterEvent enter(beside, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form, &enter);
    EXPECT_FALSE(enter.isAccepted()); // nothing can be dropped there
    QTest::qWait(700);
    EXPECT_EQ(m_area->activeSubWindow(), m_frameA);
    QTest::qWait(600);
    EXPECT_EQ(m_area->activeSubWindow(), m_frameB);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(form, &leave);
    CListDragSource::Finish();
}

TEST_F(RaisingTest, TheWindowReceivingADropComesToTheTop) {
    CParameterListCtrl& source = m_viewA->PatchList();
    source.SelectRows({0});
    // The press that starts the drag marks A as the origin.
    QTest::mousePress(source.viewport(), Qt::LeftButton, Qt::NoModifier, DragDriver::RowPoint(source, 0));
    ASSERT_TRUE(CListDragSource::Begin(source, 0));
    DragDriver drag(kPatchList);
    CParameterListCtrl& target = m_viewB->PatchList();
    ASSERT_TRUE(drag.EnterAndDrop(target, DragDriver::RowPoint(target, 2)).accepted);
    CListDragSource::Finish();
    EXPECT_EQ(m_area->activeSubWindow(), m_frameB);
}

TEST_F(RaisingTest, ADragEndingWithoutADropOverItsOriginBringsTheOriginToTheTop) {
    m_area->setActiveSubWindow(m_frameB);
    ASSERT_EQ(m_area->activeSubWindow(), m_frameB);
    CParameterListCtrl& source = m_viewA->PatchList();
    source.SelectRows({1});
    // A real press and move in the background window: the offscreen platform ends the drag loop
    // at once, without a drop.
    const QPoint start = DragDriver::RowPoint(source, 1);
    QTest::mousePress(source.viewport(), Qt::LeftButton, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(0, 30)), source.viewport()->mapToGlobal(start),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(source.viewport(), &move);
    EXPECT_FALSE(DragState::Instance().inProgress);
    EXPECT_EQ(m_area->activeSubWindow(), m_frameA);
}

} // namespace
} // namespace Orvanta
