#include "views/CWaveFileDrop.h"

#include "DragDriver.h"
#include "ProjectBuilder.h"
#include "TempFolder.h"
#include "ViewsFixture.h"

#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"
#include "views/CWaveDragData.h"

#include "winframework/CMessageBox.h"

#include <QMimeData>
#include <QUrl>
#include <sndfile.h>

namespace Orvanta {
namespace {

using TestSupport::DragDriver;
using TestSupport::ProjectBuilder;
using TestSupport::PutWave;
using TestSupport::TestDocument;

class WaveFileDropTest : public TestSupport::ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        ASSERT_TRUE(SetUpWorkFolder(m_temp / "work"));
    }
    void TearDown() override {
        CDomain::Instance().SetWorkFolder("");
        ViewsTest::TearDown();
    }

    std::unique_ptr<QMimeData> FilesData(const std::vector<std::string>& names) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const std::string& name : names) {
            const std::string path = m_temp / name;
            ProjectBuilder::WriteBytes(path, std::vector<std::uint8_t>(100, static_cast<std::uint8_t>(name.size())));
            urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
        }
        data->setUrls(urls);
        return data;
    }

    TestSupport::TempFolder m_temp;
};

TEST_F(WaveFileDropTest, FilesDroppedOnARowGoIntoTheFreeSlotsFromThatRowOn) {
    TestDocument& document = NewDocument();
    PutWave(document.Data(), 6, "Taken");
    CFileView& view = OpenView(document);
    DragDriver drag(FilesData({"b.wav", "a.aif", "c.wav"}));
    const QPoint point = DragDriver::RowPoint(view.WaveList(), 5);

    const DragDriver::Answer over = drag.Enter(view.WaveList(), point);
    EXPECT_TRUE(over.accepted);
    EXPECT_EQ(over.action, Qt::CopyAction);
    EXPECT_TRUE(CWaveFileDrop::IsLineShown(view.WaveList()));
    EXPECT_EQ(CWaveFileDrop::LineRow(), 5);
    drag.Move(view.WaveList(), DragDriver::RowPoint(view.WaveList(), 4));
    EXPECT_EQ(CWaveFileDrop::LineRow(), 4);

    EXPECT_TRUE(drag.Drop(view.WaveList(), point).accepted);
    EXPECT_FALSE(CWaveFileDrop::IsLineShown(view.WaveList()));
    const CTernData& data = document.Data();
    EXPECT_TRUE(data.m_waves[0].IsEmpty()); // free slots above the row stay free
    EXPECT_EQ(data.m_waves[5].m_name, "a");
    EXPECT_EQ(data.m_waves[6].m_name, "Taken");
    EXPECT_EQ(data.m_waves[7].m_name, "b");
    EXPECT_EQ(data.m_waves[8].m_name, "c");
    EXPECT_EQ(view.WaveList().GetSelectedIndices(), (CSelection{5, 7, 8}));
    EXPECT_TRUE(document.IsModified());
}

TEST_F(WaveFileDropTest, ThePatchListAndTheLibrariansOwnDragsAreNotFileDrops) {
    TestDocument& document = NewDocument();
    PutWave(document.Data(), 0, "Kick");
    CFileView& view = OpenView(document);
    DragDriver files(FilesData({"a.wav"}));
    EXPECT_FALSE(files.Enter(view.PatchList(), DragDriver::RowPoint(view.PatchList(), 0)).accepted);

    CWaveDragData own(document.Data(), {0});
    EXPECT_TRUE(own.hasUrls());
    EXPECT_FALSE(CWaveFileDrop::IsFileDrag(&own));
    EXPECT_TRUE(CWaveFileDrop::IsFileDrag(files.Data()));
}

TEST_F(WaveFileDropTest, TooFewFreeSlotsFromTheRowOnImportsNothing) {
    TestDocument& document = NewDocument();
    for (std::size_t slot = 0; slot + 1 < kWaveSlots; ++slot) {
        if (slot != 3) {
            PutWave(document.Data(), slot, "W" + std::to_string(slot));
        }
    }
    CFileView& view = OpenView(document);
    // Free: slot 3 and the last one. From row 5 on only the last is free.
    DragDriver drag(FilesData({"a.wav", "b.wav"}));
    drag.Enter(view.WaveList(), DragDriver::RowPoint(view.WaveList(), 5));
    drag.Drop(view.WaveList(), DragDriver::RowPoint(view.WaveList(), 5));
    EXPECT_EQ(m_reporter->Errors(), std::vector<int>{kErrorWaveSpace});
    EXPECT_TRUE(document.Data().m_waves[3].IsEmpty());
    EXPECT_TRUE(document.Data().m_waves[kWaveSlots - 1].IsEmpty());
}

TEST_F(WaveFileDropTest, FilesOfOtherTypesAreConvertedAndTheSummaryIsShown) {
    TestDocument& document = NewDocument();
    CFileView& view = OpenView(document);
    const std::string caf = m_temp / "Pad.caf";
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 1;
    info.format = SF_FORMAT_CAF | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(caf.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const float samples[] = {0.5F, 1.5F, -0.25F, 0.0F};
    ASSERT_EQ(sf_writef_float(file, samples, 4), 4);
    sf_close(file);
    auto data = FilesData({"Kick.wav"});
    // A real WAV file of 16-bit PCM: it goes in as it is.
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const std::string kick = m_temp / "Kick.wav";
    file = sf_open(kick.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(sf_writef_float(file, samples, 4), 4);
    sf_close(file);
    QList<QUrl> urls = data->urls();
    urls.append(QUrl::fromLocalFile(QString::fromStdString(caf)));
    data->setUrls(urls);
    DragDriver drag(std::move(data));
    CMessageBox::SetNextAnswer(QMessageBox::Ok);
    drag.Enter(view.WaveList(), DragDriver::RowPoint(view.WaveList(), 2));
    EXPECT_TRUE(drag.Drop(view.WaveList(), DragDriver::RowPoint(view.WaveList(), 2)).accepted);
    EXPECT_EQ(document.Data().m_waves[2].m_name, "Kick");
    EXPECT_EQ(document.Data().m_waves[3].m_name, "Pad");
    EXPECT_EQ(Extension(document.Data().m_waves[3].m_path), ".wav");
    EXPECT_EQ(CMessageBox::LastShown().text, QStringLiteral("1 converted from CAF, 1 imported as it is; 1 sample "
                                                            "clipped in Pad.caf."));
    EXPECT_EQ(view.WaveList().GetSelectedIndices(), (CSelection{2, 3}));
    EXPECT_TRUE(m_reporter->Errors().empty());
}

} // namespace
} // namespace Orvanta
