#include "views/CSetGridDlg.h"

#include "QtTestSupport.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

class SetGridDlgTest : public ::testing::Test {
protected:
    void SetUp() override { CSetGridDlg::ClearScript(); }
};

TEST_F(SetGridDlgTest, OpensWithTheCurrentSwitchAndReturnsTheChoiceOnOk) {
    CSetGridDlg dialog;
    dialog.SetValue(0);
    EXPECT_TRUE(dialog.OffButton()->isChecked());
    EXPECT_EQ(dialog.OffButton()->text(), QStringLiteral("Grid &OFF"));
    EXPECT_EQ(dialog.OnButton()->text(), QStringLiteral("Grid O&N"));
    QtTesting::WhenModalShown([](QWidget* modal) {
        auto* shown = static_cast<CSetGridDlg*>(modal);
        shown->OnButton()->click();
        shown->accept();
    });
    EXPECT_EQ(dialog.Show(), QDialog::Accepted);
    EXPECT_EQ(dialog.Value(), 1);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Set Up Grid"));
}

TEST_F(SetGridDlgTest, CancelKeepsTheValue) {
    CSetGridDlg dialog;
    dialog.SetValue(1);
    EXPECT_TRUE(dialog.OnButton()->isChecked());
    QtTesting::WhenModalShown([](QWidget* modal) {
        auto* shown = static_cast<CSetGridDlg*>(modal);
        shown->OffButton()->click();
        shown->reject();
    });
    EXPECT_EQ(dialog.Show(), QDialog::Rejected);
    EXPECT_EQ(dialog.Value(), 1);
}

} // namespace
} // namespace Orvanta
