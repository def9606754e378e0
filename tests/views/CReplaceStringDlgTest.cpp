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
    EXPECT_EQ(dialog.Text(), QStringLiteral("PadLead1")); // as it will be saved
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Edit Name"));
}

// While typing, the field shows the name as it will be saved.
TEST_F(ReplaceStringDlgTest, TheFieldHoldsTheNameAsItWillBeSaved) {
    struct Case {
        const char* typed;
        const char* pasted; // inserted at the cursor afterwards
        const char* shown;
    };
    const Case cases[] = {
        {"Pad/Lead:1", "", "PadLead1"},
        {"ABCDEFGHIJKLMNOP", "", "ABCDEFGHIJKL"}, // typing stops at 12
        {"Warm ", "", "Warm "},                   // a blank being typed stays
        {"", "Lead Pad Ba Extra", "Lead Pad Ba"}, // the cut leaves no blank at the end
        {"Bass", "<|>*?\\\"", "Bass"},
        {"", "Ünïcödé naïve", "Ünïcödé naïv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CReplaceStringDlg dialog;
        QTest::keyClicks(dialog.Edit(), QString::fromUtf8(c.typed));
        dialog.Edit()->insert(QString::fromUtf8(c.pasted));
        EXPECT_EQ(dialog.Edit()->text(), QString::fromUtf8(c.shown));
        EXPECT_LE(dialog.Edit()->cursorPosition(), dialog.Edit()->text().size());
    }
}

// Once the name holds 12 characters, further keys are refused (and counted, with a beep and a hint)
// wherever the cursor is; nothing already typed is replaced, and OK leaves no blank at the end.
TEST_F(ReplaceStringDlgTest, AFullNameRefusesFurtherKeys) {
    struct Case {
        const char* typed;
        bool home; // the cursor goes to the start before `more` is typed
        const char* more;
        const char* shown;
        int refused;
        const char* saved;
    };
    const Case cases[] = {
        {"SawLoopLong Extra", false, "", "SawLoopLong ", 5, "SawLoopLong"},
        {"ABCDEFGHIJKL", true, "XY", "ABCDEFGHIJKL", 2, "ABCDEFGHIJKL"},
        {"Pad", false, " Lead", "Pad Lead", 0, "Pad Lead"},
        {"Twelve Chars", false, " 2", "Twelve Chars", 2, "Twelve Chars"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CReplaceStringDlg dialog;
        QTest::keyClicks(dialog.Edit(), QString::fromUtf8(c.typed));
        if (c.home) {
            QTest::keyClick(dialog.Edit(), Qt::Key_Home);
        }
        QTest::keyClicks(dialog.Edit(), QString::fromUtf8(c.more));
        EXPECT_EQ(dialog.Edit()->text(), QString::fromUtf8(c.shown));
        EXPECT_EQ(dialog.RefusedKeys(), c.refused);
        dialog.accept();
        EXPECT_EQ(dialog.Text(), QString::fromUtf8(c.saved));
    }
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
