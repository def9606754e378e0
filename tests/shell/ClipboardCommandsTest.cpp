// Edit > Cut, Copy, Paste, Paste Insert and History in the librarian: the keys, the context menu,
// the status prompt that says what a paste would do, and going back and forward in the History
// window.

#include "DragDriver.h"
#include "ShellTestFixture.h"
#include "model/CDomain.h"
#include "operations/CClipboard.h"
#include "operations/CHistory.h"
#include "shell/CClipboardCommands.h"
#include "shell/CFileDoc.h"
#include "shell/CFileFrame.h"
#include "shell/CHistoryWindow.h"
#include "shell/CMainFrame.h"
#include "shell/CommandIds.h"
#include "views/CFileView.h"
#include "views/CListDragSource.h"
#include "views/CPatchListCtrl.h"
#include "winframework/CMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QTest>

namespace Orvanta::ShellTesting {
namespace {

class ClipboardCommandsTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(Start());
        m_frame = m_app->MainFrame();
        CClipboard::Instance().Clear();
        CHistory::Instance().Clear();
    }
    void TearDown() override {
        CClipboard::Instance().Clear();
        CHistory::Instance().Clear();
        ShellTest::TearDown();
    }

    CFileDoc& Open(const std::string& name) {
        CFileDoc* document = m_app->OpenProject(MakeProject(name));
        EXPECT_NE(document, nullptr);
        Pump();
        return *document;
    }

    static CFileView& View(const CFileDoc& document) { return *document.Frame()->View(); }

    // Makes `document`'s window the active one with the focus on its patch list at `row`.
    void FocusPatchRow(CFileDoc& document, int row) {
        m_frame->ActivateFrame(document.Frame());
        Pump();
        CPatchListCtrl& list = View(document).PatchList();
        list.setFocus();
        list.setCurrentIndex(list.model()->index(row, 0));
        list.SelectRows({static_cast<std::size_t>(row)});
        m_frame->UpdateCommandUI();
    }

    QAction* Action(int command) const { return m_frame->Action(command); }

    CMainFrame* m_frame = nullptr;
};

TEST_F(ClipboardCommandsTest, CopyAndPasteWithTheKeysBetweenWindowsThenBackAndForwardInTheHistory) {
    CFileDoc& song = Open("Song.prj");
    CFileDoc& live = Open("Live.prj");
    m_frame->show();
    QApplication::setActiveWindow(m_frame);

    FocusPatchRow(song, 0);
    ASSERT_TRUE(Action(kCmdEditCopy)->isEnabled());
    EXPECT_FALSE(Action(kCmdEditPaste)->isEnabled()); // nothing copied yet
    QTest::keyClick(&View(song).PatchList(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(CClipboard::Instance().Count(), 1U);

    FocusPatchRow(live, 4);
    ASSERT_TRUE(Action(kCmdEditPaste)->isEnabled());
    // The prompt says what the paste will do before it is done.
    EXPECT_EQ(Action(kCmdEditPaste)->statusTip(),
              "Paste: copy 1 patch to 5, overwriting; the waves they use come along.");
    QTest::keyClick(&View(live).PatchList(), Qt::Key_V, Qt::ControlModifier);

    const CTernData& data = live.Data();
    EXPECT_EQ(data.m_patches[4].m_name, "Lead");
    // Song's wave 1 came along into Live's first free wave slot, 2.
    EXPECT_EQ(data.m_patches[4].m_osc[0].GetWaveNumber(0), 2);
    EXPECT_FALSE(data.m_waves[1].IsEmpty());
    EXPECT_EQ(View(live).PatchList().GetSelectedIndices(), CSelection{4});
    EXPECT_TRUE(live.IsModified());
    EXPECT_FALSE(song.IsModified());

    // Paste Insert with Ctrl+Shift+V at row 1 of Live.
    FocusPatchRow(live, 0);
    QTest::keyClick(&View(live).PatchList(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(data.m_patches[0].m_name, "Lead");
    EXPECT_EQ(data.m_patches[1].m_name, "Lead");
    EXPECT_EQ(data.m_patches[5].m_name, "Lead"); // the first paste, moved down by one

    Action(kCmdEditHistory)->trigger();
    CHistoryWindow* history = m_frame->ClipboardCommands()->HistoryWindow();
    ASSERT_NE(history, nullptr);
    QListWidget* list = history->List();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Paste patches 1 from Song.prj to Live.prj inserted at 1");
    EXPECT_EQ(list->item(1)->text(), "Paste patches 1 from Song.prj to Live.prj at 5");

    // Back to before the first paste: Live as it was loaded; Undo has nothing to toggle.
    ASSERT_TRUE(history->GoBackTo(0));
    EXPECT_TRUE(data.m_patches[4].IsEmpty());
    EXPECT_TRUE(data.m_patches[1].IsEmpty());
    EXPECT_TRUE(data.m_waves[1].IsEmpty());
    EXPECT_FALSE(Action(kCmdEditUndo)->isEnabled());
    EXPECT_EQ(list->item(0)->text(), "Paste patches 1 from Song.prj to Live.prj inserted at 1  (taken back)");
    // Forward over the first again.
    ASSERT_TRUE(history->GoForwardTo(0));
    EXPECT_EQ(data.m_patches[4].m_name, "Lead");
    EXPECT_TRUE(data.m_patches[1].IsEmpty());

    // Saving Live removes its entries, the one taken back too, and the window says so.
    ASSERT_TRUE(live.SaveFolder(QString::fromStdString(data.m_projectPath)));
    history->Refresh();
    EXPECT_EQ(list->count(), 1); // "(no changes)"
    EXPECT_EQ(history->NoticeText().toStdString(), "Saving Live.prj removed 2 entries from the history.");
}

TEST_F(ClipboardCommandsTest, CutFromTheContextMenuIsEmptiedWhenPastedAndOneUndoRestoresBoth) {
    CFileDoc& song = Open("Song.prj");
    CFileDoc& live = Open("Live.prj");
    FocusPatchRow(song, 0);
    // The list's context menu holds the Edit menu's clipboard commands.
    const std::unique_ptr<QMenu> menu = View(song).PatchList().MakeContextMenu();
    QAction* cut = nullptr;
    for (QAction* action : menu->actions()) {
        if (action == Action(kCmdEditCut)) {
            cut = action;
        }
    }
    ASSERT_NE(cut, nullptr);
    ASSERT_TRUE(cut->isEnabled());
    cut->trigger();
    EXPECT_FALSE(song.Data().m_patches[0].IsEmpty()); // a cut changes nothing until it is pasted

    FocusPatchRow(live, 9);
    EXPECT_EQ(Action(kCmdEditPaste)->statusTip().toStdString(),
              "Paste: move 1 patch to 10, overwriting; the waves they use come along.");
    Action(kCmdEditPaste)->trigger();
    EXPECT_EQ(live.Data().m_patches[9].m_name, "Lead");
    EXPECT_TRUE(song.Data().m_patches[0].IsEmpty());
    EXPECT_TRUE(song.IsModified());

    Action(kCmdEditUndo)->trigger();
    EXPECT_EQ(song.Data().m_patches[0].m_name, "Lead");
    EXPECT_TRUE(live.Data().m_patches[9].IsEmpty());
    // The history followed the Undo: its one entry is taken back.
    EXPECT_EQ(CHistory::Instance().Size(), 1U);
    EXPECT_EQ(CHistory::Instance().Position(), 0U);
    EXPECT_EQ(CHistory::Instance().Entry(0).name, "Cut and paste patches 1 from Song.prj to Live.prj at 10");
}

TEST_F(ClipboardCommandsTest, TheHistoryNamesDragsDeletesAndRenamesByWhatTheyDid) {
    CFileDoc& song = Open("Song.prj");
    CFileDoc& live = Open("Live.prj");
    // A drag of Song's patch 1 onto row 3 of Live's patch list, with Ctrl: a move.
    CPatchListCtrl& from = View(song).PatchList();
    from.SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(from, 0));
    TestSupport::DragDriver drag(kPatchList);
    EXPECT_TRUE(drag.EnterAndDrop(View(live).PatchList(), TestSupport::DragDriver::RowPoint(View(live).PatchList(), 2),
                                  Qt::ControlModifier)
                    .accepted);
    CListDragSource::Finish();
    ASSERT_EQ(live.Data().m_patches[2].m_name, "Lead");

    FocusPatchRow(live, 2);
    CMessageBox::SetNextAnswer(QMessageBox::Ok); // "OK to delete?"
    Action(kCmdEditDelete)->trigger();
    ASSERT_TRUE(live.Data().m_patches[2].IsEmpty());

    CHistory& history = CHistory::Instance();
    ASSERT_EQ(history.Size(), 2U);
    EXPECT_EQ(history.Entry(0).name, "Move patches 1 from Song.prj to Live.prj at 3");
    EXPECT_EQ(history.Entry(1).name, "Delete patches 3 in Live.prj");
}

} // namespace
} // namespace Orvanta::ShellTesting
