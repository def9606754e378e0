#include "winframework/CMDIChildWndEx.h"

#include "winframework/CSettings.h"
#include "winframework/WindowGeometry.h"

#include <QMdiArea>
#include <QStyle>

#include <limits>

namespace Orvanta {

namespace {

int g_placementMode = 0;

} // namespace

void CMDIChildWndEx::SetPlacementMode(int mode) {
    g_placementMode = mode;
}

int CMDIChildWndEx::PlacementMode() {
    return g_placementMode;
}

CMDIChildWndEx::CMDIChildWndEx(int placementId, QWidget* parent) : QMdiSubWindow(parent), m_placementId(placementId) {}

bool CMDIChildWndEx::IsPlacementPersistent() const {
    return PlacementMode() == kPersistentPlacementMode;
}

bool CMDIChildWndEx::RestorePlacement() {
    if (!IsPlacementPersistent()) {
        return false;
    }
    const auto values = ParseRectText(CSettings::ReadString(SettingId::ChildWindowPosition, m_placementId));
    if (!values) {
        return false;
    }
    const auto [left, top, width, height] = *values;
    constexpr int kUseDefault = std::numeric_limits<int>::min();
    if (left == kUseDefault || top == kUseDefault || width <= 0 || height <= 0) {
        return false; // the default: the area places the window itself
    }
    // Values no screen has are no position (and could not form a rectangle without overflow).
    constexpr int kFarAway = 1 << 20;
    if (left < -kFarAway || left > kFarAway || top < -kFarAway || top > kFarAway || width > kFarAway ||
        height > kFarAway) {
        return false;
    }
    setGeometry(QRect(left, top, width, height));
    FitIntoArea(); // stored at another scale or with a larger main window
    m_restoredGeometry = geometry();
    return true;
}

void CMDIChildWndEx::FitIntoArea() {
    const QMdiArea* area = mdiArea();
    // A hidden area has not been laid out yet: its size says nothing.
    if (area == nullptr || !area->isVisible() || isMinimized() || isMaximized()) {
        return;
    }
    const QRect bounds = area->viewport()->rect();
    if (bounds.isEmpty()) {
        return;
    }
    QRect fitted = FitRectToBounds(geometry(), bounds);
    // Below the minimum size the window keeps its top-left corner inside the area.
    fitted.setSize(fitted.size().expandedTo(minimumSize()));
    if (fitted != geometry()) {
        setGeometry(fitted);
    }
}

void CMDIChildWndEx::SaveCurrentPosition() {
    CSettings::WriteString(SettingId::ChildWindowPosition, FormatRectText(RestoredGeometry()), m_placementId);
}

QRect CMDIChildWndEx::RestoredGeometry() const {
    if (m_restoredGeometry.isValid()) {
        return m_restoredGeometry;
    }
    return geometry();
}

QRect CMDIChildWndEx::MaximizeArea() const {
    QMdiArea* area = mdiArea();
    if (area == nullptr) {
        return {};
    }
    QRect client = area->viewport()->rect();
    const int minimisedHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) +
                                2 * style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    client.setBottom(client.bottom() - minimisedHeight);
    return client;
}

void CMDIChildWndEx::MaximizeHeight() {
    if (!CanMaximizeHeightOrWidth() || mdiArea() == nullptr) {
        return;
    }
    const QRect area = MaximizeArea();
    QRect rect = geometry();
    rect.setTop(area.top());
    rect.setBottom(area.bottom());
    setGeometry(rect);
    update();
}

void CMDIChildWndEx::MaximizeWidth() {
    if (!CanMaximizeHeightOrWidth() || mdiArea() == nullptr) {
        return;
    }
    const QRect area = mdiArea()->viewport()->rect();
    QRect rect = geometry();
    rect.setLeft(area.left());
    rect.setRight(area.right());
    setGeometry(rect);
    update();
}

bool CMDIChildWndEx::CanMaximizeHeightOrWidth() const {
    return !isMinimized() && !isMaximized();
}

void CMDIChildWndEx::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    RememberRestoredGeometry();
}

void CMDIChildWndEx::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    RememberRestoredGeometry();
}

void CMDIChildWndEx::RememberRestoredGeometry() {
    if (!isMinimized() && !isMaximized() && !isShaded()) {
        m_restoredGeometry = geometry();
    }
}

} // namespace Orvanta
