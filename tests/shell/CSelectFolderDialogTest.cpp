#include "shell/CSelectFolderDialog.h"
#include "QtTestSupport.h"
#include "TempFolder.h"
#include "shell/CInputTextDialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

class CSelectFolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(Path("Work/Song.PRJ")));
        ASSERT_TRUE(QDir().mkpath(Path("Work/Song")));
        ASSERT_TRUE(QDir().mkpath(Path("Work/Demo.prj")));
    }
    void TearDown() override {
        CInputTextDialog::ClearAnswers();
        CSelectFolderDialog::ClearAnswers();
    }

    [[nodiscard]] QString Path(const std::string& relative) const {
        QString path = QString::fromStdString(m_temp / relative);
        if (path.endsWith(u'/')) {
            path.chop(1);
        }
        return path;
    }

    TestSupport::TempFolder m_temp;
};

TEST_F(CSelectFolderDialogTest, NewProjectNamesEndInPrj) {
    EXPECT_EQ(CSelectFolderDialog::ProjectFolderName(QStringLiteral("Demo")), QStringLiteral("Demo.prj"));
    EXPECT_EQ(CSelectFolderDialog::ProjectFolderName(QStringLiteral("Demo.")), QStringLiteral("Demo.prj"));
    EXPECT_EQ(CSelectFolderDialog::ProjectFolderName(QStringLiteral("Demo...")), QStringLiteral("Demo.prj"));
    EXPECT_EQ(CSelectFolderDialog::ProjectFolderName(QStringLiteral("Demo.PRJ")), QStringLiteral("Demo.PRJ"));
    EXPECT_EQ(CSelectFolderDialog::ProjectFolderName(QStringLiteral("My.Song")), QStringLiteral("My.Song.prj"));
    EXPECT_EQ(CSelectFolderDialog::ProjectFolderName(QString()), QString());
}

TEST_F(CSelectFolderDialogTest, ProjectDialogAcceptsOnlyExistingPrjFolders) {
    EXPECT_TRUE(CSelectProjectDialog::IsProjectFolder(Path("Work/Song.PRJ")));
    EXPECT_TRUE(CSelectProjectDialog::IsProjectFolder(Path("Work/Demo.prj") + u'/'));
    EXPECT_FALSE(CSelectProjectDialog::IsProjectFolder(Path("Work/Song")));
    EXPECT_FALSE(CSelectProjectDialog::IsProjectFolder(Path("Work/Missing.prj")));
    QFile file(Path("Work/File.prj"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(CSelectProjectDialog::IsProjectFolder(Path("Work/File.prj")));
}

TEST_F(CSelectFolderDialogTest, InitialPathOpensItsParentWithItSelected) {
    const CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                      Path("Work/Demo.prj"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Open Project"));
    EXPECT_EQ(dialog.CurrentFolder(), Path("Work"));
    EXPECT_EQ(dialog.Selection(), Path("Work/Demo.prj"));
    EXPECT_EQ(dialog.SelectionField()->text(), QDir::toNativeSeparators(Path("Work/Demo.prj")));
    EXPECT_TRUE(dialog.AcceptButton()->isEnabled());
    EXPECT_EQ(dialog.AcceptButton()->text(), QStringLiteral("Open &Project"));
    EXPECT_FALSE(dialog.NewProjectButton()->isEnabled());
}

TEST_F(CSelectFolderDialogTest, MissingInitialPathStartsWithoutSelection) {
    const CSelectProjectDialog dialog(false, QStringLiteral("Save Project"), QStringLiteral("Save &Project"),
                                      Path("Work/Untitled1"));
    EXPECT_EQ(dialog.CurrentFolder(), Path("Work"));
    EXPECT_TRUE(dialog.Selection().isEmpty());
    EXPECT_FALSE(dialog.AcceptButton()->isEnabled());
    EXPECT_TRUE(dialog.NewProjectButton()->isEnabled());
}

TEST_F(CSelectFolderDialogTest, PointingSelectsProjectFoldersWhateverTheirCase) {
    CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                Path("Work/Song"));
    emit dialog.currentChanged(Path("Work/Song.PRJ"));
    EXPECT_EQ(dialog.Selection(), Path("Work/Song.PRJ"));
    EXPECT_TRUE(dialog.AcceptButton()->isEnabled());
    emit dialog.currentChanged(Path("Work/Song"));
    EXPECT_TRUE(dialog.Selection().isEmpty());
    EXPECT_FALSE(dialog.AcceptButton()->isEnabled());
}

TEST_F(CSelectFolderDialogTest, PointingAtALinkSelectsTheFolderItNames) {
    ASSERT_TRUE(QFile::link(Path("Work/Demo.prj"), Path("Work/Shortcut")));
    CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                Path("Work/Song"));
    emit dialog.currentChanged(Path("Work/Shortcut"));
    EXPECT_EQ(dialog.Selection(), Path("Work/Demo.prj"));
}

TEST_F(CSelectFolderDialogTest, EnteringTheSelectedFolderKeepsIt) {
    CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                Path("Work/Song"));
    emit dialog.currentChanged(Path("Work/Demo.prj"));
    dialog.setDirectory(Path("Work/Demo.prj")); // as a double click enters it
    emit dialog.directoryEntered(Path("Work/Demo.prj"));
    EXPECT_EQ(dialog.Selection(), Path("Work/Demo.prj"));
    // Nothing pointed at inside it: the folder shown stays the selection.
    emit dialog.currentChanged(QString());
    EXPECT_EQ(dialog.Selection(), QDir(Path("Work/Demo.prj")).absolutePath());
    // Another folder clears it.
    dialog.setDirectory(Path("Work"));
    emit dialog.directoryEntered(Path("Work"));
    EXPECT_TRUE(dialog.Selection().isEmpty());
}

TEST_F(CSelectFolderDialogTest, NewProjectCreatesTheFolderAndReturnsIt) {
    CSelectProjectDialog dialog(false, QStringLiteral("Save Project"), QStringLiteral("Save &Project"),
                                Path("Work/Untitled1"));
    CInputTextDialog::SetNextAnswer(QStringLiteral("Fresh"));
    dialog.OnNewProject();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Selection(), Path("Work/Fresh.prj"));
    EXPECT_TRUE(QFileInfo(Path("Work/Fresh.prj")).isDir());
}

TEST_F(CSelectFolderDialogTest, NewProjectWithAnExistingFolderReturnsItToo) {
    CSelectProjectDialog dialog(false, QStringLiteral("Save Project"), QStringLiteral("Save &Project"),
                                Path("Work/Untitled1"));
    CInputTextDialog::SetNextAnswer(QStringLiteral("Demo."));
    dialog.OnNewProject();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Selection(), Path("Work/Demo.prj"));
}

TEST_F(CSelectFolderDialogTest, NewProjectCancelledChangesNothing) {
    CSelectProjectDialog dialog(false, QStringLiteral("Save Project"), QStringLiteral("Save &Project"),
                                Path("Work/Untitled1"));
    CInputTextDialog::SetNextAnswer(std::nullopt);
    dialog.OnNewProject();
    EXPECT_TRUE(dialog.Selection().isEmpty());
    EXPECT_EQ(QDir(Path("Work")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 3);
}

TEST_F(CSelectFolderDialogTest, AcceptButtonClosesWithTheSelection) {
    CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                Path("Work/Demo.prj"));
    QtTesting::WhenModalShown([&](QWidget* /*modal*/) {
        dialog.accept(); // the file dialog's own button only navigates
        EXPECT_TRUE(dialog.isVisible());
        dialog.AcceptButton()->click();
    });
    EXPECT_EQ(dialog.Run(), QDialog::Accepted);
    EXPECT_EQ(dialog.Selection(), Path("Work/Demo.prj"));
}

TEST_F(CSelectFolderDialogTest, AcceptingAFolderDeletedMeanwhileCancels) {
    CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                Path("Work/Demo.prj"));
    QtTesting::WhenModalShown([&](QWidget* /*modal*/) {
        QDir().rmdir(Path("Work/Demo.prj"));
        dialog.AcceptButton()->click();
    });
    EXPECT_EQ(dialog.Run(), QDialog::Rejected);
    EXPECT_TRUE(dialog.Selection().isEmpty());
}

TEST_F(CSelectFolderDialogTest, ScriptedAnswersAreCheckedLikeAChoice) {
    CSelectFolderDialog::SetNextAnswer(Path("Work/Song"));
    CSelectFolderDialog::SetNextAnswer(Path("Work/Song.PRJ"));
    CSelectProjectDialog first(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"), QString());
    EXPECT_EQ(first.Run(), QDialog::Rejected); // not a project folder
    CSelectProjectDialog second(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"), QString());
    EXPECT_EQ(second.Run(), QDialog::Accepted);
    EXPECT_EQ(second.Selection(), Path("Work/Song.PRJ"));
    EXPECT_EQ(CSelectFolderDialog::LastRequest().title, QStringLiteral("Open Project"));
}

// One way to open (the strip's button; the file dialog's own accept button is left out, Cancel
// stays), and the details view shows sizes and dates whole.
TEST_F(CSelectFolderDialogTest, OneWayToOpenAndReadableSizeAndDateColumns) {
    CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                Path("Work/Song.PRJ"));
    dialog.show();
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(buttons, nullptr);
    QStringList shown;
    for (const QAbstractButton* button : buttons->buttons()) {
        if (button->isVisible()) {
            shown << button->text();
        }
    }
    EXPECT_EQ(shown, QStringList{buttons->button(QDialogButtonBox::Cancel)->text()});
    EXPECT_TRUE(dialog.AcceptButton()->isVisible());

    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    const QString date =
        QLocale::system().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 58)), QLocale::ShortFormat);
    const struct {
        int column;
        QString text;
    } cells[] = {{CSelectFolderDialog::kSizeColumn, QStringLiteral("999.9 KiB")},
                 {CSelectFolderDialog::kDateColumn, date}};
    for (const auto& cell : cells) {
        SCOPED_TRACE(cell.text.toStdString());
        EXPECT_GT(view->header()->sectionSize(cell.column), view->fontMetrics().horizontalAdvance(cell.text));
    }
}

// A click on a project folder in the dialog's own list, with the signals the file dialog sends.
TEST_F(CSelectFolderDialogTest, ClickingAProjectFolderInTheListSelectsIt) {
    CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                Path("Work/Song.PRJ"));
    dialog.show();
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    auto* model = qobject_cast<QFileSystemModel*>(view->model());
    ASSERT_NE(model, nullptr);
    const QModelIndex demo = model->index(Path("Work/Demo.prj"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view->visualRect(demo).isValid() && model->rowCount(demo.parent()) >= 3; }));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(demo).center());
    QTest::qWait(700); // the dialog's selection timer runs at least once
    EXPECT_EQ(dialog.Selection(), Path("Work/Demo.prj"));
    EXPECT_TRUE(dialog.AcceptButton()->isEnabled());
}

// A double click on a project folder in the dialog's own list enters it and keeps it chosen.
TEST_F(CSelectFolderDialogTest, DoubleClickingAProjectFolderInTheListEntersItAndKeepsIt) {
    CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                Path("Work/Song.PRJ"));
    dialog.show();
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    auto* model = qobject_cast<QFileSystemModel*>(view->model());
    ASSERT_NE(model, nullptr);
    const QModelIndex demo = model->index(Path("Work/Demo.prj"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view->visualRect(demo).isValid() && model->rowCount(demo.parent()) >= 3; }));
    const QPoint point = view->visualRect(demo).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, point);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.CurrentFolder() == Path("Work/Demo.prj"); }));
    QTest::qWait(700);
    EXPECT_EQ(dialog.Selection(), Path("Work/Demo.prj"));
    EXPECT_TRUE(dialog.AcceptButton()->isEnabled());
}

// The initial item is selected in the dialog's own list once the folder has been read.
TEST_F(CSelectFolderDialogTest, InitialItemIsSelectedInTheList) {
    CSelectProjectDialog dialog(true, QStringLiteral("Open Project"), QStringLiteral("Open &Project"),
                                Path("Work/Demo.prj"));
    dialog.show();
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return view->currentIndex().data().toString() == QStringLiteral("Demo.prj"); }, 3000));
    EXPECT_TRUE(view->selectionModel()->isSelected(view->currentIndex()));
    EXPECT_EQ(dialog.Selection(), Path("Work/Demo.prj"));
    EXPECT_TRUE(dialog.AcceptButton()->isEnabled());
}

} // namespace
} // namespace Orvanta
