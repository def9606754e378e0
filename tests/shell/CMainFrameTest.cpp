// The main window: titles, the two menus, accelerators, the tool bar, the status bar and the
// cascade of new project windows.

#include "shell/CMainFrame.h"
#include "ShellTestFixture.h"
#include "model/CDomain.h"
#include "shell/CFileDoc.h"
#include "shell/CFileFrame.h"
#include "storage/CNativeFileSystem.h"
#include "views/CFileView.h"
#include "views/CPatchListCtrl.h"
#include "views/CWaveListCtrl.h"
#include "winframework/CSettings.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolBar>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace Orvanta::ShellTesting {
namespace {

class CMainFrameTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(Start());
        m_frame = m_app->MainFrame();
    }

    [[nodiscard]] QStringList MenuTitles() const {
        QStringList titles;
        for (const QAction* action : m_frame->menuBar()->actions()) {
            titles.push_back(action->text());
        }
        return titles;
    }

    [[nodiscard]] QMenu* Menu(const QString& title) const {
        for (QAction* action : m_frame->menuBar()->actions()) {
            if (action->text() == title) {
                return action->menu();
            }
        }
        return nullptr;
    }

    [[nodiscard]] static QStringList ItemTexts(const QMenu* menu) {
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator() && action->isVisible()) {
                texts.push_back(action->text());
            }
        }
        return texts;
    }

    CMainFrame* m_frame = nullptr;
};

TEST_F(CMainFrameTest, TitleIsTheApplicationTitleWithoutAProject) {
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Orvanta Librarian"));
}

TEST_F(CMainFrameTest, TitlesOfAnUntitledProject) {
    CFileDoc* document = m_app->NewDocument();
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Orvanta Librarian - Untitled1 "));
    EXPECT_EQ(document->Frame()->windowTitle(), QStringLiteral("Untitled1 "));
    document->SetModified(true);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Orvanta Librarian - Untitled1 *"));
    EXPECT_EQ(document->Frame()->windowTitle(), QStringLiteral("Untitled1 *"));
}

TEST_F(CMainFrameTest, TitlesOfALoadedProjectShowItsPathAndTheModifiedMark) {
    const QString project = MakeProject("My.prj");
    CFileDoc* document = m_app->OpenProject(project);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Orvanta Librarian - ") + project + QStringLiteral("/ "));
    EXPECT_EQ(document->Frame()->windowTitle(), QStringLiteral("My.prj "));
    // A change marked by the core shows at once.
    static_cast<CTernFileDocument*>(document)->SetModified(true);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Orvanta Librarian - ") + project + QStringLiteral("/ *"));
    EXPECT_EQ(document->Frame()->windowTitle(), QStringLiteral("My.prj *"));
}

TEST_F(CMainFrameTest, TitleFollowsTheActiveProjectWindow) {
    CFileDoc* first = m_app->NewDocument();
    m_app->NewDocument();
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Orvanta Librarian - Untitled2 "));
    m_frame->ActivateFrame(first->Frame());
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Orvanta Librarian - Untitled1 "));
}

TEST_F(CMainFrameTest, WithAMaximisedProjectWindowTheTitleIsTheApplicationTitle) {
    CFileDoc* document = m_app->NewDocument();
    document->Frame()->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_frame->FrameTitle(), QStringLiteral("Orvanta Librarian"));
    EXPECT_TRUE(m_frame->windowTitle().startsWith(QStringLiteral("Orvanta Librarian")));
    EXPECT_FALSE(m_frame->windowTitle().contains(QStringLiteral("Orvanta Librarian - Untitled1 ")));
    document->Frame()->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Orvanta Librarian - Untitled1 "));
}

TEST_F(CMainFrameTest, MenuWithoutAProjectWindow) {
    EXPECT_EQ(m_frame->MenuResourceId(), 4096);
    EXPECT_EQ(MenuTitles(), (QStringList{QStringLiteral("&File"), QStringLiteral("&Help")}));
    EXPECT_EQ(ItemTexts(Menu(QStringLiteral("&File"))),
              (QStringList{QStringLiteral("&New\tCtrl+N"), QStringLiteral("&Open...\tCtrl+O"),
                           QStringLiteral("Open Most Recently Used File"), QStringLiteral("E&xit")}));
    EXPECT_EQ(ItemTexts(Menu(QStringLiteral("&Help"))), (QStringList{QStringLiteral("Orvanta Librarian &Manual"),
                                                                     QStringLiteral("&About Orvanta Librarian...")}));
    EXPECT_EQ(m_frame->Action(57600)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(m_frame->Action(57601)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_TRUE(m_frame->Action(57603)->shortcut().isEmpty());
    EXPECT_TRUE(m_frame->Action(32858)->shortcut().isEmpty());
}

// Setup > Deleted Files to the Trash starts checked and turns the saves' use of the trash off and on.
TEST_F(CMainFrameTest, TheTrashCommandTurnsTheTrashOffAndOn) {
    m_app->NewDocument();
    m_frame->UpdateCommandUI();
    QAction* trash = m_frame->Action(32896);
    EXPECT_TRUE(trash->isCheckable());
    EXPECT_TRUE(trash->isChecked());
    EXPECT_TRUE(NativeFileSystem().UsesTrash());
    trash->trigger();
    EXPECT_FALSE(m_app->UsesTrash());
    EXPECT_FALSE(NativeFileSystem().UsesTrash());
    trash->trigger();
    EXPECT_TRUE(m_app->UsesTrash());
    EXPECT_TRUE(NativeFileSystem().UsesTrash());
}

TEST_F(CMainFrameTest, MenuWithAProjectWindow) {
    m_app->NewDocument();
    EXPECT_EQ(m_frame->MenuResourceId(), 4107);
    EXPECT_EQ(MenuTitles(), (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("W&ave"),
                                         QStringLiteral("&View"), QStringLiteral("&Setup"), QStringLiteral("&Window"),
                                         QStringLiteral("&Help")}));
    EXPECT_EQ(ItemTexts(Menu(QStringLiteral("&File"))),
              (QStringList{QStringLiteral("&New\tCtrl+N"), QStringLiteral("&Open...\tCtrl+O"), QStringLiteral("&Close"),
                           QStringLiteral("&Save\tCtrl+S"), QStringLiteral("Save &As..."),
                           QStringLiteral("Pre&view Save..."), QStringLiteral("Clean &Project..."),
                           QStringLiteral("&Import Wave..."), QStringLiteral("Import and &Convert..."),
                           QStringLiteral("Open Most Recently Used File"), QStringLiteral("E&xit")}));
    EXPECT_EQ(ItemTexts(Menu(QStringLiteral("W&ave"))),
              (QStringList{QStringLiteral("Import and &Convert..."), QStringLiteral("E&xport Waves...")}));
    EXPECT_EQ(
        ItemTexts(Menu(QStringLiteral("&Edit"))),
        (QStringList{QStringLiteral("&Undo\tCtrl+Z"), QStringLiteral("&History..."), QStringLiteral("Cu&t\tCtrl+X"),
                     QStringLiteral("&Copy\tCtrl+C"), QStringLiteral("&Paste\tCtrl+V"),
                     QStringLiteral("Paste &Insert\tCtrl+Shift+V"), QStringLiteral("&Delete\tDEL"),
                     QStringLiteral("Select &All\tCtrl+A"), QStringLiteral("&Play\tSpace"),
                     QStringLiteral("&Find...\tCtrl+F"), QStringLiteral("Find &Next\tF3"),
                     QStringLiteral("&Go to Slot...\tCtrl+J"), QStringLiteral("Dupli&cates...")}));
    EXPECT_EQ(ItemTexts(Menu(QStringLiteral("&View"))),
              (QStringList{QStringLiteral("&Tool Bar"), QStringLiteral("&Status Bar")}));
    EXPECT_EQ(ItemTexts(Menu(QStringLiteral("&Setup"))),
              (QStringList{QStringLiteral("Set Up &Font..."), QStringLiteral("Set Up &Grid..."),
                           QStringLiteral("Deleted Files to the &Trash")}));
    EXPECT_EQ(ItemTexts(Menu(QStringLiteral("&Window"))),
              (QStringList{QStringLiteral("Move to &Top\tCtrl+G"), QStringLiteral("Maximize &Height"),
                           QStringLiteral("Maximize &Width"), QStringLiteral("&Save Current Position"),
                           QStringLiteral("&Cascade Windows"), QStringLiteral("Tile Windows H&orizontally"),
                           QStringLiteral("Tile Windows &Vertically"), QStringLiteral("&Arrange Icons")}));
    const std::pair<int, const char*> keys[] = {{32858, "F1"},     {57642, "Ctrl+A"}, {57643, "Ctrl+Z"},
                                                {57600, "Ctrl+N"}, {57601, "Ctrl+O"}, {57603, "Ctrl+S"},
                                                {57088, "Del"},    {57112, "Ctrl+G"}, {32880, "Space"}};
    for (const auto& [command, key] : keys) {
        EXPECT_EQ(m_frame->Action(command)->shortcut(), QKeySequence(QString::fromLatin1(key))) << command;
    }
}

TEST_F(CMainFrameTest, ClosingTheLastProjectWindowBringsBackTheShortMenu) {
    CFileDoc* document = m_app->NewDocument();
    ASSERT_TRUE(document->Frame()->close());
    Pump();
    EXPECT_EQ(m_frame->MenuResourceId(), 4096);
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Orvanta Librarian"));
}

TEST_F(CMainFrameTest, RecentFilesAppearInTheFileMenu) {
    m_app->AddToRecentFileList(QStringLiteral("/p/One.prj"));
    m_app->AddToRecentFileList(QStringLiteral("/p/R&B.prj"));
    EXPECT_EQ(
        ItemTexts(Menu(QStringLiteral("&File"))),
        (QStringList{QStringLiteral("&New\tCtrl+N"), QStringLiteral("&Open...\tCtrl+O"),
                     QStringLiteral("&1 /p/R&&B.prj"), QStringLiteral("&2 /p/One.prj"), QStringLiteral("E&xit")}));
}

TEST_F(CMainFrameTest, ToolBarOrderPromptsAndTips) {
    QStringList order;
    for (const QAction* action : m_frame->ToolBar()->actions()) {
        order.push_back(action->isSeparator() ? QStringLiteral("|") : QString::number(action->data().toInt()));
    }
    EXPECT_EQ(order, (QStringList{QStringLiteral("57600"), QStringLiteral("57601"), QStringLiteral("57603"),
                                  QStringLiteral("|"), QStringLiteral("57643"), QStringLiteral("57088"),
                                  QStringLiteral("|"), QStringLiteral("32858")}));
    EXPECT_EQ(m_frame->Action(57601)->statusTip(), QStringLiteral("Open project"));
    EXPECT_EQ(m_frame->Action(57601)->toolTip(), QStringLiteral("Open"));
    EXPECT_EQ(m_frame->Action(57088)->statusTip(), QStringLiteral("Delete the selection"));
    EXPECT_EQ(m_frame->Action(57088)->toolTip(), QStringLiteral("Delete"));
    EXPECT_EQ(m_frame->Action(57112)->statusTip(), QStringLiteral("Move to top"));
    EXPECT_EQ(m_frame->ToolBar()->windowTitle(), QStringLiteral("Tool Bar"));
}

TEST_F(CMainFrameTest, StatusBarSaysReadyWhenNoPromptIsShown) {
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), QStringLiteral("Ready"));
    QStatusTipEvent prompt(QStringLiteral("Open project"));
    QCoreApplication::sendEvent(m_frame, &prompt);
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), QStringLiteral("Open project"));
    QStatusTipEvent cleared{QString()};
    QCoreApplication::sendEvent(m_frame, &cleared);
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), QStringLiteral("Ready"));
}

TEST_F(CMainFrameTest, StatusBarSumsUpTheActiveProjectWindow) {
    const auto shown = [this] {
        const auto* label = m_frame->statusBar()->findChild<QLabel*>(QStringLiteral("ProjectStatus"));
        return label != nullptr && label->isVisible() ? label->toolTip().toStdString() : std::string("(none)");
    };
    EXPECT_EQ(shown(), "(none)"); // no project window
    CFileDoc* loaded = m_app->OpenProject(MakeProject("A.prj"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(shown(), "Selected 0 patches, 0 waves | Free 511 patches, 998 waves | Wave memory 64 Bytes of 50 MB");
    CFileView* view = m_frame->ActiveView();
    ASSERT_NE(view, nullptr);
    view->PatchList().SelectRows({0, 1, 2}); // each list's selection counts (wave 1 is linked)
    EXPECT_EQ(shown(), "Selected 3 patches, 1 wave | Free 511 patches, 998 waves | Wave memory 64 Bytes of 50 MB");
    m_app->NewDocument(); // another window becomes the active one
    EXPECT_EQ(shown(), "Selected 0 patches, 0 waves | Free 512 patches, 999 waves | Wave memory 0 Bytes of 50 MB");
}

TEST_F(CMainFrameTest, StatusBarSummaryGivesWayToTheMessage) {
    ASSERT_NE(m_app->OpenProject(MakeProject("A.prj")), nullptr);
    QStatusBar* bar = m_frame->statusBar();
    const auto* label = bar->findChild<QLabel*>(QStringLiteral("ProjectStatus"));
    ASSERT_NE(label, nullptr);
    const QString full = m_frame->ProjectStatusText();
    m_frame->show();
    for (const QString& message : {QStringLiteral("Ready"), QStringLiteral("Drop: move 2 patches to 10, inserting")}) {
        for (const int width : {260, 480, 700, 1600}) {
            SCOPED_TRACE(message.toStdString() + " at " + std::to_string(width));
            m_frame->resize(width, 400);
            bar->showMessage(message);
            QCoreApplication::processEvents();
            // The bar draws its message up to two pixels left of the summary.
            const int messageRight = label->isVisible() ? label->x() - 2 : bar->width();
            EXPECT_GE(messageRight - 6, bar->fontMetrics().horizontalAdvance(message));
            EXPECT_EQ(label->toolTip(), full);
            // Cut, it shows its first parts whole, or the first part cut short.
            if (label->isVisible() && label->text() != full) {
                EXPECT_TRUE(full.startsWith(label->text() + QStringLiteral(" | ")) ||
                            (label->text().endsWith(QChar(0x2026)) && !label->text().contains(u'|')))
                    << label->text().toStdString();
            }
        }
        EXPECT_EQ(label->text(), full); // the widest bar shows all of it
    }
}

TEST_F(CMainFrameTest, ProjectCommandsAreEnabledOnlyWithAProject) {
    m_frame->UpdateCommandUI();
    EXPECT_FALSE(m_frame->Action(57603)->isEnabled());
    EXPECT_FALSE(m_frame->Action(32864)->isEnabled());
    EXPECT_TRUE(m_frame->Action(57600)->isEnabled());
    m_app->NewDocument();
    m_frame->UpdateCommandUI();
    EXPECT_TRUE(m_frame->Action(57603)->isEnabled());
    EXPECT_TRUE(m_frame->Action(32864)->isEnabled());
    EXPECT_TRUE(m_frame->Action(57642)->isEnabled());
    // Nothing is selected in an empty project: nothing to delete.
    EXPECT_FALSE(m_frame->Action(57088)->isEnabled());
}

TEST_F(CMainFrameTest, EditCommandsReachTheActiveProjectWindow) {
    CFileDoc* document = m_app->OpenProject(MakeProject("A.prj"));
    ASSERT_NE(document, nullptr);
    ASSERT_FALSE(document->Data().m_waves[0].IsEmpty());
    m_frame->Action(57642)->trigger(); // Select All in the focused list, the wave list
    m_frame->UpdateCommandUI();
    ASSERT_TRUE(m_frame->Action(57088)->isEnabled());
    CMessageBox::SetNextAnswer(QMessageBox::Yes);
    m_frame->Action(57088)->trigger(); // Delete
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("OK to delete?"));
    EXPECT_TRUE(document->Data().m_waves[0].IsEmpty());
    EXPECT_TRUE(document->IsModified());
    EXPECT_EQ(m_frame->windowTitle().right(1), QStringLiteral("*"));
}

TEST_F(CMainFrameTest, CleanProjectAsksForItsOptionsFirst) {
    CFileDoc* document = m_app->OpenProject(MakeProject("A.prj"));
    ASSERT_NE(document, nullptr);
    CCleanProjectDlg::SetNextAnswer(std::nullopt);
    m_frame->Action(32864)->trigger();
    EXPECT_FALSE(document->IsModified());
    CCleanProjectDlg::SetNextAnswer(CCleanProjectDlg::Answer{true, false});
    m_frame->Action(32864)->trigger();
    EXPECT_TRUE(document->IsModified());
    EXPECT_EQ(CDomain::Instance().m_waveOption, 1);
    EXPECT_EQ(CDomain::Instance().m_patchOption, 0);
}

TEST_F(CMainFrameTest, NewWindowsAtTheSavedPositionCascadeByTenPixels) {
    CSettings::WriteString(SettingId::ChildWindowPosition, QStringLiteral("20,30,360,200"), 4107);
    QList<QPoint> corners;
    for (int i = 0; i < 3; ++i) {
        corners.push_back(m_app->NewDocument()->Frame()->pos());
    }
    EXPECT_EQ(corners, (QList<QPoint>{QPoint(20, 30), QPoint(30, 40), QPoint(40, 50)}));
}

// At the first start a main window narrower than a project window's lists need widens for it.
TEST_F(CMainFrameTest, AtTheFirstStartTheMainWindowWidensForTheLists) {
    m_frame->show();
    m_frame->resize(300, 360);
    QCoreApplication::processEvents();
    const CFileFrame* frame = m_app->NewDocument()->Frame();
    EXPECT_GT(m_frame->width(), 300);
    EXPECT_EQ(frame->width(),
              std::min(frame->sizeHint().width(), m_frame->MdiArea()->viewport()->width() - frame->x()));
}

// More windows than the cascade has room for: each lies inside the area, and no two share a corner.
TEST_F(CMainFrameTest, ProjectWindowsOpenInsideTheArea) {
    QRect client = m_frame->MdiArea()->viewport()->rect();
    QList<QPoint> corners;
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        if (i == 8) { // a position stored at another scale, beyond the area
            CSettings::WriteString(SettingId::ChildWindowPosition,
                                   QStringLiteral("%1,%2,330,200").arg(client.width()).arg(client.height()), 4107);
        }
        const QRect window = m_app->NewDocument()->Frame()->geometry();
        client = m_frame->MdiArea()->viewport()->rect(); // widened for the first window's lists
        EXPECT_TRUE(client.contains(window)) << window.x() << "," << window.y() << " " << window.width() << "x"
                                             << window.height() << " in " << client.width() << "x" << client.height();
        EXPECT_FALSE(corners.contains(window.topLeft())) << window.x() << "," << window.y();
        corners.push_back(window.topLeft());
    }
}

// A project window without a stored place takes the room the area has, as wide as its lists need
// at most, and follows the main window's size until the user takes it in hand.
TEST_F(CMainFrameTest, ANewProjectWindowTakesTheRoomOfTheAreaUpToWhatItsListsNeed) {
    CSettings::WriteString(SettingId::WindowPosition, QStringLiteral("0,0,480,360")); // the user's size
    m_frame->show();
    m_frame->resize(480, 360);
    QCoreApplication::processEvents();
    CFileFrame* frame = m_app->NewDocument()->Frame();
    const auto area = [this] { return m_frame->MdiArea()->viewport()->rect(); };
    const int need = frame->sizeHint().width();
    ASSERT_GT(need, area().width()); // the lists need more than this small area has
    EXPECT_EQ(frame->geometry(), area().intersected(QRect(frame->pos(), frame->size())));
    EXPECT_EQ(frame->geometry().right(), area().right());
    EXPECT_EQ(frame->geometry().bottom(), area().bottom());

    m_frame->resize(1600, 900); // the main window grows: so does the project window
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->width(), need);
    EXPECT_EQ(frame->geometry().bottom(), area().bottom());

    m_frame->resize(1000, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->geometry().bottom(), area().bottom());                      // and shrinks with it
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(frame->width() / 2, 4)); // the user's
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(frame->width() / 2, 4));
    const QSize taken = frame->size();
    m_frame->resize(1600, 900);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->size(), taken);
}

// Project windows reaching past a shrunken main window, placed at random, some following the area
// and some taken in hand: the area's scroll arrows reach their right and bottom edges, and back at
// the start every window is where it was; a part beyond the area always has its scroll bar.
TEST_F(CMainFrameTest, TheScrollArrowsReachEveryPartOfTheProjectWindows) {
    m_frame->show();
    QMdiArea* area = m_frame->MdiArea();
    QScrollBar* bars[] = {area->horizontalScrollBar(), area->verticalScrollBar()};
    std::mt19937 random(22);
    const auto below = [&random](int limit) { return static_cast<int>(random() % static_cast<unsigned>(limit)); };
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        m_frame->resize(900 + below(300), 650 + below(200));
        QCoreApplication::processEvents();
        std::vector<CFileFrame*> frames;
        for (int count = 1 + below(3); count > 0; --count) {
            frames.push_back(m_app->NewDocument()->Frame());
        }
        for (CFileFrame* frame : frames) {
            if (below(2) == 0) { // moved and sized by the user
                frame->SetFollowsArea(false);
                frame->setGeometry(below(300), below(200), 320 + below(500), 160 + below(400));
            }
        }
        m_frame->resize(450 + below(300), 300 + below(200));
        QCoreApplication::processEvents();
        QList<QRect> start;
        for (const CFileFrame* frame : frames) {
            start.push_back(frame->geometry());
        }
        const auto reachable = [&] {
            const QRect children = area->viewport()->childrenRect();
            const QRect view = area->viewport()->rect();
            return (bars[0]->isVisible() || (children.left() >= 0 && children.right() <= view.right())) &&
                   (bars[1]->isVisible() || (children.top() >= 0 && children.bottom() <= view.bottom()));
        };
        EXPECT_TRUE(reachable());
        // The right arrow to the end, the down arrow, then left and up.
        for (const auto& [bar, action] : {std::pair{bars[0], QAbstractSlider::SliderSingleStepAdd},
                                          std::pair{bars[1], QAbstractSlider::SliderSingleStepAdd},
                                          std::pair{bars[0], QAbstractSlider::SliderSingleStepSub},
                                          std::pair{bars[1], QAbstractSlider::SliderSingleStepSub}}) {
            for (int click = 0; click < 100 && bar->isVisible(); ++click) {
                const int before = bar->value();
                bar->triggerAction(action);
                QCoreApplication::processEvents();
                if (bar->value() == before) {
                    break;
                }
            }
            EXPECT_TRUE(reachable());
            const QRect children = area->viewport()->childrenRect();
            const QRect view = area->viewport()->rect();
            if (action == QAbstractSlider::SliderSingleStepAdd) {
                EXPECT_LE(bar == bars[0] ? children.right() : children.bottom(),
                          bar == bars[0] ? view.right() : view.bottom());
            }
        }
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i]->geometry(), start[static_cast<qsizetype>(i)]);
            frames[i]->SetCloseWithoutPrompt(true);
            frames[i]->close();
        }
        Pump();
    }
}

TEST_F(CMainFrameTest, TheWindowListNamesEveryProjectWindow) {
    m_app->NewDocument();
    m_app->NewDocument();
    const QList<QMdiSubWindow*> windows = m_frame->CollectWindows();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]->windowTitle(), QStringLiteral("Untitled1 "));
    EXPECT_EQ(windows[1]->windowTitle(), QStringLiteral("Untitled2 "));
}

TEST_F(CMainFrameTest, ExitWithAModifiedProjectAsksAndCancelKeepsRunning) {
    m_app->NewDocument()->SetModified(true);
    CMessageBox::SetNextAnswer(QMessageBox::Cancel);
    EXPECT_FALSE(m_frame->close());
    EXPECT_TRUE(m_frame->isVisible());
    EXPECT_EQ(m_app->Documents().size(), 1u);
    CMessageBox::SetNextAnswer(QMessageBox::No);
    EXPECT_TRUE(m_frame->close());
    EXPECT_TRUE(m_app->Documents().empty());
}

} // namespace
} // namespace Orvanta::ShellTesting
