#include "winframework/CDlgTempl.h"

#include "resources/DialogTemplates.h"
#include "winframework/DialogUnits.h"

#include <QFont>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

TEST(DlgTemplTest, ReadsTheProjectWindowForm) {
    CDlgTempl reader;
    ASSERT_TRUE(reader.Load(kIddFileView));
    EXPECT_EQ(reader.DialogRect(), QRect(0, 0, 220, 45));
    EXPECT_EQ(reader.ItemRect(kIdcPatchLabel), QRect(5, 5, 40, 10));
    EXPECT_EQ(reader.ItemRect(kIdcPatchList), QRect(5, 15, 129, 24));
    EXPECT_EQ(reader.ItemRect(kIdcWaveLabel), QRect(140, 5, 25, 10));
    EXPECT_EQ(reader.ItemRect(kIdcWaveSize), QRect(163, 5, 55, 10));
    EXPECT_EQ(reader.ItemRect(kIdcWaveList), QRect(140, 15, 74, 24));
    EXPECT_FALSE(reader.ItemRect(4999).has_value());
}

TEST(DlgTemplTest, UnknownTemplateLeavesTheReaderEmpty) {
    CDlgTempl reader;
    ASSERT_TRUE(reader.Load(kIddFileView));
    EXPECT_FALSE(reader.Load(1));
    EXPECT_FALSE(reader.IsLoaded());
    EXPECT_TRUE(reader.DialogRect().isNull());
    EXPECT_TRUE(reader.Items().empty());
}

TEST(DlgTemplTest, PixelsFollowTheDialogFont) {
    CDlgTempl reader;
    ASSERT_TRUE(reader.Load(kIddFileView));
    QFont small;
    small.setPixelSize(10);
    QFont large;
    large.setPixelSize(20);
    EXPECT_EQ(reader.ItemRectPixels(kIdcWaveList, small), DialogUnitsToPixels(QRect(140, 15, 74, 24), small));
    EXPECT_GT(reader.DialogRectPixels(large).width(), reader.DialogRectPixels(small).width());
    EXPECT_GT(reader.DialogRectPixels(large).height(), reader.DialogRectPixels(small).height());
}

TEST(DlgTemplTest, PlacesControlsOfADialog) {
    CDlgTempl reader;
    ASSERT_TRUE(reader.Load(kIddEditName));
    QWidget dialog;
    auto* label = new QLabel(&dialog);
    auto* stranger = new QLabel(&dialog);
    stranger->setGeometry(1, 2, 3, 4);
    reader.PlaceControls(dialog, {{kIdcNameLabel, label}, {4999, stranger}});
    EXPECT_EQ(dialog.size(), reader.DialogRectPixels(dialog.font()).size());
    EXPECT_EQ(label->geometry(), *reader.ItemRectPixels(kIdcNameLabel, dialog.font()));
    EXPECT_EQ(stranger->geometry(), QRect(1, 2, 3, 4)); // not in the template: left alone
}

} // namespace
} // namespace Orvanta
