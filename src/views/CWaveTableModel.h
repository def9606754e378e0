#pragma once

#include "views/CParameterTableModel.h"

namespace Orvanta {

// The rows of a wave list: number and name. Native waves (".w00") are marked "* ", every other
// used slot gets two blanks so that the names line up; a wave used by a patch shows the arrow.
class CWaveTableModel : public CParameterTableModel {
    Q_OBJECT

public:
    explicit CWaveTableModel(QObject* parent = nullptr);
    ~CWaveTableModel() override;

    // The wave list's columns: "Number" and "WaveName".
    [[nodiscard]] static std::span<const ColumnSpec> ColumnTable();

    [[nodiscard]] int Kind() const override;
    [[nodiscard]] QString MarkPrefix(const CParameter& element) const override;

protected:
    [[nodiscard]] bool IsUsed(const CParameter& element) const override;
};

} // namespace Orvanta
