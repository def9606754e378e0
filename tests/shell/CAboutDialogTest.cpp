#include "shell/CAboutDialog.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

TEST(CAboutDialogTest, WithoutControlKeyShowsTheFileVersion) {
    const CAboutDialog dialog(false);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Orvanta Librarian"));
    EXPECT_EQ(dialog.Label(CAboutDialog::kDescriptionControl)->text(), QStringLiteral("Orvanta Librarian"));
    EXPECT_EQ(dialog.Label(CAboutDialog::kVersionControl)->text(), QStringLiteral("Version 1.00"));
    EXPECT_FALSE(dialog.Label(CAboutDialog::kCopyrightControl)->text().isEmpty());
}

TEST(CAboutDialogTest, WithControlKeyAppendsTheProductVersionNumbers) {
    const CAboutDialog dialog(true);
    EXPECT_EQ(dialog.Label(CAboutDialog::kVersionControl)->text(), QStringLiteral("Version 1.00 (1005)"));
}

TEST(CAboutDialogTest, ControlsCarryTheirTemplateIdentifiers) {
    const CAboutDialog dialog(false);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("4127")), dialog.Label(CAboutDialog::kVersionControl));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("4190")), dialog.Label(CAboutDialog::kDescriptionControl));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("4141")), dialog.Label(CAboutDialog::kCopyrightControl));
}

} // namespace
} // namespace Orvanta
