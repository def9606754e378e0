#pragma once

// Drives the drag machinery of the lists without the platform's modal drag loop: the drag starts
// with CListDragSource::Begin, synthetic drag events go to the lists' viewports, and Finish
// completes the drag as the source does when the loop returns.

#include "views/CListDragSource.h"
#include "views/CParameterListCtrl.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

#include <memory>

namespace Orvanta::TestSupport {

class DragDriver {
public:
    // The drag data of the list kind `which`, or of a foreign format.
    explicit DragDriver(int which) : m_data(CListDragSource::MakeDragData(which)) {}
    explicit DragDriver(std::unique_ptr<QMimeData> data) : m_data(std::move(data)) {}

    // A point in the middle of `row` (scrolled into view first), `dx` pixels from column 0's
    // centre when given.
    static QPoint RowPoint(CParameterListCtrl& list, int row, int x = -1) {
        if (!list.IsRowVisible(row)) {
            list.ScrollRowToTop(row);
        }
        const QRect rect = list.visualRect(list.model()->index(row, 0));
        return {x < 0 ? rect.center().x() : x, rect.center().y()};
    }

    struct Answer {
        bool accepted = false;
        Qt::DropAction action = Qt::IgnoreAction;
    };

    Answer Enter(CParameterListCtrl& list, QPoint point, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QDragEnterEvent event(point, kActions, m_data.get(), Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(list.viewport(), &event);
        return {event.isAccepted(), event.dropAction()};
    }
    Answer Move(CParameterListCtrl& list, QPoint point, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QDragMoveEvent event(point, kActions, m_data.get(), Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(list.viewport(), &event);
        return {event.isAccepted(), event.dropAction()};
    }
    void Leave(CParameterListCtrl& list) {
        QDragLeaveEvent event;
        QCoreApplication::sendEvent(list.viewport(), &event);
    }
    Answer Drop(CParameterListCtrl& list, QPoint point, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QDropEvent event(point, kActions, m_data.get(), Qt::NoButton, modifiers);
        QCoreApplication::sendEvent(list.viewport(), &event);
        return {event.isAccepted(), event.dropAction()};
    }
    // Enter, move and drop at `point` of `list`, as a drag ending there does.
    Answer EnterAndDrop(CParameterListCtrl& list, QPoint point, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Enter(list, point, modifiers);
        Move(list, point, modifiers);
        return Drop(list, point, modifiers);
    }

    [[nodiscard]] const QMimeData* Data() const { return m_data.get(); }

private:
    static constexpr Qt::DropActions kActions = Qt::CopyAction | Qt::MoveAction;
    std::unique_ptr<QMimeData> m_data;
};

} // namespace Orvanta::TestSupport
