#pragma once

#include "views/SELVColumn.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QTableView>

#include <map>
#include <optional>
#include <vector>

namespace Orvanta {

class CParameterArray;

// The report-style list that the patch and wave lists derive from: rows of a table model shown
// with full-row selection, a descriptor per column, a current column that the keyboard moves
// between editable columns, single-letter navigation keys, a hit test that yields a visible cell,
// and changing one column of all selected rows at once (validate every value, then apply every
// value) with label-edit notifications before and after. The text itself comes from the
// "Edit Name" dialog.
class CSimpleEditListCtrl : public QTableView {
    Q_OBJECT

public:
    struct CellHit {
        int row = -1;
        int column = -1;
        QRect rect; // viewport coordinates
    };
    // New values of one column, by row.
    using RowValues = std::map<int, QString>;

    explicit CSimpleEditListCtrl(QWidget* parent = nullptr);
    ~CSimpleEditListCtrl() override;

    // 0 patches, 1 waves.
    [[nodiscard]] virtual int GetListKind() const = 0;
    // The array whose elements the rows show.
    [[nodiscard]] virtual CParameterArray* GetItems() const = 0;
    // Gives the element of `row` the value `text` in `column`.
    virtual void SetCellText(int row, int column, const QString& text) = 0;
    // Text and free-value columns accept anything; a number column a number within its range;
    // any other kind refuses.
    [[nodiscard]] virtual bool ValidateCellText(int row, int column, const QString& value) const;

    // Column descriptors. InsertColumn stores a copy at `index` and shifts the current column up when
    // it is at or after `index`; DeleteColumn clears the current column when it was that column and
    // shifts it down when it was after it. The model supplies the columns themselves.
    bool InsertColumn(int index, const SELVColumn& descriptor);
    bool DeleteColumn(int index);
    [[nodiscard]] int DescriptorCount() const { return static_cast<int>(m_columns.size()); }
    [[nodiscard]] const SELVColumn* Descriptor(int index) const;

    // The current column, -1 when none.
    [[nodiscard]] int CurrentColumn() const { return m_currentColumn; }
    // Clamps `index` to the columns, makes it current and scrolls horizontally so that the whole
    // column is visible. Nothing happens without columns.
    void SetCurrentColumn(int index);
    // Makes the nearest editable column in `direction` (-1 left, +1 right) current; stops at the
    // first and the last column.
    void MoveCurrentColumn(int direction);

    // Where the focus is drawn (viewport coordinates): the current column's cell of the focused row,
    // or the whole focused row when no column is current. Empty when no row has the focus.
    [[nodiscard]] QRect FocusRect() const;

    // The visible cell under `point` (viewport coordinates), if any.
    [[nodiscard]] std::optional<CellHit> CellHitTest(const QPoint& point) const;
    // The first row shown, and how many whole rows the viewport shows.
    [[nodiscard]] int TopRow() const;
    [[nodiscard]] int RowsPerPage() const;
    [[nodiscard]] bool IsRowVisible(int row) const;
    // Scrolls so that `row` is the first row shown.
    void ScrollRowToTop(int row);

    // Selected rows, ascending.
    [[nodiscard]] QList<int> SelectedRows() const;
    [[nodiscard]] bool IsRowSelected(int row) const;
    // Selects or deselects one row, or every row when `row` is -1.
    void SetRowSelected(int row, bool on);
    // The focused row (the view's current row), -1 when none.
    [[nodiscard]] int FocusedRow() const;
    // Gives `row` the focus without scrolling the list.
    void SetFocusedRow(int row);

    // Validates the value of every selected row, then applies them in ascending row order. At the
    // first refusal nothing has changed and the result is false.
    bool ApplyToSelection(int column, const RowValues& values);

    // Ctrl+R: opens "Edit Name" for the current column when it is an editable text column and a
    // row is selected.
    void EditCurrentColumn();
    // Edit start at a point: focus, make the clicked column current, and open "Edit Name" for it
    // when it is an editable text column and the clicked row is selected.
    void EditStartAt(const QPoint& point);
    // "Edit Name" for `column`: the first selected row's text, without the mark prefix, is offered;
    // on OK every selected row gets the entered text.
    void OpenEditDialog(int column);

    // Scrolls rows into view; the horizontal position stays, since whole rows are selected.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    // Label-edit notifications to the parent, one per selected row, with the current column.
    void LabelEditBegin(int row, int column, const QString& text);
    // `committed` false: the edit was cancelled and `text` is empty.
    void LabelEditEnd(int row, int column, const QString& text, bool committed);

protected:
    // Applies validated values; the default calls SetCellText row by row.
    virtual void ApplyValues(int column, const QList<int>& rows, const RowValues& values);
    // Characters of the mark in front of the name displayed in `row`, dropped before editing.
    [[nodiscard]] virtual int MarkPrefixLength(int /*row*/) const { return 0; }
    // The displayed text of a cell.
    [[nodiscard]] QString CellText(int row, int column) const;

    void keyPressEvent(QKeyEvent* event) override;
    // Home and End go to the first and the last row (in a table they would go to the first and last
    // column of the row; the columns have Left and Right).
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    // A left press on a cell makes its column current, so that the keys act on the clicked column.
    void mousePressEvent(QMouseEvent* event) override;
    // Repaints the whole old and new focused rows, where the focus rectangle is drawn.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool event(QEvent* event) override;

private:
    // Handles the list's own keys; false for the others.
    bool HandleListKey(QKeyEvent* event);

    std::vector<SELVColumn> m_columns;
    int m_currentColumn = -1;
};

} // namespace Orvanta
