#pragma once

#include "views/CParameterListCtrl.h"

namespace Orvanta {

// The patch list of a project window (left, captioned "Patch").
class CPatchListCtrl : public CParameterListCtrl {
    Q_OBJECT

public:
    static constexpr const char* kProfileSection = "PatchListCtrl";
    static constexpr const char* kProfileValue = "ColumnWidth";

    explicit CPatchListCtrl(QWidget* parent = nullptr);
    // Stores the column widths.
    ~CPatchListCtrl() override;

    [[nodiscard]] int GetListKind() const override;
    [[nodiscard]] CParameterArray& GetClipboardArray() const override;
    [[nodiscard]] std::span<const ColumnSpec> GetColumnTable() const override;
    [[nodiscard]] std::pair<QString, QString> GetProfileNames() const override;
};

} // namespace Orvanta
