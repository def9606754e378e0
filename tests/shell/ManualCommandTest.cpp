// The Manual command: the manual beside the program, handed to the desktop.

#include "ShellTestFixture.h"
#include "shell/CMainFrame.h"
#include "shell/CommandIds.h"
#include "shell/ShellPaths.h"
#include "winframework/CMessageBox.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QPointer>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

namespace Orvanta::ShellTesting {

// Stands in for the desktop's viewer of local files.
class ManualOpener : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

namespace {

class ManualCommandTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_opener, "Open");
        ASSERT_TRUE(Start());
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        ShellTest::TearDown();
    }

    ManualOpener m_opener;
};

TEST_F(ManualCommandTest, OpensTheManualBesideTheProgramWithOrWithoutAProject) {
    const QString expected =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("OrvantaLibrarianManual.htm"));
    EXPECT_EQ(CApp::ManualPath(), expected);
    QAction* manual = m_app->MainFrame()->Action(kCmdHelpManual);
    ASSERT_NE(manual, nullptr);
    EXPECT_TRUE(manual->isEnabled());
    manual->trigger();
    m_app->NewDocument();
    m_app->MainFrame()->UpdateCommandUI();
    EXPECT_TRUE(manual->isEnabled());
    manual->trigger();
    ASSERT_EQ(m_opener.opened.size(), 2);
    EXPECT_EQ(m_opener.opened[0], QUrl::fromLocalFile(expected));
    EXPECT_EQ(m_opener.opened[1], QUrl::fromLocalFile(expected));
}

// The manual's own window closes with Esc and with Ctrl+W.
TEST_F(ManualCommandTest, TheManualWindowClosesWithEscAndCtrlW) {
    m_app->SetDesktopOpener([](const QUrl&) { return false; });
    const QString manual = TempPath("Manual.htm");
    QFile file(manual);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body><p>Manual</p></body></html>");
    file.close();
    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::CTRL | Qt::Key_W)}) {
        SCOPED_TRACE(QKeySequence(keys).toString().toStdString());
        m_app->ShowManualWindow(manual);
        QPointer<QTextBrowser> window = m_app->ManualWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, keys.key(), keys.keyboardModifiers());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull() || !window->isVisible());
    }
}

// Without a viewer on the desktop the manual shows in a window of the program's own; a manual that
// cannot be read is said so.
TEST_F(ManualCommandTest, WithoutADesktopViewerTheManualShowsInAWindowOfItsOwn) {
    m_app->SetDesktopOpener([](const QUrl&) { return false; });
    const QString manual = TempPath("Manual.htm");
    QFile file(manual);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body><h1>Orvanta manual</h1><p>Drag rows between projects.</p></body></html>");
    file.close();
    m_app->ShowManualWindow(manual);
    ASSERT_NE(m_app->ManualWindow(), nullptr);
    EXPECT_TRUE(m_app->ManualWindow()->isVisible());
    EXPECT_TRUE(m_app->ManualWindow()->toPlainText().contains(QStringLiteral("Drag rows between projects.")));

    CMessageBox::ResetShown();
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    m_app->ShowManualWindow(TempPath("Missing.htm"));
    EXPECT_EQ(CMessageBox::ShownCount(), 1);
    EXPECT_TRUE(CMessageBox::LastShown().text.startsWith(QStringLiteral("The manual could not be opened")));

    // The command itself falls back when the desktop cannot open the file.
    const bool besideTheProgram = QFileInfo::exists(CApp::ManualPath());
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    m_app->MainFrame()->Action(kCmdHelpManual)->trigger();
    if (besideTheProgram) {
        EXPECT_EQ(m_app->ManualWindow()->source(), QUrl::fromLocalFile(CApp::ManualPath()));
    } else {
        EXPECT_EQ(CMessageBox::ShownCount(), 2);
    }
}

// The manual beside the program wins (a build tree); an installed program finds it in
// ../share/orvanta-librarian; with neither, the path beside the program is named.
TEST(ManualPathFrom, BesideTheProgramThenTheInstalledDataFolder) {
    struct Case {
        bool beside;
        bool installed;
        const char* expected;
    };
    for (const Case& c : {Case{true, true, "bin/Manual.htm"}, Case{false, true, "share/orvanta-librarian/Manual.htm"},
                          Case{false, false, "bin/Manual.htm"}}) {
        const TestSupport::TempFolder temp;
        const QDir root(QString::fromStdString(temp.Path()));
        ASSERT_TRUE(root.mkpath(QStringLiteral("bin")) && root.mkpath(QStringLiteral("share/orvanta-librarian")));
        for (const auto& [present, relative] :
             {std::pair{c.beside, "bin/Manual.htm"}, std::pair{c.installed, "share/orvanta-librarian/Manual.htm"}}) {
            QFile file(root.filePath(QString::fromLatin1(relative)));
            ASSERT_TRUE(!present || file.open(QIODevice::WriteOnly));
        }
        EXPECT_EQ(ManualPathFrom(root.filePath(QStringLiteral("bin")), QStringLiteral("Manual.htm")),
                  root.filePath(QString::fromLatin1(c.expected)))
            << c.beside << c.installed;
    }
}

} // namespace
} // namespace Orvanta::ShellTesting

#include "ManualCommandTest.moc"
