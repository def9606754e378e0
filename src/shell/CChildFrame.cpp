#include "shell/CChildFrame.h"

#include <QContextMenuEvent>
#include <QMdiArea>
#include <QMouseEvent>

namespace Orvanta {

CChildFrame::CChildFrame(int placementId, QWidget* parent) : CMDIChildWndEx(placementId, parent) {}

bool CChildFrame::CascadeFrom(const QList<QMdiSubWindow*>& others) {
    QRect rect = geometry();
    bool moved = false;
    bool covered = true;
    while (covered) {
        covered = false;
        for (const QMdiSubWindow* other : others) {
            if (other != this && other != nullptr && other->isVisible() && other->pos() == rect.topLeft()) {
                rect.translate(kCascadeStep, kCascadeStep);
                moved = true;
                covered = true;
                break;
            }
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
