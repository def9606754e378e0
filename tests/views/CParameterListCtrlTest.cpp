#include "ViewsFixture.h"

#include "operations/EditCommands.h"
#include "views/CParameterItemDelegate.h"
#include "winframework/CSettings.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <functional>
#include <vector>

namespace Orvanta {
namespace {

using TestSupport::ProjectBuilder;
using TestSupport::PutPatch;
using TestSupport::PutWave;
using TestSupport::RebuildUsers;
using TestSupport::TestDocument;

// Counts the drags a list starts: each makes a QDrag child of it (not yet a QDrag when it is added,
// so every new child counts).
class DragWatcher : public QObject {
public:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::ChildAdded) {
            ++count;
        }
        return false;
    }
    int count = 0;
};

class ParameterListCtrlTest : public TestSupport::ViewsTest {
protected:
    static void Click(CParameterListCtrl& list, int row, int column = 1, Qt::MouseButton button = Qt::LeftButton,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        list.scrollTo(list.model()->index(row, column));
        const QPoint point = list.visualRect(list.model()->index(row, column)).center();
        QTest::mouseClick(list.viewport(), button, modifiers, point);
    }
    static void DoubleClick(CParameterListCtrl& list, int row, int column = 1) {
        const QPoint point = list.visualRect(list.model()->index(row, column)).center();
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, point);
    }
    static QList<int> Rows(std::initializer_list<int> rows) { return QList<int>(rows); }
    // Seven patches and seven waves, patch p using wave p + 1.
    CFileView& OpenSevenLinked() {
        TestDocument& document = NewDocument();
        for (std::size_t slot = 0; slot < 7; ++slot) {
            PutPatch(document.Data(), slot, "P" + std::to_string(slot),
                     ProjectBuilder::PatchUsingWaves(static_cast<int>(slot) + 1));
            PutWave(document.Data(), slot, "W" + std::to_string(slot));
        }
        RebuildUsers(document.Data());
        return OpenView(document);
    }
};

TEST_F(ParameterListCtrlTest, ClickingAPatchSelectsTheWavesItUses) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "Lead", ProjectBuilder::PatchUsingWaves(3, 7));
    PutPatch(document.Data(), 1, "Odd", ProjectBuilder::PatchUsingWaves(1000, 0));
    for (const std::size_t slot : std::initializer_list<std::size_t>{0, 2, 6}) {
        PutWave(document.Data(), slot, "W" + std::to_string(slot));
    }
    RebuildUsers(document.Data());
    CFileView& view = OpenView(document);
    view.WaveList().SelectRows({0});

    Click(view.PatchList(), 0);
    EXPECT_EQ(view.PatchList().SelectedRows(), Rows({0}));
    EXPECT_EQ(view.WaveList().SelectedRows(), Rows({2, 6}));

    Click(view.PatchList(), 1); // wave number 1000 names no slot
    EXPECT_TRUE(view.WaveList().SelectedRows().isEmpty());
}

TEST_F(ParameterListCtrlTest, ClickingAWaveSelectsThePatchesThatUseIt) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "Lead");
    PutWave(document.Data(), 4, "Kick");
    document.Data().m_waves[4].m_users = {0, 600};
    CFileView& view = OpenView(document);

    Click(view.WaveList(), 4);
    EXPECT_EQ(view.PatchList().SelectedRows(), Rows({0}));
}

TEST_F(ParameterListCtrlTest, ArrowKeysFollowTheLinks) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "A", ProjectBuilder::PatchUsingWaves(1));
    PutPatch(document.Data(), 1, "B", ProjectBuilder::PatchUsingWaves(2));
    PutWave(document.Data(), 0, "One");
    PutWave(document.Data(), 1, "Two");
    RebuildUsers(document.Data());
    CFileView& view = OpenView(document);
    Click(view.PatchList(), 0);
    QTest::keyClick(&view.PatchList(), Qt::Key_Down);
    EXPECT_EQ(view.PatchList().SelectedRows(), Rows({1}));
    EXPECT_EQ(view.WaveList().SelectedRows(), Rows({1}));
}

// Whatever changes the patch selection (a release on an already selected row, Home, End), the wave
// list ends up holding exactly the waves of the selected patches; Home and End select the first and
// the last row, Shift+Home extends the selection to the first; Ctrl+End moves only the focus.
TEST_F(ParameterListCtrlTest, TheLinkFollowsEverySelectionChange) {
    struct Case {
        const char* name;
        std::function<void(CFileView&)> act;
        QList<int> patches;
    };
    const auto shiftClick = [](CParameterListCtrl& list, int row) {
        Click(list, row, 1, Qt::LeftButton, Qt::ShiftModifier);
    };
    const std::vector<Case> cases = {
        {"click a row of the selection",
         [&](CFileView& view) {
             Click(view.PatchList(), 0);
             shiftClick(view.PatchList(), 6);
             Click(view.PatchList(), 0);
         },
         Rows({0})},
        {"select all, then click one row",
         [](CFileView& view) {
             view.PatchList().SelectUsedRange();
             Click(view.PatchList(), 3);
         },
         Rows({3})},
        {"Home",
         [&](CFileView& view) {
             Click(view.PatchList(), 2);
             shiftClick(view.PatchList(), 5);
             QTest::keyClick(&view.PatchList(), Qt::Key_Home);
         },
         Rows({0})},
        {"Shift+Home",
         [](CFileView& view) {
             Click(view.PatchList(), 3);
             QTest::keyClick(&view.PatchList(), Qt::Key_Home, Qt::ShiftModifier);
         },
         Rows({0, 1, 2, 3})},
        {"End",
         [](CFileView& view) {
             Click(view.PatchList(), 1, 0);
             Click(view.PatchList(), 4, 0, Qt::LeftButton, Qt::ShiftModifier);
             QTest::keyClick(&view.PatchList(), Qt::Key_End);
         },
         Rows({511})},
        {"Ctrl+End moves the focus only",
         [&](CFileView& view) {
             Click(view.PatchList(), 0);
             shiftClick(view.PatchList(), 6);
             QTest::keyClick(&view.PatchList(), Qt::Key_End, Qt::ControlModifier);
         },
         Rows({0, 1, 2, 3, 4, 5, 6})},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        CFileView& view = OpenSevenLinked();
        test.act(view);
        EXPECT_EQ(view.PatchList().SelectedRows(), test.patches);
        QList<int> waves;
        for (const int row : test.patches) {
            if (row < 7) {
                waves.push_back(row); // patch p uses wave number p + 1
            }
        }
        EXPECT_EQ(view.WaveList().SelectedRows(), waves);
    }
}

// A right press selects the row under it when that row is outside the selection and keeps the
// selection when it is inside, as desktops do; the linked list follows, and the right button never
// starts a drag however far it moves.
TEST_F(ParameterListCtrlTest, RightPressSelectsARowOutsideTheSelectionAndNeverDrags) {
    struct Case {
        const char* name;
        int rightRow;
        QList<int> patches;
    };
    const std::vector<Case> cases = {
        {"inside the selection", 2, Rows({1, 2, 3})},
        {"outside the selection", 5, Rows({5})},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        CFileView& view = OpenSevenLinked();
        CParameterListCtrl& list = view.PatchList();
        Click(list, 1);
        Click(list, 3, 1, Qt::LeftButton, Qt::ShiftModifier);

        DragWatcher drags;
        list.installEventFilter(&drags);
        const QPoint point = list.visualRect(list.model()->index(test.rightRow, 1)).center();
        QTest::mousePress(list.viewport(), Qt::RightButton, Qt::NoModifier, point);
        QMouseEvent move(QEvent::MouseMove, point + QPoint(0, 40), list.viewport()->mapToGlobal(point + QPoint(0, 40)),
                         Qt::NoButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
        QTest::mouseRelease(list.viewport(), Qt::RightButton, Qt::NoModifier, point + QPoint(0, 40));

        EXPECT_EQ(list.SelectedRows(), test.patches);
        EXPECT_EQ(view.WaveList().SelectedRows(), test.patches); // patch p uses wave p + 1
        EXPECT_EQ(drags.count, 0);
        list.removeEventFilter(&drags);
    }
}

// The context menu holds the commands that apply to the list, in the menu bar's actions where the
// window has them, enabled by the clicked rows.
TEST_F(ParameterListCtrlTest, ContextMenuOffersTheCommandsOfItsListEnabledByTheSelection) {
    QAction play(QStringLiteral("Play"));
    QAction remove(QStringLiteral("Delete"));
    QAction import(QStringLiteral("Import Wave..."));
    CFileView::SetContextActionProvider([&](CListHost::ContextCommand command) -> QAction* {
        switch (command) {
        case CListHost::kContextPlay:
            return &play;
        case CListHost::kContextDelete:
            return &remove;
        case CListHost::kContextImportWave:
            return &import;
        case CListHost::kContextCut:
        case CListHost::kContextCopy:
        case CListHost::kContextPaste:
        case CListHost::kContextPasteInsert:
            break; // the clipboard commands: ClipboardCommandsTest
        case CListHost::kContextImportAndConvert:
        case CListHost::kContextExportWaves:
            return nullptr; // shown by CWaveDragDataTest's menu check
        }
        return nullptr;
    });
    QStringList shown;
    CParameterListCtrl::SetContextMenuRunner([&shown](QMenu& menu, const QPoint&) {
        for (QAction* action : menu.actions()) {
            shown.push_back(action->isSeparator() ? QStringLiteral("-")
                                                  : action->text().section(u'\t', 0, 0).remove(u'&') +
                                                        (action->isEnabled() ? QString() : QStringLiteral(" (off)")));
        }
    });
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "Lead", ProjectBuilder::PatchUsingWaves(2));
    PutWave(document.Data(), 1, "Kick");
    PutWave(document.Data(), 2, "Snare");
    RebuildUsers(document.Data());
    CFileView& view = OpenView(document);
    const auto rightClick = [&shown](CParameterListCtrl& list, int row) {
        shown.clear();
        const QPoint point = list.visualRect(list.model()->index(row, 1)).center();
        QTest::mouseClick(list.viewport(), Qt::RightButton, Qt::NoModifier, point);
        QContextMenuEvent event(QContextMenuEvent::Mouse, point, list.viewport()->mapToGlobal(point));
        QApplication::sendEvent(list.viewport(), &event);
        return shown;
    };

    EXPECT_EQ(rightClick(view.WaveList(), 1), QStringList({"Play", "-", "Edit Name...", "Delete", "-",
                                                           "Select Linked Patches", "-", "Import Wave..."}));
    EXPECT_EQ(rightClick(view.WaveList(), 2), // used by nobody
              QStringList(
                  {"Play", "-", "Edit Name...", "Delete", "-", "Select Linked Patches (off)", "-", "Import Wave..."}));
    EXPECT_EQ(rightClick(view.WaveList(), 5), // an empty slot
              QStringList({"Play", "-", "Edit Name... (off)", "Delete", "-", "Select Linked Patches (off)", "-",
                           "Import Wave..."}));
    EXPECT_EQ(rightClick(view.PatchList(), 0), QStringList({"Edit Name...", "Delete", "-", "Select Linked Waves"}));
    EXPECT_EQ(&view.FocusedList(), &view.PatchList()); // the window's commands act on the clicked list

    // Select Linked gives the other list its linked rows and the focus; Edit Name renames.
    view.PatchList().OnSelectLinked();
    EXPECT_EQ(view.WaveList().SelectedRows(), Rows({1}));
    EXPECT_EQ(&view.FocusedList(), &view.WaveList());
    CReplaceStringDlg::SetNextResult(QStringLiteral("Boom"));
    view.WaveList().OnEditName();
    EXPECT_EQ(document.Data().m_waves[1].m_name, "Boom");

    CParameterListCtrl::SetContextMenuRunner({});
    CFileView::SetContextActionProvider({});
}

TEST_F(ParameterListCtrlTest, StoredWidthWithOneTokenGivesTheDefaultForTheRest) {
    CSettings::WriteProfileString(QStringLiteral("PatchListCtrl"), QStringLiteral("ColumnWidth"), QStringLiteral("80"));
    CSettings::WriteProfileString(QStringLiteral("WaveListCtrl"), QStringLiteral("ColumnWidth"),
                                  QStringLiteral("0x30,070"));
    CFileView& view = OpenView(NewDocument());
    EXPECT_EQ(view.PatchList().columnWidth(0), 80);
    EXPECT_EQ(view.PatchList().columnWidth(1), 136);
    EXPECT_EQ(view.WaveList().columnWidth(0), 48); // hexadecimal
    EXPECT_EQ(view.WaveList().columnWidth(1), 56); // octal
}

TEST_F(ParameterListCtrlTest, WidthsAreStoredWhenTheListGoes) {
    CFileView& view = OpenView(NewDocument());
    const QList<int> patchDefaults = view.PatchList().DefaultColumnWidths();
    const QList<int> waveDefaults = view.WaveList().DefaultColumnWidths();
    view.PatchList().setColumnWidth(0, 70);
    view.WaveList().setColumnWidth(1, 150);
    m_views.clear();
    EXPECT_EQ(CSettings::ReadProfileString(QStringLiteral("PatchListCtrl"), QStringLiteral("ColumnWidth"), {}),
              QStringLiteral("70,%1").arg(patchDefaults[1]));
    EXPECT_EQ(CSettings::ReadProfileString(QStringLiteral("WaveListCtrl"), QStringLiteral("ColumnWidth"), {}),
              QStringLiteral("%1,150,%2").arg(waveDefaults[0]).arg(waveDefaults[2]));
}

TEST_F(ParameterListCtrlTest, WithNoStoredWidthsEveryColumnShowsItsWidestTextWhole) {
    const QFont original = QApplication::font();
    for (const int points : {9, 24}) {
        QFont font = original;
        font.setPointSize(points);
        QApplication::setFont(font);
        CFileView& view = OpenView(NewDocument());
        for (CParameterListCtrl* list : {static_cast<CParameterListCtrl*>(&view.PatchList()),
                                         static_cast<CParameterListCtrl*>(&view.WaveList())}) {
            SCOPED_TRACE(QStringLiteral("%1 pt, list %2").arg(points).arg(list->GetListKind()).toStdString());
            const QFontMetrics metrics = list->fontMetrics();
            const QString mark = list->GetListKind() == kWaveList ? QStringLiteral("* ") : QString();
            const struct {
                int column;
                QString widest;
                int indent;
            } cases[] = {
                {0, QStringLiteral("999"), list->NumberTextIndent()},
                {1, mark + QStringLiteral("WWWWWWWWWWWW"), 0},
                {1, mark + QStringLiteral("MMMMMMMMMMMM"), 0},
            };
            for (const auto& test : cases) {
                const int width = list->columnWidth(test.column);
                EXPECT_EQ(CParameterItemDelegate::CutToWidth(test.widest, width - test.indent, metrics), test.widest);
                EXPECT_GE(width, list->horizontalHeader()->sectionSizeHint(test.column)) << "the title shows whole";
            }
            // At its size hint the list shows both columns without scrolling sideways.
            list->resize(list->sizeHint());
            QApplication::processEvents();
            EXPECT_FALSE(list->horizontalScrollBar()->isVisible());
        }
        m_views.clear(); // stores the widths
        QtTesting::ClearSettings();
    }
    QApplication::setFont(original);
}

TEST_F(ParameterListCtrlTest, AllEmptyProjectHasNoUsedRangeAndSelectAllSelectsNothing) {
    CFileView& view = OpenView(NewDocument());
    EXPECT_EQ(view.PatchList().UsedCount(), 0);
    view.PatchList().setFocus();
    view.PatchList().SelectUsedRange();
    EXPECT_TRUE(view.PatchList().SelectedRows().isEmpty());
}

TEST_F(ParameterListCtrlTest, RebuildKeepsTopRowFocusColumnAndSelection) {
    TestDocument& document = NewDocument();
    for (std::size_t slot = 0; slot < 100; ++slot) {
        PutPatch(document.Data(), slot, "P" + std::to_string(slot));
    }
    CFileView& view = OpenView(document);
    CPatchListCtrl& list = view.PatchList();
    list.ScrollRowToTop(40);
    list.SetFocusedRow(45);
    list.SetCurrentColumn(1);
    list.SelectRows({42, 44, 46});
    PutPatch(document.Data(), 150, "Late");

    list.Rebuild(true, 0);
    EXPECT_EQ(list.TopRow(), 40);
    EXPECT_EQ(list.FocusedRow(), 45);
    EXPECT_EQ(list.CurrentColumn(), 1);
    EXPECT_EQ(list.SelectedRows(), Rows({42, 44, 46}));
    EXPECT_EQ(list.UsedCount(), 151);

    // A count selects that many slots from the first selected one.
    list.Rebuild(true, 3);
    EXPECT_EQ(list.SelectedRows(), Rows({42, 43, 44}));
    // A block that would run past the end selects nothing.
    list.SelectRows({510});
    list.Rebuild(true, 5);
    EXPECT_TRUE(list.SelectedRows().isEmpty());
    list.SelectRows({3});
    list.Rebuild(false, 0);
    EXPECT_TRUE(list.SelectedRows().isEmpty());
}

TEST_F(ParameterListCtrlTest, RenamingThreePatchesIsOneUndoStep) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 1, "One");
    PutPatch(document.Data(), 2, "Two");
    PutPatch(document.Data(), 5, "Five");
    CFileView& view = OpenView(document);
    CPatchListCtrl& list = view.PatchList();
    list.SelectRows({1, 2, 5});
    list.SetCurrentColumn(1);
    CReplaceStringDlg::SetNextResult(QStringLiteral("Pad/Lead:1"));
    QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);

    EXPECT_EQ(CReplaceStringDlg::LastOfferedText(), QStringLiteral("One"));
    for (const std::size_t slot : std::initializer_list<std::size_t>{1, 2, 5}) {
        EXPECT_EQ(document.Data().m_patches[slot].m_name, "PadLead1");
    }
    EXPECT_EQ(list.Model().CellText(5, 1), QStringLiteral("PadLead1"));
    EXPECT_TRUE(document.IsModified());

    UndoLastChange();
    EXPECT_EQ(document.Data().m_patches[1].m_name, "One");
    EXPECT_EQ(document.Data().m_patches[2].m_name, "Two");
    EXPECT_EQ(document.Data().m_patches[5].m_name, "Five");
}

TEST_F(ParameterListCtrlTest, LongNamesKeepTheirFirstTwelveCharacters) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "Short");
    CFileView& view = OpenView(document);
    view.PatchList().SelectRows({0});
    view.PatchList().SetCurrentColumn(1);
    CReplaceStringDlg::SetNextResult(QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    view.PatchList().EditCurrentColumn();
    EXPECT_EQ(document.Data().m_patches[0].m_name, "ABCDEFGHIJKL");
}

TEST_F(ParameterListCtrlTest, CancelChangesNothing) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "Short");
    CFileView& view = OpenView(document);
    view.PatchList().SelectRows({0});
    view.PatchList().SetCurrentColumn(1);
    const int calls = document.modifiedCalls;
    CReplaceStringDlg::SetNextResult(std::nullopt);
    view.PatchList().EditCurrentColumn();
    EXPECT_EQ(CReplaceStringDlg::ShownCount(), 1);
    EXPECT_EQ(document.Data().m_patches[0].m_name, "Short");
    EXPECT_EQ(document.modifiedCalls, calls);
    EXPECT_FALSE(document.IsModified());
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

TEST_F(ParameterListCtrlTest, WaveDialogOffersTheNameWithoutItsMark) {
    TestDocument& document = NewDocument();
    PutWave(document.Data(), 0, "Kick");
    CFileView& view = OpenView(document);
    view.WaveList().SelectRows({0});
    view.WaveList().SetCurrentColumn(1);
    CReplaceStringDlg::SetNextResult(std::nullopt);
    view.WaveList().EditCurrentColumn();
    EXPECT_EQ(CReplaceStringDlg::LastOfferedText(), QStringLiteral("Kick"));
}

TEST_F(ParameterListCtrlTest, DoubleClickEditsOnlyASingleUsedUnmarkedElement) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "Lead");
    PutPatch(document.Data(), 1, "Bass");
    PutWave(document.Data(), 0, "Native", "/nowhere/Song.prj/Wave/001 Native.w00");
    PutWave(document.Data(), 1, "User");
    CFileView& view = OpenView(document);

    // A used patch alone in the selection: the dialog opens.
    Click(view.PatchList(), 0);
    CReplaceStringDlg::SetNextResult(QStringLiteral("Solo"));
    DoubleClick(view.PatchList(), 0);
    EXPECT_EQ(CReplaceStringDlg::ShownCount(), 1);
    EXPECT_EQ(document.Data().m_patches[0].m_name, "Solo");
    EXPECT_EQ(view.PatchList().CurrentColumn(), 1);

    // An empty slot, two selected rows, a ".w00" wave: nothing opens.
    CReplaceStringDlg::ClearScript();
    CReplaceStringDlg::SetNextResult(std::nullopt);
    Click(view.PatchList(), 7);
    DoubleClick(view.PatchList(), 7);
    view.PatchList().SelectRows({0, 1});
    DoubleClick(view.PatchList(), 1);
    Click(view.WaveList(), 0);
    DoubleClick(view.WaveList(), 0);
    EXPECT_EQ(CReplaceStringDlg::ShownCount(), 0);

    // Ctrl+R does rename a ".w00" wave.
    view.WaveList().SetCurrentColumn(1);
    CReplaceStringDlg::ClearScript();
    CReplaceStringDlg::SetNextResult(QStringLiteral("Renamed"));
    QTest::keyClick(&view.WaveList(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(document.Data().m_waves[0].m_name, "Renamed");
    EXPECT_EQ(CReplaceStringDlg::LastOfferedText(), QStringLiteral("Native")) << "the mark is not offered";

    // An empty wave slot that was given a name shows no mark, so none of its name is dropped.
    document.Data().m_waves[5].SetName("Spare", false);
    view.WaveList().SelectRows({5});
    CReplaceStringDlg::ClearScript();
    CReplaceStringDlg::SetNextResult(std::nullopt);
    QTest::keyClick(&view.WaveList(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(CReplaceStringDlg::LastOfferedText(), QStringLiteral("Spare"));
}

TEST_F(ParameterListCtrlTest, AClickMakesItsColumnCurrentForCtrlRAndTheFocusRectangle) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "One");
    PutPatch(document.Data(), 1, "Two");
    CFileView& view = OpenView(document);
    CPatchListCtrl& list = view.PatchList();
    list.activateWindow();
    list.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(list.hasFocus());

    // Clicked column, then Ctrl+R: only the name column opens "Edit Name", for both selected rows.
    struct Case {
        int column;
        int dialogs;
    };
    for (const Case test : {Case{0, 0}, Case{1, 1}}) {
        SCOPED_TRACE(test.column);
        CReplaceStringDlg::ClearScript();
        CReplaceStringDlg::SetNextResult(QStringLiteral("Pair"));
        Click(list, 0, test.column);
        Click(list, 1, test.column, Qt::LeftButton, Qt::ShiftModifier);
        EXPECT_EQ(list.CurrentColumn(), test.column);
        EXPECT_EQ(list.FocusRect(), list.visualRect(list.model()->index(1, test.column)));

        // The dotted rectangle runs along the left edge of the current cell, not of the other one.
        const QImage image = list.viewport()->grab().toImage();
        const auto dotsOnLeftEdge = [&](int column) {
            const QRect cell = list.visualRect(list.model()->index(1, column));
            const QColor background = image.pixelColor(cell.left() + 1, cell.center().y());
            int dots = 0;
            for (int y = cell.top() + 1; y < cell.bottom(); ++y) {
                dots += image.pixelColor(cell.left(), y) != background ? 1 : 0;
            }
            return dots;
        };
        EXPECT_GT(dotsOnLeftEdge(test.column), 0);
        EXPECT_EQ(dotsOnLeftEdge(1 - test.column), 0);

        QTest::keyClick(&list, Qt::Key_R, Qt::ControlModifier);
        EXPECT_EQ(CReplaceStringDlg::ShownCount(), test.dialogs);
    }
    EXPECT_EQ(document.Data().m_patches[0].m_name, "Pair");
    EXPECT_EQ(document.Data().m_patches[1].m_name, "Pair");
}

TEST_F(ParameterListCtrlTest, APressInABackgroundWindowDoesNotActivateIt) {
    // The patch's file does not exist: activating its window warns about it.
    for (int i = 0; i < 4; ++i) {
        CMessageBox::SetNextAnswer(QMessageBox::Ok);
    }
    QMdiArea area;
    area.resize(900, 600);
    TestDocument& first = NewDocument();
    TestDocument& second = NewDocument();
    PutPatch(second.Data(), 2, "There");
    auto* viewA = new CFileView(first);
    auto* viewB = new CFileView(second);
    QMdiSubWindow* frameA = area.addSubWindow(viewA);
    QMdiSubWindow* frameB = area.addSubWindow(viewB);
    frameA->setGeometry(0, 0, 440, 400);
    frameB->setGeometry(450, 0, 440, 400);
    viewA->OnInitialUpdate();
    viewB->OnInitialUpdate();
    QObject::connect(&area, &QMdiArea::subWindowActivated, [](QMdiSubWindow* frame) {
        if (frame != nullptr) {
            static_cast<CFileView*>(frame->widget())->OnActivated();
        }
    });
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    area.setActiveSubWindow(frameA);
    QApplication::processEvents();
    ASSERT_EQ(area.activeSubWindow(), frameA);
    ASSERT_EQ(CFileView::ActiveView(), viewA);

    CPatchListCtrl& list = viewB->PatchList();
    const QPoint point = list.visualRect(list.model()->index(2, 1)).center();
    QTest::mousePress(list.viewport(), Qt::LeftButton, Qt::NoModifier, point);
    QApplication::processEvents();
    EXPECT_EQ(list.SelectedRows(), Rows({2}));
    EXPECT_EQ(area.activeSubWindow(), frameA); // the press alone activates nothing

    QTest::mouseRelease(list.viewport(), Qt::LeftButton, Qt::NoModifier, point);
    QApplication::processEvents();
    EXPECT_EQ(area.activeSubWindow(), frameB); // the press ended here: this window comes to the top
    EXPECT_EQ(CFileView::ActiveView(), viewB);
    area.close();
}

} // namespace
} // namespace Orvanta
