#pragma once

#include "views/CParameterTableModel.h"

namespace Orvanta {

// The rows of a patch list: number and name; no mark except "* " for a native wave file.
class CPatchTableModel : public CParameterTableModel {
    Q_OBJECT

public:
    explicit CPatchTableModel(QObject* parent = nullptr);
    ~CPatchTableModel() override;

    // The patch list's columns: "Number" and "PatchName".
    [[nodiscard]] static std::span<const ColumnSpec> ColumnTable();

    [[nodiscard]] int Kind() const override;
    [[nodiscard]] QString MarkPrefix(const CParameter& element) const override;
};

} // namespace Orvanta
