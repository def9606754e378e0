#include "winframework/CFormViewEx.h"

#include <QEvent>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

namespace Orvanta {

namespace {

// Edges in the form's convention: right and bottom lie one past the last pixel.
struct Edges {
    int left, top, right, bottom;
};

Edges EdgesOf(const QRect& rect) {
    return {rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

} // namespace

CFormViewEx::CFormViewEx(int templateId, QWidget* parent) : QAbstractScrollArea(parent), m_templateId(templateId) {
    setFrameShape(QFrame::NoFrame);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The vertical scroll position takes no part in the anchoring; the form is laid out for the
    // height it gets.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

CFormViewEx::~CFormViewEx() = default;

QSize CFormViewEx::FormSize() const {
    if (!m_template.IsLoaded()) {
        return {};
    }
    return m_template.DialogRectPixels(font()).size();
}

void CFormViewEx::OnInitialUpdate() {
    if (!m_template.IsLoaded()) {
        m_template.Load(m_templateId);
    }
    UpdateScrollRange();
    LayoutControls(viewport()->width(), viewport()->height());
    m_initialised = true;
}

void CFormViewEx::LayoutControls(int /*width*/, int /*height*/) {}

QRect CFormViewEx::AnchoredGeometry(const QRect& templateRect, const QRect& itemRect, const QRect& client, int scrollX,
                                    int flags) {
    const Edges t = EdgesOf(templateRect);
    const Edges i = EdgesOf(itemRect);
    const Edges v = EdgesOf(client);
    const int w = v.right - v.left;
    const int tw = t.right - t.left;
    const int h = v.bottom - v.top;
    const int th = t.bottom - t.top;
    // Proportional edges: the product first, then the truncating division.
    const auto scale = [](int size, int edge, int templateSize) {
        return templateSize == 0 ? edge : static_cast<int>(static_cast<long long>(size) * edge / templateSize);
    };

    int left = i.left + v.left - t.left - scrollX;
    int right = i.right + v.left - t.left - scrollX;
    switch (flags & (kAnchorLeft | kAnchorRight | kProportionalX)) {
    case kAnchorRight:
        left = i.left + v.right - t.right;
        right = i.right + v.right - t.right;
        break;
    case kAnchorLeft | kAnchorRight:
        right = i.right + v.right - t.right - scrollX;
        break;
    case kProportionalX | kAnchorLeft:
        left = i.left + v.left - t.left;
        right = scale(w, i.right, tw);
        break;
    case kProportionalX | kAnchorRight:
        left = scale(w, i.left, tw);
        right = i.right + v.right - t.right;
        break;
    case kProportionalX | kAnchorLeft | kAnchorRight:
        left = scale(w, i.left, tw);
        right = scale(w, i.right, tw);
        break;
    default: // kept: no flag, the left anchor alone or the proportional flag alone
        break;
    }

    int top = i.top + v.top - t.top;
    int bottom = i.bottom + v.top - t.top;
    switch (flags & (kAnchorTop | kAnchorBottom | kProportionalY)) {
    case kAnchorBottom:
        top = i.top + v.bottom - t.bottom;
        bottom = i.bottom + v.bottom - t.bottom;
        break;
    case kAnchorTop | kAnchorBottom:
        bottom = i.bottom + v.bottom - t.bottom;
        break;
    case kProportionalY | kAnchorTop:
        bottom = scale(h, i.bottom, th);
        break;
    case kProportionalY | kAnchorBottom:
        top = scale(h, i.top, th);
        bottom = i.bottom + v.bottom - t.bottom;
        break;
    case kProportionalY | kAnchorTop | kAnchorBottom:
        top = scale(h, i.top, th);
        bottom = scale(h, i.bottom, th);
        break;
    default:
        break;
    }
    return {left, top, right - left, bottom - top};
}

void CFormViewEx::AnchorControl(QWidget* control, int controlId, int flags) {
    if (control == nullptr || !m_template.IsLoaded()) {
        return;
    }
    const std::optional<QRect> item = m_template.ItemRectPixels(controlId, font());
    if (!item) {
        return;
    }
    const auto known = std::find_if(m_anchored.begin(), m_anchored.end(),
                                    [control](const Anchored& entry) { return entry.control == control; });
    if (known == m_anchored.end()) {
        m_anchored.push_back({control, controlId, flags});
    } else {
        *known = {control, controlId, flags};
    }
    const QRect templateRect = m_template.DialogRectPixels(font());
    const int scrollX = horizontalScrollBar()->isVisible() ? horizontalScrollBar()->value() : 0;
    const QRect geometry = AnchoredGeometry(templateRect, *item, LayoutRect(), scrollX, flags);
    // A stretched control never gets a negative size, however small the view.
    control->setGeometry(geometry.x(), geometry.y(), std::max(0, geometry.width()), std::max(0, geometry.height()));
}

QSize CFormViewEx::sizeHint() const {
    QSize form = FormSize();
    if (form.isEmpty()) {
        return QAbstractScrollArea::sizeHint();
    }
    const QSize templateSize = m_template.DialogRectPixels(font()).size();
    for (const Anchored& entry : m_anchored) {
        const std::optional<QRect> item = m_template.ItemRectPixels(entry.controlId, font());
        if (entry.control == nullptr || !item) {
            continue;
        }
        const QSize hint = entry.control->sizeHint();
        if ((entry.flags & (kAnchorLeft | kAnchorRight | kProportionalX)) == (kAnchorLeft | kAnchorRight) &&
            hint.width() > 0) {
            form.setWidth(std::max(form.width(), templateSize.width() + hint.width() - item->width()));
        }
        if ((entry.flags & (kAnchorTop | kAnchorBottom | kProportionalY)) == (kAnchorTop | kAnchorBottom) &&
            hint.height() > 0) {
            form.setHeight(std::max(form.height(), templateSize.height() + hint.height() - item->height()));
        }
    }
    return form + QSize(2 * frameWidth(), 2 * frameWidth());
}

QRect CFormViewEx::LayoutRect() const {
    QRect client = viewport()->rect();
    const QSize form = FormSize();
    if (form.width() > client.width()) {
        client.setWidth(form.width());
    }
    if (form.height() > client.height()) {
        client.setHeight(form.height());
    }
    return client;
}

void CFormViewEx::UpdateScrollRange() {
    const QSize form = FormSize();
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, std::max(0, form.width() - viewport()->width()));
    bar->setPageStep(viewport()->width());
    bar->setSingleStep(std::max(1, viewport()->width() / 20));
}

void CFormViewEx::RunLayout() {
    if (m_initialised) {
        LayoutControls(viewport()->width(), viewport()->height());
    }
}

// Qt hands the viewport's resize events (the view's, and a scroll bar appearing or going) here.
void CFormViewEx::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    RunLayout();
}

void CFormViewEx::scrollContentsBy(int /*dx*/, int /*dy*/) {
    RunLayout();
}

void CFormViewEx::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateScrollRange();
        RunLayout();
    }
}

} // namespace Orvanta
