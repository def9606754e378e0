#include "shell/CChildFrame.h"

#include <QContextMenuEvent>
#include <QMdiArea>
#include <QMouseEvent>

#include <algorithm>

namespace Orvanta {

CChildFrame::CChildFrame(int placementId, QWidget* parent) : CMDIChildWndEx(placementId, parent) {}

bool CChildFrame::CascadeFrom(const QList<QMdiSubWindow*>& others) {
    const auto isCovered = [this, &others](const QPoint& corner) {
        return std::any_of(others.begin(), others.end(), [this, &corner](const QMdiSubWindow* other) {
            return other != this && other != nullptr && other->isVisible() && other->pos() == corner;
        });
    };
    // The window is fitted into the area first, so that fitting does not put it back onto a corner
    // taken; where the steps leave the area, they start again once at its top-left corner.
    FitIntoArea();
    const QMdiArea* area = mdiArea();
    const QRect bounds = area != nullptr && area->isVisible() ? area->viewport()->rect() : QRect();
    QRect rect = geometry();
    bool moved = false;
    bool wrapped = false;
    while (isCovered(rect.topLeft())) {
        rect.translate(kCascadeStep, kCascadeStep);
        moved = true;
        if (!wrapped && bounds.contains(geometry()) && !bounds.contains(rect)) {
            rect.moveTopLeft(bounds.topLeft());
            wrapped = true;
        }
    }
    if (moved) {
        setGeometry(rect);
        update();
    }
    return moved;
}

bool CChildFrame::IsOnFrame(const QPoint& position) const {
    const QWidget* content = widget();
    return content == nullptr || !content->geometry().contains(position);
}

void CChildFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && IsOnFrame(event->position().toPoint())) {
        event->accept(); // no system menu on the caption
        return;
    }
    // A background project window takes no click focus (a press on its lists must not activate
    // it), so a press on its caption or border activates it here.
    if (event->button() == Qt::LeftButton && IsOnFrame(event->position().toPoint())) {
        if (QMdiArea* area = mdiArea(); area != nullptr && area->activeSubWindow() != this) {
            area->setActiveSubWindow(this);
        }
    }
    CMDIChildWndEx::mousePressEvent(event);
}

void CChildFrame::mouseReleaseEvent(QMouseEvent* event) {
    const bool onFrame = event->button() == Qt::RightButton && IsOnFrame(event->position().toPoint());
    CMDIChildWndEx::mouseReleaseEvent(event);
    if (onFrame) {
        emit WindowListRequested(event->globalPosition().toPoint());
    }
}

void CChildFrame::contextMenuEvent(QContextMenuEvent* event) {
    event->accept(); // the frame's context menu request is swallowed
}

} // namespace Orvanta
