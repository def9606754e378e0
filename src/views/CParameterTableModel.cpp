#include "views/CParameterTableModel.h"

#include "model/CParameterArray.h"

namespace Orvanta {

CParameterTableModel::CParameterTableModel(std::span<const ColumnSpec> columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns) {}

CParameterTableModel::~CParameterTableModel() = default;

void CParameterTableModel::SetArray(const CParameterArray* array) {
    m_array = array;
    Refill();
}

void CParameterTableModel::Refill() {
    beginResetModel();
    m_rowCount = m_array == nullptr ? 0 : static_cast<int>(m_array->size());
    endResetModel();
}

const CParameter* CParameterTableModel::Element(int row) const {
    if (m_array == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_array->size()) {
        return nullptr;
    }
    return &m_array->Element(static_cast<std::size_t>(row));
}

QString CParameterTableModel::CellText(int row, int column) const {
    const CParameter* element = Element(row);
    if (element == nullptr || column < 0 || static_cast<std::size_t>(column) >= m_columns.size()) {
        return {};
    }
    switch (m_columns[static_cast<std::size_t>(column)].columnKind) {
    case kNumberColumn:
        return QString::number(row + 1);
    case kWaveformColumn:
        return {};
    default:
        break;
    }
    return MarkPrefix(*element) + QString::fromStdString(element->m_name);
}

int CParameterTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int CParameterTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CParameterTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const ColumnSpec& column = m_columns[static_cast<std::size_t>(index.column())];
    const CParameter* element = Element(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return element == nullptr ? QVariant() : QVariant(CellText(index.row(), index.column()));
    case Qt::TextAlignmentRole:
        return static_cast<int>(column.descriptor.QtAlignment());
    case kEmptyRole:
        return element == nullptr || element->IsEmpty();
    case kInArrayRole:
        return element != nullptr;
    case kUsedRole:
        return element != nullptr && IsUsed(*element);
    case kNativeWaveRole:
        return element != nullptr && element->IsNativeWave();
    default:
        return {};
    }
}

QVariant CParameterTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || static_cast<std::size_t>(section) >= m_columns.size()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const ColumnSpec& column = m_columns[static_cast<std::size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromLatin1(column.title);
    case Qt::TextAlignmentRole:
        return static_cast<int>(column.descriptor.QtAlignment());
    default:
        return {};
    }
}

Qt::ItemFlags CParameterTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace Orvanta
