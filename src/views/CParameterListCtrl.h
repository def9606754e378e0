#pragma once

#include "operations/TransferOperations.h"
#include "views/CSimpleEditListCtrl.h"
#include "views/ColumnSpec.h"

#include <QList>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <span>
#include <utility>

class QMenu;

namespace Orvanta {

class CListHost;
class COleListDropTarget;
class CParameterArray;
class CParameterItemDelegate;
class CParameterTableModel;

// A list of one parameter array of an open project (512 patches or 999 waves), one row per slot,
// drawn by CParameterItemDelegate. It keeps the selection of the two lists of its window linked
// (patches select the waves they use, waves the patches that use them), remembers its column widths
// in the settings, and renames the selected elements.
class CParameterListCtrl : public CSimpleEditListCtrl {
    Q_OBJECT

public:
    // Takes ownership of `model`.
    CParameterListCtrl(CParameterTableModel* model, QWidget* parent = nullptr);
    ~CParameterListCtrl() override;

    // The window that holds the list (not owned; may be null in tests).
    void SetHost(CListHost* host) { m_host = host; }
    [[nodiscard]] CListHost* Host() const { return m_host; }

    // The array shown; the list is filled by Rebuild or Reinitialise. Binding the array registers
    // the list's drop target.
    void SetParameterArray(CParameterArray* array);
    // Drag and drop: the drop target, registered once the list is bound to its array.
    void RegisterDropTarget();
    [[nodiscard]] COleListDropTarget& DropTarget() const { return *m_dropTarget; }
    [[nodiscard]] CParameterArray* GetParameterArray() const { return m_array; }
    [[nodiscard]] CParameterArray* GetItems() const override { return GetParameterArray(); }
    // The transfer buffer's array of this kind.
    [[nodiscard]] virtual CParameterArray& GetClipboardArray() const = 0;
    [[nodiscard]] virtual std::span<const ColumnSpec> GetColumnTable() const = 0;
    // Settings section and value of the column widths.
    [[nodiscard]] virtual std::pair<QString, QString> GetProfileNames() const = 0;
    [[nodiscard]] CParameterTableModel& Model() const { return *m_model; }

    // Renames the element of `row` (name column only) and marks the document modified.
    void SetCellText(int row, int column, const QString& text) override;
    // Draws a cell's text; the wave list adds its usage arrow in the number column.
    virtual void DrawCellText(QPainter& painter, const QRect& rect, int row, int column, const QString& text,
                              Qt::Alignment alignment) const;

    // One column per entry of the column table, then the stored widths.
    void BuildColumns();
    // One row per array element.
    void FillItems();
    // Selects rows 0 to UsedCount() - 1, then the linked items of the other list.
    void SelectUsedRange();
    void DeselectAll();
    [[nodiscard]] int GetFirstSelected() const;
    [[nodiscard]] int GetLastSelected() const;
    // The selected slots below the array's size, ascending.
    [[nodiscard]] CSelection GetSelectedIndices() const;
    // Selects exactly `rows` (others deselected).
    void SelectRows(const CSelection& rows);
    // Go to Slot, Find and Find Next: `row` becomes the only selected row, the current one and the
    // anchor that Shift with the arrow keys extends the selection from, and is scrolled into view.
    void JumpToRow(int row);

    // Refills the rows from the array, keeping top row, focus and current column. With
    // `keepSelection`: `selectCount` > 0 selects that many slots from the first selected one (when
    // they fit), 0 keeps the selected slots.
    void Rebuild(bool keepSelection, int selectCount);
    // Rebuilds rows and columns with or without grid lines (CDomain's grid switch), keeping top
    // row, focus and current column.
    void Reinitialise();
    void SaveColumnWidths() const;
    // The stored widths; with nothing stored, DefaultColumnWidths.
    void RestoreColumnWidths();
    // Width of the waveform column's picture, in wide characters of the list's font.
    static constexpr int kWaveformWidthInCharacters = 8;
    // Widths that show every column whole in the list's font: the number column fits "999", the
    // name column a mark and twelve wide characters, the waveform column kWaveformWidthInCharacters
    // wide characters, each with its margins, and none is narrower than its header title.
    [[nodiscard]] QList<int> DefaultColumnWidths() const;
    // Wide enough for every column whole beside the vertical scroll bar.
    [[nodiscard]] QSize sizeHint() const override;
    // How far the number text is moved right in its cell (room for the wave list's arrow).
    [[nodiscard]] virtual int NumberTextIndent() const { return 0; }

    // Selects in the other list what this list's selection is linked to.
    void SelectLinkedItems();
    // The slots of the other list that this list's selection is linked to, ascending.
    [[nodiscard]] CSelection LinkedRows() const;

    // The context menu on the selection: Play (wave list), Edit Name, Delete, Cut, Copy, Paste,
    // Paste Insert, Select Linked and Import Wave (wave list). Play, Delete, the clipboard commands
    // and Import Wave are the window's own commands (left out when the host has none); Edit Name and
    // Select Linked act on this list.
    [[nodiscard]] std::unique_ptr<QMenu> MakeContextMenu();
    // Shows a context menu at a global position; tests replace QMenu::exec. An empty runner
    // restores it.
    using ContextMenuRunner = std::function<void(QMenu& menu, const QPoint& globalPosition)>;
    static void SetContextMenuRunner(ContextMenuRunner runner);
    // Edit Name from the context menu: the "Edit Name" dialog for the name column of the selected
    // rows; enabled when a used slot is selected.
    void OnEditName();
    [[nodiscard]] bool CanEditName() const;
    // Select Linked: selects in the other list what the selection is linked to and gives that list
    // the focus, so that the next command acts on it; enabled when something is linked.
    void OnSelectLinked();

    // 1 + the last used slot, 0 when every slot is empty; refreshed by Rebuild and Reinitialise.
    [[nodiscard]] int UsedCount() const { return m_usedCount; }
    // The ColumnKind of `column`, -1 for no column.
    [[nodiscard]] int ColumnKindOf(int column) const;
    [[nodiscard]] bool IsNumberColumn(int column) const;
    [[nodiscard]] bool IsNameColumn(int column) const;
    [[nodiscard]] bool IsWaveformColumn(int column) const;
    // Whether double-clicking `row` may start renaming: a used, non-native element, alone in the
    // selection (if anything is selected).
    [[nodiscard]] bool CanEditRowInPlace(int row) const;

protected:
    [[nodiscard]] QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                                       const QEvent* event = nullptr) const override;
    void ApplyValues(int column, const QList<int>& rows, const RowValues& values) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Pressing on a row and moving further than the start distance drags the selection.
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Links the other list again when this list's selection is no longer `before`.
    void LinkIfChanged(const QList<int>& before);
    void UpdateRowHeight();
    void MarkModified();

    CParameterTableModel* m_model;
    CParameterItemDelegate* m_delegate;
    CParameterArray* m_array = nullptr;
    CListHost* m_host = nullptr;
    int m_usedCount = 0;
    bool m_pressed = false;
    bool m_rebuilding = false;
    // While JumpToRow makes its row current: the row is selected alone, whatever keys are held.
    bool m_jumping = false;
    std::unique_ptr<COleListDropTarget> m_dropTarget;
    // The row a left-button press began on (-1: none, or the drag already ran) and where.
    int m_dragRow = -1;
    QPoint m_pressPoint;
};

} // namespace Orvanta
