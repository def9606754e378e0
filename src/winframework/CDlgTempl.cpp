#include "winframework/CDlgTempl.h"

#include "resources/DialogTemplates.h"
#include "winframework/DialogUnits.h"

#include <QWidget>

namespace Orvanta {

bool CDlgTempl::Load(int templateId) {
    m_templateId = 0;
    m_rect = QRect();
    m_items.clear();
    const DialogResource* resource = FindDialogResource(templateId);
    if (resource == nullptr) {
        return false;
    }
    m_templateId = templateId;
    m_rect = QRect(resource->x, resource->y, resource->cx, resource->cy);
    m_items.reserve(resource->items.size());
    for (const DialogItemResource& item : resource->items) {
        m_items.push_back({item.id, QRect(item.x, item.y, item.cx, item.cy)});
    }
    return true;
}

std::optional<QRect> CDlgTempl::ItemRect(int controlId) const {
    for (const CDlgItemTempl& item : m_items) {
        if (item.id == controlId) {
            return item.rect;
        }
    }
    return std::nullopt;
}

QRect CDlgTempl::DialogRectPixels(const QFont& dialogFont) const {
    return DialogUnitsToPixels(m_rect, dialogFont);
}

std::optional<QRect> CDlgTempl::ItemRectPixels(int controlId, const QFont& dialogFont) const {
    const std::optional<QRect> rect = ItemRect(controlId);
    if (!rect) {
        return std::nullopt;
    }
    return DialogUnitsToPixels(*rect, dialogFont);
}

void CDlgTempl::PlaceControls(QWidget& dialog, std::initializer_list<std::pair<int, QWidget*>> controls) const {
    const QFont font = dialog.font();
    dialog.setFixedSize(DialogRectPixels(font).size());
    for (const auto& [id, control] : controls) {
        if (const std::optional<QRect> rect = ItemRectPixels(id, font); rect && control != nullptr) {
            control->setGeometry(*rect);
        }
    }
}

} // namespace Orvanta
