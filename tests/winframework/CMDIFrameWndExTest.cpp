#include "QtTestSupport.h"

#include "winframework/CMDIChildWndEx.h"
#include "winframework/CMDIFrameWndEx.h"
#include "winframework/CSettings.h"
#include "winframework/VersionString.h"
#include "winframework/WindowGeometry.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>

namespace Orvanta {
namespace {

constexpr int kProjectPlacement = 4107;

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtTesting::ClearSettings();
        CMDIChildWndEx::SetPlacementMode(0);
    }

    void TearDown() override {
        if (m_frame) {
            m_frame->MdiArea()->closeAllSubWindows();
            m_frame->hide();
        }
        m_frame.reset();
        CMDIChildWndEx::SetPlacementMode(0);
    }

    CMDIFrameWndEx& MakeFrame() {
        m_frame = std::make_unique<CMDIFrameWndEx>();
        m_frame->RestorePlacement();
        m_frame->show();
        return *m_frame;
    }

    CMDIChildWndEx* AddChild(const QString& title) {
        auto* child = new CMDIChildWndEx(kProjectPlacement);
        child->setWidget(new QLabel(title));
        child->setWindowTitle(title);
        child->setAttribute(Qt::WA_DeleteOnClose);
        m_frame->AddChild(child);
        return child;
    }

    std::unique_ptr<CMDIFrameWndEx> m_frame;
};

TEST(WindowListPrefix, DigitsThenLettersThenNone) {
    EXPECT_EQ(CMDIFrameWndEx::WindowListPrefix(0), QStringLiteral("&1"));
    EXPECT_EQ(CMDIFrameWndEx::WindowListPrefix(8), QStringLiteral("&9"));
    EXPECT_EQ(CMDIFrameWndEx::WindowListPrefix(9), QStringLiteral("&A"));
    EXPECT_EQ(CMDIFrameWndEx::WindowListPrefix(34), QStringLiteral("&Z"));
    EXPECT_EQ(CMDIFrameWndEx::WindowListPrefix(35), QString());
    EXPECT_EQ(CMDIFrameWndEx::WindowListPrefix(36), QString());
}

TEST_F(FrameTest, WindowListOffersTheFirst36Of37Windows) {
    CMDIFrameWndEx& frame = MakeFrame();
    auto* menuBar = frame.menuBar();
    QMenu* windowMenu = menuBar->addMenu(QStringLiteral("&Window"));
    windowMenu->addAction(QStringLiteral("Move to &Top\tCtrl+G"));
    windowMenu->addAction(frame.CommandAction(CMDIFrameWndEx::kCmdMaximizeHeight));
    frame.SetWindowMenu(windowMenu, 0);

    std::vector<CMDIChildWndEx*> children;
    for (int i = 1; i <= 37; ++i) {
        children.push_back(AddChild(QStringLiteral("Song%1.prj").arg(i)));
    }
    frame.MdiArea()->setActiveSubWindow(children[2]);
    frame.RebuildWindowList();

    QMenu* list = frame.WindowListMenu();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(windowMenu->actions().front(), list->menuAction());
    EXPECT_EQ(list->title(), QStringLiteral("Move to &Top\tCtrl+G"));
    const QList<QAction*> entries = list->actions();
    ASSERT_EQ(entries.size(), 36);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("&1\tSong1.prj"));
    EXPECT_EQ(entries[9]->text(), QStringLiteral("&A\tSong10.prj"));
    EXPECT_EQ(entries[34]->text(), QStringLiteral("&Z\tSong35.prj"));
    EXPECT_EQ(entries[35]->text(), QStringLiteral("\tSong36.prj"));
    EXPECT_EQ(entries[35]->data().toInt(), 57148);
    EXPECT_TRUE(entries[2]->isChecked());
    EXPECT_FALSE(entries[3]->isChecked());

    // Building again replaces the entries instead of adding to them.
    frame.RebuildWindowList();
    EXPECT_EQ(frame.WindowListMenu()->actions().size(), 36);
    EXPECT_EQ(windowMenu->actions().size(), 2);
}

TEST_F(FrameTest, ChoosingAnEntryActivatesAndRestoresItsWindow) {
    CMDIFrameWndEx& frame = MakeFrame();
    QMenu* windowMenu = frame.menuBar()->addMenu(QStringLiteral("&Window"));
    windowMenu->addAction(QStringLiteral("Move to &Top\tCtrl+G"));
    frame.SetWindowMenu(windowMenu, 0);
    CMDIChildWndEx* first = AddChild(QStringLiteral("A.prj"));
    AddChild(QStringLiteral("B.prj"));
    first->showMinimized();
    frame.RebuildWindowList();
    frame.WindowListMenu()->actions()[0]->trigger();
    EXPECT_EQ(frame.MdiArea()->activeSubWindow(), first);
    EXPECT_FALSE(first->isMinimized());
}

TEST_F(FrameTest, TitlesWithAmpersandsAreShownAsTheyAre) {
    CMDIFrameWndEx& frame = MakeFrame();
    QMenu* windowMenu = frame.menuBar()->addMenu(QStringLiteral("&Window"));
    windowMenu->addAction(QStringLiteral("Move to &Top"));
    frame.SetWindowMenu(windowMenu, 0);
    AddChild(QStringLiteral("R&D.prj"));
    frame.RebuildWindowList();
    EXPECT_EQ(frame.WindowListMenu()->actions()[0]->text(), QStringLiteral("&1\tR&&D.prj"));
}

TEST_F(FrameTest, WithoutAWindowMenuPositionThereIsNoList) {
    CMDIFrameWndEx& frame = MakeFrame();
    AddChild(QStringLiteral("A.prj"));
    frame.RebuildWindowList();
    EXPECT_EQ(frame.WindowListMenu(), nullptr);
    EXPECT_EQ(frame.WindowMenuPosition(), -1);
}

TEST_F(FrameTest, MaximizeCommandsAreEnabledOnlyForANormalActiveWindow) {
    CMDIFrameWndEx& frame = MakeFrame();
    QAction* height = frame.CommandAction(CMDIFrameWndEx::kCmdMaximizeHeight);
    QAction* width = frame.CommandAction(CMDIFrameWndEx::kCmdMaximizeWidth);
    EXPECT_FALSE(height->isEnabled());

    CMDIChildWndEx* child = AddChild(QStringLiteral("A.prj"));
    frame.MdiArea()->setActiveSubWindow(child);
    frame.UpdateWindowCommands();
    EXPECT_TRUE(height->isEnabled());
    EXPECT_TRUE(width->isEnabled());

    child->showMaximized();
    frame.UpdateWindowCommands();
    EXPECT_FALSE(height->isEnabled());
    EXPECT_FALSE(width->isEnabled());

    child->showMinimized();
    frame.UpdateWindowCommands();
    EXPECT_FALSE(height->isEnabled());
}

TEST_F(FrameTest, MaximizeHeightAndWidthStretchOneDirection) {
    CMDIFrameWndEx& frame = MakeFrame();
    frame.resize(800, 600);
    CMDIChildWndEx* child = AddChild(QStringLiteral("A.prj"));
    child->setGeometry(30, 40, 200, 100);
    const QRect client = frame.MdiArea()->viewport()->rect();

    child->MaximizeHeight();
    EXPECT_EQ(child->geometry().left(), 30);
    EXPECT_EQ(child->geometry().width(), 200);
    EXPECT_EQ(child->geometry().top(), client.top());
    EXPECT_EQ(child->geometry().bottom(), child->MaximizeArea().bottom());
    EXPECT_LT(child->MaximizeArea().bottom(), client.bottom()); // a row of minimised windows stays free

    child->setGeometry(30, 40, 200, 100);
    child->MaximizeWidth();
    EXPECT_EQ(child->geometry(), QRect(client.left(), 40, client.width(), 100));
}

TEST_F(FrameTest, SaveCurrentPositionAppliesToLaterWindowsInPlacementMode2) {
    CMDIFrameWndEx& frame = MakeFrame();
    frame.resize(900, 700);
    CMDIChildWndEx* child = AddChild(QStringLiteral("A.prj"));
    child->setGeometry(25, 35, 320, 200);
    frame.MdiArea()->setActiveSubWindow(child);
    frame.CommandAction(CMDIFrameWndEx::kCmdSaveCurrentPosition)->trigger();
    EXPECT_EQ(CSettings::ReadString(SettingId::ChildWindowPosition, kProjectPlacement),
              QStringLiteral("25,35,320,200"));

    // Placement mode off: the stored position is not used.
    CMDIChildWndEx* unplaced = AddChild(QStringLiteral("B.prj"));
    EXPECT_NE(unplaced->geometry(), QRect(25, 35, 320, 200));

    CMDIChildWndEx::SetPlacementMode(CMDIChildWndEx::kPersistentPlacementMode);
    CMDIChildWndEx* placed = AddChild(QStringLiteral("C.prj"));
    EXPECT_EQ(placed->geometry(), QRect(25, 35, 320, 200));
}

TEST_F(FrameTest, SaveCurrentPositionOfAMaximisedWindowStoresItsRestoredRectangle) {
    CMDIFrameWndEx& frame = MakeFrame();
    frame.resize(900, 700);
    CMDIChildWndEx* child = AddChild(QStringLiteral("A.prj"));
    child->setGeometry(25, 35, 320, 200);
    child->showMaximized();
    child->SaveCurrentPosition();
    EXPECT_EQ(CSettings::ReadString(SettingId::ChildWindowPosition, kProjectPlacement),
              QStringLiteral("25,35,320,200"));
}

TEST_F(FrameTest, NoStoredChildPositionLeavesThePlacementToTheArea) {
    CMDIChildWndEx::SetPlacementMode(CMDIChildWndEx::kPersistentPlacementMode);
    MakeFrame();
    auto* child = new CMDIChildWndEx(kProjectPlacement);
    m_frame->MdiArea()->addSubWindow(child);
    EXPECT_FALSE(child->RestorePlacement());
    CSettings::WriteString(SettingId::ChildWindowPosition, QStringLiteral("1,2,0,0"), kProjectPlacement);
    EXPECT_FALSE(child->RestorePlacement());
}

TEST_F(FrameTest, AStoredChildPositionIsFittedIntoTheArea) {
    CMDIChildWndEx::SetPlacementMode(CMDIChildWndEx::kPersistentPlacementMode);
    CMDIFrameWndEx& frame = MakeFrame();
    const QRect client = frame.MdiArea()->viewport()->rect();
    ASSERT_GT(client.width(), 320);
    ASSERT_GT(client.height(), 200);
    const struct {
        QRect stored;
        QRect expected;
    } cases[] = {
        {QRect(20, 30, 320, 200), QRect(20, 30, 320, 200)}, // inside: kept
        {QRect(client.width() - 50, client.height() - 40, 320, 200),
         QRect(client.width() - 320, client.height() - 200, 320, 200)},
        {QRect(-300, -200, 320, 200), QRect(0, 0, 320, 200)},
        {QRect(10, 10, client.width() * 4, client.height() * 3), client}, // stored at another scale
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(FormatRectText(test.stored).toStdString());
        CSettings::WriteString(SettingId::ChildWindowPosition, FormatRectText(test.stored), kProjectPlacement);
        EXPECT_EQ(AddChild(QStringLiteral("A.prj"))->geometry(), test.expected);
    }
}

TEST_F(FrameTest, AWindowLeftOutsideAShrunkenFrameIsReachedByScrolling) {
    CMDIFrameWndEx& frame = MakeFrame();
    frame.resize(900, 700);
    CMDIChildWndEx* child = AddChild(QStringLiteral("A.prj"));
    child->setGeometry(400, 300, 320, 200);
    QCoreApplication::processEvents();
    QMdiArea* area = frame.MdiArea();
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
    frame.resize(360, 300);
    QCoreApplication::processEvents();
    EXPECT_TRUE(area->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(area->verticalScrollBar()->isVisible());
    EXPECT_EQ(child->size(), QSize(320, 200)); // kept for when the frame grows again
}

TEST_F(FrameTest, WithNoStoredValuesTheMainWindowTakesMostOfTheScreen) {
    CMDIFrameWndEx& frame = MakeFrame();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(frame.geometry().size(), FirstStartMainWindowSize(available.size()));
    EXPECT_GT(frame.width(), available.width() / 2);
    EXPECT_GT(frame.height(), available.height() / 2);
    EXPECT_FALSE(frame.isMaximized());
}

TEST_F(FrameTest, AStoredPositionStillWinsEvenWhenUnreadable) {
    for (const QString& stored : {QStringLiteral("0,0,600,400"), QStringLiteral("garbage")}) {
        CSettings::WriteString(SettingId::WindowPosition, stored);
        CMDIFrameWndEx frame;
        frame.RestorePlacement();
        EXPECT_EQ(frame.geometry(), QRect(0, 0, 600, 400)) << stored.toStdString();
    }
}

TEST_F(FrameTest, StoredPositionIsFittedIntoTheScreen) {
    CSettings::WriteString(SettingId::WindowPosition, QStringLiteral("-100,-50,50000,300"));
    CMDIFrameWndEx frame;
    frame.RestorePlacement();
    EXPECT_EQ(frame.geometry(), QRect(0, 0, frame.ScreenBounds().width(), 300));
}

TEST_F(FrameTest, CloseStoresStateAndAMaximisedWindowComesBackMaximised) {
    CSettings::WriteString(SettingId::WindowPosition, QStringLiteral("20,30,500,350"));
    {
        CMDIFrameWndEx& frame = MakeFrame();
        EXPECT_EQ(frame.geometry(), QRect(20, 30, 500, 350));
        frame.showMaximized();
        QTest::qWait(20);
        ASSERT_TRUE(frame.isMaximized());
        EXPECT_TRUE(frame.close());
        m_frame.reset();
    }
    EXPECT_EQ(CSettings::ReadInt(SettingId::WindowMaximized), 1);
    EXPECT_EQ(CSettings::ReadString(SettingId::WindowPosition), QStringLiteral("20,30,500,350"));
    EXPECT_EQ(CSettings::ReadString(SettingId::StoredFileVersion), QStringLiteral("1.00"));
    EXPECT_FALSE(CSettings::ReadBytes(SettingId::ControlBarState).isEmpty());

    CMDIFrameWndEx& again = MakeFrame();
    EXPECT_TRUE(again.isMaximized());
    EXPECT_EQ(again.normalGeometry(), QRect(20, 30, 500, 350));
}

class RefusingFrame : public CMDIFrameWndEx {
protected:
    bool CloseDocuments() override { return false; }
};

TEST_F(FrameTest, ARefusedCloseKeepsTheWindowAndItsStoredPosition) {
    RefusingFrame frame;
    frame.RestorePlacement();
    frame.show();
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.isVisible());
    EXPECT_FALSE(CSettings::Contains(SettingId::WindowPosition));
    EXPECT_TRUE(CSettings::Contains(SettingId::WindowMaximized));
    frame.hide();
}

TEST_F(FrameTest, BarLayoutIsRestoredOnlyForTheSameProgramVersion) {
    {
        CMDIFrameWndEx frame;
        auto* bar = new QToolBar(QStringLiteral("Tool Bar"));
        bar->setObjectName(QStringLiteral("ToolBar"));
        frame.addToolBar(Qt::TopToolBarArea, bar);
        frame.addToolBar(Qt::LeftToolBarArea, bar); // the user moved it
        frame.SaveBarState();
    }
    const auto restoredArea = [] {
        CMDIFrameWndEx frame;
        auto* bar = new QToolBar(QStringLiteral("Tool Bar"));
        bar->setObjectName(QStringLiteral("ToolBar"));
        frame.addToolBar(Qt::TopToolBarArea, bar);
        frame.RestoreBarState();
        return frame.toolBarArea(bar);
    };
    CSettings::WriteString(SettingId::StoredFileVersion, QStringLiteral("0.99"));
    EXPECT_TRUE(IsNewProgramVersion());
    EXPECT_EQ(restoredArea(), Qt::TopToolBarArea);

    StoreProgramVersion();
    EXPECT_FALSE(IsNewProgramVersion());
    EXPECT_EQ(restoredArea(), Qt::LeftToolBarArea);
}

TEST(VersionString, ValuesByName) {
    EXPECT_EQ(VersionString(QStringLiteral("FileDescription")), QStringLiteral("Orvanta Librarian"));
    EXPECT_EQ(VersionString(QStringLiteral("FileVersion")), QStringLiteral("1.00"));
    EXPECT_EQ(VersionString(QStringLiteral("ProductVersion")), QStringLiteral("1, 0, 0, 5"));
    EXPECT_FALSE(VersionString(QStringLiteral("LegalCopyright")).isEmpty());
    EXPECT_EQ(VersionString(QStringLiteral("Comments")), QString());
}

} // namespace
} // namespace Orvanta
