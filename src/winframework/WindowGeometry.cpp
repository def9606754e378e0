#include "winframework/WindowGeometry.h"

#include "winframework/CSettings.h"

#include <algorithm>
#include <limits>

namespace Orvanta {

namespace {

int ClampToInt(long long value) {
    return static_cast<int>(
        std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

QRect FitRectToBounds(const QRect& rect, const QRect& bounds) {
    return FitRectToBounds(rect.x(), rect.y(), rect.width(), rect.height(), bounds);
}

QRect FitRectToBounds(int rectLeft, int rectTop, int width, int height, const QRect& bounds) {
    long long left = rectLeft;
    long long top = rectTop;
    long long right = left + width;
    long long bottom = top + height;
    const long long boundsLeft = bounds.x();
    const long long boundsTop = bounds.y();
    const long long boundsRight = boundsLeft + bounds.width();
    const long long boundsBottom = boundsTop + bounds.height();

    if (right - left > bounds.width()) {
        right = left + bounds.width();
    }
    if (bottom - top > bounds.height()) {
        bottom = top + bounds.height();
    }
    if (left < boundsLeft) {
        right += boundsLeft - left;
        left = boundsLeft;
    }
    if (top < boundsTop) {
        bottom += boundsTop - top;
        top = boundsTop;
    }
    if (right > boundsRight) {
        left -= right - boundsRight;
        right = boundsRight;
    }
    if (bottom > boundsBottom) {
        top -= bottom - boundsBottom;
        bottom = boundsBottom;
    }
    return {ClampToInt(left), ClampToInt(top), ClampToInt(right - left), ClampToInt(bottom - top)};
}

std::optional<std::array<int, 4>> ParseRectText(const QString& text) {
    const QList<int> read = CSettings::ScanDecimalList(text, 4);
    if (read.size() != 4) {
        return std::nullopt;
    }
    return std::array<int, 4>{read[0], read[1], read[2], read[3]};
}

QString FormatRectText(const QRect& rect) {
    return QStringLiteral("%1,%2,%3,%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

QRect MainWindowRectFromText(const QString& text, const QRect& screen) {
    std::optional<std::array<int, 4>> values = ParseRectText(text);
    if (!values || (*values)[2] <= 0 || (*values)[3] <= 0) {
        values = std::array<int, 4>{0, 0, 600, 400};
    }
    return FitRectToBounds((*values)[0], (*values)[1], (*values)[2], (*values)[3], screen);
}

QSize FirstStartMainWindowSize(const QSize& available) {
    return {available.width() * 4 / 5, available.height() * 4 / 5};
}

} // namespace Orvanta
