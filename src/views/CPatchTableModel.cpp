#include "views/CPatchTableModel.h"

#include "model/CParameter.h"
#include "model/CTernData.h"
#include "views/ParameterColumns.h"

#include <vector>

namespace Orvanta {

CPatchTableModel::CPatchTableModel(QObject* parent) : CParameterTableModel(ColumnTable(), parent) {}

CPatchTableModel::~CPatchTableModel() = default;

std::span<const ColumnSpec> CPatchTableModel::ColumnTable() {
    // Copied into a process-wide vector on first use.
    static const std::vector<ColumnSpec> table(std::begin(kPatchColumns), std::end(kPatchColumns));
    return table;
}

int CPatchTableModel::Kind() const {
    return kPatchList;
}

QString CPatchTableModel::MarkPrefix(const CParameter& element) const {
    return element.IsNativeWave() ? QStringLiteral("* ") : QString();
}

} // namespace Orvanta
