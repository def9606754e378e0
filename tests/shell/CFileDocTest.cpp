// Project documents: New, Open, Save, Save As and Close as the user meets them.

#include "shell/CFileDoc.h"
#include "ShellTestFixture.h"
#include "operations/EditCommands.h"
#include "shell/CFileFrame.h"
#include "shell/CMainFrame.h"
#include "storage/SavePreview.h"
#include "winframework/CMessageBox.h"
#include "winframework/CSettings.h"

#include "model/CProgressEpisode.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>

#include <chrono>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

namespace Orvanta::ShellTesting {
namespace {

class CFileDocTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(Start());
    }

    [[nodiscard]] std::size_t DocumentCount() const { return m_app->Documents().size(); }
    [[nodiscard]] CFileDoc* ActiveDocument() const { return m_app->MainFrame()->ActiveDocument(); }
};

TEST_F(CFileDocTest, NewDocumentsAreNumberedAndUnmodified) {
    CFileDoc* first = m_app->NewDocument();
    CFileDoc* second = m_app->NewDocument();
    EXPECT_EQ(first->GetTitle(), QStringLiteral("Untitled1"));
    EXPECT_EQ(second->GetTitle(), QStringLiteral("Untitled2"));
    EXPECT_FALSE(second->IsModified());
    EXPECT_TRUE(second->GetPathName().isEmpty());
    EXPECT_EQ(ActiveDocument(), second);
}

// Opening projects, whether they load or not, takes no "Untitled" number.
TEST_F(CFileDocTest, OpeningAProjectTakesNoUntitledNumber) {
    ASSERT_NE(m_app->OpenProject(MakeProject("A.prj")), nullptr);
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    EXPECT_EQ(m_app->OpenProject(TempPath("Missing.prj")), nullptr);
    EXPECT_EQ(m_app->NewDocument()->GetTitle(), QStringLiteral("Untitled1"));
    ASSERT_NE(m_app->OpenProject(MakeProject("B.prj")), nullptr);
    EXPECT_EQ(m_app->NewDocument()->GetTitle(), QStringLiteral("Untitled2"));
}

TEST_F(CFileDocTest, OpenLoadsTitlesAndRemembersTheFolder) {
    const QString project = MakeProject("A.prj");
    CFileDoc* document = m_app->OpenProject(project);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->GetTitle(), QStringLiteral("A.prj"));
    EXPECT_EQ(document->GetPathName(), project);
    EXPECT_FALSE(document->IsModified());
    EXPECT_EQ(document->Data().m_patches[0].m_name, "Lead");
    EXPECT_EQ(CSettings::ReadString(SettingId::OpenFolderName), project + QDir::separator());
    EXPECT_EQ(m_app->RecentFiles().value(0), project);
}

// Hands every widget shown while it lives to `onShow`.
class ShowWatcher : public QObject {
public:
    explicit ShowWatcher(std::function<void(QObject*)> onShow) : m_onShow(std::move(onShow)) {
        qApp->installEventFilter(this);
    }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }
    ShowWatcher(const ShowWatcher&) = delete;
    ShowWatcher& operator=(const ShowWatcher&) = delete;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            m_onShow(watched);
        }
        return false;
    }

private:
    std::function<void(QObject*)> m_onShow;
};

// A failed open shows no project window, and the box about a recovered save comes before the
// window: no empty window flashes behind either.
TEST_F(CFileDocTest, NoEmptyWindowShowsBehindAFailedOpenOrARecoveryBox) {
    TestSupport::ProjectBuilder broken(m_temp.Path(), "Broken.prj", {true, false});
    QString brokenPath = QString::fromStdString(broken.Path());
    brokenPath.chop(1);
    const QString project = MakeProject("A.prj");
    ASSERT_TRUE(QDir().mkdir(project + QStringLiteral("/.orvanta-save")));
    {
        QFile staged(project + QStringLiteral("/.orvanta-save/n-1"));
        ASSERT_TRUE(staged.open(QIODevice::WriteOnly));
    }
    m_app->MainFrame()->show();
    // For each project window shown, how many message boxes had been shown before it.
    std::vector<int> boxesBefore;
    const ShowWatcher watcher([&boxesBefore](QObject* shown) {
        if (qobject_cast<CFileFrame*>(shown) != nullptr) {
            boxesBefore.push_back(CMessageBox::ShownCount());
        }
    });
    CMessageBox::ResetShown();
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    EXPECT_EQ(m_app->OpenProject(brokenPath), nullptr);
    Pump();
    EXPECT_EQ(CMessageBox::ShownCount(), 1);
    EXPECT_TRUE(boxesBefore.empty()); // no window at all

    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    ASSERT_NE(m_app->OpenProject(project), nullptr);
    Pump();
    EXPECT_EQ(CMessageBox::ShownCount(), 2);
    EXPECT_EQ(boxesBefore, std::vector<int>{2}); // shown once, after the box
    EXPECT_EQ(m_app->MainFrame()->ActiveDocument()->GetTitle(), QStringLiteral("A.prj"));
}

// A project left with an interrupted save is put right before it is shown, and the user is told.
TEST_F(CFileDocTest, OpeningFinishesAnInterruptedSaveAndSaysSo) {
    const QString project = MakeProject("A.prj");
    const QString staging = project + QStringLiteral("/.orvanta-save");
    ASSERT_TRUE(QDir().mkdir(staging));
    QFile staged(staging + QStringLiteral("/n-1"));
    ASSERT_TRUE(staged.open(QIODevice::WriteOnly));
    staged.close();
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    CFileDoc* document = m_app->OpenProject(project);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(CMessageBox::ShownCount(), 1);
    EXPECT_TRUE(CMessageBox::LastShown().text.contains(QStringLiteral("was undone")));
    EXPECT_EQ(CMessageBox::LastShown().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_FALSE(QFileInfo::exists(staging));
    EXPECT_EQ(document->Data().m_patches[0].m_name, "Lead");
}

TEST_F(CFileDocTest, OpenThroughTheDialogStartsAtTheLastFolder) {
    const QString project = MakeProject("A.prj");
    CSettings::WriteString(SettingId::OpenFolderName, project + QDir::separator());
    CSelectFolderDialog::SetNextAnswer(project);
    m_app->OnFileOpen();
    EXPECT_EQ(CSelectFolderDialog::LastRequest().title, QStringLiteral("Open Project"));
    EXPECT_EQ(CSelectFolderDialog::LastRequest().acceptCaption, QStringLiteral("Open &Project"));
    EXPECT_TRUE(CSelectFolderDialog::LastRequest().newDisabled);
    EXPECT_EQ(CSelectFolderDialog::LastRequest().initialPath, project + QDir::separator());
    ASSERT_EQ(DocumentCount(), 1u);
    CSelectFolderDialog::SetNextAnswer(std::nullopt);
    m_app->OnFileOpen();
    EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(CFileDocTest, OpeningAnOpenProjectActivatesIt) {
    const QString first = MakeProject("A.prj");
    const QString second = MakeProject("B.prj");
    CFileDoc* a = m_app->OpenProject(first);
    CFileDoc* b = m_app->OpenProject(second);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(ActiveDocument(), b);
    CSettings::WriteString(SettingId::OpenFolderName, QStringLiteral("untouched"));
    EXPECT_EQ(m_app->OpenProject(first + u'/'), a);
    EXPECT_EQ(DocumentCount(), 2u);
    EXPECT_EQ(ActiveDocument(), a);
    EXPECT_EQ(CSettings::ReadString(SettingId::OpenFolderName), QStringLiteral("untouched"));
}

TEST_F(CFileDocTest, OneFolderReachedByALinkIsNeverOpenTwice) {
    const QString project = MakeProject("A.prj");
    ASSERT_TRUE(QFile::link(project, TempPath("Link.prj")));
    CFileDoc* a = m_app->OpenProject(project);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(m_app->FindOpenProject(TempPath("Link.prj")), a);
    EXPECT_EQ(m_app->OpenProject(TempPath("Link.prj")), a);
    EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(CFileDocTest, ADifferentFolderIsNotTakenForAnOpenOne) {
    const QString first = MakeProject("A.prj");
    const QString second = MakeProject("a.prj");
    ASSERT_NE(m_app->OpenProject(first), nullptr);
    EXPECT_EQ(m_app->FindOpenProject(second), nullptr);
}

TEST_F(CFileDocTest, AFailedLoadLeavesNoWindowAndWritesNoSettings) {
    TestSupport::ProjectBuilder broken(m_temp.Path(), "Broken.prj", {true, false});
    QString path = QString::fromStdString(broken.Path());
    path.chop(1);
    CSettings::WriteString(SettingId::OpenFolderName, QStringLiteral("before"));
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    EXPECT_EQ(m_app->OpenProject(path), nullptr);
    Pump();
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("This project could not be loaded."));
    EXPECT_EQ(DocumentCount(), 0u);
    EXPECT_TRUE(m_app->MainFrame()->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(CSettings::ReadString(SettingId::OpenFolderName), QStringLiteral("before"));
    EXPECT_TRUE(m_app->RecentFiles().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("/Wave")));
}

TEST_F(CFileDocTest, ARecentEntryThatFailsIsRemoved) {
    const QString project = MakeProject("A.prj");
    m_app->AddToRecentFileList(TempPath("Gone.prj"));
    m_app->AddToRecentFileList(project);
    ASSERT_EQ(m_app->RecentFiles().size(), 2);
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    m_app->OnOpenRecentFile(1);
    EXPECT_EQ(m_app->RecentFiles(), QStringList{project});
}

TEST_F(CFileDocTest, TheRecentListKeepsEightEntriesMostRecentFirst) {
    for (int i = 0; i < 10; ++i) {
        m_app->AddToRecentFileList(QStringLiteral("/p/%1.prj").arg(i));
    }
    m_app->AddToRecentFileList(QStringLiteral("/p/5.prj"));
    const QStringList expected = {QStringLiteral("/p/5.prj"), QStringLiteral("/p/9.prj"), QStringLiteral("/p/8.prj"),
                                  QStringLiteral("/p/7.prj"), QStringLiteral("/p/6.prj"), QStringLiteral("/p/4.prj"),
                                  QStringLiteral("/p/3.prj"), QStringLiteral("/p/2.prj")};
    EXPECT_EQ(m_app->RecentFiles(), expected);
    Stop();
    EXPECT_EQ(CSettings::ReadRecentFiles(), expected);
}

TEST_F(CFileDocTest, SaveAsOfAnUntitledDocumentProposesTheLastFolder) {
    const QString project = MakeProject("A.prj");
    ASSERT_NE(m_app->OpenProject(project), nullptr);
    CFileDoc* untitled = m_app->NewDocument();
    EXPECT_EQ(untitled->ProposedSavePath(), TempPath("Untitled1"));
    CSelectFolderDialog::SetNextAnswer(std::nullopt);
    EXPECT_FALSE(untitled->OnFileSaveAs());
    EXPECT_EQ(CSelectFolderDialog::LastRequest().title, QStringLiteral("Save Project"));
    EXPECT_EQ(CSelectFolderDialog::LastRequest().acceptCaption, QStringLiteral("Save &Project"));
    EXPECT_FALSE(CSelectFolderDialog::LastRequest().newDisabled);
    EXPECT_EQ(CSelectFolderDialog::LastRequest().initialPath, TempPath("Untitled1"));
}

TEST_F(CFileDocTest, SaveAsIntoANewFolderMovesTheDocumentThere) {
    const QString project = MakeProject("A.prj");
    CFileDoc* document = m_app->OpenProject(project);
    ASSERT_NE(document, nullptr);
    document->SetModified(true);
    ASSERT_TRUE(QDir().mkpath(TempPath("Copy.prj")));
    CSelectFolderDialog::SetNextAnswer(TempPath("Copy.prj"));
    ASSERT_TRUE(document->OnFileSaveAs());
    EXPECT_EQ(document->GetPathName(), TempPath("Copy.prj"));
    EXPECT_EQ(document->GetTitle(), QStringLiteral("Copy.prj"));
    EXPECT_FALSE(document->IsModified());
    EXPECT_TRUE(QFileInfo::exists(TempPath("Copy.prj/Patch/001 Lead.p00")));
    EXPECT_TRUE(QFileInfo::exists(TempPath("Copy.prj/Wave/001 Pad.wav")));
    EXPECT_EQ(CSettings::ReadString(SettingId::OpenFolderName), TempPath("Copy.prj") + QDir::separator());
    EXPECT_EQ(m_app->RecentFiles().value(0), TempPath("Copy.prj"));
}

// After a save the status bar says what the save did to the files.
TEST_F(CFileDocTest, SavingSaysWhatItDid) {
    CFileDoc* document = m_app->OpenProject(MakeProject("A.prj"));
    ASSERT_NE(document, nullptr);
    QStatusBar* bar = m_app->MainFrame()->statusBar();
    ASSERT_EQ(RenameElements(document->Data(), kPatchList, {0}, "Bass"), 1u);
    document->SetModified(true);
    ASSERT_TRUE(document->OnFileSave());
    EXPECT_EQ(bar->currentMessage(), QStringLiteral("Saved A.prj: 1 moved"));
    EXPECT_TRUE(QFileInfo::exists(TempPath("A.prj/Patch/001 Bass.p00")));

    document->SetModified(true);
    ASSERT_TRUE(document->OnFileSave());
    EXPECT_EQ(bar->currentMessage(), QStringLiteral("Saved A.prj: no file needed a change"));

    ASSERT_TRUE(QDir().mkpath(TempPath("Copy.prj")));
    CSelectFolderDialog::SetNextAnswer(TempPath("Copy.prj"));
    ASSERT_TRUE(document->OnFileSaveAs());
    EXPECT_EQ(bar->currentMessage(), QStringLiteral("Saved Copy.prj: 5 files written"));

    CSavePreview plan;
    plan.write = {"a", "b"};
    plan.move = {{"c", "d"}};
    plan.remove = {CSaveDeletion{"e", DeletionReason::kStray}};
    EXPECT_EQ(CFileDoc::SavedReport("Song.prj", plan),
              QStringLiteral("Saved Song.prj: 2 files written, 1 moved, 1 deleted"));
}

// A save runs under the wait cursor; its progress shows only when it takes longer than the delay
// (none and an hour here), so that a quick save never flashes a dialog.
TEST_F(CFileDocTest, ASaveShowsItsProgressOnlyWhenItTakesLong) {
    const std::chrono::milliseconds savedDelay = CProgressEpisode::Delay();
    CFileDoc* document = m_app->OpenProject(MakeProject("A.prj"));
    ASSERT_NE(document, nullptr);
    m_app->MainFrame()->show();
    for (const auto& [delay, shows] : {std::pair{std::chrono::milliseconds(0), true},
                                       std::pair{std::chrono::milliseconds(std::chrono::hours(1)), false}}) {
        SCOPED_TRACE(delay.count());
        CProgressEpisode::SetDelay(delay);
        // The progress dialogs shown: their text, and whether the wait cursor was up meanwhile.
        QStringList shown;
        std::vector<bool> waitCursor;
        const ShowWatcher watcher([&shown, &waitCursor](QObject* widget) {
            if (widget->objectName() == QStringLiteral("progress3075")) {
                const auto* text = widget->findChild<QLabel*>(QStringLiteral("4103"));
                shown.push_back(text != nullptr ? text->text() : QString());
                const QCursor* cursor = QGuiApplication::overrideCursor();
                waitCursor.push_back(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
            }
        });
        const QString copy = TempPath(shows ? "Slow.prj" : "Quick.prj");
        ASSERT_TRUE(QDir().mkpath(copy));
        CSelectFolderDialog::SetNextAnswer(copy);
        ASSERT_TRUE(document->OnFileSaveAs());
        EXPECT_EQ(shown, shows ? QStringList{QStringLiteral("Saving...")} : QStringList());
        EXPECT_EQ(waitCursor, std::vector<bool>(shows ? 1 : 0, true));
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(m_app->MainFrame()->isEnabled());
    }
    CProgressEpisode::SetDelay(savedDelay);
}

TEST_F(CFileDocTest, SaveOntoAnotherOpenProjectsFolderIsRefused) {
    const QString first = MakeProject("A.prj");
    const QString second = MakeProject("B.prj");
    ASSERT_TRUE(QFile::link(first, TempPath("LinkToA.prj")));
    CFileDoc* a = m_app->OpenProject(first);
    CFileDoc* b = m_app->OpenProject(second);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    b->Data().m_patches[0].m_name = "Changed";
    b->SetModified(true);
    for (const QString& target : {first, TempPath("LinkToA.prj")}) {
        CMessageBox::ResetShown();
        CMessageBox::SetNextAnswer(QMessageBox::Ok);
        CSelectFolderDialog::SetNextAnswer(target);
        EXPECT_FALSE(b->OnFileSaveAs());
        EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("This project could not be saved."));
        EXPECT_EQ(b->GetPathName(), second);
        EXPECT_TRUE(b->IsModified());
        EXPECT_EQ(QString::fromStdString(b->Data().m_projectPath), second + u'/');
        EXPECT_FALSE(QFileInfo::exists(first + QStringLiteral("/Patch/001 Changed.p00")));
    }
}

TEST_F(CFileDocTest, ClosePromptCancelKeepsTheProjectOpen) {
    const QString project = MakeProject("A.prj");
    CFileDoc* document = m_app->OpenProject(project);
    ASSERT_NE(document, nullptr);
    document->SetModified(true);
    CMessageBox::SetNextAnswer(QMessageBox::Cancel);
    EXPECT_FALSE(document->Frame()->close());
    Pump();
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("Save changes to A.prj?"));
    EXPECT_EQ(CMessageBox::LastShown().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    ASSERT_EQ(DocumentCount(), 1u);
    EXPECT_TRUE(m_app->Documents().front()->IsModified());
}

TEST_F(CFileDocTest, ClosePromptNoClosesWithoutSaving) {
    const QString project = MakeProject("A.prj");
    CFileDoc* document = m_app->OpenProject(project);
    ASSERT_NE(document, nullptr);
    document->Data().m_patches[0].m_name = "Renamed";
    document->SetModified(true);
    CMessageBox::SetNextAnswer(QMessageBox::No);
    EXPECT_TRUE(document->Frame()->close());
    Pump();
    EXPECT_EQ(DocumentCount(), 0u);
    EXPECT_TRUE(QFileInfo::exists(project + QStringLiteral("/Patch/001 Lead.p00")));
    EXPECT_FALSE(QFileInfo::exists(project + QStringLiteral("/Patch/001 Renamed.p00")));
}

TEST_F(CFileDocTest, ClosePromptYesSavesThenCloses) {
    const QString project = MakeProject("A.prj");
    CFileDoc* document = m_app->OpenProject(project);
    ASSERT_NE(document, nullptr);
    document->Data().m_patches[0].m_name = "Renamed";
    document->SetModified(true);
    CMessageBox::SetNextAnswer(QMessageBox::Yes);
    EXPECT_TRUE(document->Frame()->close());
    Pump();
    EXPECT_EQ(DocumentCount(), 0u);
    EXPECT_TRUE(QFileInfo::exists(project + QStringLiteral("/Patch/001 Renamed.p00")));
    EXPECT_FALSE(QFileInfo::exists(project + QStringLiteral("/Patch/001 Lead.p00")));
}

TEST_F(CFileDocTest, ClosePromptYesWithACancelledSaveKeepsTheProjectOpen) {
    CFileDoc* document = m_app->NewDocument();
    document->SetModified(true);
    CMessageBox::SetNextAnswer(QMessageBox::Yes);
    CSelectFolderDialog::SetNextAnswer(std::nullopt);
    EXPECT_FALSE(document->Frame()->close());
    Pump();
    EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(CFileDocTest, LeavingAsksForEachModifiedProjectAndCancelStops) {
    CFileDoc* first = m_app->NewDocument();
    m_app->NewDocument();
    CFileDoc* third = m_app->NewDocument();
    first->SetModified(true);
    third->SetModified(true);
    CMessageBox::SetNextAnswer(QMessageBox::No);
    CMessageBox::SetNextAnswer(QMessageBox::Cancel);
    EXPECT_FALSE(m_app->CloseAllDocuments());
    EXPECT_EQ(CMessageBox::ShownCount(), 2);
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("Save changes to Untitled3?"));
    EXPECT_EQ(DocumentCount(), 3u);
    CMessageBox::SetNextAnswer(QMessageBox::No);
    CMessageBox::SetNextAnswer(QMessageBox::No);
    EXPECT_TRUE(m_app->CloseAllDocuments());
    EXPECT_EQ(DocumentCount(), 0u);
}

TEST_F(CFileDocTest, ClosingKeepsFilesThatAnotherProjectStillUses) {
    const QString first = MakeProject("A.prj");
    CFileDoc* a = m_app->OpenProject(first);
    CFileDoc* b = m_app->NewDocument();
    ASSERT_NE(a, nullptr);
    // B took A's wave: its source is A's file.
    b->Data().m_waves[0].m_path = a->Data().m_waves[0].m_path;
    b->Data().m_waves[0].m_name = "Pad";
    b->SetModified(true);
    ASSERT_TRUE(a->Frame()->close());
    Pump();
    const QString source = QString::fromStdString(b->Data().m_waves[0].m_path);
    EXPECT_TRUE(source.startsWith(m_app->WorkFolder())) << source.toStdString();
    EXPECT_TRUE(QFileInfo::exists(source));
}

// Another program adds a wave to an open project: the window says so (the folder is watched), and
// Save offers Reload, Save Anyway and Cancel, each doing what it says.
TEST_F(CFileDocTest, AChangeByAnotherProgramIsToldAndSaveOffersReloadOrSaveAnyway) {
    const QString project = MakeProject("A.prj");
    CFileDoc* document = m_app->OpenProject(project);
    ASSERT_NE(document, nullptr);
    QSignalSpy told(document, &CFileDoc::ChangedOnDisk);
    const std::string added = project.toStdString() + "/Wave/002 Snare.wav";
    TestSupport::ProjectBuilder::WriteBytes(added, {1, 2, 3, 4});
    ASSERT_TRUE(told.wait(5000));
    EXPECT_EQ(told.at(0).at(0).toString(),
              QStringLiteral("002 Snare.wav was added by another program since A.prj was opened"));

    for (const QMessageBox::StandardButton answer : {QMessageBox::Cancel, QMessageBox::Reset, QMessageBox::Save}) {
        SCOPED_TRACE(answer);
        document->Data().m_patches[0].SetName("Renamed", false);
        document->SetModified(true);
        CMessageBox::SetNextAnswer(answer);
        EXPECT_EQ(document->DoSave(project), answer == QMessageBox::Save);
        EXPECT_EQ(CMessageBox::LastShown().detail, QStringLiteral("0 files changed, 1 added, 0 removed"));
        EXPECT_EQ(CMessageBox::LastShown().details,
                  QStringLiteral("002 Snare.wav was added by another program since A.prj was opened"));
        // Reload shows the folder as it is, the new wave in its slot; Save Anyway deletes it as a stray.
        EXPECT_EQ(document->Data().m_waves[1].m_name, answer == QMessageBox::Reset ? "Snare" : "");
        EXPECT_EQ(QFileInfo::exists(QString::fromStdString(added)), answer != QMessageBox::Save);
        if (answer == QMessageBox::Reset) {
            // The other program's wave again, added after this load.
            ASSERT_TRUE(QFile::remove(QString::fromStdString(added)));
            ASSERT_TRUE(document->LoadFolder(project));
            TestSupport::ProjectBuilder::WriteBytes(added, {1, 2, 3, 4});
        }
    }
}

// The question's one line counts the outside changes by kind, thousands grouped.
TEST(CFileDocSummaryTest, DiskChangesAreCountedByKind) {
    const std::string since = " by another program since A.prj was opened";
    struct Row {
        int changed;
        int added;
        int removed;
        const char* summary;
    };
    const Row rows[] = {
        {1, 0, 0, "1 file changed, 0 added, 0 removed"},
        {0, 2, 1, "0 files changed, 2 added, 1 removed"},
        {1511, 0, 0, "1,511 files changed, 0 added, 0 removed"},
        {3, 1200, 4, "3 files changed, 1,200 added, 4 removed"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.summary);
        std::vector<std::string> changes;
        for (int i = 0; i < row.removed; ++i) {
            changes.push_back("001 A.wav was removed or renamed" + since);
        }
        for (int i = 0; i < row.changed; ++i) {
            changes.push_back("002 B.wav was changed" + since);
        }
        for (int i = 0; i < row.added; ++i) {
            changes.push_back("003 C.wav was added" + since);
        }
        EXPECT_EQ(CFileDoc::DiskChangeSummary(changes).toStdString(), row.summary);
    }
}

// Every file of a big project touched by another program: the status bar counts every change
// (not only those seen at the first notice), Save's question keeps its size with the list in its
// scrolling details, and once the change is dealt with (Save Anyway) the status bar stops telling
// it.
TEST_F(CFileDocTest, ManyOutsideChangesAreCountedAndTheNoticeGoesOnceDealtWith) {
    constexpr int kWaves = 120;
    TestSupport::ProjectBuilder builder(m_temp.Path(), "Big.prj");
    for (int i = 1; i <= kWaves; ++i) {
        builder.AddWave(QStringLiteral("%1 W%2.wav").arg(i, 3, 10, QLatin1Char('0')).arg(i).toStdString());
    }
    builder.AddSystemFiles();
    QString project = QString::fromStdString(builder.Path());
    project.chop(1);

    for (const QMessageBox::StandardButton answer : {QMessageBox::Save}) {
        SCOPED_TRACE(answer);
        CFileDoc* document = m_app->OpenProject(project);
        ASSERT_NE(document, nullptr);
        QStatusBar* bar = m_app->MainFrame()->statusBar();
        QSignalSpy told(document, &CFileDoc::ChangedOnDisk);
        const QDir waves(project + QStringLiteral("/Wave"));
        for (const QString& name : waves.entryList(QDir::Files)) {
            // Other bytes, other size: changed whatever the clock's grain; and touched, as the
            // watcher of a folder hears of a file's new time, not of its new bytes.
            const std::string path = waves.filePath(name).toStdString();
            TestSupport::ProjectBuilder::WriteBytes(path, {9, 9, 9});
            std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now());
        }
        const QString expected = QStringLiteral("001 W1.wav was changed by another program since Big.prj was opened "
                                                "(and 119 more)");
        // What the watcher does a moment after the last notice (whether a folder's watcher hears
        // of a touched file depends on the system's watching, which tests cannot rely on).
        document->CheckDisk();
        EXPECT_EQ(bar->currentMessage(), expected);

        document->Data().m_patches[0].SetName("Renamed", false);
        document->SetModified(true);
        CMessageBox::SetNextAnswer(answer);
        EXPECT_EQ(document->DoSave(project), answer == QMessageBox::Save);
        EXPECT_EQ(CMessageBox::LastShown().detail, QStringLiteral("120 files changed, 0 added, 0 removed"));
        EXPECT_EQ(CMessageBox::LastShown().details.count(u'\n'), kWaves - 1);
        EXPECT_TRUE(document->DiskChanges().empty()) << document->DiskChanges().size();
        Pump();
        EXPECT_FALSE(bar->currentMessage().startsWith(QStringLiteral("001 W1.wav")))
            << bar->currentMessage().toStdString();
        ASSERT_FALSE(told.isEmpty());
        EXPECT_TRUE(told.last().at(0).toString().isEmpty());
        CMessageBox::SetNextAnswer(QMessageBox::No);
        m_app->CloseAllDocuments();
        Pump();
    }
}

// The box itself, shown for real: a thousand lines of details leave it the size of a small box,
// the lines behind its details button.
TEST_F(CFileDocTest, AQuestionWithLongDetailsKeepsItsButtonsOnTheScreen) {
    QStringList lines;
    for (int i = 1; i <= 1000; ++i) {
        lines << QStringLiteral("%1 Wave.wav was changed by another program since Big.prj was opened").arg(i);
    }
    QSize shownSize;
    QString shownDetails;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownSize = box->sizeHint();
        shownDetails = box->detailedText();
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(CMessageBox::Show(nullptr, QStringLiteral("T"), QStringLiteral("Save?"),
                                QMessageBox::Save | QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Warning,
                                QStringLiteral("1,000 files changed, 0 added, 0 removed"), {}, lines.join(u'\n')),
              QMessageBox::Cancel);
    EXPECT_EQ(shownDetails, lines.join(u'\n'));
    EXPECT_LT(shownSize.height(), 400);
    EXPECT_LT(shownSize.width(), 900);
}

// Save Anyway whose save is then refused (a wave's file has gone) has dealt with nothing: the next
// save tells and asks about the other program's change again.
TEST_F(CFileDocTest, ARefusedSaveAnywayAsksAboutTheOutsideChangesAgain) {
    const QString project = MakeProject("A.prj");
    CFileDoc* document = m_app->OpenProject(project);
    ASSERT_NE(document, nullptr);
    CWave& gone = document->Data().m_waves[5];
    gone.m_path = TempPath("gone.wav").toStdString();
    gone.SetName("Gone", false);
    document->SetModified(true);
    const std::string added = project.toStdString() + "/Wave/002 Snare.wav";
    TestSupport::ProjectBuilder::WriteBytes(added, {1, 2, 3, 4});
    const QString told = QStringLiteral("002 Snare.wav was added by another program since A.prj was opened");

    CMessageBox::SetNextAnswer(QMessageBox::Save);
    for (int i = 0; i < 4; ++i) {
        CMessageBox::SetNextAnswer(QMessageBox::Ok); // whatever the refusal shows
    }
    EXPECT_FALSE(document->DoSave(project));
    CMessageBox::ClearAnswers();
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(added)));

    gone.Clear();
    CMessageBox::ResetShown();
    CMessageBox::SetNextAnswer(QMessageBox::Cancel);
    EXPECT_FALSE(document->DoSave(project));
    EXPECT_EQ(CMessageBox::ShownCount(), 1);
    EXPECT_EQ(CMessageBox::LastShown().details, told);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(added)));
}

} // namespace
} // namespace Orvanta::ShellTesting
