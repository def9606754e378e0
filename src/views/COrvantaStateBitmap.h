#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

class QPainter;

namespace Orvanta {

// One bitmap with its size and palette, drawn plainly or through a mask taken from the same
// bitmap (the mask is combined into the target with AND, then the image with OR, so that the
// background shows around the image). The wave list holds the usage arrow in one.
class COrvantaStateBitmap {
public:
    COrvantaStateBitmap();
    COrvantaStateBitmap(const COrvantaStateBitmap&) = delete;
    COrvantaStateBitmap& operator=(const COrvantaStateBitmap&) = delete;
    virtual ~COrvantaStateBitmap();

    // Loads the program's bitmap `id`; true on success.
    virtual bool LoadResource(int id);
    // Loads `name` + ".bmp" from the program's folder at its own size and builds the palette: a
    // halftone palette for more than 8 bits per pixel, else 256 entries from the colour table.
    // False, leaving the object empty, when the file cannot be loaded.
    virtual bool LoadFile(const QString& name);
    virtual void Release();
    // Draws the area of `size` at `source` to `destination`. With a mask point other than (0, 0)
    // the mask area is ANDed into the target first and the source area ORed after it; with (0, 0)
    // the source area is copied.
    virtual void Draw(QPainter& target, const QPoint& destination, const QSize& size, const QPoint& source,
                      const QPoint& mask) const;
    [[nodiscard]] virtual QSize GetSize() const { return m_size; }

    [[nodiscard]] bool IsLoaded() const { return !m_bitmap.isNull(); }
    [[nodiscard]] const QImage& Bitmap() const { return m_bitmap; }
    [[nodiscard]] const QList<QRgb>& Palette() const { return m_palette; }

    // The folder of the running program, with a trailing "/"; determined once.
    [[nodiscard]] static QString ProgramFolder();

private:
    QImage m_bitmap; // 32 bits per pixel, as drawn
    QList<QRgb> m_palette;
    QSize m_size;
};

} // namespace Orvanta
