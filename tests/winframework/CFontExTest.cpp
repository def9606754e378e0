#include "QtTestSupport.h"

#include "winframework/CFontEx.h"
#include "winframework/CSettings.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

const QString kSection = QStringLiteral("Option");
const QString kPrefix = QStringLiteral("Font");

class CFontExTest : public ::testing::Test {
protected:
    void SetUp() override { QtTesting::ClearSettings(); }

    static void Store(const QString& face, const QString& attributes) {
        CSettings::WriteString(SettingId::FontFaceName, face);
        CSettings::WriteString(SettingId::FontAttribute, attributes);
    }
};

TEST_F(CFontExTest, EmptyStoreGivesTheDefaultInterfaceFontWithColourZero) {
    CFontEx font;
    font.Load(kSection, kPrefix);
    EXPECT_TRUE(font.HasFont());
    EXPECT_EQ(font.Font().family(), QApplication::font().family());
    EXPECT_EQ(font.ColorRef(), 0u);
}

TEST_F(CFontExTest, AttributesMissingTheirTrailingFieldsTakeTheDefaults) {
    Store(QStringLiteral("Courier New"), QStringLiteral("-13,0,0,0,700"));
    CFontEx font;
    font.Load(kSection, kPrefix);
    const CFontAttributes& a = font.Attributes();
    EXPECT_EQ(a.height, -13);
    EXPECT_EQ(a.weight, 700);
    EXPECT_EQ(a.italic, 0);
    EXPECT_EQ(a.underline, 0);
    EXPECT_EQ(a.strikeOut, 0);
    EXPECT_EQ(a.charSet, 128);
    EXPECT_EQ(a.outPrecision, 3);
    EXPECT_EQ(a.clipPrecision, 2);
    EXPECT_EQ(a.quality, 0);
    EXPECT_EQ(a.pitchAndFamily, 49);
    EXPECT_EQ(font.FaceName(), QStringLiteral("Courier New"));
    EXPECT_EQ(font.Font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(font.Font().pixelSize(), 13);
    EXPECT_EQ(font.Font().weight(), QFont::Bold);
    EXPECT_FALSE(font.Font().italic());
}

TEST_F(CFontExTest, AllThirteenAttributesAreRead) {
    Store(QStringLiteral("Sans"), QStringLiteral("-20,5,1,2,400,1,1,1,0,4,5,6,34"));
    CFontEx font;
    font.Load(kSection, kPrefix);
    const CFontAttributes expected = CFontAttributes::FromArray({-20, 5, 1, 2, 400, 1, 1, 1, 0, 4, 5, 6, 34});
    EXPECT_EQ(font.Attributes(), expected);
    EXPECT_TRUE(font.Font().italic());
    EXPECT_TRUE(font.Font().underline());
    EXPECT_TRUE(font.Font().strikeOut());
}

TEST_F(CFontExTest, FewerThanFiveAttributesFallBackToTheDefaultFont) {
    Store(QStringLiteral("Courier New"), QStringLiteral("-13,0,0"));
    CFontEx font;
    font.Load(kSection, kPrefix);
    EXPECT_TRUE(font.HasFont());
    EXPECT_EQ(font.Font().family(), QApplication::font().family());
}

TEST_F(CFontExTest, AFaceWithoutAttributesIsNotUsed) {
    Store(QStringLiteral("Courier New"), QString());
    CFontEx font;
    font.Load(kSection, kPrefix);
    EXPECT_EQ(font.Font().family(), QApplication::font().family());
}

TEST_F(CFontExTest, SaveThenLoadGivesTheSameFontAndColour) {
    Store(QStringLiteral("Serif"), QStringLiteral("-15,0,0,0,400,1"));
    CSettings::WriteInt(SettingId::FontColor, 0x00123456);
    CFontEx first;
    first.Load(kSection, kPrefix);
    EXPECT_EQ(first.ColorRef(), 0x00123456u);
    QtTesting::ClearSettings();
    first.Save(kSection, kPrefix);
    EXPECT_EQ(CSettings::ReadString(SettingId::FontAttribute), QStringLiteral("-15,0,0,0,400,1,0,0,128,3,2,0,49"));
    EXPECT_EQ(CSettings::ReadString(SettingId::FontFaceName), QStringLiteral("Serif"));

    CFontEx second;
    second.Load(kSection, kPrefix);
    EXPECT_EQ(second.Attributes(), first.Attributes());
    EXPECT_EQ(second.FaceName(), first.FaceName());
    EXPECT_EQ(second.ColorRef(), 0x00123456u);
}

TEST_F(CFontExTest, LoadKeepsAFontAlreadyHeldAndSaveNeedsOne) {
    CFontEx font;
    font.Save(kSection, kPrefix);
    EXPECT_FALSE(CSettings::Contains(SettingId::FontFaceName));

    font.Load(kSection, kPrefix);
    const QString before = font.FaceName();
    Store(QStringLiteral("Other Face"), QStringLiteral("-9,0,0,0,400"));
    font.Load(kSection, kPrefix);
    EXPECT_EQ(font.FaceName(), before);
}

TEST_F(CFontExTest, ColourValuesAreBlueGreenRed) {
    EXPECT_EQ(CFontEx::ColorFromColorRef(0x00FF0000u), qRgb(0, 0, 255));
    EXPECT_EQ(CFontEx::ColorFromColorRef(0x000000FFu), qRgb(255, 0, 0));
    EXPECT_EQ(CFontEx::ColorRefFromColor(qRgb(0x12, 0x34, 0x56)), 0x00563412u);
}

TEST_F(CFontExTest, AFontChosenLaterIsDescribedByItsAttributes) {
    QFont chosen(QStringLiteral("Mono"));
    chosen.setPixelSize(17);
    chosen.setWeight(QFont::DemiBold);
    chosen.setItalic(true);
    CFontEx font;
    font.SetFont(chosen, 0x0000FF00u);
    EXPECT_EQ(font.Attributes().height, -17);
    EXPECT_EQ(font.Attributes().weight, 600);
    EXPECT_EQ(font.Attributes().italic, 1);
    EXPECT_EQ(font.ColorRef(), 0x0000FF00u);
}

} // namespace
} // namespace Orvanta
