#include "views/CParameterItemDelegate.h"

#include "views/CParameterListCtrl.h"
#include "views/CParameterTableModel.h"

#include <QPainter>

#include <algorithm>

namespace Orvanta {

namespace {

const QString kEllipsis = QStringLiteral("...");
const QString kMargin = QStringLiteral(" ");

} // namespace

CParameterItemDelegate::CParameterItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

CParameterItemDelegate::~CParameterItemDelegate() = default;

QColor CParameterItemDelegate::Darkened(const QColor& colour) {
    return QColor(std::max(0, colour.red() - kDarkening), std::max(0, colour.green() - kDarkening),
                  std::max(0, colour.blue() - kDarkening));
}

QString CParameterItemDelegate::CutToWidth(const QString& text, int width, const QFontMetrics& metrics) {
    const int margins = 2 * metrics.horizontalAdvance(kMargin);
    if (metrics.horizontalAdvance(text) + margins <= width) {
        return text;
    }
    const int ellipsis = metrics.horizontalAdvance(kEllipsis);
    QString cut = text;
    while (!cut.isEmpty() && metrics.horizontalAdvance(cut) + ellipsis + margins >= width) {
        cut.chop(1);
    }
    return cut + kEllipsis;
}

CParameterItemDelegate::CellLook CParameterItemDelegate::DecideCellLook(const CellInput& input,
                                                                        const QFontMetrics& metrics) {
    CellLook look;
    if (!input.inArray) {
        return look;
    }
    look.draw = true;
    const QColor grey = QColor::fromRgb(kGrey);
    const QColor silver = QColor::fromRgb(kSilver);

    QColor normal = input.listEnabled ? input.listText : grey;
    if (normal == input.window) {
        normal = silver;
    }
    if (input.elementEmpty) {
        normal = grey;
    }
    if (input.rowSelected && input.listEnabled) {
        if (input.listHasFocus) {
            look.text = input.elementEmpty ? grey : input.highlightText;
            look.background = input.highlight;
        } else {
            look.text = normal == silver ? QColor(Qt::black) : normal;
            look.background = silver;
        }
    } else {
        look.text = normal;
        look.background = input.window;
    }
    if (input.numberColumn && input.beyondUsed) {
        look.background = Darkened(look.background);
    }

    look.shownText = CutToWidth(input.text, input.columnWidth, metrics);
    look.cut = look.shownText != input.text;
    look.alignment = look.cut ? (Qt::AlignLeft | Qt::AlignVCenter) : input.alignment;
    return look;
}

void CParameterItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const auto* list = qobject_cast<const CParameterListCtrl*>(option.widget);
    if (list == nullptr) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QPalette& palette = list->palette();
    CellInput input;
    input.listEnabled = list->isEnabled();
    input.listHasFocus = list->hasFocus();
    input.rowSelected = (option.state & QStyle::State_Selected) != 0;
    input.inArray = index.data(CParameterTableModel::kInArrayRole).toBool();
    input.elementEmpty = index.data(CParameterTableModel::kEmptyRole).toBool();
    input.numberColumn = list->IsNumberColumn(index.column());
    input.beyondUsed = index.row() >= list->UsedCount();
    input.alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    input.text = index.data(Qt::DisplayRole).toString();
    input.columnWidth = list->columnWidth(index.column());
    input.listText = palette.color(QPalette::Active, QPalette::Text);
    input.window = palette.color(QPalette::Active, QPalette::Base);
    input.highlight = palette.color(QPalette::Active, QPalette::Highlight);
    input.highlightText = palette.color(QPalette::Active, QPalette::HighlightedText);

    const QFontMetrics metrics(option.font);
    const CellLook look = DecideCellLook(input, metrics);
    if (!look.draw) {
        return;
    }
    painter->save();
    painter->fillRect(option.rect, look.background);
    const int margin = metrics.horizontalAdvance(kMargin);
    const QRect textRect = option.rect.adjusted(margin, 0, -margin, 0);
    painter->setPen(look.text);
    painter->setFont(option.font);
    list->DrawCellText(*painter, textRect, index.row(), index.column(), look.shownText, look.alignment);
    painter->restore();
}

QSize CParameterItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QFontMetrics metrics(option.font);
    return {metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 2 * metrics.horizontalAdvance(kMargin),
            metrics.height() + 2};
}

} // namespace Orvanta
