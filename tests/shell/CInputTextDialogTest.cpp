#include "shell/CInputTextDialog.h"
#include "QtTestSupport.h"
#include "shell/CFolderNameEdit.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

TEST(CInputTextDialogTest, ShowsTheTextSelectedAndTheConfirmCaption) {
    CInputTextDialog dialog;
    dialog.SetText(QStringLiteral("Demo"));
    dialog.SetConfirmCaption(QStringLiteral("Save &Project"));
    QString shownText;
    QString selected;
    QString okText;
    QtTesting::WhenModalShown([&](QWidget* /*modal*/) {
        shownText = dialog.Edit()->text();
        selected = dialog.Edit()->selectedText();
        okText = dialog.OkButton()->text();
        QTest::keyClicks(dialog.Edit(), QStringLiteral("New/Song"));
        dialog.OkButton()->click();
    });
    EXPECT_EQ(dialog.Run(), QDialog::Accepted);
    EXPECT_EQ(shownText, QStringLiteral("Demo"));
    EXPECT_EQ(selected, QStringLiteral("Demo"));
    EXPECT_EQ(okText, QStringLiteral("Save &Project"));
    // The typed text replaced the selection, without the slash.
    EXPECT_EQ(dialog.Text(), QStringLiteral("NewSong"));
}

TEST(CInputTextDialogTest, CancelKeepsTheTextOfEntry) {
    CInputTextDialog dialog;
    dialog.SetText(QStringLiteral("Demo"));
    QtTesting::WhenModalShown([&](QWidget* /*modal*/) {
        QTest::keyClicks(dialog.Edit(), QStringLiteral("Other"));
        dialog.reject();
    });
    EXPECT_EQ(dialog.Run(), QDialog::Rejected);
    EXPECT_EQ(dialog.Text(), QStringLiteral("Demo"));
}

TEST(CInputTextDialogTest, WithoutConfirmCaptionTheButtonSaysOk) {
    CInputTextDialog dialog;
    QString okText;
    QtTesting::WhenModalShown([&](QWidget* /*modal*/) {
        okText = dialog.OkButton()->text();
        dialog.reject();
    });
    dialog.Run();
    EXPECT_EQ(okText, QStringLiteral("OK"));
}

TEST(CInputTextDialogTest, ScriptedAnswersAnswerWithoutAWindow) {
    CInputTextDialog::SetNextAnswer(QStringLiteral("Scripted"));
    CInputTextDialog::SetNextAnswer(std::nullopt);
    CInputTextDialog first;
    EXPECT_EQ(first.Run(), QDialog::Accepted);
    EXPECT_EQ(first.Text(), QStringLiteral("Scripted"));
    CInputTextDialog second;
    EXPECT_EQ(second.Run(), QDialog::Rejected);
    CInputTextDialog::ClearAnswers();
}

} // namespace
} // namespace Orvanta
