#include "views/CReplaceStringDlg.h"

#include "QtTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

class ReplaceStringDlgTest : public ::testing::Test {
protected:
    void SetUp() override { CReplaceStringDlg::ClearScript(); }
};

TEST_F(ReplaceStringDlgTest, OkTakesTheTypedText) {
    CReplaceStringDlg dialog;
    dialog.SetText(QStringLiteral("Old"));
    QtTesting::WhenModalShown([](QWidget* modal) {
        auto* edit = modal->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), QStringLiteral("Old"));
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("Pad/Lead:1"));
        QTest::keyClick(edit, Qt::Key_Return); // OK is the default button
    });
    EXPECT_EQ(dialog.Show(), QDialog::Accepted);
    EXPECT_EQ(dialog.Text(), QStringLiteral("Pad/Lead:1")); // the dialog filters nothing
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Edit Name"));
}

TEST_F(ReplaceStringDlgTest, CancelKeepsTheOfferedText) {
    CReplaceStringDlg dialog;
    dialog.SetText(QStringLiteral("Old"));
    QtTesting::WhenModalShown([](QWidget* modal) {
        QTest::keyClicks(modal->findChild<QLineEdit*>(), QStringLiteral("xyz"));
        for (auto* button : modal->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("Cancel")) {
                button->click();
            }
        }
    });
    EXPECT_EQ(dialog.Show(), QDialog::Rejected);
    EXPECT_EQ(dialog.Text(), QStringLiteral("Old"));
}

TEST_F(ReplaceStringDlgTest, LaidOutFromItsTemplate) {
    CReplaceStringDlg dialog;
    const auto* label = dialog.findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Name"));
    // The edit field below the label, the buttons to the right of both.
    EXPECT_GT(dialog.Edit()->geometry().top(), label->geometry().top());
    for (const auto* button : dialog.findChildren<QPushButton*>()) {
        EXPECT_GT(button->geometry().left(), dialog.Edit()->geometry().right());
        EXPECT_LE(button->geometry().right(), dialog.width());
    }
    EXPECT_GT(dialog.width(), dialog.height());
}

} // namespace
} // namespace Orvanta
