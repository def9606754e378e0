#include "views/CSimpleEditListCtrl.h"

#include "views/CReplaceStringDlg.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace Orvanta {
namespace {

constexpr std::uint32_t kEditableNumber = 0x11141;
constexpr std::uint32_t kEditableText = 0x10010;
constexpr std::uint32_t kFixedText = 0x00010;

// A list over a plain model of five rows that records what it is told to change and refuses
// values that say "no".
class RecordingList : public CSimpleEditListCtrl {
public:
    explicit RecordingList(const std::vector<std::uint32_t>& columnFlags, QWidget* parent = nullptr)
        : CSimpleEditListCtrl(parent), m_model(5, static_cast<int>(columnFlags.size())) {
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < m_model.columnCount(); ++column) {
                m_model.setItem(row, column, new QStandardItem(QStringLiteral("r%1c%2").arg(row).arg(column)));
            }
        }
        setModel(&m_model);
        for (std::size_t i = 0; i < columnFlags.size(); ++i) {
            SELVColumn descriptor;
            descriptor.flags = columnFlags[i];
            descriptor.maximum = 127.0;
            InsertColumn(static_cast<int>(i), descriptor);
        }
    }

    int GetListKind() const override { return 0; }
    CParameterArray* GetItems() const override { return nullptr; }
    void SetCellText(int row, int /*column*/, const QString& text) override { changes.push_back({row, text}); }
    bool ValidateCellText(int row, int column, const QString& value) const override {
        return value != QStringLiteral("no") && CSimpleEditListCtrl::ValidateCellText(row, column, value);
    }

    void SelectOnly(std::initializer_list<int> rows) {
        SetRowSelected(-1, false);
        for (const int row : rows) {
            SetRowSelected(row, true);
        }
    }

    std::vector<std::pair<int, QString>> changes;

private:
    QStandardItemModel m_model;
};

class SimpleEditListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override { CReplaceStringDlg::ClearScript(); }
    void TearDown() override { CReplaceStringDlg::ClearScript(); }

    static void Key(QWidget* list, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(list, key, modifiers);
    }
    static void Char(QWidget* list, char c) { QTest::keyClicks(list, QString(QLatin1Char(c))); }
};

TEST_F(SimpleEditListCtrlTest, RightAndLeftMoveBetweenEditableColumnsWithoutWrapping) {
    RecordingList list({kEditableNumber, kEditableText});
    EXPECT_EQ(list.CurrentColumn(), -1);
    Key(&list, Qt::Key_Right);
    EXPECT_EQ(list.CurrentColumn(), 0); // from none, the nearest to the right is the first
    Key(&list, Qt::Key_Right);
    EXPECT_EQ(list.CurrentColumn(), 1);
    Key(&list, Qt::Key_Right);
    EXPECT_EQ(list.CurrentColumn(), 1); // stops at the last column
    Key(&list, Qt::Key_Left);
    EXPECT_EQ(list.CurrentColumn(), 0);
    Key(&list, Qt::Key_Left);
    EXPECT_EQ(list.CurrentColumn(), 0);
}

TEST_F(SimpleEditListCtrlTest, NonEditableColumnsAreSkipped) {
    RecordingList list({kEditableNumber, kFixedText, kEditableText});
    list.SetCurrentColumn(0);
    Char(&list, 'l');
    EXPECT_EQ(list.CurrentColumn(), 2);
    Char(&list, 'h');
    EXPECT_EQ(list.CurrentColumn(), 0);
}

TEST_F(SimpleEditListCtrlTest, DollarAndCaretJumpToTheLastAndFirstColumn) {
    RecordingList list({kEditableNumber, kFixedText, kEditableText});
    Char(&list, '$');
    EXPECT_EQ(list.CurrentColumn(), 2);
    Char(&list, '^');
    EXPECT_EQ(list.CurrentColumn(), 0);
    Char(&list, '$');
    Char(&list, '_');
    EXPECT_EQ(list.CurrentColumn(), 0);
    Char(&list, '$');
    Char(&list, '|');
    EXPECT_EQ(list.CurrentColumn(), 0);
}

TEST_F(SimpleEditListCtrlTest, JAndKMoveTheFocusedRow) {
    RecordingList list({kEditableNumber, kEditableText});
    list.resize(300, 200);
    list.show();
    list.SetFocusedRow(1);
    Char(&list, 'j');
    QApplication::processEvents();
    EXPECT_EQ(list.FocusedRow(), 2);
    Char(&list, 'k');
    Char(&list, 'K');
    QApplication::processEvents();
    EXPECT_EQ(list.FocusedRow(), 0);
}

TEST_F(SimpleEditListCtrlTest, ReturnNeverReachesTheDialogAround) {
    QDialog dialog;
    auto* list = new RecordingList({kEditableNumber, kEditableText}, &dialog);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(ok);
    dialog.show();
    list->setFocus();
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    Key(list, Qt::Key_Return);
    Key(list, Qt::Key_Enter);
    EXPECT_EQ(accepted.count(), 0);
    EXPECT_TRUE(dialog.isVisible());
    dialog.close();
}

TEST_F(SimpleEditListCtrlTest, ARefusalOnTheThirdOfFiveRowsChangesNothing) {
    RecordingList list({kEditableNumber, kEditableText});
    list.SelectOnly({0, 1, 2, 3, 4});
    const CSimpleEditListCtrl::RowValues values = {{0, QStringLiteral("a")},
                                                   {1, QStringLiteral("b")},
                                                   {2, QStringLiteral("no")},
                                                   {3, QStringLiteral("d")},
                                                   {4, QStringLiteral("e")}};
    EXPECT_FALSE(list.ApplyToSelection(1, values));
    EXPECT_TRUE(list.changes.empty());
}

TEST_F(SimpleEditListCtrlTest, AcceptedValuesAreAppliedInRowOrder) {
    RecordingList list({kEditableNumber, kEditableText});
    list.SelectOnly({3, 1});
    EXPECT_TRUE(list.ApplyToSelection(1, {{1, QStringLiteral("b")}, {3, QStringLiteral("d")}}));
    const std::vector<std::pair<int, QString>> expected = {{1, QStringLiteral("b")}, {3, QStringLiteral("d")}};
    EXPECT_EQ(list.changes, expected);
}

TEST_F(SimpleEditListCtrlTest, NumberColumnsAcceptOnlyValuesInTheirRange) {
    RecordingList list({kEditableNumber, kEditableText});
    EXPECT_TRUE(list.CSimpleEditListCtrl::ValidateCellText(0, 0, QStringLiteral("127")));
    EXPECT_TRUE(list.CSimpleEditListCtrl::ValidateCellText(0, 0, QStringLiteral("0")));
    EXPECT_FALSE(list.CSimpleEditListCtrl::ValidateCellText(0, 0, QStringLiteral("128")));
    EXPECT_FALSE(list.CSimpleEditListCtrl::ValidateCellText(0, 0, QStringLiteral("x")));
    EXPECT_TRUE(list.CSimpleEditListCtrl::ValidateCellText(0, 1, QStringLiteral("anything at all")));
    EXPECT_FALSE(list.CSimpleEditListCtrl::ValidateCellText(0, 5, QStringLiteral("no such column")));
}

TEST_F(SimpleEditListCtrlTest, DeletingColumnsMovesOrClearsTheCurrentColumn) {
    RecordingList list({kEditableNumber, kFixedText, kEditableText});
    list.SetCurrentColumn(2);
    EXPECT_TRUE(list.DeleteColumn(0));
    EXPECT_EQ(list.CurrentColumn(), 1); // the same column, now one further left
    EXPECT_TRUE(list.DeleteColumn(1));
    EXPECT_EQ(list.CurrentColumn(), -1);
    EXPECT_FALSE(list.DeleteColumn(5));
    SELVColumn descriptor;
    list.SetCurrentColumn(0);
    list.InsertColumn(0, descriptor);
    EXPECT_EQ(list.CurrentColumn(), 1);
}

TEST_F(SimpleEditListCtrlTest, CtrlRWithoutACurrentColumnOpensNothing) {
    RecordingList list({kEditableNumber, kEditableText});
    list.SelectOnly({1});
    CReplaceStringDlg::SetNextResult(QStringLiteral("x"));
    Key(&list, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(CReplaceStringDlg::ShownCount(), 0);
    list.SetCurrentColumn(0); // a number column is not edited either
    Key(&list, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(CReplaceStringDlg::ShownCount(), 0);
    list.SetCurrentColumn(1);
    Key(&list, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(CReplaceStringDlg::ShownCount(), 1);
    EXPECT_EQ(CReplaceStringDlg::LastOfferedText(), QStringLiteral("r1c1"));
}

TEST_F(SimpleEditListCtrlTest, EditNotifiesBeforeAndAfterForEverySelectedRow) {
    RecordingList list({kEditableNumber, kEditableText});
    list.SelectOnly({0, 2});
    list.SetCurrentColumn(1);
    QSignalSpy begins(&list, &CSimpleEditListCtrl::LabelEditBegin);
    QSignalSpy ends(&list, &CSimpleEditListCtrl::LabelEditEnd);
    CReplaceStringDlg::SetNextResult(QStringLiteral("New"));
    list.EditCurrentColumn();
    ASSERT_EQ(begins.count(), 2);
    ASSERT_EQ(ends.count(), 2);
    EXPECT_EQ(begins.at(1).at(0).toInt(), 2);
    EXPECT_EQ(begins.at(1).at(1).toInt(), 1);
    EXPECT_TRUE(ends.at(0).at(3).toBool());
    const std::vector<std::pair<int, QString>> expected = {{0, QStringLiteral("New")}, {2, QStringLiteral("New")}};
    EXPECT_EQ(list.changes, expected);

    CReplaceStringDlg::SetNextResult(std::nullopt); // Cancel
    list.EditCurrentColumn();
    EXPECT_EQ(begins.count(), 2);
    EXPECT_EQ(list.changes.size(), 2U);
}

TEST_F(SimpleEditListCtrlTest, HitTestFindsVisibleCellsOnly) {
    RecordingList list({kEditableNumber, kEditableText});
    list.resize(300, 400);
    list.show();
    QApplication::processEvents();
    const QRect cell = list.visualRect(list.model()->index(2, 1));
    const auto hit = list.CellHitTest(cell.center());
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->row, 2);
    EXPECT_EQ(hit->column, 1);
    EXPECT_EQ(hit->rect, cell);
    const QRect last = list.visualRect(list.model()->index(4, 0));
    EXPECT_FALSE(list.CellHitTest(QPoint(last.center().x(), last.bottom() + 20)).has_value());
}

TEST_F(SimpleEditListCtrlTest, MovingTheFocusScrollsRowsButNotSideways) {
    RecordingList list({kEditableNumber, kEditableText});
    list.setColumnWidth(0, 60);
    list.setColumnWidth(1, 400);
    list.resize(150, 60);
    list.show();
    QApplication::processEvents();
    ASSERT_GT(list.horizontalScrollBar()->maximum(), 0);
    // A click on the wide name column selects the row without shifting the number column away.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualRect(list.model()->index(0, 1)).topLeft() + QPoint(5, 3));
    EXPECT_EQ(list.horizontalScrollBar()->value(), 0);
    EXPECT_TRUE(list.IsRowSelected(0));
    // Rows still scroll into view.
    list.setCurrentIndex(list.model()->index(4, 1));
    EXPECT_TRUE(list.IsRowVisible(4));
    EXPECT_EQ(list.horizontalScrollBar()->value(), 0);
}

} // namespace
} // namespace Orvanta
