#include "views/CWaveDragData.h"

#include "DragDriver.h"
#include "ProjectBuilder.h"
#include "TempFolder.h"
#include "ViewsFixture.h"

#include "storage/WorkFolder.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>

namespace Orvanta {
namespace {

using TestSupport::DragDriver;
using TestSupport::ProjectBuilder;
using TestSupport::PutWave;
using TestSupport::TestDocument;

class WaveDragDataTest : public TestSupport::ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        ASSERT_TRUE(SetUpWorkFolder(m_temp / "work"));
        m_workFolder = CDomain::Instance().WorkFolder();
    }
    void TearDown() override {
        CDomain::Instance().SetWorkFolder("");
        ViewsTest::TearDown();
    }

    // Slot 1 Kick.wav and slot 3 Pad.aif with files of their own; slot 2 empty.
    TestDocument& ProjectWithWaveFiles() {
        TestDocument& document = NewDocument();
        const std::string kick = m_temp / "Kick source.wav";
        const std::string pad = m_temp / "Pad source.aif";
        ProjectBuilder::WriteBytes(kick, {'R', 'I', 'F', 'F', 1, 2, 3, 4});
        ProjectBuilder::WriteBytes(pad, std::vector<std::uint8_t>(5000, 9));
        PutWave(document.Data(), 0, "Kick", kick);
        PutWave(document.Data(), 2, "Pad", pad);
        return document;
    }

    // Entries of this process's work folder.
    std::vector<std::string> WorkEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_workFolder)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    TestSupport::TempFolder m_temp;
    std::string m_workFolder;
};

TEST_F(WaveDragDataTest, HandsOutsideProgramsTheExportedFilesMadeWhenAsked) {
    TestDocument& document = ProjectWithWaveFiles();
    const std::string kickPath = document.Data().m_waves[0].m_path;
    CWaveDragData data(document.Data(), {0, 1, 2});

    // What the librarian's own lists look for, and what a file manager looks for.
    EXPECT_TRUE(CListDragSource::IsListDrag(&data));
    EXPECT_TRUE(data.hasFormat(QString::fromLatin1(CListDragSource::kWaveFormat)));
    EXPECT_TRUE(data.hasUrls());
    EXPECT_TRUE(data.formats().contains(QStringLiteral("text/uri-list")));
    EXPECT_EQ(data.data(QString::fromLatin1(CListDragSource::kWaveFormat)).size(), CListDragSource::kDataSize);
    // Nothing is written before someone asks for the files.
    EXPECT_TRUE(WorkEntries().empty());

    const QList<QUrl> urls = data.urls();
    ASSERT_EQ(urls.size(), 2);
    const QString kick = urls[0].toLocalFile();
    const QString pad = urls[1].toLocalFile();
    EXPECT_EQ(QFileInfo(kick).fileName(), QStringLiteral("001 Kick.wav"));
    EXPECT_EQ(QFileInfo(pad).fileName(), QStringLiteral("003 Pad.aif"));
    EXPECT_TRUE(QDir::fromNativeSeparators(kick).startsWith(QString::fromStdString(m_workFolder)));
    EXPECT_EQ(ProjectBuilder::ReadBytes(kick.toStdString()), ProjectBuilder::ReadBytes(kickPath));
    EXPECT_EQ(ProjectBuilder::ReadBytes(pad.toStdString()), std::vector<std::uint8_t>(5000, 9));
    // The raw text a file manager reads names the same files.
    const QByteArray text = data.data(QStringLiteral("text/uri-list"));
    EXPECT_TRUE(text.contains(urls[0].toEncoded())) << text.toStdString();
    EXPECT_TRUE(text.contains(urls[1].toEncoded())) << text.toStdString();

    // Asked again (every drop target asks), the same files; no second copy.
    EXPECT_EQ(data.urls(), urls);
    EXPECT_EQ(WorkEntries().size(), 1U);
    // The project is as it was.
    EXPECT_EQ(document.Data().m_waves[0].m_path, kickPath);
    EXPECT_TRUE(document.Data().m_waves[1].IsEmpty());
    EXPECT_FALSE(document.IsModified());
}

TEST_F(WaveDragDataTest, DropsOnTheLibrariansOwnListsWorkAsBeforeAndWriteNoFiles) {
    TestDocument& source = ProjectWithWaveFiles();
    TestDocument& target = NewDocument();
    CFileView& from = OpenView(source);
    CFileView& to = OpenView(target);
    from.WaveList().SelectRows({0, 2});
    ASSERT_TRUE(CListDragSource::Begin(from.WaveList(), 0));
    DragDriver drag(std::make_unique<CWaveDragData>(source.Data(), CSelection{0, 2}));
    const DragDriver::Answer answer = drag.EnterAndDrop(to.WaveList(), DragDriver::RowPoint(to.WaveList(), 4));
    CListDragSource::Finish();
    EXPECT_TRUE(answer.accepted);
    EXPECT_EQ(target.Data().m_waves[4].m_name, "Kick");
    EXPECT_EQ(target.Data().m_waves[5].m_name, "Pad");
    EXPECT_EQ(source.Data().m_waves[0].m_name, "Kick"); // a copy between windows
    EXPECT_TRUE(WorkEntries().empty());
}

} // namespace
} // namespace Orvanta
