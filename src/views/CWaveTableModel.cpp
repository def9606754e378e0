#include "views/CWaveTableModel.h"

#include "model/CTernData.h"
#include "model/CWave.h"
#include "views/CWaveformCache.h"
#include "views/ParameterColumns.h"

#include <vector>

namespace Orvanta {

CWaveTableModel::CWaveTableModel(QObject* parent) : CParameterTableModel(ColumnTable(), parent) {}

CWaveTableModel::~CWaveTableModel() = default;

std::span<const ColumnSpec> CWaveTableModel::ColumnTable() {
    // Copied into a process-wide vector on first use.
    static const std::vector<ColumnSpec> table(std::begin(kWaveColumns), std::end(kWaveColumns));
    return table;
}

QVariant CWaveTableModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::ToolTipRole) {
        const auto* wave = dynamic_cast<const CWave*>(Element(index.row()));
        if (wave == nullptr || wave->IsEmpty()) {
            return {};
        }
        return CWaveformCache::Instance().Tooltip(QString::fromStdString(wave->m_path), CWaveformCache::StampOf(*wave));
    }
    return CParameterTableModel::data(index, role);
}

int CWaveTableModel::Kind() const {
    return kWaveList;
}

QString CWaveTableModel::MarkPrefix(const CParameter& element) const {
    if (element.IsNativeWave()) {
        return QStringLiteral("* ");
    }
    return element.IsEmpty() ? QString() : QStringLiteral("  ");
}

bool CWaveTableModel::IsUsed(const CParameter& element) const {
    return !static_cast<const CWave&>(element).m_users.empty();
}

} // namespace Orvanta
