#include "ViewsFixture.h"

#include "TempFolder.h"
#include "operations/DropOperations.h"
#include "operations/EditCommands.h"
#include "resources/DialogTemplates.h"

#include "views/CTextOutBox.h"
#include "winframework/CSettings.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>

namespace Orvanta {
namespace {

using TestSupport::ProjectBuilder;
using TestSupport::PutPatch;
using TestSupport::PutWave;
using TestSupport::RebuildUsers;
using TestSupport::TempFolder;
using TestSupport::TestDocument;

// Writes a file of `size` bytes and returns its path.
std::string WriteFile(const std::string& path, std::uintmax_t size) {
    std::ofstream(std::filesystem::path(path), std::ios::binary).put('x');
    std::filesystem::resize_file(std::filesystem::path(path), size);
    return path;
}

class FileViewTest : public TestSupport::ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        CDomain::Instance().SetWorkFolder(m_folder / "Work/");
        std::filesystem::create_directories(std::filesystem::path(m_folder / "Work"));
    }
    void TearDown() override {
        ViewsTest::TearDown();
        CDomain::Instance().SetWorkFolder({});
    }

    static QList<int> Rows(std::initializer_list<int> rows) { return QList<int>(rows); }
    // A wave whose file exists with `size` bytes.
    void PutSizedWave(CTernData& project, std::size_t slot, std::uintmax_t size) {
        const std::string name = "W" + std::to_string(slot);
        PutWave(project, slot, name, WriteFile(m_folder / (name + ".wav"), size));
    }

    TempFolder m_folder;
};

TEST_F(FileViewTest, FormControlsFollowTheirAnchors) {
    CFileView& view = OpenView(NewDocument(), QSize(500, 300));
    auto* patchLabel = view.Form()->findChildren<QLabel*>().at(0);
    const QRect patchList = view.PatchList().geometry();
    const QRect waveList = view.WaveList().geometry();
    const QRect label = patchLabel->geometry();
    const QRect size = view.findChild<QLabel*>(QStringLiteral("WaveSize"))->geometry();

    view.resize(600, 350);
    QApplication::processEvents();
    EXPECT_EQ(view.PatchList().geometry(), patchList.adjusted(0, 0, 0, 50));
    EXPECT_EQ(view.WaveList().geometry(), waveList.adjusted(0, 0, 100, 50));
    EXPECT_EQ(patchLabel->geometry(), label);
    EXPECT_EQ(view.findChild<QLabel*>(QStringLiteral("WaveSize"))->geometry(), size.translated(100, 0));
    // The lists were laid out from the template, side by side.
    EXPECT_LT(view.PatchList().geometry().right(), view.WaveList().geometry().left());
}

struct SizeCase {
    std::uintmax_t bytes;
    const char* text;
};

// Test names and failure messages show a case by its bytes, not as raw memory.
void PrintTo(const SizeCase& row, std::ostream* out) {
    *out << row.bytes;
}

class TotalSizeText : public FileViewTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(TotalSizeText, ShowsTheSumOfTheUsedWaves) {
    TestDocument& document = NewDocument();
    PutSizedWave(document.Data(), 3, GetParam().bytes);
    CFileView& view = OpenView(document);
    EXPECT_EQ(view.TotalSizeText(), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Boundaries, TotalSizeText,
                         ::testing::Values(SizeCase{1023, "1023 Bytes"}, SizeCase{1024, "1.0 KB"},
                                           SizeCase{1048575, "1024.0 KB"}, SizeCase{1048576, "1.0 MB"}));

TEST_F(FileViewTest, DeleteIsEnabledExactlyWhenASelectedSlotOfTheFocusedListIsUsed) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "Lead");
    PutWave(document.Data(), 5, "Kick");
    CFileView& view = OpenView(document);
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.PatchList().setFocus();
    QApplication::processEvents();
    ASSERT_EQ(&view.FocusedList(), &view.PatchList());

    EXPECT_FALSE(view.CanDelete()); // nothing selected
    view.PatchList().SelectRows({3});
    EXPECT_FALSE(view.CanDelete()); // only an empty slot
    view.PatchList().SelectRows({0, 3});
    EXPECT_TRUE(view.CanDelete());
    // The wave list's selection does not count while the patch list has the focus.
    view.PatchList().SelectRows({3});
    view.WaveList().SelectRows({5});
    EXPECT_FALSE(view.CanDelete());
    view.WaveList().setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(view.CanDelete());
}

TEST_F(FileViewTest, CancelledDeleteLeavesEverythingAsItWas) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "Lead");
    PutPatch(document.Data(), 1, "Bass");
    CFileView& view = OpenView(document);
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.PatchList().setFocus();
    view.PatchList().SelectRows({0, 1});
    const int calls = document.modifiedCalls;

    m_reporter->QueueAnswer(kAnswerCancel);
    view.OnDelete();
    EXPECT_EQ(m_reporter->QuestionCodes(), std::vector<int>{kAskDelete});
    EXPECT_EQ(document.Data().m_patches[0].m_name, "Lead");
    EXPECT_EQ(view.PatchList().SelectedRows(), Rows({0, 1}));
    EXPECT_EQ(document.modifiedCalls, calls);

    view.OnDelete(); // answered OK
    EXPECT_TRUE(document.Data().m_patches[0].IsEmpty());
    EXPECT_TRUE(document.Data().m_patches[1].IsEmpty());
    EXPECT_TRUE(view.PatchList().SelectedRows().isEmpty());
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(view.PatchList().UsedCount(), 0);
}

TEST_F(FileViewTest, SelectAllStopsAtTheLastUsedSlotAndSelectsTheLinkedItems) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "A", ProjectBuilder::PatchUsingWaves(2));
    PutPatch(document.Data(), 3, "B", ProjectBuilder::PatchUsingWaves(5));
    PutWave(document.Data(), 1, "Two");
    PutWave(document.Data(), 4, "Five");
    RebuildUsers(document.Data());
    CFileView& view = OpenView(document);
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.PatchList().setFocus();
    QApplication::processEvents();
    view.OnSelectAll();
    EXPECT_EQ(view.PatchList().SelectedRows(), Rows({0, 1, 2, 3}));
    EXPECT_EQ(view.WaveList().SelectedRows(), Rows({1, 4}));
}

TEST_F(FileViewTest, ImportSelectsOnlyTheFilledSlots) {
    TestDocument& document = NewDocument();
    for (const std::size_t slot : std::initializer_list<std::size_t>{1, 2, 3}) {
        PutSizedWave(document.Data(), slot, 100);
    }
    CFileView& view = OpenView(document);
    view.WaveList().SelectRows({2});
    const QStringList files = {QString::fromStdString(WriteFile(m_folder / "a.wav", 10)),
                               QString::fromStdString(WriteFile(m_folder / "b.wav", 20)),
                               QString::fromStdString(WriteFile(m_folder / "c.wav", 30))};
    CProfiledFileDialog::SetNextResult({true, files, {}, 0});
    CMessageBox::SetNextAnswer(QMessageBox::Ok); // the files hold no sound: the warning names them

    view.OnImportWave();
    EXPECT_EQ(CMessageBox::LastShown().text,
              QStringLiteral("3 files imported; a.wav, b.wav, c.wav are not sound files the librarian can read and "
                             "were imported as they are"));
    EXPECT_EQ(CMessageBox::LastShown().icon, QMessageBox::Warning);
    EXPECT_TRUE(m_reporter->Errors().empty());
    EXPECT_EQ(view.WaveList().SelectedRows(), Rows({0, 4, 5})); // the former selection is gone
    EXPECT_EQ(document.Data().m_waves[0].m_name, "a");
    EXPECT_EQ(document.Data().m_waves[5].m_name, "c");
    EXPECT_EQ(view.TotalSizeText(), QStringLiteral("360 Bytes"));
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(view.WaveList().UsedCount(), 6);
}

TEST_F(FileViewTest, ImportScrollsTheFirstNewRowIntoView) {
    TestDocument& document = NewDocument();
    for (std::size_t slot = 0; slot < 300; ++slot) {
        PutWave(document.Data(), slot, "W");
    }
    CFileView& view = OpenView(document);
    ASSERT_FALSE(view.WaveList().IsRowVisible(300));
    CMessageBox::SetNextAnswer(QMessageBox::Ok); // no sound in it: a warning
    EXPECT_EQ(view.ImportFiles({QString::fromStdString(WriteFile(m_folder / "late.wav", 10))}), 1);
    EXPECT_EQ(view.WaveList().TopRow(), 300);
    EXPECT_EQ(view.WaveList().SelectedRows(), Rows({300}));
}

TEST_F(FileViewTest, ImportWithCancelOrRefusalChangesNothing) {
    TestDocument& document = NewDocument();
    CFileView& view = OpenView(document);
    CProfiledFileDialog::SetNextResult({false, {}, {}, 0});
    view.OnImportWave();
    EXPECT_EQ(view.ImportFiles({QStringLiteral("/nowhere/x.txt")}), 0); // not a sound file
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorImport});
    EXPECT_FALSE(document.IsModified());
    EXPECT_TRUE(view.WaveList().SelectedRows().isEmpty());
}

struct ImportStartCase {
    const char* remembered; // under the test folder; null for none
    bool startsAtHome;
};

void PrintTo(const ImportStartCase& row, std::ostream* out) {
    *out << (row.remembered != nullptr ? row.remembered : "none");
}

class ImportStartFolder : public FileViewTest, public ::testing::WithParamInterface<ImportStartCase> {};

TEST_P(ImportStartFolder, IsTheLastImportFolderOutsideAnyProjectElseHome) {
    for (const char* folder : {"Samples", "Song.prj/Wave", "Old.PRJ"}) {
        std::filesystem::create_directories(std::filesystem::path(m_folder / folder));
    }
    const QString remembered =
        GetParam().remembered == nullptr ? QString() : QString::fromStdString(m_folder / GetParam().remembered);
    if (!remembered.isEmpty()) {
        CSettings::WriteProfileString(QStringLiteral("WAV"), QStringLiteral("InitialDirectory"), remembered);
    }
    CFileView& view = OpenView(NewDocument());
    QString startFolder;
    QStringList captions;
    // The real dialog: look at it once it is up, move to another folder, then cancel it.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        startFolder = dialog->directory().absolutePath();
        captions.push_back(dialog->windowTitle());
        emit dialog->directoryEntered(QString::fromStdString(m_folder / "Samples"));
        captions.push_back(dialog->windowTitle());
        dialog->reject();
    });
    view.OnImportWave();
    EXPECT_EQ(captions.join(u'|').toStdString(), "Import Wave|Import Wave");
    EXPECT_EQ(startFolder.toStdString(),
              (GetParam().startsAtHome ? QDir::homePath() : QDir(remembered).absolutePath()).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Remembered, ImportStartFolder,
                         ::testing::Values(ImportStartCase{nullptr, true}, ImportStartCase{"Samples", false},
                                           ImportStartCase{"Song.prj/Wave", true}, ImportStartCase{"Old.PRJ", true},
                                           ImportStartCase{"Gone", true}));

// A question's detail names the project and the used slots the answer would hit.
struct QuestionDetailCase {
    const char* name;
    int which;
    std::vector<std::size_t> used;       // slots filled before, named "N<slot>"
    std::function<void(CFileView&)> act; // runs the command; the question is cancelled
    const char* detail;
    std::function<void(CTernData&)> prepare = nullptr; // more content, before the window opens
};

void PrintTo(const QuestionDetailCase& row, std::ostream* out) {
    *out << row.name;
}

class QuestionDetail : public FileViewTest, public ::testing::WithParamInterface<QuestionDetailCase> {};

TEST_P(QuestionDetail, NamesTheProjectAndTheSlotsItActsOn) {
    const QuestionDetailCase& row = GetParam();
    TestDocument& document = NewDocument();
    document.Data().SetProjectPath("/nowhere/Song.prj/");
    for (const std::size_t slot : row.used) {
        const std::string name = "N" + std::to_string(slot);
        row.which == kPatchList ? PutPatch(document.Data(), slot, name) : PutWave(document.Data(), slot, name);
    }
    if (row.prepare) {
        row.prepare(document.Data());
    }
    CFileView& view = OpenView(document);
    auto box = std::make_shared<CTextOutBox>();
    CDomain::Instance().SetReporter(0, box);
    CMessageBox::SetNextAnswer(QMessageBox::Cancel);

    row.act(view);
    EmptyTransfer();
    EXPECT_EQ(CMessageBox::ShownCount(), 1);
    EXPECT_EQ(CMessageBox::LastShown().detail.toStdString(), row.detail);
    EXPECT_TRUE(box->QuestionDetail().empty()); // taken back after the operation
    EXPECT_FALSE(document.IsModified());
}

void DeleteRows(CFileView& view, int which, const CSelection& rows) {
    view.List(which).setFocus();
    view.List(which).SelectRows(rows);
    view.OnDelete();
}

// Drags slot 0 of the list `which` onto `dropIndex`, inserting or overwriting.
void DropFirst(CFileView& view, int which, int dropIndex, bool insert) {
    view.List(which).SelectRows({0});
    ASSERT_TRUE(view.CopySelection(which));
    insert ? view.DropInsert(which, dropIndex, false) : view.DropOverwrite(which, dropIndex, false);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, QuestionDetail,
    ::testing::Values(QuestionDetailCase{"DeletePatches",
                                         kPatchList,
                                         {2, 3},
                                         [](CFileView& view) {
                                             DeleteRows(view, kPatchList, {2, 3, 5});
                                         },
                                         "Song.prj: patches 3 N2, 4 N3"},
                      QuestionDetailCase{"DeleteAUsedWave",
                                         kWaveList,
                                         {7},
                                         [](CFileView& view) { DeleteRows(view, kWaveList, {7}); },
                                         "Song.prj: wave 8 N7\nused by patches 11 Lead, 13 Pad, 14 Bell",
                                         [](CTernData& project) {
                                             PutPatch(project, 10, "Lead", ProjectBuilder::PatchUsingWaves(8));
                                             PutPatch(project, 12, "Pad", ProjectBuilder::PatchUsingWaves(8, 2));
                                             PutPatch(project, 13, "Bell", ProjectBuilder::PatchUsingWaves(8));
                                             RebuildUsers(project);
                                         }},
                      QuestionDetailCase{
                          "DeleteManyWaves",
                          kWaveList,
                          {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                          [](CFileView& view) {
                              DeleteRows(view, kWaveList, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
                          },
                          "Song.prj: waves 1 N0, 2 N1, 3 N2, 4 N3, 5 N4, 6 N5, 7 N6, 8 N7, 9 N8, 10 N9 and 2 more"},
                      QuestionDetailCase{"Overwrite",
                                         kPatchList,
                                         {0, 4},
                                         [](CFileView& view) { DropFirst(view, kPatchList, 4, false); },
                                         "Song.prj: patch 5 N4"},
                      QuestionDetailCase{"InsertPushesTheLastOff",
                                         kWaveList,
                                         {0, kWaveSlots - 1},
                                         [](CFileView& view) { DropFirst(view, kWaveList, 2, true); },
                                         "Song.prj: wave 999 N998"}),
    [](const ::testing::TestParamInfo<QuestionDetailCase>& row) { return std::string(row.param.name); });

TEST_F(FileViewTest, MissingFilesAreReportedOncePerActivationAndNeverDuringADrag) {
    TestDocument& first = NewDocument();
    PutWave(first.Data(), 0, "Gone", "/nowhere/at/all/001 Gone.wav");
    TestDocument& second = NewDocument();
    CFileView& viewA = OpenView(first);
    CFileView& viewB = OpenView(second);
    // Activates `view` with an answer ready for a box; true when a box was shown.
    const auto activate = [](CFileView& view) {
        CMessageBox::ClearAnswers();
        CMessageBox::SetNextAnswer(QMessageBox::Ok);
        const int before = CMessageBox::ShownCount();
        view.OnActivated();
        CMessageBox::ClearAnswers();
        return CMessageBox::ShownCount() > before;
    };

    EXPECT_TRUE(activate(viewA));
    EXPECT_EQ(CMessageBox::LastShown().text,
              QStringLiteral("Some patch/wave files within the project cannot be found because they have been "
                             "deleted, moved, or renamed."));
    EXPECT_FALSE(activate(viewA)); // the same activation
    EXPECT_FALSE(activate(viewB)); // nothing missing there
    EXPECT_TRUE(activate(viewA));  // back again: a new activation

    EXPECT_FALSE(activate(viewB));
    DragState::Instance().inProgress = true;
    EXPECT_FALSE(activate(viewA));
    DragState::Instance().inProgress = false;
    EXPECT_EQ(CFileView::ActiveView(), &viewA);
}

// "Sound files" comes first (the filter the dialog starts with), the single kinds after it.
TEST(ImportWarningTest, TheFirstFilterCoversTheFourAcceptedExtensions) {
    EXPECT_EQ(CProfiledFileDialog::NameFiltersFromText(QString::fromLatin1(CFileView::kImportFilter)),
              (QStringList{"Sound files (*.wav *.aif *.aiff *.vpw)", "Wav Files (*.wav)", "Aif Files (*.aif)",
                           "Aiff Files (*.aiff)", "VPW Files (*.vpw)", "All Files (*)"}));
}

TEST(ImportWarningTest, NamesTheFilesTheSoundLibraryCannotRead) {
    EXPECT_EQ(CFileView::ImportWarning(2, {}), QString());
    EXPECT_EQ(CFileView::ImportWarning(2, {QStringLiteral("broken.wav")}),
              QStringLiteral("2 files imported; broken.wav is not a sound file the librarian can read and was "
                             "imported as it is"));
    EXPECT_EQ(CFileView::ImportWarning(3, {QStringLiteral("a.wav"), QStringLiteral("b.vpw")}),
              QStringLiteral("3 files imported; a.wav, b.vpw are not sound files the librarian can read and were "
                             "imported as they are"));
}

// After cleaning, the status bar says what the cleaning did.
TEST_F(FileViewTest, CleanProjectSaysWhatItDid) {
    struct Case {
        int keepPatchNumbering;
        const char* said;
    };
    const Case cases[] = {
        {0, "Removed 2 unused waves, closed 2 gaps in the patch list; Undo restores them"},
        {1, "Removed 2 unused waves; Undo restores them"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        TestDocument& document = NewDocument();
        PutPatch(document.Data(), 4, "Lead", ProjectBuilder::PatchUsingWaves(3));
        PutPatch(document.Data(), 6, "Bass", ProjectBuilder::PatchUsingWaves(3));
        PutWave(document.Data(), 2, "Used");
        PutWave(document.Data(), 6, "Unused");
        PutWave(document.Data(), 8, "Unused too");
        RebuildUsers(document.Data());
        CFileView& view = OpenView(document);
        QMainWindow main;
        view.setParent(&main);
        CDomain::Instance().m_waveOption = 0;
        CDomain::Instance().m_patchOption = c.keepPatchNumbering;
        CFileView::SetCleanOptionsPrompt([](QWidget*) { return true; });
        view.OnCleanProject();
        EXPECT_EQ(main.statusBar()->currentMessage(), QString::fromUtf8(c.said));
        view.OnCleanProject(); // nothing left to do
        EXPECT_EQ(main.statusBar()->currentMessage(),
                  QStringLiteral("Clean Project found nothing to remove or close up"));
        view.setParent(nullptr);
        CFileView::SetCleanOptionsPrompt({});
    }
    CDomain::Instance().m_patchOption = 0;
}

TEST_F(FileViewTest, CleanProjectRunsOnlyAfterTheOptionsAreConfirmed) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 4, "Lead", ProjectBuilder::PatchUsingWaves(3));
    PutWave(document.Data(), 2, "Used");
    PutWave(document.Data(), 6, "Unused");
    RebuildUsers(document.Data());
    CFileView& view = OpenView(document);
    CDomain::Instance().m_waveOption = 0;
    CDomain::Instance().m_patchOption = 0;

    view.OnCleanProject(); // no prompt installed
    int prompts = 0;
    CFileView::SetCleanOptionsPrompt([&prompts](QWidget*) {
        ++prompts;
        return false;
    });
    view.OnCleanProject();
    EXPECT_EQ(prompts, 1);
    EXPECT_EQ(document.Data().m_patches[4].m_name, "Lead");
    EXPECT_FALSE(document.IsModified());

    CFileView::SetCleanOptionsPrompt([](QWidget*) { return true; });
    view.OnCleanProject();
    EXPECT_EQ(document.Data().m_patches[0].m_name, "Lead"); // closed up
    EXPECT_EQ(document.Data().m_waves[0].m_name, "Used");
    EXPECT_TRUE(document.Data().m_waves[1].IsEmpty()); // the unused wave is gone
    EXPECT_EQ(view.PatchList().Model().CellText(0, 1), QStringLiteral("Lead"));
    EXPECT_EQ(view.WaveList().UsedCount(), 1);
    EXPECT_TRUE(document.IsModified());

    UndoLastChange();
    EXPECT_EQ(document.Data().m_patches[4].m_name, "Lead");
    EXPECT_EQ(document.Data().m_waves[6].m_name, "Unused");
}

TEST_F(FileViewTest, GridSwitchReLaysEveryListOfEveryWindowKeepingWidthsTopRowAndFocus) {
    std::vector<CFileView*> views;
    for (int i = 0; i < 3; ++i) {
        TestDocument& document = NewDocument();
        for (std::size_t slot = 0; slot < 200; ++slot) {
            PutPatch(document.Data(), slot, "P");
        }
        CFileView& view = OpenView(document);
        view.PatchList().setColumnWidth(1, 100 + 10 * i);
        view.WaveList().setColumnWidth(0, 40 + i);
        view.PatchList().ScrollRowToTop(50 + i);
        view.PatchList().SetFocusedRow(60 + i);
        views.push_back(&view);
    }

    CSetGridDlg::SetNextResult(std::nullopt); // Cancel
    views[0]->OnSetUpGrid();
    EXPECT_FALSE(views[2]->WaveList().showGrid());

    CSetGridDlg::SetNextResult(1);
    views[0]->OnSetUpGrid();
    EXPECT_EQ(CDomain::Instance().m_gridOn, 1);
    for (int i = 0; i < 3; ++i) {
        const CFileView& view = *views[static_cast<std::size_t>(i)];
        EXPECT_TRUE(view.PatchList().showGrid());
        EXPECT_TRUE(view.WaveList().showGrid());
        EXPECT_EQ(view.PatchList().columnWidth(1), 100 + 10 * i);
        EXPECT_EQ(view.WaveList().columnWidth(0), 40 + i);
        EXPECT_EQ(view.PatchList().TopRow(), 50 + i);
        EXPECT_EQ(view.PatchList().FocusedRow(), 60 + i);
    }

    CSetGridDlg::SetNextResult(0);
    views[1]->OnSetUpGrid();
    EXPECT_FALSE(views[0]->PatchList().showGrid());
}

TEST_F(FileViewTest, MovingThreePatchesToAnotherWindowIsOneUndo) {
    TestDocument& source = NewDocument();
    TestDocument& target = NewDocument();
    for (const std::size_t slot : std::initializer_list<std::size_t>{0, 1, 2}) {
        PutPatch(source.Data(), slot, "S" + std::to_string(slot));
    }
    PutPatch(target.Data(), 0, "Kept");
    CFileView& viewA = OpenView(source);
    CFileView& viewB = OpenView(target);
    viewA.PatchList().SelectRows({0, 1, 2});

    ASSERT_TRUE(viewA.CopySelection(kPatchList));
    ASSERT_TRUE(viewB.DropOverwrite(kPatchList, 10, false));
    ASSERT_TRUE(viewA.DeleteAfterMove(kPatchList, true));
    EmptyTransfer();

    EXPECT_EQ(target.Data().m_patches[10].m_name, "S0");
    EXPECT_EQ(target.Data().m_patches[12].m_name, "S2");
    EXPECT_EQ(viewB.PatchList().UsedCount(), 13);
    EXPECT_TRUE(source.Data().m_patches[0].IsEmpty());
    EXPECT_EQ(viewA.PatchList().UsedCount(), 0);
    EXPECT_TRUE(source.IsModified());
    EXPECT_TRUE(target.IsModified());

    for (CTernData* project : UndoLastChange()) {
        (project == &source.Data() ? viewA : viewB).OnUpdate(CFileView::kHintUndo);
    }
    EXPECT_EQ(source.Data().m_patches[1].m_name, "S1");
    EXPECT_TRUE(target.Data().m_patches[10].IsEmpty());
    EXPECT_EQ(viewA.PatchList().UsedCount(), 3);
    EXPECT_EQ(viewB.PatchList().UsedCount(), 1);
}

TEST_F(FileViewTest, InsertingMoveInsideOneWindowShiftsTheRest) {
    TestDocument& document = NewDocument();
    for (std::size_t slot = 0; slot < 23; ++slot) {
        PutPatch(document.Data(), slot, "P" + std::to_string(slot));
    }
    CFileView& view = OpenView(document);
    const CSelection dragged = {20, 21, 22};
    view.PatchList().SelectRows(dragged);
    ASSERT_TRUE(view.CopySelection(kPatchList));
    ASSERT_TRUE(view.DropInsert(kPatchList, 5, true));
    EXPECT_EQ(view.PatchList().SelectedRows(), Rows({5, 6, 7}));
    // The drag source re-selects the dragged rows where they are now and deletes them.
    view.PatchList().SelectRows(ReselectAfterDrop(dragged, kPatchList, false, true, 5, 3));
    ASSERT_TRUE(view.DeleteAfterMove(kPatchList, false));
    EmptyTransfer();

    const CTernData& project = document.Data();
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(project.m_patches[5 + i].m_name, "P" + std::to_string(20 + i));
    }
    for (std::size_t i = 5; i < 20; ++i) {
        EXPECT_EQ(project.m_patches[i + 3].m_name, "P" + std::to_string(i));
    }
    for (const std::size_t slot : std::initializer_list<std::size_t>{23, 24, 25}) {
        EXPECT_TRUE(project.m_patches[slot].IsEmpty());
    }
}

TEST_F(FileViewTest, DropsRefusedChangeNothing) {
    TestDocument& document = NewDocument();
    PutPatch(document.Data(), 0, "A");
    CFileView& view = OpenView(document);
    EXPECT_FALSE(view.DropOverwrite(kPatchList, 3, false)); // nothing in the transfer buffer
    view.PatchList().SelectRows({0});
    ASSERT_TRUE(view.CopySelection(kPatchList));
    EXPECT_FALSE(view.DropInsert(kPatchList, -1, true));
    m_reporter->QueueAnswer(kAnswerCancel); // "delete the existing data and overwrite it?"
    view.PatchList().SelectRows({0});
    EXPECT_FALSE(view.DropOverwrite(kPatchList, 0, false));
    EmptyTransfer();
    EXPECT_FALSE(document.IsModified());
    EXPECT_FALSE(view.CopySelection(kWaveList)); // nothing selected there
}

} // namespace
} // namespace Orvanta
