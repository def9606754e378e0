#include "views/COrvantaStateBitmap.h"

#include "resources/Bitmaps.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

namespace Orvanta {
namespace {

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;

QImage Background() {
    QImage image(10, 8, QImage::Format_RGB32);
    image.fill(kGreen);
    return image;
}

TEST(OrvantaStateBitmapTest, ArrowResourceIsTwelveBySixWithImageAndMask) {
    COrvantaStateBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadResource(kIdbArrow));
    EXPECT_EQ(bitmap.GetSize(), QSize(12, 6));
    const QImage& image = bitmap.Bitmap();
    // Rows 1 and 6 (from 1) have pixel 4, rows 2 and 5 pixels 4 and 5, rows 3 and 4 all six.
    EXPECT_EQ(image.pixel(3, 0), kRed);
    EXPECT_EQ(image.pixel(4, 0), 0xFF000000);
    EXPECT_EQ(image.pixel(4, 1), kRed);
    EXPECT_EQ(image.pixel(0, 2), kRed);
    EXPECT_EQ(image.pixel(5, 3), kRed);
    EXPECT_EQ(image.pixel(2, 5), 0xFF000000);
    // The mask: black under the arrow, white elsewhere.
    EXPECT_EQ(image.pixel(6 + 3, 0), 0xFF000000);
    EXPECT_EQ(image.pixel(6 + 0, 0), 0xFFFFFFFF);
    EXPECT_EQ(image.pixel(6 + 0, 2), 0xFF000000);
    EXPECT_FALSE(bitmap.LoadResource(1));
}

TEST(OrvantaStateBitmapTest, DrawingThroughTheMaskLeavesTheBackgroundAroundTheArrow) {
    COrvantaStateBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadResource(kIdbArrow));
    QImage target = Background();
    {
        QPainter painter(&target);
        bitmap.Draw(painter, QPoint(2, 1), QSize(6, 6), QPoint(0, 0), QPoint(6, 0));
    }
    EXPECT_EQ(target.pixel(2 + 3, 1 + 0), kRed);
    EXPECT_EQ(target.pixel(2 + 0, 1 + 2), kRed);
    EXPECT_EQ(target.pixel(2 + 0, 1 + 0), kGreen); // beside the arrow's tip
    EXPECT_EQ(target.pixel(2 + 5, 1 + 5), kGreen);
    EXPECT_EQ(target.pixel(0, 0), kGreen); // outside the drawn area
}

TEST(OrvantaStateBitmapTest, DrawingWithoutMaskCopiesTheArea) {
    COrvantaStateBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadResource(kIdbArrow));
    QImage target = Background();
    {
        QPainter painter(&target);
        bitmap.Draw(painter, QPoint(0, 0), QSize(6, 6), QPoint(0, 0), QPoint(0, 0));
    }
    EXPECT_EQ(target.pixel(0, 0), 0xFF000000); // the image's black background replaces the green
    EXPECT_EQ(target.pixel(3, 0), kRed);
    EXPECT_EQ(target.pixel(7, 0), kGreen);
}

TEST(OrvantaStateBitmapTest, MissingFileLeavesTheObjectEmpty) {
    COrvantaStateBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadResource(kIdbArrow));
    EXPECT_FALSE(bitmap.LoadFile(QStringLiteral("NoSuchBitmapAnywhere")));
    EXPECT_FALSE(bitmap.IsLoaded());
    EXPECT_EQ(bitmap.GetSize(), QSize());
    EXPECT_TRUE(bitmap.Palette().isEmpty());
}

TEST(OrvantaStateBitmapTest, LoadFileBuildsThePaletteFromTheColourTable) {
    const QString name = QStringLiteral("StateBitmapTest%1").arg(QCoreApplication::applicationPid());
    const QString path = COrvantaStateBitmap::ProgramFolder() + name + QStringLiteral(".bmp");
    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 0, 0)});
    indexed.fill(1);
    ASSERT_TRUE(indexed.save(path, "BMP"));
    COrvantaStateBitmap bitmap;
    const bool loaded = bitmap.LoadFile(name);
    QFile::remove(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(bitmap.GetSize(), QSize(4, 2));
    ASSERT_EQ(bitmap.Palette().size(), 256);
    EXPECT_EQ(bitmap.Palette().at(0), qRgb(1, 2, 3));
    EXPECT_EQ(bitmap.Palette().at(1), qRgb(200, 0, 0));
    EXPECT_EQ(bitmap.Bitmap().pixel(0, 0), qRgb(200, 0, 0));

    QImage deep(3, 3, QImage::Format_RGB32);
    deep.fill(kGreen);
    ASSERT_TRUE(deep.save(path, "BMP"));
    const bool deepLoaded = bitmap.LoadFile(name);
    QFile::remove(path);
    ASSERT_TRUE(deepLoaded);
    EXPECT_EQ(bitmap.Palette().size(), 256); // the halftone palette
    EXPECT_EQ(bitmap.GetSize(), QSize(3, 3));
}

} // namespace
} // namespace Orvanta
