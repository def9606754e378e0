#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QStyledItemDelegate>

namespace Orvanta {

// Draws the cells of a patch or wave list: colours by state (grey empty slots, silver selection
// when the list lacks the focus), the number cells of unused rows slightly darkened, texts that do
// not fit cut with "..." and drawn left-aligned.
class CParameterItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr QRgb kGrey = 0x808080;
    static constexpr QRgb kSilver = 0xC0C0C0;
    static constexpr int kDarkening = 4; // per colour channel

    // What one cell's look depends on.
    struct CellInput {
        bool listEnabled = true;
        bool listHasFocus = false;
        bool rowSelected = false;
        bool inArray = true;       // the row lies below the array's size
        bool elementEmpty = false; // the slot is empty
        bool numberColumn = false;
        bool beyondUsed = false; // the row is at or beyond the last used slot + 1
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        QString text;
        int columnWidth = 0;
        QColor listText{Qt::black};
        QColor window{Qt::white};
        QColor highlight{Qt::darkBlue};
        QColor highlightText{Qt::white};
    };
    // How the cell is drawn.
    struct CellLook {
        bool draw = false; // rows beyond the array are not drawn
        QColor text;
        QColor background;
        QString shownText;
        Qt::Alignment alignment;
        bool cut = false;
    };

    // The drawing decisions for one cell; `metrics` measures the texts.
    [[nodiscard]] static CellLook DecideCellLook(const CellInput& input, const QFontMetrics& metrics);
    // `text` cut from the end until it fits `width` with "..." and a margin on both sides.
    [[nodiscard]] static QString CutToWidth(const QString& text, int width, const QFontMetrics& metrics);
    // Each channel lowered by kDarkening, not below 0.
    [[nodiscard]] static QColor Darkened(const QColor& colour);

    // The text itself is drawn by the list (CParameterListCtrl::DrawCellText).
    explicit CParameterItemDelegate(QObject* parent = nullptr);
    ~CParameterItemDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace Orvanta
