// Edit > Find, Find Next, Go to Slot and Duplicates over the open project windows.

#include "ShellTestFixture.h"
#include "model/CDomain.h"
#include "shell/CDuplicatesDialog.h"
#include "shell/CFileDoc.h"
#include "shell/CFileFrame.h"
#include "shell/CFindDialog.h"
#include "shell/CMainFrame.h"
#include "shell/CSearchCommands.h"
#include "shell/CommandIds.h"
#include "views/CFileView.h"
#include "views/CPatchListCtrl.h"
#include "views/CWaveListCtrl.h"
#include "winframework/CMessageBox.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <cstdint>
#include <functional>
#include <vector>

namespace Orvanta::ShellTesting {
namespace {

using TestSupport::ProjectBuilder;

class SearchCommandsTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(Start());
        m_frame = m_app->MainFrame();
    }

    CFileDoc& Open(const QString& path) {
        CFileDoc* document = m_app->OpenProject(path);
        EXPECT_NE(document, nullptr);
        Pump();
        return *document;
    }

    // "Far.prj": a patch far down the list, in slot 400, and two byte-identical waves in slots 1 and
    // 3 used by patches 1 and 400.
    QString MakeFarProject() {
        ProjectBuilder project(m_temp.Path(), "Far.prj");
        project.AddPatch("001 Bass.p00", ProjectBuilder::PatchUsingWaves(1, 3));
        project.AddPatch("400 Lead Far.p00", ProjectBuilder::PatchUsingWaves(3));
        const std::string wave = project.AddWave("001 Sub.w00", 700);
        ProjectBuilder::WriteBytes(project.Path() + "Wave/003 Sub Copy.w00", ProjectBuilder::ReadBytes(wave));
        QString path = QString::fromStdString(project.Path());
        path.chop(1);
        return path;
    }

    static CFileView& View(const CFileDoc& document) { return *document.Frame()->View(); }

    // True when exactly `slot` is selected and current in the list and shown in it.
    static ::testing::AssertionResult ShowsSlot(CParameterListCtrl& list, std::size_t slot) {
        if (list.GetSelectedIndices() != CSelection{slot} || list.currentIndex().row() != static_cast<int>(slot) ||
            !list.IsRowVisible(static_cast<int>(slot))) {
            return ::testing::AssertionFailure()
                   << "selected " << list.GetSelectedIndices().size() << " rows, current " << list.currentIndex().row();
        }
        return ::testing::AssertionSuccess();
    }

    CMainFrame* m_frame = nullptr;
};

TEST_F(SearchCommandsTest, FindListsHitsOfEveryProjectAndDoubleClickEnterAndF3GoToThem) {
    CFileDoc& song = Open(MakeProject("Song.prj"));
    CFileDoc& far = Open(MakeFarProject());
    m_frame->Action(kCmdEditFind)->trigger();
    CFindDialog* find = m_frame->SearchCommands()->FindDialog();
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isVisible());

    find->TextField()->setText("LEAD");
    QTreeWidget* results = find->Results();
    ASSERT_EQ(results->topLevelItemCount(), 2);
    const auto row = [results](int i) {
        QStringList texts;
        for (int c = 0; c < 4; ++c) {
            texts << results->topLevelItem(i)->text(c);
        }
        return texts.join('|');
    };
    EXPECT_EQ(row(0), "Song.prj|Patch|1|Lead");
    EXPECT_EQ(row(1), "Far.prj|Patch|400|Lead Far");

    // A double-click on the second hit: the far project's window becomes active with slot 400
    // selected, current and scrolled into view.
    m_frame->ActivateFrame(song.Frame());
    ASSERT_FALSE(View(far).PatchList().IsRowVisible(399));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(find));
    Pump();
    const QRect rect = results->visualItemRect(results->topLevelItem(1));
    // What the mouse sends for a double-click: a click, then the second press as a double-click.
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, rect.center());
    Pump();
    EXPECT_EQ(m_frame->ActiveDocument(), &far);
    EXPECT_TRUE(ShowsSlot(View(far).PatchList(), 399));

    // Enter in the field goes on to the next hit, wrapping round to the first; F3 too.
    QTest::keyClick(find->TextField(), Qt::Key_Return);
    Pump();
    EXPECT_EQ(m_frame->ActiveDocument(), &song);
    EXPECT_TRUE(ShowsSlot(View(song).PatchList(), 0));
    m_frame->Action(kCmdEditFindNext)->trigger();
    Pump();
    EXPECT_EQ(m_frame->ActiveDocument(), &far);
    EXPECT_TRUE(ShowsSlot(View(far).PatchList(), 399));

    find->TextField()->setText("sub");
    EXPECT_EQ(results->topLevelItemCount(), 2);
    find->TextField()->setText("süb");
    EXPECT_EQ(results->topLevelItemCount(), 0);
    EXPECT_FALSE(find->FindNext());
}

TEST_F(SearchCommandsTest, GoToSlotSelectsTheNumberInTheListWorkedIn) {
    CFileDoc& far = Open(MakeFarProject());
    View(far).WaveList().setFocus();
    CSearchCommands::SetNextSlotAnswer(900);
    m_frame->Action(kCmdEditGoToSlot)->trigger();
    Pump();
    EXPECT_TRUE(ShowsSlot(View(far).WaveList(), 899));
    CSearchCommands::SetNextSlotAnswer(std::nullopt);
    m_frame->Action(kCmdEditGoToSlot)->trigger();
    EXPECT_TRUE(ShowsSlot(View(far).WaveList(), 899));
}

// Go to Slot, Find and Find Next move the anchor of Shift selection with them: a click on patch 2,
// a jump to 20, then Shift+Down selects 20-21, not 2-21.
TEST_F(SearchCommandsTest, AJumpMovesTheAnchorOfShiftSelection) {
    CFileDoc& far = Open(MakeFarProject());
    m_frame->show();
    CPatchListCtrl& list = View(far).PatchList();
    const std::vector<std::pair<const char*, std::function<void()>>> jumps = {
        {"Go to Slot",
         [this] {
             CSearchCommands::SetNextSlotAnswer(20);
             m_frame->Action(kCmdEditGoToSlot)->trigger();
         }},
        {"Find and Find Next",
         [this] {
             m_frame->Action(kCmdEditFind)->trigger();
             CFindDialog* find = m_frame->SearchCommands()->FindDialog();
             find->TextField()->setText(QStringLiteral("Lead Far"));
             find->Search();
             find->hide();
             m_frame->Action(kCmdEditFindNext)->trigger();
         }},
    };
    for (const auto& [name, jump] : jumps) {
        SCOPED_TRACE(name);
        list.setFocus();
        list.ScrollRowToTop(0);
        const QRect second = list.visualRect(list.model()->index(1, 1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
        ASSERT_EQ(list.GetSelectedIndices(), CSelection{1});
        jump();
        Pump();
        const std::size_t target = list.GetSelectedIndices().empty() ? 0 : list.GetSelectedIndices().front();
        ASSERT_TRUE(ShowsSlot(list, target));
        ASSERT_GT(target, 2U);
        QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
        EXPECT_EQ(list.GetSelectedIndices(), (CSelection{target, target + 1}));
    }
}

// Every way the selection of one list changes leaves the other list showing what it is linked
// to. Far.prj: patch 1 uses waves 1 and 3, patch 400 uses wave 3.
TEST_F(SearchCommandsTest, EveryWayOfSelectingLinksTheOtherList) {
    struct Case {
        const char* way;
        int list;          // the list the way selects in
        CSelection before; // that list's selection beforehand
        std::function<void(CMainFrame&, CFileView&)> run;
        CSelection selected; // that list's selection afterwards
        CSelection linked;   // the other list's selection afterwards
    };
    const auto find = [](CMainFrame& frame, const QString& text) {
        frame.Action(kCmdEditFind)->trigger();
        frame.SearchCommands()->FindDialog()->TextField()->setText(text);
    };
    const QString newWave = TempPath("New.wav");
    TestSupport::ProjectBuilder::WriteBytes(newWave.toStdString(), std::vector<std::uint8_t>(64, 0x55));
    const std::vector<Case> cases = {
        {"click",
         kPatchList,
         {1},
         [](CMainFrame&, CFileView& view) {
             CParameterListCtrl& list = view.PatchList();
             QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                               list.visualRect(list.model()->index(0, 1)).center());
         },
         {0},
         {0, 2}},
        {"key",
         kPatchList,
         {1},
         [](CMainFrame&, CFileView& view) {
             view.PatchList().setFocus();
             view.PatchList().SetFocusedRow(1);
             QTest::keyClick(&view.PatchList(), Qt::Key_Up);
         },
         {0},
         {0, 2}},
        {"Find",
         kPatchList,
         {1},
         [find](CMainFrame& frame, CFileView&) {
             find(frame, "bass");
             QTest::keyClick(frame.SearchCommands()->FindDialog()->TextField(), Qt::Key_Return);
         },
         {0},
         {0, 2}},
        {"Find Next",
         kPatchList,
         {1},
         [find](CMainFrame& frame, CFileView&) {
             find(frame, "lead far");
             frame.SearchCommands()->FindDialog()->hide();
             frame.Action(kCmdEditFindNext)->trigger();
         },
         {399},
         {2}},
        {"Go to Slot",
         kWaveList,
         {1},
         [](CMainFrame& frame, CFileView& view) {
             view.WaveList().setFocus();
             CSearchCommands::SetNextSlotAnswer(3);
             frame.Action(kCmdEditGoToSlot)->trigger();
         },
         {2},
         {0, 399}},
        {"Import",
         kWaveList,
         {0},
         [newWave](CMainFrame&, CFileView& view) {
             CMessageBox::SetNextAnswer(QMessageBox::Ok); // its bytes are no sound: a warning
             EXPECT_EQ(view.ImportFiles({newWave}), 1);
             EXPECT_EQ(CMessageBox::LastShown().text,
                       "1 file imported; New.wav is not a sound file the librarian can read and was imported as it is");
         },
         {1},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way);
        CFileDoc& far = Open(MakeFarProject());
        CFileView& view = View(far);
        CParameterListCtrl& list = view.List(c.list);
        CParameterListCtrl& other = view.List(1 - c.list);
        list.SelectRows(c.before);
        Pump();
        c.run(*m_frame, view);
        Pump();
        EXPECT_EQ(list.GetSelectedIndices(), c.selected);
        EXPECT_EQ(other.GetSelectedIndices(), c.linked);
        far.Frame()->SetCloseWithoutPrompt(true);
        far.Frame()->close();
        Pump();
    }
}

TEST_F(SearchCommandsTest, MergeDuplicateWavesChangesTheActiveProjectAndOneUndoRestoresIt) {
    Open(MakeProject("Song.prj"));
    CFileDoc& far = Open(MakeFarProject());
    m_frame->Action(kCmdEditDuplicates)->trigger();
    CDuplicatesDialog* duplicates = m_frame->SearchCommands()->DuplicatesDialog();
    ASSERT_NE(duplicates, nullptr);
    QTreeWidget* groups = duplicates->Groups();
    ASSERT_EQ(groups->topLevelItemCount(), 1);
    EXPECT_EQ(groups->topLevelItem(0)->text(0), "Waves, 700 Bytes each, 700 Bytes wasted");
    ASSERT_EQ(groups->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(groups->topLevelItem(0)->child(1)->text(2), "Sub Copy");
    ASSERT_TRUE(duplicates->MergeButton()->isEnabled());

    QTest::mouseClick(duplicates->MergeButton(), Qt::LeftButton);
    Pump();
    EXPECT_TRUE(far.IsModified());
    EXPECT_TRUE(far.Data().m_waves[2].IsEmpty());
    EXPECT_EQ(far.Data().m_patches[0].UsedWaves(), (std::vector<int>{0, 1}));
    EXPECT_EQ(far.Data().m_patches[399].UsedWaves(), (std::vector<int>{0, 1}));
    EXPECT_EQ(View(far).WaveList().model()->index(2, 1).data().toString(), "");
    EXPECT_EQ(groups->topLevelItemCount(), 0);
    EXPECT_FALSE(duplicates->MergeButton()->isEnabled());

    m_frame->UpdateCommandUI();
    m_frame->Action(kCmdEditUndo)->trigger();
    Pump();
    EXPECT_EQ(far.Data().m_waves[2].m_name, "Sub Copy");
    EXPECT_EQ(far.Data().m_patches[0].UsedWaves(), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(far.Data().m_patches[399].UsedWaves(), (std::vector<int>{0, 3}));
    // The window follows the Undo by itself: the group is back and can be merged again.
    EXPECT_EQ(groups->topLevelItemCount(), 1);
    EXPECT_TRUE(duplicates->MergeButton()->isEnabled());
    EXPECT_EQ(duplicates->Summary()->text(),
              "1 group of duplicate waves (700 Bytes of wave memory wasted), 0 groups of duplicate patches");
}

} // namespace
} // namespace Orvanta::ShellTesting
