// The Manual command: the manual beside the program, handed to the desktop.

#include "ShellTestFixture.h"
#include "shell/CMainFrame.h"
#include "shell/CommandIds.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
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

} // namespace
} // namespace Orvanta::ShellTesting

#include "ManualCommandTest.moc"
