#include "views/CSimpleEditListCtrl.h"

#include "views/CReplaceStringDlg.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace Orvanta {

namespace {

constexpr char16_t kCtrlR = 18;

// Characters the list handles itself.
bool IsListCharacter(QChar c) {
    switch (c.unicode()) {
    case u'$':
    case u'^':
    case u'_':
    case u'|':
    case u'h':
    case u'l':
    case u'j':
    case u'J':
    case u'k':
    case u'K':
        return true;
    default:
        return false;
    }
}

bool IsCtrlR(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return (event->key() == Qt::Key_R && mods == Qt::ControlModifier) ||
           (event->text().size() == 1 && event->text().at(0).unicode() == kCtrlR);
}

// The character of a key press without Ctrl, Alt or Meta, or a null character.
QChar PlainCharacter(const QKeyEvent* event) {
    if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0 ||
        event->text().size() != 1) {
        return {};
    }
    return event->text().at(0);
}

} // namespace

CSimpleEditListCtrl::CSimpleEditListCtrl(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

CSimpleEditListCtrl::~CSimpleEditListCtrl() = default;

bool CSimpleEditListCtrl::ValidateCellText(int /*row*/, int column, const QString& value) const {
    const SELVColumn* descriptor = Descriptor(column);
    if (descriptor == nullptr) {
        return false;
    }
    switch (descriptor->Kind()) {
    case SELVColumn::kKindText:
    case SELVColumn::kKindFree:
        return true;
    case SELVColumn::kKindNumber: {
        bool ok = false;
        const double number = value.trimmed().toDouble(&ok);
        return ok && descriptor->minimum <= number && number <= descriptor->maximum;
    }
    default:
        return false;
    }
}

bool CSimpleEditListCtrl::InsertColumn(int index, const SELVColumn& descriptor) {
    if (index < 0 || index > DescriptorCount()) {
        return false;
    }
    m_columns.insert(m_columns.begin() + index, descriptor);
    if (m_currentColumn >= index) {
        ++m_currentColumn;
    }
    return true;
}

bool CSimpleEditListCtrl::DeleteColumn(int index) {
    if (index < 0 || index >= DescriptorCount()) {
        return false;
    }
    m_columns.erase(m_columns.begin() + index);
    if (m_currentColumn == index) {
        m_currentColumn = -1;
    } else if (m_currentColumn > index) {
        --m_currentColumn;
    }
    return true;
}

const SELVColumn* CSimpleEditListCtrl::Descriptor(int index) const {
    if (index < 0 || index >= DescriptorCount()) {
        return nullptr;
    }
    return &m_columns[static_cast<std::size_t>(index)];
}

void CSimpleEditListCtrl::SetCurrentColumn(int index) {
    const int count = DescriptorCount();
    if (count == 0) {
        return;
    }
    m_currentColumn = std::clamp(index, 0, count - 1);
    viewport()->update(); // the focus rectangle moves to the new column
    if (model() == nullptr || m_currentColumn >= model()->columnCount()) {
        return;
    }
    // Scroll so that the whole column shows.
    const int left = columnViewportPosition(m_currentColumn);
    const int right = left + columnWidth(m_currentColumn);
    QScrollBar* bar = horizontalScrollBar();
    if (left < 0) {
        bar->setValue(bar->value() + left);
    } else if (right > viewport()->width()) {
        bar->setValue(bar->value() + std::min(left, right - viewport()->width()));
    }
}

void CSimpleEditListCtrl::MoveCurrentColumn(int direction) {
    const int count = DescriptorCount();
    for (int i = 1; i <= count; ++i) {
        const int candidate = std::clamp(m_currentColumn + direction * i, 0, count - 1);
        if (candidate != m_currentColumn && Descriptor(candidate)->IsEditable()) {
            SetCurrentColumn(candidate);
            return;
        }
    }
}

QRect CSimpleEditListCtrl::FocusRect() const {
    const int row = FocusedRow();
    if (model() == nullptr || row < 0 || model()->columnCount() == 0) {
        return {};
    }
    if (m_currentColumn >= 0 && m_currentColumn < model()->columnCount()) {
        return visualRect(model()->index(row, m_currentColumn));
    }
    return visualRect(model()->index(row, 0)).united(visualRect(model()->index(row, model()->columnCount() - 1)));
}

int CSimpleEditListCtrl::TopRow() const {
    if (model() == nullptr || model()->rowCount() == 0) {
        return 0;
    }
    const int row = rowAt(0);
    return row < 0 ? 0 : row;
}

int CSimpleEditListCtrl::RowsPerPage() const {
    const int height = verticalHeader()->defaultSectionSize();
    return height > 0 ? std::max(1, viewport()->height() / height) : 1;
}

bool CSimpleEditListCtrl::IsRowVisible(int row) const {
    const int top = TopRow();
    return model() != nullptr && row >= top && row < top + RowsPerPage() && row < model()->rowCount();
}

void CSimpleEditListCtrl::ScrollRowToTop(int row) {
    if (model() == nullptr || row < 0 || row >= model()->rowCount()) {
        return;
    }
    executeDelayedItemsLayout(); // the scroll range follows the rows only after the layout
    verticalScrollBar()->setValue(row);
}

std::optional<CSimpleEditListCtrl::CellHit> CSimpleEditListCtrl::CellHitTest(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    if (!index.isValid() || !IsRowVisible(index.row())) {
        return std::nullopt;
    }
    return CellHit{index.row(), index.column(), visualRect(index)};
}

QList<int> CSimpleEditListCtrl::SelectedRows() const {
    QList<int> rows;
    if (selectionModel() == nullptr) {
        return rows;
    }
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool CSimpleEditListCtrl::IsRowSelected(int row) const {
    return selectionModel() != nullptr && model() != nullptr && selectionModel()->isRowSelected(row, QModelIndex());
}

void CSimpleEditListCtrl::SetRowSelected(int row, bool on) {
    if (model() == nullptr || selectionModel() == nullptr) {
        return;
    }
    const int rows = model()->rowCount();
    const int columns = model()->columnCount();
    if (rows == 0 || columns == 0) {
        return;
    }
    const QItemSelectionModel::SelectionFlags command =
        (on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows;
    if (row == -1) {
        selectionModel()->select(QItemSelection(model()->index(0, 0), model()->index(rows - 1, columns - 1)), command);
        return;
    }
    if (row < 0 || row >= rows || IsRowSelected(row) == on) {
        return;
    }
    selectionModel()->select(model()->index(row, 0), command);
}

int CSimpleEditListCtrl::FocusedRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void CSimpleEditListCtrl::SetFocusedRow(int row) {
    if (model() == nullptr || selectionModel() == nullptr || row < 0 || row >= model()->rowCount()) {
        return;
    }
    // Moving the focus does not scroll: a rebuild restores the focused row after the top row.
    const bool autoScroll = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
    setAutoScroll(autoScroll);
}

QString CSimpleEditListCtrl::CellText(int row, int column) const {
    if (model() == nullptr) {
        return {};
    }
    return model()->index(row, column).data(Qt::DisplayRole).toString();
}

bool CSimpleEditListCtrl::ApplyToSelection(int column, const RowValues& values) {
    const QList<int> rows = SelectedRows();
    const auto valueOf = [&values](int row) {
        const auto found = values.find(row);
        return found == values.end() ? QString() : found->second;
    };
    for (const int row : rows) {
        if (!ValidateCellText(row, column, valueOf(row))) {
            return false;
        }
    }
    ApplyValues(column, rows, values);
    return true;
}

void CSimpleEditListCtrl::ApplyValues(int column, const QList<int>& rows, const RowValues& values) {
    for (const int row : rows) {
        const auto found = values.find(row);
        SetCellText(row, column, found == values.end() ? QString() : found->second);
    }
}

void CSimpleEditListCtrl::EditCurrentColumn() {
    const SELVColumn* descriptor = Descriptor(m_currentColumn);
    if (descriptor == nullptr || !descriptor->IsEditable() || descriptor->Kind() != SELVColumn::kKindText ||
        SelectedRows().isEmpty()) {
        return;
    }
    OpenEditDialog(m_currentColumn);
}

void CSimpleEditListCtrl::EditStartAt(const QPoint& point) {
    setFocus(Qt::MouseFocusReason);
    const std::optional<CellHit> hit = CellHitTest(point);
    if (!hit) {
        return;
    }
    SetCurrentColumn(hit->column);
    const SELVColumn* descriptor = Descriptor(m_currentColumn);
    if (descriptor != nullptr && descriptor->IsEditable() && descriptor->Kind() == SELVColumn::kKindText &&
        IsRowSelected(hit->row)) {
        OpenEditDialog(m_currentColumn);
    }
}

void CSimpleEditListCtrl::OpenEditDialog(int column) {
    const QList<int> rows = SelectedRows();
    const int first = rows.isEmpty() ? 0 : rows.front();
    CReplaceStringDlg dialog(this);
    dialog.SetText(CellText(first, column).mid(MarkPrefixLength(first)));
    if (dialog.Show() != QDialog::Accepted) {
        return;
    }
    RowValues values;
    for (const int row : rows) {
        values[row] = dialog.Text();
    }
    for (const int row : rows) {
        emit LabelEditBegin(row, m_currentColumn, CellText(row, column));
    }
    if (ApplyToSelection(column, values)) {
        for (const int row : rows) {
            emit LabelEditEnd(row, m_currentColumn, CellText(row, column), true);
        }
        viewport()->update();
    }
}

bool CSimpleEditListCtrl::HandleListKey(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true; // consumed: a list never closes its form
    case Qt::Key_Left:
        MoveCurrentColumn(-1);
        return true;
    case Qt::Key_Right:
        MoveCurrentColumn(+1);
        return true;
    default:
        break;
    }
    if (IsCtrlR(event)) {
        EditCurrentColumn();
        return true;
    }
    const QChar c = PlainCharacter(event);
    if (c.isNull() || !IsListCharacter(c)) {
        return false;
    }
    switch (c.unicode()) {
    case u'$':
        SetCurrentColumn(DescriptorCount() - 1);
        break;
    case u'^':
    case u'_':
    case u'|':
        SetCurrentColumn(0);
        break;
    case u'h':
        MoveCurrentColumn(-1);
        break;
    case u'l':
        MoveCurrentColumn(+1);
        break;
    default: {
        // j and k move the focus down and up like the arrow keys, through the normal key handling.
        const bool down = c == u'j' || c == u'J';
        QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, down ? Qt::Key_Down : Qt::Key_Up,
                                                        event->modifiers() & Qt::ShiftModifier, QString(),
                                                        event->isAutoRepeat(), static_cast<quint16>(event->count())));
        break;
    }
    }
    return true;
}

void CSimpleEditListCtrl::keyPressEvent(QKeyEvent* event) {
    if (HandleListKey(event)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex CSimpleEditListCtrl::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    if (cursorAction == MoveHome || cursorAction == MoveEnd) {
        modifiers |= Qt::ControlModifier;
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

void CSimpleEditListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (const std::optional<CellHit> hit = CellHitTest(event->position().toPoint());
            hit && hit->column < DescriptorCount()) {
            // The clicked column is in view already: no scrolling under the pointer.
            m_currentColumn = hit->column;
            viewport()->update();
        }
    }
    QTableView::mousePressEvent(event);
}

void CSimpleEditListCtrl::scrollTo(const QModelIndex& index, ScrollHint hint) {
    const int horizontal = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(horizontal);
}

void CSimpleEditListCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    for (const QModelIndex& index : {previous, current}) {
        if (index.isValid()) {
            viewport()->update(0, rowViewportPosition(index.row()), viewport()->width(), rowHeight(index.row()));
        }
    }
}

bool CSimpleEditListCtrl::event(QEvent* event) {
    // The list's keys reach the list even where a window shortcut would take them.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QChar c = PlainCharacter(key);
        const bool own = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Left ||
                         key->key() == Qt::Key_Right || IsCtrlR(key) || (!c.isNull() && IsListCharacter(c));
        if (own) {
            event->accept();
            return true;
        }
    }
    return QTableView::event(event);
}

} // namespace Orvanta
