#pragma once

#include "views/ColumnSpec.h"

#include <QAbstractTableModel>
#include <QString>

#include <span>

namespace Orvanta {

class CParameter;
class CParameterArray;

// The rows of a patch or wave list: row i shows element i of the bound parameter array, empty
// slots included. The row count is taken when the model is filled (Refill), so rows that outlive a
// shrinking array read as nothing until the next fill.
class CParameterTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Role : int {
        kEmptyRole = Qt::UserRole + 1, // bool: the element's slot is empty
        kInArrayRole,                  // bool: the row is below the array's size
        kUsedRole,                     // bool: a wave used by at least one patch
        kNativeWaveRole,               // bool: the element carries the ".w00" mark
    };

    CParameterTableModel(std::span<const ColumnSpec> columns, QObject* parent = nullptr);
    ~CParameterTableModel() override;

    // 0 patches, 1 waves.
    [[nodiscard]] virtual int Kind() const = 0;
    // The mark shown in front of the element's name.
    [[nodiscard]] virtual QString MarkPrefix(const CParameter& element) const = 0;

    // Binds the model to `array` (not owned; may be null) and fills it.
    void SetArray(const CParameterArray* array);
    // Takes the rows anew from the array: one row per element.
    void Refill();

    [[nodiscard]] std::span<const ColumnSpec> Columns() const { return m_columns; }
    // The text of a cell: the number from 1 in a number column, mark and name in a name column;
    // empty in a waveform column and for rows beyond the array.
    [[nodiscard]] QString CellText(int row, int column) const;
    // The element of `row`, or null when the row lies beyond the array.
    [[nodiscard]] const CParameter* Element(int row) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    // Whether the element counts as used by others (the wave list's arrow).
    [[nodiscard]] virtual bool IsUsed(const CParameter& /*element*/) const { return false; }

private:
    std::span<const ColumnSpec> m_columns;
    const CParameterArray* m_array = nullptr;
    int m_rowCount = 0;
};

} // namespace Orvanta
