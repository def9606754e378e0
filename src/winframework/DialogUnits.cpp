#include "winframework/DialogUnits.h"

#include <QFontMetrics>

namespace Orvanta {

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Average over the 52 letters, rounded.
    return {(width / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const QRect& dialogUnits, const QFont& font) {
    const QSize base = DialogBaseUnits(font);
    const auto scale = [](int value, int unit, int divisor) { return (value * unit + divisor / 2) / divisor; };
    return {scale(dialogUnits.x(), base.width(), 4), scale(dialogUnits.y(), base.height(), 8),
            scale(dialogUnits.width(), base.width(), 4), scale(dialogUnits.height(), base.height(), 8)};
}

} // namespace Orvanta
