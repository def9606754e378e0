#include "QtTestSupport.h"

#include "winframework/CSettings.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace Orvanta {
namespace {

class CSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { QtTesting::ClearSettings(); }
};

TEST_F(CSettingsTest, TableCoversExactlyTheNineSections) {
    std::set<std::string> sections;
    for (const SettingSpec& spec : CSettings::Table()) {
        sections.insert(spec.section);
    }
    const std::set<std::string> expected{"Option",     "OpenFolder",    "Recent File List", "Window", "Version",
                                         "ControlBar", "PatchListCtrl", "WaveListCtrl",     "WAV"};
    EXPECT_EQ(sections, expected);
}

TEST_F(CSettingsTest, NamesAndDefaultsOfTheTable) {
    EXPECT_EQ(CSettings::ValueName(SettingId::RecentFile, 3), QStringLiteral("File3"));
    EXPECT_EQ(CSettings::ValueName(SettingId::ChildWindowPosition, 4107), QStringLiteral("Position4107"));
    EXPECT_EQ(CSettings::ValueName(SettingId::GridSw), QStringLiteral("GridSw"));
    EXPECT_STREQ(CSettings::Spec(SettingId::OpenFolderName).section, "OpenFolder");
    EXPECT_STREQ(CSettings::Spec(SettingId::OpenFolderName).name, "FolderName");
    EXPECT_STREQ(CSettings::Spec(SettingId::WindowPosition).defaultText, "0,0,600,400");
    EXPECT_STREQ(CSettings::Spec(SettingId::ChildWindowPosition).defaultText, "-2147483648,-2147483648,0,0");
    EXPECT_STREQ(CSettings::Spec(SettingId::PatchListColumnWidth).section, "PatchListCtrl");
    EXPECT_STREQ(CSettings::Spec(SettingId::WaveListColumnWidth).name, "ColumnWidth");
}

TEST_F(CSettingsTest, EmptyStoreGivesEveryDefault) {
    EXPECT_EQ(CSettings::ReadInt(SettingId::GridSw), 0);
    EXPECT_EQ(CSettings::ReadInt(SettingId::WaveOption), 0);
    EXPECT_EQ(CSettings::ReadInt(SettingId::PatchOption), 0);
    EXPECT_EQ(CSettings::ReadInt(SettingId::FontColor), 0);
    EXPECT_EQ(CSettings::ReadInt(SettingId::WindowMaximized), 0);
    EXPECT_EQ(CSettings::ReadString(SettingId::FontFaceName), QString());
    EXPECT_EQ(CSettings::ReadString(SettingId::OpenFolderName), QString());
    EXPECT_EQ(CSettings::ReadString(SettingId::WindowPosition), QStringLiteral("0,0,600,400"));
    EXPECT_EQ(CSettings::ReadString(SettingId::StoredFileVersion), QString());
    EXPECT_TRUE(CSettings::ReadBytes(SettingId::ControlBarState).isEmpty());
    EXPECT_TRUE(CSettings::ReadRecentFiles().isEmpty());
}

TEST_F(CSettingsTest, GridSwitchAndBothCleanOptionsRoundTrip) {
    CSettings::WriteInt(SettingId::GridSw, 1);
    CSettings::WriteInt(SettingId::WaveOption, 1);
    CSettings::WriteInt(SettingId::PatchOption, 0);
    EXPECT_EQ(CSettings::ReadInt(SettingId::GridSw), 1);
    EXPECT_EQ(CSettings::ReadInt(SettingId::WaveOption), 1);
    EXPECT_EQ(CSettings::ReadInt(SettingId::PatchOption), 0);

    CSettings::WriteInt(SettingId::WaveOption, 0);
    CSettings::WriteInt(SettingId::PatchOption, 1);
    EXPECT_EQ(CSettings::ReadInt(SettingId::WaveOption), 0);
    EXPECT_EQ(CSettings::ReadInt(SettingId::PatchOption), 1);
}

TEST_F(CSettingsTest, ValuesLandInTheirSectionOfTheNamedStore) {
    CSettings::WriteInt(SettingId::GridSw, 1);
    CSettings::WriteString(SettingId::OpenFolderName, QStringLiteral("/data/My.prj\\"));
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Veltrane"),
                    QStringLiteral("Orvanta Librarian"));
    EXPECT_EQ(store.value(QStringLiteral("Option/GridSw")).toInt(), 1);
    EXPECT_EQ(store.value(QStringLiteral("OpenFolder/FolderName")).toString(), QStringLiteral("/data/My.prj\\"));
}

TEST_F(CSettingsTest, AnIntegerThatIsNoNumberReadsAsTheDefault) {
    CSettings::WriteProfileString(QStringLiteral("Option"), QStringLiteral("GridSw"), QStringLiteral("on"));
    EXPECT_EQ(CSettings::ReadInt(SettingId::GridSw), 0);
    EXPECT_EQ(CSettings::ReadProfileInt(QStringLiteral("Option"), QStringLiteral("GridSw"), 7), 7);
}

TEST_F(CSettingsTest, RecentFilesKeepEightAndRemoveTheRest) {
    QStringList paths;
    for (int i = 1; i <= 10; ++i) {
        paths.push_back(QStringLiteral("/p/%1.prj").arg(i));
    }
    CSettings::WriteRecentFiles(paths);
    EXPECT_EQ(CSettings::ReadRecentFiles(), paths.mid(0, 8));

    CSettings::WriteRecentFiles({QStringLiteral("/p/a.prj")});
    EXPECT_EQ(CSettings::ReadRecentFiles(), QStringList{QStringLiteral("/p/a.prj")});
    EXPECT_FALSE(CSettings::Contains(SettingId::RecentFile, 2));
}

TEST_F(CSettingsTest, ControlBarBytesRoundTrip) {
    const QByteArray state("\x00\x01layout\xff", 10);
    CSettings::WriteBytes(SettingId::ControlBarState, state);
    EXPECT_EQ(CSettings::ReadBytes(SettingId::ControlBarState), state);
}

struct WidthCase {
    const char* text;
    int first;
    int second;
};

class ColumnWidthTest : public ::testing::TestWithParam<WidthCase> {};

TEST_P(ColumnWidthTest, ParsesLikeTheCScan) {
    const WidthCase& c = GetParam();
    const QList<int> widths = CSettings::ParseColumnWidths(QString::fromLatin1(c.text), 2);
    ASSERT_EQ(widths.size(), 2);
    EXPECT_EQ(widths[0], c.first) << c.text;
    EXPECT_EQ(widths[1], c.second) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ColumnWidthTest,
                         ::testing::Values(WidthCase{"", 56, 136}, WidthCase{"80", 80, 136},
                                           WidthCase{"56,136", 56, 136}, WidthCase{"70,200,5", 70, 200},
                                           WidthCase{"0x10,010", 16, 8}, WidthCase{"  42, 0X1f", 42, 31},
                                           WidthCase{"abc,", 0, 136}, WidthCase{",90", 56, 90},
                                           WidthCase{"12px,09", 12, 0}, WidthCase{"0x,0xg", 0, 0},
                                           WidthCase{"-5,99999999999", 0, 2147483647}));

TEST(ColumnWidthFormat, DecimalJoinedByCommas) {
    EXPECT_EQ(CSettings::FormatColumnWidths({56, 136}), QStringLiteral("56,136"));
    EXPECT_EQ(CSettings::FormatColumnWidths({}), QString());
}

TEST(ScanDecimalList, StopsAtTheFirstFieldThatDoesNotFit) {
    EXPECT_EQ(CSettings::ScanDecimalList(u"1, -2,+3,4", 13), (QList<int>{1, -2, 3, 4}));
    EXPECT_EQ(CSettings::ScanDecimalList(u"1 ,2", 13), (QList<int>{1}));
    EXPECT_EQ(CSettings::ScanDecimalList(u"1,x,3", 13), (QList<int>{1}));
    EXPECT_EQ(CSettings::ScanDecimalList(u"1,2,3", 2), (QList<int>{1, 2}));
    EXPECT_TRUE(CSettings::ScanDecimalList(u"", 4).isEmpty());
}

} // namespace
} // namespace Orvanta
