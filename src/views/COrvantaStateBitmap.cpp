#include "views/COrvantaStateBitmap.h"

#include "resources/Bitmaps.h"

#include <QCoreApplication>
#include <QPainter>

namespace Orvanta {

namespace {

constexpr int kPaletteEntries = 256;

// The halftone palette used for bitmaps of more than 8 bits per pixel: a 6 x 6 x 6 colour cube
// followed by a ramp of greys.
QList<QRgb> HalftonePalette() {
    QList<QRgb> palette;
    palette.reserve(kPaletteEntries);
    for (int red = 0; red < 6; ++red) {
        for (int green = 0; green < 6; ++green) {
            for (int blue = 0; blue < 6; ++blue) {
                palette.push_back(qRgb(red * 51, green * 51, blue * 51));
            }
        }
    }
    const int greys = kPaletteEntries - static_cast<int>(palette.size());
    for (int i = 0; i < greys; ++i) {
        const int level = (i + 1) * 255 / (greys + 1);
        palette.push_back(qRgb(level, level, level));
    }
    return palette;
}

} // namespace

COrvantaStateBitmap::COrvantaStateBitmap() = default;

COrvantaStateBitmap::~COrvantaStateBitmap() {
    Release();
}

bool COrvantaStateBitmap::LoadResource(int id) {
    const BitmapResource* resource = FindBitmapResource(id);
    if (resource == nullptr) {
        return false;
    }
    QImage image(resource->width, resource->height, QImage::Format_RGB32);
    for (int y = 0; y < resource->height; ++y) {
        const std::string_view row = resource->rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < resource->width; ++x) {
            QRgb rgb = 0;
            for (const BitmapColour& colour : resource->colours) {
                if (colour.letter == row[static_cast<std::size_t>(x)]) {
                    rgb = colour.rgb;
                }
            }
            image.setPixel(x, y, 0xFF000000U | rgb);
        }
    }
    m_bitmap = image;
    m_size = image.size();
    return true;
}

bool COrvantaStateBitmap::LoadFile(const QString& name) {
    Release();
    QImage image;
    if (!image.load(ProgramFolder() + name + QStringLiteral(".bmp"), "BMP")) {
        return false;
    }
    if (image.depth() > 8) {
        m_palette = HalftonePalette();
    } else {
        m_palette = image.colorTable();
        m_palette.resize(kPaletteEntries, 0);
    }
    m_bitmap = image.convertToFormat(QImage::Format_RGB32);
    m_size = m_bitmap.size();
    return true;
}

void COrvantaStateBitmap::Release() {
    m_bitmap = QImage();
    m_palette.clear();
    m_size = QSize();
}

void COrvantaStateBitmap::Draw(QPainter& target, const QPoint& destination, const QSize& size, const QPoint& source,
                               const QPoint& mask) const {
    if (m_bitmap.isNull()) {
        return;
    }
    const QRect to(destination, size);
    target.save();
    if (mask != QPoint(0, 0)) {
        target.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        target.drawImage(to, m_bitmap, QRect(mask, size));
        target.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        target.drawImage(to, m_bitmap, QRect(source, size));
    } else {
        target.setCompositionMode(QPainter::CompositionMode_Source);
        target.drawImage(to, m_bitmap, QRect(source, size));
    }
    target.restore();
}

QString COrvantaStateBitmap::ProgramFolder() {
    static const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    return folder;
}

} // namespace Orvanta
