// Start-up, settings, the work folder, the idle flush and the command line of the application.

#include "ShellTestFixture.h"
#include "model/CDomain.h"
#include "shell/CDocMan.h"
#include "shell/CDocTemplate.h"
#include "shell/CFileDoc.h"
#include "shell/CFileFrame.h"
#include "shell/CMainFrame.h"
#include "storage/WorkFolder.h"
#include "views/CFileView.h"
#include "views/CParameterListCtrl.h"
#include "winframework/CMDIChildWndEx.h"
#include "winframework/CSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace Orvanta::ShellTesting {
namespace {

using CAppTest = ShellTest;

TEST(CAppArgumentsTest, OnlyASinglePlainParameterNamesAProject) {
    EXPECT_EQ(CApp::ProjectFromArguments({QStringLiteral("/data/My, Song.prj")}), QStringLiteral("/data/My, Song.prj"));
    EXPECT_EQ(CApp::ProjectFromArguments({QStringLiteral("/x"), QStringLiteral("/data/A.prj")}),
              QStringLiteral("/data/A.prj"));
    EXPECT_TRUE(CApp::ProjectFromArguments({}).isEmpty());
    EXPECT_TRUE(CApp::ProjectFromArguments({QStringLiteral("/data/A.prj"), QStringLiteral("/data/B.prj")}).isEmpty());
    EXPECT_EQ(CApp::ProjectFromArguments({QStringLiteral("Songs/A.prj")}),
              QDir::current().absoluteFilePath(QStringLiteral("Songs/A.prj")));
}

TEST(CAppArgumentsTest, EveryPlainParameterNamesAProject) {
    struct Row {
        QStringList arguments;
        QStringList projects;
    };
    const Row rows[] = {
        {{}, {}},
        {{QStringLiteral("/data/A.prj")}, {QStringLiteral("/data/A.prj")}},
        {{QStringLiteral("/data/A.prj"), QStringLiteral("/data/B.prj")},
         {QStringLiteral("/data/A.prj"), QStringLiteral("/data/B.prj")}},
        {{QStringLiteral("/s"), QStringLiteral("/data/My, Song.prj")}, {QStringLiteral("/data/My, Song.prj")}},
        {{QStringLiteral("Songs/A.prj")}, {QDir::current().absoluteFilePath(QStringLiteral("Songs/A.prj"))}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(u' ').toStdString());
        EXPECT_EQ(CApp::ProjectsFromArguments(row.arguments), row.projects);
    }
}

// "--help" and "--version" are answered as orvanta-cli answers them, not taken for project names.
TEST(CAppArgumentsTest, HelpAndVersionAreAnsweredNotOpened) {
    const std::optional<QString> help = CApp::InformationRequested({QStringLiteral("--help")});
    ASSERT_TRUE(help.has_value());
    EXPECT_TRUE(help->startsWith(QStringLiteral("Usage: orvanta-librarian [PROJECT.prj]...")));
    EXPECT_EQ(CApp::InformationRequested({QStringLiteral("-h")}), help);
    EXPECT_EQ(CApp::InformationRequested({QStringLiteral("A.prj"), QStringLiteral("--version")}),
              QStringLiteral("orvanta-librarian 1.00\n"));
    EXPECT_FALSE(CApp::InformationRequested({QStringLiteral("A.prj"), QStringLiteral("/s")}).has_value());
}

TEST_F(CAppTest, StartsWithTheMainWindowTheReportersAndTheWorkFolder) {
    ASSERT_TRUE(Start());
    ASSERT_NE(m_app->MainFrame(), nullptr);
    EXPECT_TRUE(m_app->MainFrame()->isVisible());
    EXPECT_NE(m_app->DocManager().Template(4107), nullptr);
    EXPECT_EQ(m_app->ProjectTemplate().DocString(CDocTemplate::kDocName), QStringLiteral("Untitled"));
    EXPECT_EQ(m_app->ProjectTemplate().DocString(CDocTemplate::kFilterExt), QStringLiteral(".prj"));
    CDomain& domain = CDomain::Instance();
    EXPECT_NE(domain.Reporter(0), nullptr);
    EXPECT_NE(domain.TextBuffer(), nullptr);
    EXPECT_NE(domain.Progress(), nullptr);
    EXPECT_EQ(domain.Separator(), "/");
    // This process's own sub-folder of the chosen work folder, both private.
    EXPECT_TRUE(m_app->WorkFolder().startsWith(TempPath("work/run-"))) << m_app->WorkFolder().toStdString();
    EXPECT_TRUE(m_app->WorkFolder().endsWith(u'/'));
    EXPECT_EQ(QString::fromStdString(domain.WorkFolder()), m_app->WorkFolder());
    for (const QString& folder : {TempPath("work"), m_app->WorkFolder()}) {
        EXPECT_EQ(QFileInfo(folder).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    }
    EXPECT_EQ(CMDIChildWndEx::PlacementMode(), CMDIChildWndEx::kPersistentPlacementMode);
    EXPECT_TRUE(m_app->Documents().empty());
}

TEST_F(CAppTest, EmptySettingsGiveTheDefaults) {
    CDomain::Instance().m_gridOn = 1;
    CDomain::Instance().m_waveOption = 1;
    CDomain::Instance().m_patchOption = 1;
    ASSERT_TRUE(Start());
    EXPECT_EQ(CDomain::Instance().m_gridOn, 0);
    EXPECT_EQ(CDomain::Instance().m_waveOption, 0);
    EXPECT_EQ(CDomain::Instance().m_patchOption, 0);
    EXPECT_TRUE(m_app->ListFont().HasFont());
    EXPECT_EQ(m_app->ListFont().ColorRef(), 0u);
}

TEST_F(CAppTest, OptionsAndFontRoundTripThroughExit) {
    CSettings::WriteInt(SettingId::GridSw, 1);
    CSettings::WriteInt(SettingId::WaveOption, 1);
    CSettings::WriteInt(SettingId::PatchOption, 0);
    CSettings::WriteString(SettingId::FontFaceName, QStringLiteral("Sans"));
    CSettings::WriteString(SettingId::FontAttribute, QStringLiteral("-13,0,0,0,700"));
    CSettings::WriteInt(SettingId::FontColor, 0x00FF0000);
    ASSERT_TRUE(Start());
    EXPECT_EQ(CDomain::Instance().m_gridOn, 1);
    EXPECT_EQ(CDomain::Instance().m_waveOption, 1);
    EXPECT_EQ(CDomain::Instance().m_patchOption, 0);
    EXPECT_EQ(m_app->ListFont().Attributes().weight, 700);
    CDomain::Instance().m_gridOn = 0;
    CDomain::Instance().m_patchOption = 1;
    Stop();
    EXPECT_EQ(CSettings::ReadInt(SettingId::GridSw), 0);
    EXPECT_EQ(CSettings::ReadInt(SettingId::WaveOption), 1);
    EXPECT_EQ(CSettings::ReadInt(SettingId::PatchOption), 1);
    EXPECT_EQ(CSettings::ReadString(SettingId::FontFaceName), QStringLiteral("Sans"));
    // The missing trailing attributes were written with their defaults.
    EXPECT_EQ(CSettings::ReadString(SettingId::FontAttribute), QStringLiteral("-13,0,0,0,700,0,0,0,128,3,2,0,49"));
    EXPECT_EQ(CSettings::ReadInt(SettingId::FontColor), 0x00FF0000);
}

TEST_F(CAppTest, ProjectWindowListsUseTheStoredFontAndColour) {
    CSettings::WriteString(SettingId::FontFaceName, QStringLiteral("Serif"));
    CSettings::WriteString(SettingId::FontAttribute, QStringLiteral("-17,0,0,0,700,1"));
    CSettings::WriteInt(SettingId::FontColor, 0x000000FF); // red as 0x00BBGGRR
    ASSERT_TRUE(Start());
    CFileView* view = m_app->NewDocument()->Frame()->View();
    ASSERT_NE(view, nullptr);
    for (const int which : {kPatchList, kWaveList}) {
        const CParameterListCtrl& list = view->List(which);
        EXPECT_EQ(list.font().pixelSize(), 17);
        EXPECT_TRUE(list.font().italic());
        EXPECT_EQ(list.palette().color(QPalette::Active, QPalette::Text), QColor(255, 0, 0));
    }
}

TEST_F(CAppTest, SetUpFontChangesTheListsOnOkOnly) {
    ASSERT_TRUE(Start());
    CFileView* view = m_app->NewDocument()->Frame()->View();
    ASSERT_NE(view, nullptr);
    const QFont before = view->List(kPatchList).font();
    CFontSetupDialog::SetNextAnswer(std::nullopt);
    m_app->OnSetUpFont();
    EXPECT_EQ(view->List(kPatchList).font(), before);

    QFont chosen(QStringLiteral("Monospace"));
    chosen.setPixelSize(21);
    chosen.setStrikeOut(true);
    CFontSetupDialog::SetNextAnswer(CFontSetupDialog::Answer{chosen, qRgb(0, 128, 0)});
    m_app->OnSetUpFont();
    for (const int which : {kPatchList, kWaveList}) {
        EXPECT_EQ(view->List(which).font().pixelSize(), 21);
        EXPECT_TRUE(view->List(which).font().strikeOut());
        EXPECT_EQ(view->List(which).palette().color(QPalette::Active, QPalette::Text), QColor(0, 128, 0));
    }
    Stop();
    EXPECT_EQ(CSettings::ReadInt(SettingId::FontColor), 0x00008000);
    EXPECT_EQ(CSettings::ReadString(SettingId::FontAttribute).section(u',', 0, 0), QStringLiteral("-21"));
}

TEST_F(CAppTest, ExitRemovesOnlyItsOwnWorkFilesAndSubFolder) {
    ASSERT_TRUE(Start());
    const QDir work(TempPath("work"));
    for (const char* name : {"000 Lead.p00", "001 Pad.wav", "002 Bell.aiff", "003 Vox.vpw", "notes.txt"}) {
        QFile file(work.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const std::string own = CopyIntoWorkFolder(TempPath("work/001 Pad.wav").toStdString(), "Pad", ".wav");
    ASSERT_TRUE(QString::fromStdString(own).startsWith(m_app->WorkFolder()));
    const QString ownFolder = m_app->WorkFolder();
    Stop();
    EXPECT_EQ(
        work.entryList(QDir::Files, QDir::Name),
        (QStringList{QStringLiteral("000 Lead.p00"), QStringLiteral("001 Pad.wav"), QStringLiteral("002 Bell.aiff"),
                     QStringLiteral("003 Vox.vpw"), QStringLiteral("notes.txt")}));
    EXPECT_FALSE(QFileInfo::exists(ownFolder));
}

TEST_F(CAppTest, WithoutAWorkFolderStartFailsAndExitDeletesNothing) {
    // The work folder's place is taken by a file, so it cannot be made.
    QFile blocker(TempPath("work"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // Sound files in the current folder must survive the exit steps of the failed start.
    QDir::setCurrent(TempPath(""));
    QFile current(TempPath("007 Keep.p00"));
    ASSERT_TRUE(current.open(QIODevice::WriteOnly));
    current.close();
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    EXPECT_FALSE(Start());
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("Unable to create a work folder."));
    EXPECT_EQ(CMessageBox::LastShown().caption, QStringLiteral("Orvanta Librarian"));
    EXPECT_TRUE(m_app->WorkFolder().isEmpty());
    Stop();
    EXPECT_TRUE(QFileInfo::exists(TempPath("007 Keep.p00")));
    QDir::setCurrent(QDir::tempPath());
}

TEST_F(CAppTest, APrimaryThatFailedLaterStillWritesItsSettings) {
    QFile blocker(TempPath("work"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    EXPECT_FALSE(Start());
    CDomain::Instance().m_gridOn = 1;
    Stop();
    EXPECT_EQ(CSettings::ReadInt(SettingId::GridSw), 1);
}

TEST_F(CAppTest, ASecondInstanceHandsOverItsProjectAndWritesNoSettings) {
    ASSERT_TRUE(Start());
    const QString project = MakeProject("Handed.prj");
    CApp second(CApp::Options{TempPath("runtime")});
    EXPECT_FALSE(second.InitInstance({project}));
    EXPECT_TRUE(second.IsSecondaryInstance());
    EXPECT_EQ(second.MainFrame(), nullptr);
    CDomain::Instance().m_gridOn = 1;
    second.ExitInstance();
    EXPECT_FALSE(CSettings::Contains(SettingId::GridSw));
    // The first instance receives the path from its event loop and opens it.
    for (int i = 0; i < 200 && m_app->Documents().empty(); ++i) {
        QTest::qWait(10);
    }
    ASSERT_EQ(m_app->Documents().size(), 1u);
    EXPECT_EQ(QString::fromStdString(m_app->Documents().front()->Data().m_projectPath), project + u'/');
}

// A flood of hand-overs naming folders that are no projects: nothing is opened inside the handler,
// duplicates are dropped, the queue is capped, and the error boxes come one after another.
TEST_F(CAppTest, HandOversAreQueuedAndTheirErrorsShownOneAtATime) {
    ASSERT_TRUE(Start());
    CMessageBox::ResetShown();
    for (int i = 0; i < 100; ++i) {
        CMessageBox::SetNextAnswer(QMessageBox::Ok);
    }
    for (int i = 0; i < 40; ++i) {
        m_app->OnActivationRequested(TempPath("None" + std::to_string(i % 20) + ".prj"));
    }
    EXPECT_EQ(CMessageBox::ShownCount(), 0) << "nothing is opened inside the handler";
    EXPECT_TRUE(m_app->Documents().empty());
    Pump();
    EXPECT_EQ(CMessageBox::ShownCount(), CApp::kMaxPendingActivations);
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("This project could not be loaded."));
    EXPECT_TRUE(m_app->Documents().empty());

    // Later hand-overs are taken again once the queue has been worked off.
    const QString project = MakeProject("Later.prj");
    m_app->OnActivationRequested(project);
    Pump();
    ASSERT_EQ(m_app->Documents().size(), 1u);
}

TEST_F(CAppTest, AProjectOnTheCommandLineIsOpened) {
    const QString project = MakeProject("Line.prj");
    ASSERT_TRUE(Start({QStringLiteral("/s"), project}));
    ASSERT_EQ(m_app->Documents().size(), 1u);
    EXPECT_EQ(m_app->Documents().front()->GetPathName(), project);
    EXPECT_EQ(m_app->Documents().front()->GetTitle(), QStringLiteral("Line.prj"));
}

// `orvanta-librarian A.prj B.prj` opens each; one that does not load says so and the others open.
TEST_F(CAppTest, EveryProjectOnTheCommandLineIsOpened) {
    const QString first = MakeProject("One.prj");
    const QString second = MakeProject("Two.prj");
    ASSERT_TRUE(QDir().mkpath(TempPath("Plain.prj")));
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    ASSERT_TRUE(Start({first, TempPath("Plain.prj"), second}));
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("This project could not be loaded."));
    ASSERT_EQ(m_app->Documents().size(), 2u);
    EXPECT_EQ(m_app->Documents()[0]->GetTitle(), QStringLiteral("One.prj"));
    EXPECT_EQ(m_app->Documents()[1]->GetTitle(), QStringLiteral("Two.prj"));
}

// A later start hands every project it names to the running window, which opens each.
TEST_F(CAppTest, ASecondInstanceHandsOverEveryProject) {
    ASSERT_TRUE(Start());
    const QString first = MakeProject("First.prj");
    const QString second = MakeProject("Second.prj");
    CApp later(CApp::Options{TempPath("runtime")});
    EXPECT_FALSE(later.InitInstance({first, second}));
    later.ExitInstance();
    for (int i = 0; i < 200 && m_app->Documents().size() < 2; ++i) {
        QTest::qWait(10);
    }
    ASSERT_EQ(m_app->Documents().size(), 2u);
    EXPECT_EQ(m_app->Documents()[0]->GetTitle(), QStringLiteral("First.prj"));
    EXPECT_EQ(m_app->Documents()[1]->GetTitle(), QStringLiteral("Second.prj"));
}

TEST_F(CAppTest, AFolderThatIsNoProjectEndsTheStart) {
    ASSERT_TRUE(QDir().mkpath(TempPath("Plain.prj")));
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    EXPECT_FALSE(Start({TempPath("Plain.prj")}));
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("This project could not be loaded."));
    EXPECT_TRUE(m_app->Documents().empty());
}

TEST_F(CAppTest, IdleShowsAPendingErrorOnceAndClearsIt) {
    ASSERT_TRUE(Start());
    CMessageBox::ResetShown();
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    CDomain::Instance().ReportToTextBuffer(2);
    m_app->OnIdle();
    m_app->OnIdle(); // queued once only
    Pump();
    EXPECT_EQ(CMessageBox::ShownCount(), 1);
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("This project could not be saved."));
    EXPECT_EQ(CDomain::Instance().PendingErrorCode(), 0);
    m_app->OnIdle();
    Pump();
    EXPECT_EQ(CMessageBox::ShownCount(), 1);
}

} // namespace
} // namespace Orvanta::ShellTesting
