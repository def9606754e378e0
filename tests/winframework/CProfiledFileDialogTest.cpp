#include "QtTestSupport.h"

#include "winframework/CProfiledFileDialog.h"
#include "winframework/CSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

const QString kWavFilter = QStringLiteral(
    "Wav Files (*.wav)|*.wav|Aif Files (*.aif)|*.aif|Aiff Files (*.aiff)|*.aiff|VPW Files (*.vpw)|*.vpw|All "
    "Files(*.*)|*.*||");
const QString kSection = QStringLiteral("WAV");

class ProfiledDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtTesting::ClearSettings();
        CProfiledFileDialog::ClearScript();
    }
    void TearDown() override { CProfiledFileDialog::ClearScript(); }

    static void SetProfiles(CProfiledFileDialog& dialog) {
        dialog.SetFolderProfile(kSection, QStringLiteral("InitialDirectory"), QString());
        dialog.SetFileNameProfile(kSection, QStringLiteral("InitialFileName"), QString());
        dialog.SetFilterProfile(kSection, QStringLiteral("InitialFilterIndex"), 1);
    }
};

TEST_F(ProfiledDialogTest, CancelStoresFolderAndFilterButNoFileName) {
    CSettings::WriteString(SettingId::WavInitialFileName, QStringLiteral("old.wav"));
    CProfiledFileDialog dialog(CProfiledFileDialog::Mode::Open, QString(), QString(), true, kWavFilter);
    SetProfiles(dialog);
    CProfiledFileDialog::SetNextResult({false, {}, QStringLiteral("/data/waves"), 3});
    EXPECT_EQ(dialog.Show(), QDialog::Rejected);
    EXPECT_EQ(CSettings::ReadString(SettingId::WavInitialDirectory), QStringLiteral("/data/waves"));
    EXPECT_EQ(CSettings::ReadInt(SettingId::WavInitialFilterIndex), 3);
    EXPECT_EQ(CSettings::ReadString(SettingId::WavInitialFileName), QStringLiteral("old.wav"));
    EXPECT_TRUE(dialog.ChosenFiles().isEmpty());
}

TEST_F(ProfiledDialogTest, OkStoresTheChosenNameWithoutFolder) {
    CProfiledFileDialog dialog(CProfiledFileDialog::Mode::Open, QString(), QString(), true, kWavFilter);
    SetProfiles(dialog);
    const QStringList files{QStringLiteral("/data/waves/kick.wav"), QStringLiteral("/data/waves/snare.wav")};
    CProfiledFileDialog::SetNextResult({true, files, QStringLiteral("/data/waves"), 0});
    EXPECT_EQ(dialog.Show(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenFiles(), files);
    EXPECT_EQ(CSettings::ReadString(SettingId::WavInitialFileName), QStringLiteral("kick.wav"));
    EXPECT_EQ(CSettings::ReadInt(SettingId::WavInitialFilterIndex), 1);
}

TEST_F(ProfiledDialogTest, StoredProfilesOpenTheDialogWhereItWasLeft) {
    QTemporaryDir folder;
    CSettings::WriteString(SettingId::WavInitialDirectory, folder.path());
    CSettings::WriteInt(SettingId::WavInitialFilterIndex, 2);
    CSettings::WriteString(SettingId::WavInitialFileName, QStringLiteral("a-very-long-name.wav"));
    CProfiledFileDialog dialog(CProfiledFileDialog::Mode::Open, QString(), QString(), true, kWavFilter);
    dialog.SetBufferSize(8);
    SetProfiles(dialog);
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
    EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("Aif Files (*.aif)"));
    EXPECT_EQ(dialog.FilterIndex(), 2);
    EXPECT_EQ(dialog.RememberedFileName(), QStringLiteral("a-very-")); // cut to the buffer
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Open - ") + QDir::toNativeSeparators(folder.path()) + u'/');
}

TEST_F(ProfiledDialogTest, UnprofiledDialogWritesNothing) {
    CProfiledFileDialog dialog(CProfiledFileDialog::Mode::Save, QStringLiteral(".prj"), QStringLiteral("x"), false,
                               QString());
    CProfiledFileDialog::SetNextResult({true, {QStringLiteral("/a/b")}, QStringLiteral("/a"), 1});
    EXPECT_EQ(dialog.Show(), QDialog::Accepted);
    EXPECT_FALSE(CSettings::Contains(SettingId::WavInitialDirectory));
    EXPECT_FALSE(CSettings::Contains(SettingId::WavInitialFilterIndex));
}

TEST_F(ProfiledDialogTest, ARealDialogCancelledByThePersonStoresItsFolder) {
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("inner"));
    CProfiledFileDialog dialog(CProfiledFileDialog::Mode::Open, QString(), QString(), true, kWavFilter);
    dialog.setDirectory(folder.path());
    SetProfiles(dialog);
    const QString inner = QDir(folder.path()).filePath(QStringLiteral("inner"));
    QString captionSeen;
    QtTesting::WhenModalShown([&](QWidget* modal) {
        auto* shown = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(shown, nullptr);
        shown->setDirectory(inner);
        emit shown->directoryEntered(inner);
        captionSeen = shown->windowTitle();
        shown->reject();
    });
    EXPECT_EQ(dialog.Show(), QDialog::Rejected);
    EXPECT_EQ(captionSeen, QStringLiteral("Open - ") + inner + u'/');
    EXPECT_EQ(QDir(CSettings::ReadString(SettingId::WavInitialDirectory)).canonicalPath(), QDir(inner).canonicalPath());
}

TEST(ProfiledDialogText, FiltersFromTheBarSeparatedText) {
    EXPECT_EQ(CProfiledFileDialog::NameFiltersFromText(kWavFilter),
              (QStringList{"Wav Files (*.wav)", "Aif Files (*.aif)", "Aiff Files (*.aiff)", "VPW Files (*.vpw)",
                           "All Files (*)"}));
    EXPECT_EQ(CProfiledFileDialog::NameFiltersFromText(QStringLiteral("Projects|*.prj;*.PRJ||")),
              QStringList{"Projects (*.prj *.PRJ)"});
    EXPECT_TRUE(CProfiledFileDialog::NameFiltersFromText(QString()).isEmpty());
}

TEST(ProfiledDialogText, CaptionAndFolderTextRule) {
    EXPECT_EQ(CProfiledFileDialog::CaptionFor(CProfiledFileDialog::Mode::Save, QStringLiteral("/data")),
              QStringLiteral("Save As - /data/"));
    EXPECT_EQ(CProfiledFileDialog::CaptionFor(CProfiledFileDialog::Mode::Open, QStringLiteral("/data/")),
              QStringLiteral("Open - /data/"));
    EXPECT_EQ(CProfiledFileDialog::FolderText(QStringLiteral("/data/"), false), QStringLiteral("/data"));
    EXPECT_EQ(CProfiledFileDialog::FolderText(QStringLiteral("/"), false), QStringLiteral("/"));
}

} // namespace
} // namespace Orvanta
