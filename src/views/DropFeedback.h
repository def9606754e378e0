#pragma once

#include <QColor>

#include <cstdint>

class QPainter;

namespace Orvanta {

class CParameterListCtrl;

// Where a drop of rows would land in a list, and how the list shows it while the cursor is over it.
struct DropPlacement {
    // Row under the cursor minus the anchor offset: where the first dragged element would land
    // before clamping. -1 - anchorOffset over no row.
    int dropStart = -1;
    // Slot of the first element dropped; -1 when nothing can be dropped here.
    int dropIndex = -1;
    // Rows outlined for an overwrite (dropIndex ... dropIndex + rows - 1); 0 for an insert, which
    // shows a line at the top of row dropIndex.
    int rows = 0;
};

// The drop position for the cursor over `hoveredRow` (-1 over no row) of a list with `limit` slots
// while `count` elements are dragged and the anchor had `anchorOffset` selected slots before it.
// An insert goes in at the hovered row; an overwrite replaces the block that starts anchorOffset
// rows above it. Either is clamped so that the whole block fits: it ends at the list's last slot at
// the latest, and an overwrite starts at slot 0 at the earliest.
[[nodiscard]] DropPlacement PlaceDrop(int hoveredRow, int anchorOffset, int count, int limit, bool insert);

// Rows scrolled per auto-scroll step. The first step of an episode (startSecond 0) records the
// current second in `startSecond` and scrolls one row; later steps scroll one row until 3 whole
// seconds have passed, then as many rows as whole seconds have passed.
[[nodiscard]] int AutoScrollSpeed(std::int64_t& startSecond, std::int64_t nowSecond);

// The outline of the rows to be overwritten: 2 pixels wide in this grey.
inline constexpr QRgb kOverwriteOutlineColour = 0xA0A0A0;
inline constexpr int kOverwriteOutlineWidth = 2;

// Draws the drop feedback of the drag under way onto `list`'s viewport, when the list is the drag's
// current target and the cursor is over one of its rows, and still while the drop is carried out (so
// that the question it may ask shows what it is about): the insert line, or the outline of the
// block to be overwritten, drawn row by row (the first row carries the top edge, the last the
// bottom edge, every row the two sides).
void PaintDropFeedback(QPainter& painter, const CParameterListCtrl& list);

} // namespace Orvanta
