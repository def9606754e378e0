#pragma once

#include "winframework/CMDIChildWndEx.h"

#include <QList>

namespace Orvanta {

// The common frame of the project windows: placement shared by all of them (identifier 4107,
// persistent in placement mode 2), a new window moved aside so it never covers another one
// exactly, and a right click on the caption or border opens the window-list pop-up instead of the
// system menu.
class CChildFrame : public CMDIChildWndEx {
    Q_OBJECT

public:
    static constexpr int kCascadeStep = 10;

    explicit CChildFrame(int placementId, QWidget* parent = nullptr);

    // Fits this window into the area, then moves it 10 pixels right and down as long as another of
    // `others` has its top-left corner at exactly the same point; where it would leave the area, it
    // goes on from the area's top-left corner instead (once). True when it was moved.
    bool CascadeFrom(const QList<QMdiSubWindow*>& others);

signals:
    // A right click on the caption or the border: the main window shows the window list there.
    void WindowListRequested(const QPoint& globalPosition);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // True when `position` (in this window's coordinates) lies on the caption or the border.
    [[nodiscard]] bool IsOnFrame(const QPoint& position) const;
};

} // namespace Orvanta
