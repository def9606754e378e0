#pragma once

#include <QRect>
#include <QString>

#include <array>
#include <optional>

namespace Orvanta {

// Fits `rect` into `bounds`, in this order: a rectangle wider than the bounds is cut to their
// width, a higher one to their height; then it is moved right, down, left and up as far as needed
// to lie inside. A rectangle that fits is never changed. Works in 64 bits, so stored extremes do
// not overflow.
QRect FitRectToBounds(const QRect& rect, const QRect& bounds);
// The same for a rectangle given as left, top, width and height (no QRect is formed from values
// that could overflow it).
QRect FitRectToBounds(int left, int top, int width, int height, const QRect& bounds);

// Four integers written with "%d,%d,%d,%d" (left, top, width, height), read back by the same rule:
// blanks before each number, an optional sign, decimal digits, exactly one comma between numbers.
// Nothing when any of the four is missing.
std::optional<std::array<int, 4>> ParseRectText(const QString& text);
QString FormatRectText(const QRect& rect);

// The main window's restored rectangle from the stored "Window"/"Position" text, fitted into the
// screen. A text that is not four integers, or gives no positive width and height, counts as the
// default "0,0,600,400".
QRect MainWindowRectFromText(const QString& text, const QRect& screen);

// The main window's size on a first start (nothing stored): four fifths of the screen's available
// area in each direction.
QSize FirstStartMainWindowSize(const QSize& available);

} // namespace Orvanta
