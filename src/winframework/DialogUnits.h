#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace Orvanta {

// Dialog templates give control rectangles in dialog units: a quarter of the dialog font's average
// character width horizontally and an eighth of its height vertically.
QSize DialogBaseUnits(const QFont& font);
QRect DialogUnitsToPixels(const QRect& dialogUnits, const QFont& font);

} // namespace Orvanta
