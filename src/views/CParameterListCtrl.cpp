#include "views/CParameterListCtrl.h"
#include "views/CWaveFileDrop.h"

#include "model/CDomain.h"
#include "model/CParameterArray.h"
#include "model/CTernData.h"
#include "operations/EditCommands.h"
#include "views/CListDragSource.h"
#include "views/CListHost.h"
#include "views/COleListDropTarget.h"
#include "views/CParameterItemDelegate.h"
#include "views/CParameterTableModel.h"
#include "views/DropFeedback.h"
#include "winframework/CSettings.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>
#include <vector>

namespace Orvanta {

namespace {

// Consecutive rows merged into ranges spanning all columns.
QItemSelection SelectionOfRows(const QAbstractItemModel& model, const CSelection& rows) {
    QItemSelection selection;
    const int lastColumn = model.columnCount() - 1;
    const int rowCount = model.rowCount();
    std::size_t i = 0;
    while (i < rows.size()) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) {
            ++j;
        }
        const int first = static_cast<int>(rows[i]);
        const int last = std::min(static_cast<int>(rows[j]), rowCount - 1);
        if (first < rowCount && lastColumn >= 0) {
            selection.select(model.index(first, 0), model.index(last, lastColumn));
        }
        i = j + 1;
    }
    return selection;
}

// Set while one list links the other, so that the other's change does not link back.
bool& LinkingUnderWay() {
    static bool linking = false;
    return linking;
}

CParameterListCtrl::ContextMenuRunner& MenuRunner() {
    static CParameterListCtrl::ContextMenuRunner runner;
    return runner;
}

} // namespace

CParameterListCtrl::CParameterListCtrl(CParameterTableModel* model, QWidget* parent)
    : CSimpleEditListCtrl(parent), m_model(model), m_delegate(new CParameterItemDelegate(this)),
      m_dropTarget(std::make_unique<COleListDropTarget>(*this)) {
    m_model->setParent(this);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setShowGrid(CDomain::Instance().m_gridOn != 0);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    UpdateRowHeight();
    // Every change of the selection (mouse, keys, Find, Go to Slot, import, a drop) links the other
    // list; only a rebuild, which restores what was selected, leaves it alone.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_host != nullptr && !m_rebuilding && !LinkingUnderWay()) {
            SelectLinkedItems();
        }
        if (m_host != nullptr) {
            m_host->OnListSelectionChanged(*this);
        }
    });
}

CParameterListCtrl::~CParameterListCtrl() = default;

void CParameterListCtrl::SetParameterArray(CParameterArray* array) {
    m_array = array;
    m_model->SetArray(array);
    if (array != nullptr) {
        RegisterDropTarget();
    }
}

void CParameterListCtrl::RegisterDropTarget() {
    m_dropTarget->Register();
}

int CParameterListCtrl::ColumnKindOf(int column) const {
    const std::span<const ColumnSpec> table = m_model->Columns();
    return column >= 0 && static_cast<std::size_t>(column) < table.size()
               ? table[static_cast<std::size_t>(column)].columnKind
               : -1;
}

bool CParameterListCtrl::IsNumberColumn(int column) const {
    return ColumnKindOf(column) == kNumberColumn;
}

bool CParameterListCtrl::IsNameColumn(int column) const {
    return ColumnKindOf(column) == kNameColumn;
}

bool CParameterListCtrl::IsWaveformColumn(int column) const {
    return ColumnKindOf(column) == kWaveformColumn;
}

void CParameterListCtrl::MarkModified() {
    if (m_host != nullptr) {
        m_host->MarkModified();
    }
}

void CParameterListCtrl::SetCellText(int row, int column, const QString& text) {
    if (m_array == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_array->size()) {
        return;
    }
    if (IsNameColumn(column) && m_host != nullptr) {
        RenameElements(m_host->HostProject(), GetListKind(), {static_cast<std::size_t>(row)}, text.toStdString());
    }
    MarkModified();
}

void CParameterListCtrl::ApplyValues(int column, const QList<int>& rows, const RowValues& values) {
    // One new name for every selected element is one rename: a single Undo restores every name.
    const bool oneName = std::all_of(values.begin(), values.end(),
                                     [&values](const auto& entry) { return entry.second == values.begin()->second; });
    if (!IsNameColumn(column) || m_host == nullptr || m_array == nullptr || values.empty() || !oneName) {
        CSimpleEditListCtrl::ApplyValues(column, rows, values);
        return;
    }
    CSelection indices;
    for (const int row : rows) {
        if (row >= 0 && static_cast<std::size_t>(row) < m_array->size()) {
            indices.push_back(static_cast<std::size_t>(row));
        }
    }
    if (indices.empty()) {
        return;
    }
    RenameElements(m_host->HostProject(), GetListKind(), indices, values.begin()->second.toStdString());
    MarkModified();
}

void CParameterListCtrl::DrawCellText(QPainter& painter, const QRect& rect, int /*row*/, int /*column*/,
                                      const QString& text, Qt::Alignment alignment) const {
    painter.drawText(rect, static_cast<int>(alignment | Qt::TextSingleLine), text);
}

void CParameterListCtrl::BuildColumns() {
    const std::span<const ColumnSpec> table = GetColumnTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        InsertColumn(static_cast<int>(i), table[i].descriptor);
    }
    RestoreColumnWidths();
}

void CParameterListCtrl::FillItems() {
    m_model->Refill();
}

void CParameterListCtrl::DeselectAll() {
    if (selectionModel() != nullptr && selectionModel()->hasSelection()) {
        selectionModel()->clearSelection();
    }
}

int CParameterListCtrl::GetFirstSelected() const {
    const QList<int> rows = SelectedRows();
    return rows.isEmpty() ? -1 : rows.front();
}

int CParameterListCtrl::GetLastSelected() const {
    const QList<int> rows = SelectedRows();
    return rows.isEmpty() ? -1 : rows.back();
}

CSelection CParameterListCtrl::GetSelectedIndices() const {
    CSelection indices;
    const std::size_t size = m_array == nullptr ? 0 : m_array->size();
    for (const int row : SelectedRows()) {
        if (row >= 0 && static_cast<std::size_t>(row) < size) {
            indices.push_back(static_cast<std::size_t>(row));
        }
    }
    return indices;
}

void CParameterListCtrl::SelectRows(const CSelection& rows) {
    selectionModel()->select(SelectionOfRows(*m_model, rows),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CParameterListCtrl::SelectUsedRange() {
    SelectRows(SlotRange(0, static_cast<std::size_t>(m_usedCount)));
    SelectLinkedItems();
}

void CParameterListCtrl::SelectLinkedItems() {
    CParameterListCtrl* other = m_host == nullptr ? nullptr : m_host->OtherList(*this);
    if (other != nullptr && m_array != nullptr) {
        const QScopedValueRollback linking(LinkingUnderWay(), true);
        other->SelectRows(LinkedRows());
    }
}

CSelection CParameterListCtrl::LinkedRows() const {
    CSelection linked;
    if (m_array == nullptr) {
        return linked;
    }
    if (GetListKind() == kPatchList) {
        const auto& patches = static_cast<const CPatchArray&>(*m_array);
        for (const std::size_t slot : GetSelectedIndices()) {
            for (const int number : patches[slot].UsedWaves()) {
                if (number >= 1 && static_cast<std::size_t>(number) <= kWaveSlots) {
                    linked.push_back(static_cast<std::size_t>(number - 1));
                }
            }
        }
    } else {
        const auto& waves = static_cast<const CWaveArray&>(*m_array);
        for (const std::size_t slot : GetSelectedIndices()) {
            for (const std::int32_t user : waves[slot].m_users) {
                if (user >= 0 && static_cast<std::size_t>(user) < kPatchSlots) {
                    linked.push_back(static_cast<std::size_t>(user));
                }
            }
        }
    }
    std::sort(linked.begin(), linked.end());
    linked.erase(std::unique(linked.begin(), linked.end()), linked.end());
    return linked;
}

std::unique_ptr<QMenu> CParameterListCtrl::MakeContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const bool waves = GetListKind() == kWaveList;
    const auto addHostCommand = [this, &menu](CListHost::ContextCommand command) {
        if (QAction* action = m_host == nullptr ? nullptr : m_host->ContextAction(*this, command)) {
            menu->addAction(action);
            return true;
        }
        return false;
    };
    if (waves) {
        addHostCommand(CListHost::kContextPlay);
        menu->addSeparator();
    }
    QAction* editName = menu->addAction(tr("Edit &Name...\tCtrl+R"), this, &CParameterListCtrl::OnEditName);
    editName->setEnabled(CanEditName());
    addHostCommand(CListHost::kContextDelete);
    menu->addSeparator();
    bool clipboard = false;
    for (const auto command :
         {CListHost::kContextCut, CListHost::kContextCopy, CListHost::kContextPaste, CListHost::kContextPasteInsert}) {
        clipboard = addHostCommand(command) || clipboard;
    }
    if (clipboard) {
        menu->addSeparator();
    }
    QAction* selectLinked = menu->addAction(waves ? tr("Select Linked &Patches") : tr("Select Linked &Waves"), this,
                                            &CParameterListCtrl::OnSelectLinked);
    selectLinked->setEnabled(m_host != nullptr && m_host->OtherList(*this) != nullptr && !LinkedRows().empty());
    if (waves) {
        menu->addSeparator();
        addHostCommand(CListHost::kContextImportWave);
        addHostCommand(CListHost::kContextImportAndConvert);
        addHostCommand(CListHost::kContextExportWaves);
    }
    return menu;
}

void CParameterListCtrl::SetContextMenuRunner(ContextMenuRunner runner) {
    MenuRunner() = std::move(runner);
}

bool CParameterListCtrl::CanEditName() const {
    const CSelection selected = GetSelectedIndices();
    return std::any_of(selected.begin(), selected.end(),
                       [this](std::size_t slot) { return !m_array->Element(slot).IsEmpty(); });
}

void CParameterListCtrl::OnEditName() {
    int column = 0;
    while (column < m_model->columnCount() && !IsNameColumn(column)) {
        ++column;
    }
    if (!IsNameColumn(column) || !CanEditName()) {
        return;
    }
    SetCurrentColumn(column);
    OpenEditDialog(column);
}

void CParameterListCtrl::OnSelectLinked() {
    CParameterListCtrl* other = m_host == nullptr ? nullptr : m_host->OtherList(*this);
    if (other == nullptr) {
        return;
    }
    const CSelection linked = LinkedRows();
    if (linked.empty()) {
        return;
    }
    other->SelectRows(linked);
    other->SetFocusedRow(static_cast<int>(linked.front()));
    other->scrollTo(other->model()->index(static_cast<int>(linked.front()), 0));
    other->setFocus(Qt::OtherFocusReason);
}

void CParameterListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    const std::unique_ptr<QMenu> menu = MakeContextMenu();
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        // From the keyboard: below the focused row, or in the middle of the list.
        const QRect focus = FocusRect();
        at = viewport()->mapToGlobal(focus.isValid() ? focus.bottomLeft() : viewport()->rect().center());
    }
    if (const ContextMenuRunner& runner = MenuRunner(); runner) {
        runner(*menu, at);
    } else {
        menu->exec(at);
    }
}

void CParameterListCtrl::LinkIfChanged(const QList<int>& before) {
    if (SelectedRows() != before) {
        SelectLinkedItems();
    }
}

void CParameterListCtrl::Rebuild(bool keepSelection, int selectCount) {
    const QScopedValueRollback rebuilding(m_rebuilding, true);
    const int top = TopRow();
    const int focus = FocusedRow();
    const int column = CurrentColumn();
    const std::size_t size = m_array == nullptr ? 0 : m_array->size();
    std::vector<bool> marks(std::max(static_cast<std::size_t>(m_model->rowCount()), size), false);
    if (keepSelection) {
        if (selectCount > 0) {
            const int first = GetFirstSelected();
            if (first >= 0 && static_cast<std::size_t>(first) + static_cast<std::size_t>(selectCount) <= marks.size()) {
                std::fill_n(marks.begin() + first, selectCount, true);
            }
        } else {
            for (const std::size_t index : GetSelectedIndices()) {
                marks[index] = true;
            }
        }
    }

    const int horizontal = horizontalScrollBar()->value();
    setUpdatesEnabled(false);
    FillItems();
    setUpdatesEnabled(true);
    if (horizontalScrollBar()->value() == 0 && horizontal != 0) {
        horizontalScrollBar()->setValue(horizontal);
    }

    ScrollRowToTop(top);
    if (focus >= 0 && m_model->rowCount() > 0) {
        SetFocusedRow(std::min(focus, m_model->rowCount() - 1));
    }
    if (column >= 0) {
        SetCurrentColumn(column);
    }
    if (keepSelection) {
        CSelection rows;
        for (std::size_t i = 0; i < marks.size(); ++i) {
            if (marks[i]) {
                rows.push_back(i);
            }
        }
        SelectRows(rows);
    }

    m_usedCount = static_cast<int>(m_array->UsedExtent());
    viewport()->update();
}

void CParameterListCtrl::Reinitialise() {
    const int top = TopRow();
    const int focus = FocusedRow();
    const int column = CurrentColumn();
    while (DescriptorCount() > 0) {
        DeleteColumn(DescriptorCount() - 1);
    }
    setShowGrid(CDomain::Instance().m_gridOn != 0);
    BuildColumns();
    Rebuild(false, 0);
    ScrollRowToTop(top);
    if (focus >= 0 && m_model->rowCount() > 0) {
        SetFocusedRow(std::min(focus, m_model->rowCount() - 1));
    }
    if (column >= 0) {
        SetCurrentColumn(column);
    }
}

void CParameterListCtrl::SaveColumnWidths() const {
    const int count = horizontalHeader()->count();
    if (count == 0 || DescriptorCount() == 0) {
        return; // the columns were never built: nothing of the user's to keep
    }
    QList<int> widths;
    for (int i = 0; i < count; ++i) {
        widths.push_back(columnWidth(i));
    }
    const auto [section, value] = GetProfileNames();
    CSettings::WriteProfileString(section, value, CSettings::FormatColumnWidths(widths));
}

void CParameterListCtrl::RestoreColumnWidths() {
    const auto [section, value] = GetProfileNames();
    const int count = horizontalHeader()->count();
    const QList<int> widths =
        CSettings::ContainsProfileValue(section, value)
            ? CSettings::ParseColumnWidths(CSettings::ReadProfileString(section, value, QString()), count)
            : DefaultColumnWidths();
    for (int i = 0; i < count && i < widths.size(); ++i) {
        setColumnWidth(i, widths[i]);
    }
}

QList<int> CParameterListCtrl::DefaultColumnWidths() const {
    const QFontMetrics metrics = fontMetrics();
    const int margins = 2 * metrics.horizontalAdvance(u' ');
    const int wide = std::max(metrics.horizontalAdvance(u'W'), metrics.horizontalAdvance(u'M'));
    const QString mark = GetListKind() == kWaveList ? QStringLiteral("* ") : QString();
    QList<int> widths;
    for (int column = 0; column < horizontalHeader()->count(); ++column) {
        int content = metrics.horizontalAdvance(mark) + static_cast<int>(CParameter::kMaxNameLength) * wide;
        if (IsNumberColumn(column)) {
            content = NumberTextIndent() + metrics.horizontalAdvance(QStringLiteral("999"));
        } else if (IsWaveformColumn(column)) {
            content = kWaveformWidthInCharacters * wide;
        }
        widths.push_back(std::max(content + margins, horizontalHeader()->sectionSizeHint(column)));
    }
    return widths;
}

QSize CParameterListCtrl::sizeHint() const {
    return {horizontalHeader()->length() + verticalScrollBar()->sizeHint().width() + 2 * frameWidth(),
            CSimpleEditListCtrl::sizeHint().height()};
}

bool CParameterListCtrl::CanEditRowInPlace(int row) const {
    if (m_array == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_array->size() || !IsRowVisible(row)) {
        return false;
    }
    if (SelectedRows().size() > 1) {
        return false;
    }
    const CParameter& element = m_array->Element(static_cast<std::size_t>(row));
    return !element.IsEmpty() && !element.IsNativeWave();
}

void CParameterListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // As desktops do: a row outside the selection becomes the selection, a row inside keeps it,
        // and the window comes to the front for the context menu. The right button never drags.
        event->accept();
        if (m_host != nullptr) {
            m_host->OnListPressBegan(*this);
            m_host->OnListPressEnded(*this, false);
        }
        setFocus(Qt::MouseFocusReason);
        const int row = rowAt(event->position().toPoint().y());
        if (row >= 0 && !IsRowSelected(row)) {
            SelectRows({static_cast<std::size_t>(row)});
            SetFocusedRow(row);
            SelectLinkedItems();
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        CSimpleEditListCtrl::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_pressPoint = event->position().toPoint();
    m_dragRow = rowAt(m_pressPoint.y());
    if (m_host != nullptr) {
        m_host->OnListPressBegan(*this);
    }
    CSimpleEditListCtrl::mousePressEvent(event);
    SelectLinkedItems();
}

void CParameterListCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragRow < 0 || !event->buttons().testFlag(Qt::LeftButton)) {
        // With the button held from outside the rows, the move may drag-select.
        const bool selecting = event->buttons().testFlag(Qt::LeftButton);
        const QList<int> before = selecting ? SelectedRows() : QList<int>();
        CSimpleEditListCtrl::mouseMoveEvent(event);
        if (selecting) {
            LinkIfChanged(before);
        }
        return;
    }
    // A press on a row never drag-selects: it waits for the start distance, then drags.
    event->accept();
    if ((event->position().toPoint() - m_pressPoint).manhattanLength() <= QApplication::startDragDistance()) {
        return;
    }
    const int row = std::exchange(m_dragRow, -1);
    CListDragSource::Run(*this, row);
    // The drag loop took the button's release: the press has ended.
    if (std::exchange(m_pressed, false) && m_host != nullptr) {
        m_host->OnListPressEnded(*this, false);
    }
}

void CParameterListCtrl::JumpToRow(int row) {
    if (model() == nullptr || row < 0 || row >= model()->rowCount()) {
        return;
    }
    const QModelIndex index = model()->index(row, std::max(0, currentIndex().column()));
    // The view's own setCurrentIndex, with a command that replaces the selection, is what moves
    // the anchor of Shift selection to the row.
    m_jumping = true;
    setCurrentIndex(index);
    m_jumping = false;
    SelectRows({static_cast<std::size_t>(row)});
    if (!IsRowVisible(row)) {
        ScrollRowToTop(row);
    }
}

QItemSelectionModel::SelectionFlags CParameterListCtrl::selectionCommand(const QModelIndex& index,
                                                                         const QEvent* event) const {
    if (m_jumping) {
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }
    return CSimpleEditListCtrl::selectionCommand(index, event);
}

void CParameterListCtrl::dragEnterEvent(QDragEnterEvent* event) {
    if (CWaveFileDrop::DragMove(*this, event, event->position().toPoint())) {
        return; // sound files from the desktop
    }
    m_dropTarget->OnDragMoveEvent(event, event->position().toPoint(), true);
}

void CParameterListCtrl::dragMoveEvent(QDragMoveEvent* event) {
    if (CWaveFileDrop::DragMove(*this, event, event->position().toPoint())) {
        return;
    }
    m_dropTarget->OnDragMoveEvent(event, event->position().toPoint(), false);
}

void CParameterListCtrl::dragLeaveEvent(QDragLeaveEvent* /*event*/) {
    CWaveFileDrop::DragLeave(*this);
    m_dropTarget->DragLeave();
}

void CParameterListCtrl::dropEvent(QDropEvent* event) {
    if (CWaveFileDrop::Drop(*this, event, event->position().toPoint())) {
        return;
    }
    m_dropTarget->OnDropEvent(event, event->position().toPoint());
}

void CParameterListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    m_dragRow = -1;
    // A press on an already selected row leaves the selection to the release (it may start a drag).
    const QList<int> before = SelectedRows();
    CSimpleEditListCtrl::mouseReleaseEvent(event);
    LinkIfChanged(before);
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if (m_host != nullptr) {
            m_host->OnListPressEnded(*this, false);
        }
    }
}

void CParameterListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QPoint point = event->position().toPoint();
    const std::optional<CellHit> hit = CellHitTest(point);
    if (hit && CanEditRowInPlace(hit->row)) {
        EditStartAt(point);
    }
    event->accept();
}

void CParameterListCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        SelectUsedRange();
        event->accept();
        return;
    }
    const QList<int> before = SelectedRows();
    CSimpleEditListCtrl::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Up:
    case Qt::Key_Down:
        SelectLinkedItems();
        break;
    default:
        LinkIfChanged(before); // Home, End, Space and the like
        break;
    }
}

void CParameterListCtrl::paintEvent(QPaintEvent* event) {
    CSimpleEditListCtrl::paintEvent(event);
    {
        QPainter feedback(viewport());
        PaintDropFeedback(feedback, *this);
    }
    // The focus rectangle around the current cell of the focused row (the whole row when no column
    // is current).
    const int row = FocusedRow();
    if (!hasFocus() || row < 0) {
        return;
    }
    const QRect rect = FocusRect().adjusted(0, 0, -1, -1);
    if (!rect.isValid() || !rect.intersects(viewport()->rect())) {
        return;
    }
    QPainter painter(viewport());
    QPen pen(IsRowSelected(row) ? palette().color(QPalette::HighlightedText) : palette().color(QPalette::Text));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(rect);
}

void CParameterListCtrl::changeEvent(QEvent* event) {
    CSimpleEditListCtrl::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateRowHeight();
    }
}

void CParameterListCtrl::focusInEvent(QFocusEvent* event) {
    CSimpleEditListCtrl::focusInEvent(event);
    viewport()->update();
}

void CParameterListCtrl::focusOutEvent(QFocusEvent* event) {
    CSimpleEditListCtrl::focusOutEvent(event);
    viewport()->update();
}

void CParameterListCtrl::UpdateRowHeight() {
    const int height = fontMetrics().height() + 2;
    verticalHeader()->setMinimumSectionSize(std::min(height, 6));
    verticalHeader()->setDefaultSectionSize(height);
}

} // namespace Orvanta
