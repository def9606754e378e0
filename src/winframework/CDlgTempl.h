#pragma once

#include <QFont>
#include <QRect>

#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

class QWidget;

namespace Orvanta {

// Reads one of the program's dialog templates and answers where the dialog and each of its
// controls were designed to be, in dialog units or converted to pixels with a dialog font.
// Rectangles are (x, y, x + cx, y + cy) of the template's entries, as QRects.
class CDlgTempl {
public:
    // One control of the template.
    struct CDlgItemTempl {
        int id = 0;
        QRect rect; // dialog units
    };

    CDlgTempl() = default;

    // Loads template `templateId`; false, leaving the reader empty, when there is none.
    bool Load(int templateId);
    [[nodiscard]] bool IsLoaded() const { return m_templateId != 0; }
    [[nodiscard]] int TemplateId() const { return m_templateId; }

    // The dialog's own rectangle in dialog units (empty when nothing is loaded).
    [[nodiscard]] QRect DialogRect() const { return m_rect; }
    // The rectangle of the control `controlId` in dialog units, if the template has it.
    [[nodiscard]] std::optional<QRect> ItemRect(int controlId) const;
    [[nodiscard]] const std::vector<CDlgItemTempl>& Items() const { return m_items; }

    // The same rectangles in pixels for `dialogFont`.
    [[nodiscard]] QRect DialogRectPixels(const QFont& dialogFont) const;
    [[nodiscard]] std::optional<QRect> ItemRectPixels(int controlId, const QFont& dialogFont) const;

    // Gives `dialog` the template's size and places each control from its template rectangle,
    // both converted with the dialog's font. Controls the template lacks are left alone.
    void PlaceControls(QWidget& dialog, std::initializer_list<std::pair<int, QWidget*>> controls) const;

private:
    int m_templateId = 0;
    QRect m_rect;
    std::vector<CDlgItemTempl> m_items;
};

} // namespace Orvanta
