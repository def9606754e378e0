#include "views/CPatchListCtrl.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "views/CPatchTableModel.h"

namespace Orvanta {

CPatchListCtrl::CPatchListCtrl(QWidget* parent) : CParameterListCtrl(new CPatchTableModel, parent) {
    setObjectName(QStringLiteral("PatchList"));
}

CPatchListCtrl::~CPatchListCtrl() {
    SaveColumnWidths();
}

int CPatchListCtrl::GetListKind() const {
    return kPatchList;
}

CParameterArray& CPatchListCtrl::GetClipboardArray() const {
    return CDomain::Instance().m_transferPatches;
}

std::span<const ColumnSpec> CPatchListCtrl::GetColumnTable() const {
    return CPatchTableModel::ColumnTable();
}

std::pair<QString, QString> CPatchListCtrl::GetProfileNames() const {
    return {QString::fromLatin1(kProfileSection), QString::fromLatin1(kProfileValue)};
}

} // namespace Orvanta
