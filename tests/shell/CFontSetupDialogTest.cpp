#include "shell/CFontSetupDialog.h"
#include "QtTestSupport.h"

#include <QFontInfo>
#include <QPushButton>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

TEST(CFontSetupDialogTest, OkGivesTheFontShownAndTheColour) {
    QFont initial(QStringLiteral("Sans"));
    initial.setPixelSize(15);
    CFontSetupDialog dialog(initial, qRgb(10, 20, 30));
    bool colorButtonShown = false;
    QtTesting::WhenModalShown([&](QWidget* /*modal*/) {
        colorButtonShown = dialog.ColorButton()->isVisible();
        dialog.SetColor(qRgb(200, 0, 0)); // as the colour dialog returns it
        dialog.accept();
    });
    ASSERT_EQ(dialog.Run(), QDialog::Accepted);
    EXPECT_TRUE(colorButtonShown);
    EXPECT_EQ(dialog.ChosenColor(), qRgb(200, 0, 0));
    // The dialog works in points; the size shown is the size given.
    EXPECT_NEAR(QFontInfo(dialog.ChosenFont()).pixelSize(), 15, 1);
}

TEST(CFontSetupDialogTest, CancelGivesNothing) {
    CFontSetupDialog dialog(QFont(), qRgb(0, 0, 0));
    QtTesting::WhenModalShown([&](QWidget* /*modal*/) { dialog.reject(); });
    EXPECT_EQ(dialog.Run(), QDialog::Rejected);
}

} // namespace
} // namespace Orvanta
