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
#include "views/CWaveListCtrl.h"
#include "winframework/CMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
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
    EXPECT_EQ(list->item(0)->text(), "Paste patch 1 from Song.prj to Live.prj inserted at 1");
    EXPECT_EQ(list->item(1)->text(), "Paste patch 1 from Song.prj to Live.prj at 5");

    // Back to before the first paste: Live as it was loaded; Undo has nothing to toggle.
    ASSERT_TRUE(history->GoBackTo(0));
    EXPECT_TRUE(data.m_patches[4].IsEmpty());
    EXPECT_TRUE(data.m_patches[1].IsEmpty());
    EXPECT_TRUE(data.m_waves[1].IsEmpty());
    EXPECT_FALSE(Action(kCmdEditUndo)->isEnabled());
    EXPECT_EQ(list->item(0)->text(), "Paste patch 1 from Song.prj to Live.prj inserted at 1  (taken back)");
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
    EXPECT_EQ(CHistory::Instance().Entry(0).name, "Cut and paste patch 1 from Song.prj to Live.prj at 10");
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
    EXPECT_EQ(history.Entry(0).name, "Move patch 1 from Song.prj to Live.prj at 3");
    EXPECT_EQ(history.Entry(1).name, "Delete patch 3 in Live.prj");
}

// A paste's overwrite question names what it would overwrite, as a drop's does.
TEST_F(ClipboardCommandsTest, ThePastesQuestionNamesTheSlotsItOverwrites) {
    CFileDoc& song = Open("Song.prj");
    CFileDoc& live = Open("Live.prj");
    FocusPatchRow(song, 0);
    Action(kCmdEditCopy)->trigger();
    for (const bool insert : {false, true}) {
        SCOPED_TRACE(insert);
        FocusPatchRow(live, 0);
        if (insert) {
            // The last slot is in use: an insert pushes it off the end.
            CPatch& last = live.Data().m_patches[kPatchSlots - 1];
            last.m_path = live.Data().m_patches[0].m_path;
            last.SetName("Tail", false);
        }
        CMessageBox::SetNextAnswer(QMessageBox::Cancel);
        Action(insert ? kCmdEditPasteInsert : kCmdEditPaste)->trigger();
        EXPECT_EQ(CMessageBox::PendingAnswers(), 0);
        EXPECT_EQ(CMessageBox::LastShown().detail.toStdString(),
                  insert ? "Live.prj: patch 512 Tail" : "Live.prj: patch 1 Lead");
        EXPECT_EQ(live.Data().m_patches[1].m_name, "");
    }
}

// Copied patches are not pasted into a wave list: Paste is disabled there, in the context menu
// too, and says why; the patch list pastes them.
TEST_F(ClipboardCommandsTest, PasteIsDisabledInAListOfTheOtherKind) {
    CFileDoc& song = Open("Song.prj");
    FocusPatchRow(song, 0);
    Action(kCmdEditCopy)->trigger();
    CWaveListCtrl& waves = View(song).WaveList();
    waves.setFocus();
    waves.setCurrentIndex(waves.model()->index(5, 0));
    waves.SelectRows({5});
    const std::unique_ptr<QMenu> menu = waves.MakeContextMenu();
    EXPECT_FALSE(Action(kCmdEditPaste)->isEnabled());
    EXPECT_FALSE(Action(kCmdEditPasteInsert)->isEnabled());
    EXPECT_EQ(Action(kCmdEditPaste)->statusTip().toStdString(),
              "The copied patch can be pasted only into a patch list.");
    // The key reaches the command even so: nothing is pasted.
    m_frame->ClipboardCommands()->OnPaste();
    EXPECT_TRUE(song.Data().m_patches[5].IsEmpty());
    EXPECT_FALSE(song.IsModified());
    FocusPatchRow(song, 5);
    EXPECT_TRUE(Action(kCmdEditPaste)->isEnabled());
}

// A paste whose waves find no free wave slot is refused before its overwrite question, and the
// status prompt says so before the click.
TEST_F(ClipboardCommandsTest, APasteThatCannotFitIsRefusedBeforeAnyQuestion) {
    CFileDoc& song = Open("Song.prj");
    TestSupport::ProjectBuilder full(m_temp.Path(), "Full.prj");
    full.AddPatch("001 Lead.p00", TestSupport::ProjectBuilder::PatchUsingWaves(1));
    for (int slot = 1; slot <= static_cast<int>(kWaveSlots); ++slot) {
        char name[32];
        std::snprintf(name, sizeof name, "%03d W%d.wav", slot, slot);
        full.AddWave(name, 4);
    }
    full.AddSystemFiles();
    CFileDoc* target = m_app->OpenProject(TempPath("Full.prj"));
    ASSERT_NE(target, nullptr);
    Pump();
    FocusPatchRow(song, 0);
    Action(kCmdEditCopy)->trigger();
    FocusPatchRow(*target, 0);
    EXPECT_EQ(Action(kCmdEditPaste)->statusTip().toStdString(),
              "Paste: 1 patch to 1 cannot be done: there is insufficient free wave space for the 1 wave they use.");
    CMessageBox::ResetShown();
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    Action(kCmdEditPaste)->trigger();
    EXPECT_EQ(CMessageBox::ShownCount(), 1);
    EXPECT_EQ(CMessageBox::LastShown().text.toStdString(), "There is insufficient free wave space.");
    EXPECT_FALSE(target->IsModified());
}

// The History window follows a change made while it is open: after Go Back, a rename drops the
// entries taken back from the list, and Go Forward has nothing left to do.
TEST_F(ClipboardCommandsTest, TheHistoryWindowFollowsAChangeMadeAfterGoingBack) {
    CFileDoc& song = Open("Song.prj");
    CFileDoc& live = Open("Live.prj");
    FocusPatchRow(song, 0);
    Action(kCmdEditCopy)->trigger();
    for (const int row : {2, 3, 4, 5}) {
        FocusPatchRow(live, row);
        Action(kCmdEditPaste)->trigger();
    }
    Action(kCmdEditHistory)->trigger();
    CHistoryWindow* history = m_frame->ClipboardCommands()->HistoryWindow();
    ASSERT_NE(history, nullptr);
    ASSERT_TRUE(history->isVisible());
    ASSERT_EQ(history->List()->count(), 4);
    ASSERT_TRUE(history->GoBackTo(0));
    ASSERT_TRUE(history->List()->item(0)->text().endsWith(QStringLiteral("(taken back)")));

    // A rename, as every command makes its change: registered for undo, then marked.
    CDomain& domain = CDomain::Instance();
    domain.ClearUndo();
    domain.SaveUndo(kUndoBoth, &live.Data());
    live.Data().m_patches[0].SetName("Renamed", false);
    live.SetModifiedFlag(true);
    Pump();

    QListWidget* list = history->List();
    ASSERT_EQ(list->count(), 1);
    EXPECT_FALSE(list->item(0)->text().contains(QStringLiteral("taken back"))) << list->item(0)->text().toStdString();
    EXPECT_EQ(CHistory::Instance().Size(), 1U);
    list->setCurrentRow(0);
    const auto buttons = history->findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        if (button->text() == QStringLiteral("Go &Forward")) {
            EXPECT_FALSE(button->isEnabled());
        }
        if (button->text() == QStringLiteral("Go &Back")) {
            EXPECT_TRUE(button->isEnabled());
        }
    }
}

// Going back in the History to the state both projects were opened in clears their "*": a delete
// in one, a move from it into the other, then back to the oldest.
TEST_F(ClipboardCommandsTest, GoingBackToTheSavedStateClearsTheModifiedMark) {
    CFileDoc& song = Open("Song.prj");
    CFileDoc& live = Open("Live.prj");
    FocusPatchRow(live, 0);
    CMessageBox::SetNextAnswer(QMessageBox::Ok); // "OK to delete?"
    Action(kCmdEditDelete)->trigger();
    ASSERT_TRUE(live.Data().m_patches[0].IsEmpty());
    CPatchListCtrl& from = View(song).PatchList();
    from.SelectRows({0});
    ASSERT_TRUE(CListDragSource::Begin(from, 0));
    TestSupport::DragDriver drag(kPatchList);
    ASSERT_TRUE(drag.EnterAndDrop(View(live).PatchList(), TestSupport::DragDriver::RowPoint(View(live).PatchList(), 2),
                                  Qt::ControlModifier)
                    .accepted);
    CListDragSource::Finish();
    ASSERT_TRUE(song.IsModified());
    ASSERT_TRUE(live.IsModified());

    Action(kCmdEditHistory)->trigger();
    CHistoryWindow* history = m_frame->ClipboardCommands()->HistoryWindow();
    ASSERT_NE(history, nullptr);
    ASSERT_EQ(CHistory::Instance().Size(), 2U);
    ASSERT_TRUE(history->GoBackTo(0));
    EXPECT_FALSE(song.IsModified());
    EXPECT_FALSE(live.IsModified());
    EXPECT_FALSE(song.Frame()->windowTitle().contains(u'*')) << song.Frame()->windowTitle().toStdString();
    EXPECT_FALSE(live.Frame()->windowTitle().contains(u'*')) << live.Frame()->windowTitle().toStdString();
    // Forward again: both are changed once more.
    ASSERT_TRUE(history->GoForwardTo(1));
    EXPECT_TRUE(song.IsModified());
    EXPECT_TRUE(live.IsModified());
}

} // namespace
} // namespace Orvanta::ShellTesting
