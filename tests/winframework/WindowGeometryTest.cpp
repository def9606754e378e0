#include "winframework/WindowGeometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace Orvanta {
namespace {

const QRect kScreen(0, 0, 1024, 768);

TEST(FitRectToBounds, OversizeAndOffScreenIsCutThenMoved) {
    EXPECT_EQ(FitRectToBounds(QRect(-100, -50, 5000, 300), kScreen), QRect(0, 0, 1024, 300));
}

TEST(FitRectToBounds, ARectangleThatFitsIsUnchanged) {
    EXPECT_EQ(FitRectToBounds(QRect(10, 20, 600, 400), kScreen), QRect(10, 20, 600, 400));
    EXPECT_EQ(FitRectToBounds(QRect(0, 0, 1024, 768), kScreen), QRect(0, 0, 1024, 768));
}

TEST(FitRectToBounds, PastTheRightAndBottomEdgesMovesBack) {
    EXPECT_EQ(FitRectToBounds(QRect(900, 700, 300, 200), kScreen), QRect(724, 568, 300, 200));
}

TEST(FitRectToBounds, BoundsNotAtTheOrigin) {
    EXPECT_EQ(FitRectToBounds(QRect(0, 0, 100, 100), QRect(50, 60, 400, 300)), QRect(50, 60, 100, 100));
}

TEST(FitRectToBounds, ExtremeValuesDoNotOverflow) {
    EXPECT_EQ(FitRectToBounds(INT_MAX - 5, INT_MIN, INT_MAX, INT_MAX, kScreen), QRect(0, 0, 1024, 768));
}

TEST(ParseRectText, FourIntegersWithCommas) {
    const auto values = ParseRectText(QStringLiteral("-100, -50,5000,300"));
    ASSERT_TRUE(values.has_value());
    EXPECT_EQ(*values, (std::array<int, 4>{-100, -50, 5000, 300}));
    EXPECT_FALSE(ParseRectText(QStringLiteral("1,2,3")).has_value());
    EXPECT_FALSE(ParseRectText(QStringLiteral("1;2;3;4")).has_value());
    EXPECT_EQ(FormatRectText(QRect(-3, 4, 600, 400)), QStringLiteral("-3,4,600,400"));
}

TEST(MainWindowRect, StoredTextIsFittedIntoTheScreen) {
    EXPECT_EQ(MainWindowRectFromText(QStringLiteral("-100,-50,5000,300"), kScreen), QRect(0, 0, 1024, 300));
}

TEST(MainWindowRect, UnreadableOrEmptyTextGivesTheDefault) {
    EXPECT_EQ(MainWindowRectFromText(QStringLiteral("0,0,600,400"), kScreen), QRect(0, 0, 600, 400));
    EXPECT_EQ(MainWindowRectFromText(QStringLiteral("garbage"), kScreen), QRect(0, 0, 600, 400));
    EXPECT_EQ(MainWindowRectFromText(QStringLiteral("5,5,-10,300"), kScreen), QRect(0, 0, 600, 400));
}

TEST(MainWindowRect, FirstStartTakesFourFifthsOfTheAvailableArea) {
    EXPECT_EQ(FirstStartMainWindowSize(QSize(1280, 800)), QSize(1024, 640));
    EXPECT_EQ(FirstStartMainWindowSize(QSize(1856, 1053)), QSize(1484, 842));
}

} // namespace
} // namespace Orvanta
