#include "views/CWaveListCtrl.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "resources/Bitmaps.h"
#include "views/CParameterTableModel.h"
#include "views/CWaveTableModel.h"

#include <QPainter>

namespace Orvanta {

CWaveListCtrl::CWaveListCtrl(QWidget* parent) : CParameterListCtrl(new CWaveTableModel, parent) {
    setObjectName(QStringLiteral("WaveList"));
    m_arrow.LoadResource(kIdbArrow);
}

CWaveListCtrl::~CWaveListCtrl() {
    SaveColumnWidths();
}

int CWaveListCtrl::GetListKind() const {
    return kWaveList;
}

CParameterArray& CWaveListCtrl::GetClipboardArray() const {
    return CDomain::Instance().m_transferWaves;
}

std::span<const ColumnSpec> CWaveListCtrl::GetColumnTable() const {
    return CWaveTableModel::ColumnTable();
}

std::pair<QString, QString> CWaveListCtrl::GetProfileNames() const {
    return {QString::fromLatin1(kProfileSection), QString::fromLatin1(kProfileValue)};
}

void CWaveListCtrl::DrawCellText(QPainter& painter, const QRect& rect, int row, int column, const QString& text,
                                 Qt::Alignment alignment) const {
    if (!IsNumberColumn(column)) {
        CParameterListCtrl::DrawCellText(painter, rect, row, column, text, alignment);
        return;
    }
    const QSize bitmap = m_arrow.GetSize();
    const int half = bitmap.width() / 2;
    CParameterListCtrl::DrawCellText(painter, rect.adjusted(NumberTextIndent(), 0, 0, 0), row, column, text, alignment);
    if (Model().index(row, column).data(CParameterTableModel::kUsedRole).toBool()) {
        const QPoint at(rect.left(), rect.top() + (rect.height() - bitmap.height()) / 2);
        m_arrow.Draw(painter, at, QSize(half, bitmap.height()), QPoint(0, 0), QPoint(half, 0));
    }
}

int CWaveListCtrl::NumberTextIndent() const {
    return m_arrow.GetSize().width() / 2 + 2;
}

int CWaveListCtrl::MarkPrefixLength(int row) const {
    const CParameterArray* array = GetParameterArray();
    const bool marked = array != nullptr && row >= 0 && static_cast<std::size_t>(row) < array->size() &&
                        !array->Element(static_cast<std::size_t>(row)).IsEmpty();
    return marked ? 2 : 0;
}

} // namespace Orvanta
