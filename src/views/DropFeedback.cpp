#include "views/DropFeedback.h"

#include "model/CDomain.h"
#include "operations/TransferOperations.h"
#include "views/CParameterListCtrl.h"
#include "views/DragState.h"

#include <QHeaderView>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace Orvanta {

DropPlacement PlaceDrop(int hoveredRow, int anchorOffset, int count, int limit, bool insert) {
    DropPlacement placement;
    placement.dropStart = (hoveredRow < 0 ? -1 : hoveredRow) - anchorOffset;
    if (hoveredRow < 0 || hoveredRow >= limit || count <= 0 || count > limit) {
        return placement;
    }
    if (insert) {
        placement.dropIndex = std::min(hoveredRow, limit - count);
        placement.rows = 0;
    } else {
        placement.dropIndex = std::clamp(placement.dropStart, 0, limit - count);
        placement.rows = count;
    }
    return placement;
}

int AutoScrollSpeed(std::int64_t& startSecond, std::int64_t nowSecond) {
    if (startSecond == 0) {
        startSecond = nowSecond;
        return 1;
    }
    const std::int64_t passed = nowSecond - startSecond;
    return passed < 3 ? 1 : static_cast<int>(std::min<std::int64_t>(passed, 1000));
}

namespace {

// The rectangle of `row` across all columns, in viewport coordinates.
QRect RowRect(const CParameterListCtrl& list, int row) {
    const int columns = list.horizontalHeader()->count();
    if (columns == 0) {
        return {};
    }
    const int left = list.columnViewportPosition(0);
    const int right = list.columnViewportPosition(columns - 1) + list.columnWidth(columns - 1);
    return QRect(QPoint(left, list.rowViewportPosition(row)),
                 QPoint(right - 1, list.rowViewportPosition(row) + list.rowHeight(row) - 1));
}

} // namespace

void PaintDropFeedback(QPainter& painter, const CParameterListCtrl& list) {
    const DragState& drag = DragState::Instance();
    if (!(drag.inProgress || drag.dropping) || drag.targetList != &list || drag.cursorY < 0 || drag.dropIndex < 0 ||
        list.GetListKind() != drag.Which() || list.GetParameterArray() == nullptr) {
        return;
    }
    const int limit = static_cast<int>(list.GetParameterArray()->size());
    const int first = drag.dropIndex;
    const bool insert = CDomain::Instance().m_dropInserts != 0;
    const int count = static_cast<int>(TransferCount(drag.Which()));
    if (insert) {
        const QRect rect = RowRect(list, first);
        if (rect.isValid()) {
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(rect.left(), rect.top() + 1, rect.right(), rect.top() + 1);
        }
        return;
    }
    QPen pen(QColor::fromRgb(kOverwriteOutlineColour), kOverwriteOutlineWidth, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    const int last = std::min(first + count, limit) - 1;
    const int top = std::max(first, list.rowAt(0) < 0 ? first : list.rowAt(0));
    const int bottomRow = list.rowAt(list.viewport()->height() - 1);
    const int bottom = std::min(last, bottomRow < 0 ? last : bottomRow);
    for (int row = top; row <= bottom; ++row) {
        const QRect rect = RowRect(list, row);
        if (!rect.isValid()) {
            continue;
        }
        // Inset 2 pixels from the row's sides, and from its top or bottom where the block begins or
        // ends; the sides run on through the rows between, so the outline is one closed frame.
        const int left = rect.left() + 2;
        const int right = rect.right() - 2;
        const int y0 = row == first ? rect.top() + 2 : rect.top();
        const int y1 = row == last ? rect.bottom() - 2 : rect.bottom() + 1;
        painter.drawLine(left, y0, left, y1);
        painter.drawLine(right, y0, right, y1);
        if (row == first) {
            painter.drawLine(left, y0, right, y0);
        }
        if (row == last) {
            painter.drawLine(left, y1, right, y1);
        }
    }
}

} // namespace Orvanta
