#include "views/CParameterItemDelegate.h"

#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

using Look = CParameterItemDelegate::CellLook;

class ParameterItemDelegateTest : public ::testing::Test {
protected:
    ParameterItemDelegateTest() : m_metrics(QApplication::font()) {
        m_input.text = QStringLiteral("Brass");
        m_input.columnWidth = 200;
        m_input.listText = Qt::black;
        m_input.window = Qt::white;
        m_input.highlight = QColor(0x30, 0x60, 0xC0);
        m_input.highlightText = Qt::white;
    }

    Look Decide() const { return CParameterItemDelegate::DecideCellLook(m_input, m_metrics); }

    QFontMetrics m_metrics;
    CParameterItemDelegate::CellInput m_input;
};

TEST_F(ParameterItemDelegateTest, UsedRowInTheNormalColours) {
    const Look look = Decide();
    EXPECT_TRUE(look.draw);
    EXPECT_EQ(look.text, QColor(Qt::black));
    EXPECT_EQ(look.background, QColor(Qt::white));
    EXPECT_EQ(look.shownText, QStringLiteral("Brass"));
    EXPECT_FALSE(look.cut);
}

TEST_F(ParameterItemDelegateTest, EmptySlotsAreGrey) {
    m_input.elementEmpty = true;
    EXPECT_EQ(Decide().text, QColor::fromRgb(0x808080));
    m_input.rowSelected = true;
    m_input.listHasFocus = true;
    const Look selected = Decide();
    EXPECT_EQ(selected.text, QColor::fromRgb(0x808080)); // grey even on the highlight
    EXPECT_EQ(selected.background, m_input.highlight);
}

TEST_F(ParameterItemDelegateTest, RowsBeyondTheArrayAreNotDrawn) {
    m_input.inArray = false;
    EXPECT_FALSE(Decide().draw);
}

TEST_F(ParameterItemDelegateTest, SelectionWithFocusUsesTheHighlight) {
    m_input.rowSelected = true;
    m_input.listHasFocus = true;
    const Look look = Decide();
    EXPECT_EQ(look.background, m_input.highlight);
    EXPECT_EQ(look.text, m_input.highlightText);
}

TEST_F(ParameterItemDelegateTest, SelectionWithoutFocusIsSilver) {
    m_input.rowSelected = true;
    const Look look = Decide();
    EXPECT_EQ(look.background, QColor::fromRgb(0xC0C0C0));
    EXPECT_EQ(look.text, QColor(Qt::black));
}

TEST_F(ParameterItemDelegateTest, TextInTheWindowColourBecomesSilverAndBlackOnSilver) {
    m_input.listText = Qt::white; // the same as the window colour
    EXPECT_EQ(Decide().text, QColor::fromRgb(0xC0C0C0));
    m_input.rowSelected = true;
    EXPECT_EQ(Decide().text, QColor(Qt::black));
}

TEST_F(ParameterItemDelegateTest, DisabledListIsGreyAndShowsNoSelection) {
    m_input.listEnabled = false;
    m_input.rowSelected = true;
    m_input.listHasFocus = true;
    const Look look = Decide();
    EXPECT_EQ(look.text, QColor::fromRgb(0x808080));
    EXPECT_EQ(look.background, QColor(Qt::white));
}

TEST_F(ParameterItemDelegateTest, NumberCellsBeyondTheUsedRangeAreDarkenedByFour) {
    m_input.beyondUsed = true;
    EXPECT_EQ(Decide().background, QColor(Qt::white)); // the name column is not darkened
    m_input.numberColumn = true;
    EXPECT_EQ(Decide().background, QColor(0xFB, 0xFB, 0xFB));
    m_input.beyondUsed = false;
    EXPECT_EQ(Decide().background, QColor(Qt::white)); // inside the used range
}

TEST_F(ParameterItemDelegateTest, DarkeningSaturatesAtZero) {
    EXPECT_EQ(CParameterItemDelegate::Darkened(QColor(2, 4, 9)), QColor(0, 0, 5));
}

TEST_F(ParameterItemDelegateTest, TooLongTextIsCutWithEllipsisAndDrawnLeftAligned) {
    m_input.text = QStringLiteral("A very long patch name indeed");
    m_input.alignment = Qt::AlignRight | Qt::AlignVCenter;
    m_input.columnWidth = m_metrics.horizontalAdvance(QStringLiteral("A very lo")) + 1;
    const Look look = Decide();
    EXPECT_TRUE(look.cut);
    EXPECT_TRUE(look.shownText.endsWith(QStringLiteral("...")));
    EXPECT_TRUE(m_input.text.startsWith(look.shownText.chopped(3)));
    EXPECT_EQ(look.alignment & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    const int margins = 2 * m_metrics.horizontalAdvance(QStringLiteral(" "));
    EXPECT_LT(m_metrics.horizontalAdvance(look.shownText) + margins, m_input.columnWidth);
}

TEST_F(ParameterItemDelegateTest, FittingTextKeepsItsAlignment) {
    m_input.text = QStringLiteral("12");
    m_input.alignment = Qt::AlignRight | Qt::AlignVCenter;
    m_input.columnWidth = 56;
    const Look look = Decide();
    EXPECT_FALSE(look.cut);
    EXPECT_EQ(look.shownText, QStringLiteral("12"));
    EXPECT_EQ(look.alignment & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST_F(ParameterItemDelegateTest, NothingFitsLeavesOnlyTheEllipsis) {
    EXPECT_EQ(CParameterItemDelegate::CutToWidth(QStringLiteral("Brass"), 2, m_metrics), QStringLiteral("..."));
}

} // namespace
} // namespace Orvanta
