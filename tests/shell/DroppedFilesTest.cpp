// Files dropped from the desktop onto the main window: a folder alone opens or activates its
// project, files are imported into the active project window's empty wave slots.

#include "DragDriver.h"
#include "ShellTestFixture.h"
#include "cli/DemoAudio.h"
#include "model/CDomain.h"
#include "shell/CFileDoc.h"
#include "shell/CFileFrame.h"
#include "shell/CMainFrame.h"
#include "views/CFileView.h"
#include "views/CPatchListCtrl.h"
#include "views/CWaveFileDrop.h"
#include "views/CWaveListCtrl.h"

#include <QDropEvent>
#include <QMdiArea>
#include <QMimeData>
#include <QUrl>

#include <cstdint>
#include <fstream>
#include <vector>

namespace Orvanta::ShellTesting {
namespace {

class DroppedFilesTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(Start());
        m_frame = m_app->MainFrame();
    }

    // A sound file of 100 bytes in the test folder.
    // A short WAV file that the sound library reads.
    QString SoundFile(const std::string& name) {
        const std::vector<std::uint8_t> wav = Cli::EncodeWav(std::vector<std::int16_t>(64, 1000));
        std::ofstream(m_temp / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
        return TempPath(name);
    }

    static std::unique_ptr<QMimeData> UrlData(const QStringList& paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls.push_back(QUrl::fromLocalFile(path));
        }
        data->setUrls(urls);
        return data;
    }

    // A desktop drag of `paths` entering `widget` and dropped on it; true when it was accepted.
    static bool DropOn(QWidget* widget, const QStringList& paths) {
        const std::unique_ptr<QMimeData> data = UrlData(paths);
        const QPoint point = widget->rect().center();
        QDragEnterEvent enter(point, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &enter);
        QDragMoveEvent move(point, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &move);
        QDropEvent drop(point, Qt::CopyAction, data.get(), Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &drop);
        Pump();
        return enter.isAccepted() && move.isAccepted() && drop.isAccepted();
    }

    static CFileView& View(const CFileDoc& document) { return *document.Frame()->View(); }

    CMainFrame* m_frame = nullptr;
};

TEST_F(DroppedFilesTest, OnlyLocalFilesOfADesktopDragCount) {
    EXPECT_EQ(CMainFrame::DroppedPaths(UrlData({QStringLiteral("/a/Kick.wav")}).get()),
              QStringList{QStringLiteral("/a/Kick.wav")});
    auto web = std::make_unique<QMimeData>();
    web->setUrls({QUrl(QStringLiteral("https://example.org/Kick.wav"))});
    EXPECT_TRUE(CMainFrame::DroppedPaths(web.get()).isEmpty());
    const std::unique_ptr<QMimeData> rows(CListDragSource::MakeDragData(kPatchList));
    EXPECT_TRUE(CMainFrame::DroppedPaths(rows.get()).isEmpty());
}

TEST_F(DroppedFilesTest, FilesGoIntoTheActiveProjectsEmptyWaveSlotsAndBecomeTheSelection) {
    CFileDoc* document = m_app->OpenProject(MakeProject("A.prj"));
    ASSERT_NE(document, nullptr);
    CFileView& view = View(*document);
    view.WaveList().SelectRows({0});
    const QString kick = SoundFile("Kick.wav");
    const QString snare = SoundFile("Snare.wav");
    // Dropped on the project window's patch list: the main window takes it.
    EXPECT_TRUE(DropOn(view.PatchList().viewport(), {snare, kick}));
    EXPECT_EQ(document->Data().m_waves[1].m_name, "Kick");
    EXPECT_EQ(document->Data().m_waves[2].m_name, "Snare");
    EXPECT_EQ(view.WaveList().SelectedRows(), QList<int>({1, 2}));
    EXPECT_TRUE(document->IsModified());
    EXPECT_EQ(view.TotalSizeText(), QStringLiteral("408 Bytes")); // 64 + two WAVs of 44 + 128 bytes
}

TEST_F(DroppedFilesTest, FilesDroppedAnywhereOnTheMainWindowAreImported) {
    CFileDoc* document = m_app->OpenProject(MakeProject("A.prj"));
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(DropOn(m_frame->MdiArea()->viewport(), {SoundFile("Kick.wav")}));
    EXPECT_EQ(document->Data().m_waves[1].m_name, "Kick");
    EXPECT_TRUE(DropOn(View(*document).PatchList().viewport(), {SoundFile("Hat.wav")}));
    EXPECT_EQ(document->Data().m_waves[2].m_name, "Hat");
}

// Files dragged from the desktop over a wave list's rows in the main window: the list shows its line
// at the row under the cursor while the drag moves, and the files go into the free slots from that
// row on, not into the first free slots of the list.
TEST_F(DroppedFilesTest, FilesDroppedOnAWaveRowGoToTheFreeSlotsFromThatRowOn) {
    TestSupport::ProjectBuilder project(m_temp.Path(), "Full.prj");
    for (int slot = 1; slot <= 17; ++slot) {
        char name[32];
        std::snprintf(name, sizeof name, "%03d W%d.wav", slot, slot);
        project.AddWave(name);
    }
    project.AddSystemFiles();
    CFileDoc* document = m_app->OpenProject(TempPath("Full.prj"));
    ASSERT_NE(document, nullptr);
    CWaveListCtrl& waves = View(*document).WaveList();
    TestSupport::DragDriver drag(UrlData({SoundFile("A.wav"), SoundFile("B.wav"), SoundFile("C.wav")}));
    const QPoint row29 = TestSupport::DragDriver::RowPoint(waves, 29);
    EXPECT_TRUE(drag.Enter(waves, row29).accepted);
    EXPECT_TRUE(drag.Move(waves, row29).accepted);
    EXPECT_TRUE(CWaveFileDrop::IsLineShown(waves));
    EXPECT_EQ(CWaveFileDrop::LineRow(), 29);
    EXPECT_TRUE(drag.Drop(waves, row29).accepted);
    Pump();
    EXPECT_FALSE(CWaveFileDrop::IsLineShown(waves));
    const CTernData& data = document->Data();
    EXPECT_TRUE(data.m_waves[17].IsEmpty());
    EXPECT_EQ(data.m_waves[29].m_name, "A");
    EXPECT_EQ(data.m_waves[30].m_name, "B");
    EXPECT_EQ(data.m_waves[31].m_name, "C");
    EXPECT_EQ(waves.SelectedRows(), QList<int>({29, 30, 31}));
}

TEST_F(DroppedFilesTest, TheNewRowsAreScrolledIntoView) {
    TestSupport::ProjectBuilder project(m_temp.Path(), "Full.prj");
    for (int slot = 1; slot <= 300; ++slot) {
        char name[32];
        std::snprintf(name, sizeof name, "%03d W%d.wav", slot, slot);
        project.AddWave(name);
    }
    project.AddSystemFiles();
    CFileDoc* document = m_app->OpenProject(TempPath("Full.prj"));
    ASSERT_NE(document, nullptr);
    CWaveListCtrl& waves = View(*document).WaveList();
    ASSERT_FALSE(waves.IsRowVisible(300));
    EXPECT_EQ(m_frame->OnDropFiles({SoundFile("Kick.wav")}), 1);
    EXPECT_EQ(document->Data().m_waves[300].m_name, "Kick");
    EXPECT_EQ(waves.TopRow(), 300);
    EXPECT_EQ(waves.SelectedRows(), QList<int>({300}));
}

TEST_F(DroppedFilesTest, WithoutAProjectWindowNothingHappens) {
    EXPECT_EQ(m_frame->OnDropFiles({SoundFile("Kick.wav")}), 0);
    EXPECT_TRUE(m_app->Documents().empty());
    EXPECT_FALSE(CDomain::Instance().HasUndo());
}

TEST_F(DroppedFilesTest, OneFolderAloneOpensItsProjectOrActivatesIt) {
    const QString a = MakeProject("A.prj");
    const QString b = MakeProject("B.prj");
    EXPECT_TRUE(DropOn(m_frame, {a}));
    ASSERT_EQ(m_app->Documents().size(), 1u);
    CFileDoc* first = m_app->Documents().front();
    EXPECT_EQ(m_frame->ActiveDocument(), first);
    EXPECT_EQ(m_frame->OnDropFiles({b}), 0);
    ASSERT_EQ(m_app->Documents().size(), 2u);
    EXPECT_NE(m_frame->ActiveDocument(), first);
    // The first project again: its window comes to the front, no second document.
    m_frame->OnDropFiles({a + QLatin1Char('/')});
    EXPECT_EQ(m_app->Documents().size(), 2u);
    EXPECT_EQ(m_frame->ActiveDocument(), first);
    EXPECT_FALSE(first->IsModified());
}

TEST_F(DroppedFilesTest, AFolderAmongFilesIsSkippedAndTheFilesImported) {
    CFileDoc* document = m_app->OpenProject(MakeProject("A.prj"));
    ASSERT_NE(document, nullptr);
    const QString other = MakeProject("Other.prj");
    EXPECT_EQ(m_frame->OnDropFiles({other, SoundFile("Kick.wav")}), 1);
    EXPECT_EQ(m_app->Documents().size(), 1u);
    EXPECT_EQ(document->Data().m_waves[1].m_name, "Kick");
    // Only folders: nothing at all.
    EXPECT_EQ(m_frame->OnDropFiles({other, TempPath("A.prj")}), 0);
    EXPECT_EQ(m_app->Documents().size(), 1u);
}

} // namespace
} // namespace Orvanta::ShellTesting
