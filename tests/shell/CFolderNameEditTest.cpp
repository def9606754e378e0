#include "shell/CFolderNameEdit.h"

#include <QTest>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

TEST(CFolderNameEditTest, TypedSeparatorsAndColonsAreIgnored) {
    CFolderNameEdit edit;
    QTest::keyClicks(&edit, QStringLiteral("A/B:C"));
    EXPECT_EQ(edit.text(), QStringLiteral("ABC"));
}

TEST(CFolderNameEditTest, EveryRefusedCharacterIsIgnoredAndOthersPass) {
    CFolderNameEdit edit;
    QTest::keyClicks(&edit, QStringLiteral("x\"*,/:;<>?\\|y .-_(1)"));
    EXPECT_EQ(edit.text(), QStringLiteral("xy .-_(1)"));
}

TEST(CFolderNameEditTest, ControlKeysStillEdit) {
    CFolderNameEdit edit;
    QTest::keyClicks(&edit, QStringLiteral("Songs"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClicks(&edit, QStringLiteral("My "));
    EXPECT_EQ(edit.text(), QStringLiteral("My Song"));
}

TEST(CFolderNameEditTest, PastedTextIsNotFiltered) {
    CFolderNameEdit edit;
    edit.insert(QStringLiteral("A/B")); // as a paste inserts it
    EXPECT_EQ(edit.text(), QStringLiteral("A/B"));
}

} // namespace
} // namespace Orvanta
