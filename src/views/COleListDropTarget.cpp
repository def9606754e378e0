#include "views/COleListDropTarget.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/DropOperations.h"
#include "operations/TransferOperations.h"
#include "views/CFileView.h"
#include "views/CListDragSource.h"
#include "views/CParameterListCtrl.h"
#include "views/CountText.h"
#include "views/DragState.h"
#include "views/DropFeedback.h"
#include "winframework/CWaitCursor.h"

#include <QDateTime>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMainWindow>
#include <QMimeData>
#include <QScrollBar>
#include <QStatusBar>

namespace Orvanta {

COleListDropTarget::COleListDropTarget(CParameterListCtrl& list) : m_list(list) {
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &COleListDropTarget::OnTick);
}

COleListDropTarget::~COleListDropTarget() {
    // A list that goes away during a drag leaves no pointer to itself behind.
    DragState& drag = DragState::Instance();
    if (drag.sourceList == &m_list) {
        drag = DragState();
    }
    if (drag.targetList == &m_list) {
        drag.targetList = nullptr;
    }
    if (drag.lastEnteredList == &m_list) {
        drag.lastEnteredList = nullptr;
    }
}

void COleListDropTarget::Register() {
    if (IsRegistered()) {
        return;
    }
    m_format = CListDragSource::Format(m_list.GetListKind());
    m_list.setAcceptDrops(true);
    m_list.viewport()->setAcceptDrops(true);
    QWidget* header = m_list.horizontalHeader()->viewport();
    header->setAcceptDrops(true);
    header->installEventFilter(this);
    if (m_list.GetListKind() == kPatchList && m_list.parentWidget() != nullptr) {
        m_form = m_list.parentWidget();
        m_form->setAcceptDrops(true);
        m_form->installEventFilter(this);
    }
}

CFileView* COleListDropTarget::View() const {
    return dynamic_cast<CFileView*>(m_list.Host());
}

bool COleListDropTarget::Carries(const QMimeData* data) const {
    return data != nullptr && IsRegistered() && data->hasFormat(m_format);
}

bool COleListDropTarget::PassesKindRule() const {
    return m_list.GetListKind() == DragState::Instance().Which();
}

Qt::DropAction COleListDropTarget::EffectFor(bool overSourceList, Qt::KeyboardModifiers modifiers) {
    const bool control = modifiers.testFlag(Qt::ControlModifier);
    if (overSourceList) {
        return control ? Qt::CopyAction : Qt::MoveAction;
    }
    return control ? Qt::MoveAction : Qt::CopyAction;
}

bool COleListDropTarget::InsertRequested(Qt::KeyboardModifiers modifiers) {
    return modifiers.testFlag(Qt::AltModifier) || modifiers.testFlag(Qt::ShiftModifier);
}

Qt::DropAction COleListDropTarget::ApplyModifiers(Qt::KeyboardModifiers modifiers) {
    const DragState& drag = DragState::Instance();
    CDomain& domain = CDomain::Instance();
    domain.m_dropInserts = InsertRequested(modifiers) ? 1 : 0;
    const Qt::DropAction effect = EffectFor(drag.sourceList == &m_list, modifiers);
    domain.m_dropCopies = effect == Qt::CopyAction ? 1 : 0;
    return effect;
}

void COleListDropTarget::TrackHover(QPoint point) {
    if (point != m_lastPoint || !m_sinceMove.isValid()) {
        m_lastPoint = point;
        m_sinceMove.start();
    }
    if (CFileView* view = View(); view != nullptr) {
        view->OnHoverTime(static_cast<int>(m_sinceMove.elapsed()));
    }
}

bool COleListDropTarget::UpdateDropPosition(QPoint point) {
    DragState& drag = DragState::Instance();
    drag.cursorX = point.x();
    drag.cursorY = point.y();
    const CParameterArray* array = m_list.GetParameterArray();
    const QRect area = m_list.viewport()->rect();
    const int row = area.contains(point) ? m_list.rowAt(point.y()) : -1;
    const int limit = array == nullptr ? 0 : static_cast<int>(array->size());
    const DropPlacement placement = PlaceDrop(row, drag.anchorOffset, static_cast<int>(TransferCount(drag.Which())),
                                              limit, CDomain::Instance().m_dropInserts != 0);
    drag.dropStart = placement.dropStart;
    drag.dropIndex = placement.dropIndex;
    m_list.viewport()->update();
    return placement.dropIndex >= 0;
}

Qt::DropAction COleListDropTarget::DragEnter(const QMimeData* data, QPoint point, Qt::KeyboardModifiers modifiers) {
    DragState& drag = DragState::Instance();
    m_lastPoint = point;
    m_sinceMove.start();
    if (!drag.inProgress || !CListDragSource::IsListDrag(data)) {
        return Qt::IgnoreAction;
    }
    if (Carries(data)) {
        m_list.Rebuild(true, 0);
        drag.targetList = &m_list;
        drag.lastEnteredList = &m_list;
    }
    m_ticker.start();
    return DragOver(data, point, modifiers);
}

Qt::DropAction COleListDropTarget::DragOver(const QMimeData* data, QPoint point, Qt::KeyboardModifiers modifiers) {
    DragState& drag = DragState::Instance();
    if (!drag.inProgress || !CListDragSource::IsListDrag(data)) {
        return Qt::IgnoreAction;
    }
    TrackHover(point);
    if (!PassesKindRule() || !Carries(data)) {
        return Qt::IgnoreAction;
    }
    const Qt::DropAction effect = ApplyModifiers(modifiers);
    if (!m_ticker.isActive()) {
        m_ticker.start();
    }
    return UpdateDropPosition(point) ? effect : Qt::IgnoreAction;
}

void COleListDropTarget::DragLeave() {
    ShowDropStatus(QString());
    StopTracking();
    DragState& drag = DragState::Instance();
    if (drag.targetList == &m_list) {
        drag.targetList = nullptr;
    }
    if (drag.inProgress) {
        m_list.Rebuild(true, 0); // takes the feedback away
    }
    drag.cursorX = -1;
    drag.cursorY = -1;
    m_list.viewport()->update();
}

bool COleListDropTarget::Drop(const QMimeData* data, QPoint point, Qt::KeyboardModifiers modifiers) {
    ShowDropStatus(QString());
    StopTracking();
    DragState& drag = DragState::Instance();
    if (!drag.inProgress || !Carries(data)) {
        return false;
    }
    // The keys count as they are at the moment of the drop.
    ApplyModifiers(modifiers);
    drag.inProgress = false;
    CFileView* view = View();
    if (view != nullptr) {
        view->OnListPressEnded(m_list, true); // the window receiving the drop comes to the top
    }
    drag.targetList = &m_list;
    drag.dropSucceeded = false;
    if (view == nullptr || !PassesKindRule()) {
        return false;
    }
    // The drop position is taken from where the cursor is now, not from the last feedback drawn.
    UpdateDropPosition(point);
    const int which = drag.Which();
    const bool sameList = drag.sourceList == &m_list;
    if (drag.IsBackOnOwnPlace(sameList) ||
        IsDropOntoOwnPlace(NormaliseSelection(drag.selection, which), sameList, drag.dropIndex)) {
        return false; // the block would land where it already is
    }
    {
        const CWaitCursor wait;
        // The outline or insert line stays drawn while the drop asks whether to overwrite or insert.
        drag.dropping = true;
        drag.dropSucceeded = CDomain::Instance().m_dropInserts != 0
                                 ? view->DropInsert(which, drag.dropIndex, sameList)
                                 : view->DropOverwrite(which, drag.dropIndex, sameList);
        drag.dropping = false;
    }
    m_list.viewport()->update();
    const CListHost* sourceHost = drag.sourceList == nullptr ? nullptr : drag.sourceList->Host();
    if (drag.dropSucceeded && sourceHost != m_list.Host()) {
        m_list.Rebuild(false, 0);
    }
    return drag.dropSucceeded;
}

bool COleListDropTarget::DragScroll(QPoint point) {
    const CFileView* view = View();
    if (view == nullptr || !view->IsActiveProjectView() || !PassesKindRule() || m_list.model() == nullptr ||
        m_list.model()->rowCount() == 0) {
        m_scrollStartSecond = 0;
        return false;
    }
    const int top = m_list.TopRow();
    const int height = m_list.rowHeight(top);
    int direction = 0;
    if (point.y() < m_list.rowViewportPosition(top)) {
        direction = -1;
    } else if (point.y() > m_list.viewport()->height() - height) {
        direction = 1;
    }
    if (direction == 0) {
        m_scrollStartSecond = 0;
        return false;
    }
    const int speed = AutoScrollSpeed(m_scrollStartSecond, QDateTime::currentSecsSinceEpoch());
    QScrollBar* bar = m_list.verticalScrollBar();
    const int step = m_list.verticalScrollMode() == QAbstractItemView::ScrollPerItem ? speed : speed * height;
    const int before = bar->value();
    bar->setValue(before + direction * step);
    if (bar->value() == before) {
        return false;
    }
    UpdateDropPosition(point); // another row is under the cursor now
    return true;
}

void COleListDropTarget::OnTick() {
    const DragState& drag = DragState::Instance();
    if (!drag.inProgress) {
        StopTracking();
        return;
    }
    TrackHover(m_lastPoint);
    if (drag.targetList == &m_list) {
        DragScroll(m_lastPoint);
    }
}

void COleListDropTarget::StopTracking() {
    m_ticker.stop();
    m_scrollStartSecond = 0;
    m_sinceMove.invalidate();
}

QString COleListDropTarget::DropStatusText(Qt::DropAction effect, bool inserts, int count, int which, int dropNumber) {
    const QString items = which == kPatchList ? CountText(count, QStringLiteral("patch"), QStringLiteral("patches"))
                                              : CountText(count, QStringLiteral("wave"), QStringLiteral("waves"));
    return QStringLiteral("Drop: %1 %2 to %3, %4")
        .arg(effect == Qt::MoveAction ? QStringLiteral("move") : QStringLiteral("copy"), items)
        .arg(dropNumber)
        .arg(inserts ? QStringLiteral("inserting") : QStringLiteral("overwriting"));
}

void COleListDropTarget::ShowDropStatus(const QString& text) {
    auto* main = qobject_cast<QMainWindow*>(m_list.window());
    if (main == nullptr || main->statusBar() == nullptr) {
        return;
    }
    QStatusBar* bar = main->statusBar();
    if (text.isEmpty()) {
        if (m_statusBefore) {
            bar->showMessage(*m_statusBefore);
            m_statusBefore.reset();
        }
        return;
    }
    if (!m_statusBefore) {
        m_statusBefore = bar->currentMessage();
    }
    bar->showMessage(text);
}

void COleListDropTarget::OnDragMoveEvent(QDragMoveEvent* event, QPoint point, bool entering) {
    const Qt::DropAction effect = entering ? DragEnter(event->mimeData(), point, event->modifiers())
                                           : DragOver(event->mimeData(), point, event->modifiers());
    if (effect == Qt::IgnoreAction || !event->possibleActions().testFlag(effect)) {
        ShowDropStatus(QString());
        event->ignore();
        return;
    }
    // The slot the first element lands in: an insert goes in at the hovered row, an overwrite at the
    // block's clamped start; both are the drop index the drop will use.
    const DragState& drag = DragState::Instance();
    ShowDropStatus(DropStatusText(effect, CDomain::Instance().m_dropInserts != 0,
                                  static_cast<int>(TransferCount(drag.Which())), drag.Which(), drag.dropIndex + 1));
    event->setDropAction(effect);
    event->accept();
}

void COleListDropTarget::OnDropEvent(QDropEvent* event, QPoint point) {
    if (!Drop(event->mimeData(), point, event->modifiers())) {
        event->ignore();
        return;
    }
    event->setDropAction(CDomain::Instance().m_dropCopies != 0 ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
}

bool COleListDropTarget::OnFormDragEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        // A drag entering a list that refuses it is passed on to the form: the list counts it.
        for (QWidget* child = m_form->childAt(move->position().toPoint()); child != nullptr && child != m_form;
             child = child->parentWidget()) {
            if (qobject_cast<CParameterListCtrl*>(child) != nullptr) {
                return false;
            }
        }
        if (DragState::Instance().inProgress && CListDragSource::IsListDrag(move->mimeData())) {
            TrackHover(move->position().toPoint());
            if (!m_ticker.isActive()) {
                m_ticker.start();
            }
        }
        move->ignore();
        return true;
    }
    case QEvent::DragLeave:
        StopTracking();
        return true;
    case QEvent::Drop:
        event->ignore();
        return true;
    default:
        return false;
    }
}

bool COleListDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_form && m_form != nullptr) {
        return OnFormDragEvent(event) || QObject::eventFilter(watched, event);
    }
    QWidget* header = m_list.horizontalHeader()->viewport();
    if (watched != header) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        const QPoint point = m_list.viewport()->mapFromGlobal(header->mapToGlobal(move->position().toPoint()));
        OnDragMoveEvent(move, point, event->type() == QEvent::DragEnter);
        return true;
    }
    case QEvent::DragLeave:
        DragLeave();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        OnDropEvent(drop, m_list.viewport()->mapFromGlobal(header->mapToGlobal(drop->position().toPoint())));
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace Orvanta
