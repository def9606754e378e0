#pragma once

#include "views/CParameterTableModel.h"

namespace Orvanta {

// The rows of a wave list: number, name and waveform. Native waves (".w00") are marked "* ", every
// other used slot gets two blanks so that the names line up; a wave used by a patch shows the arrow.
// The tooltip of a used slot gives the details of its sound file (CWaveformCache).
class CWaveTableModel : public CParameterTableModel {
    Q_OBJECT

public:
    explicit CWaveTableModel(QObject* parent = nullptr);
    ~CWaveTableModel() override;

    // The wave list's columns: "Number", "WaveName" and "Waveform".
    [[nodiscard]] static std::span<const ColumnSpec> ColumnTable();

    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    [[nodiscard]] int Kind() const override;
    [[nodiscard]] QString MarkPrefix(const CParameter& element) const override;

protected:
    [[nodiscard]] bool IsUsed(const CParameter& element) const override;
};

} // namespace Orvanta
