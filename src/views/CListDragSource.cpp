#include "views/CListDragSource.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/CHistory.h"
#include "operations/ChangeNames.h"
#include "operations/DropOperations.h"
#include "operations/TransferOperations.h"
#include "storage/CTernFileDocument.h"
#include "views/CFileView.h"
#include "views/CParameterListCtrl.h"
#include "views/CWaveDragData.h"
#include "views/DragState.h"

#include <QByteArray>
#include <QDrag>
#include <QMimeData>
#include <QPointer>

#include <algorithm>

namespace Orvanta {

QString CListDragSource::Format(int which) {
    return QString::fromLatin1(which == kWaveList ? kWaveFormat : kPatchFormat);
}

bool CListDragSource::IsListDrag(const QMimeData* data) {
    return data != nullptr && (data->hasFormat(Format(kPatchList)) || data->hasFormat(Format(kWaveList)));
}

QMimeData* CListDragSource::MakeDragData(int which) {
    auto* data = new QMimeData;
    data->setData(Format(which), QByteArray(kDataSize, '\0'));
    return data;
}

bool CListDragSource::Begin(CParameterListCtrl& list, int row) {
    auto* view = dynamic_cast<CFileView*>(list.Host());
    const CParameterArray* array = list.GetParameterArray();
    if (view == nullptr || array == nullptr || row < 0) {
        return false;
    }
    const int which = list.GetListKind();
    const CSelection selection = list.GetSelectedIndices();
    // Copies the selection into the transfer buffer; refused when nothing in use is selected.
    if (!view->CopySelection(which)) {
        return false;
    }
    DragState& drag = DragState::Instance();
    drag = DragState();
    drag.inProgress = true;
    drag.anchorRow = row;
    drag.dropStart = row;
    drag.dropIndex = row;
    drag.sourceList = &list;
    drag.lastEnteredList = &list;
    drag.waveDrag = array->size() != kPatchSlots;
    drag.selection = selection;
    drag.contiguous = !selection.empty() && selection.back() - selection.front() + 1 == selection.size();
    const auto anchor = std::find(selection.begin(), selection.end(), static_cast<std::size_t>(row));
    drag.anchorOffset = anchor == selection.end() ? 0 : static_cast<int>(anchor - selection.begin());
    CDomain& domain = CDomain::Instance();
    domain.m_dropInserts = 0;
    domain.m_dropCopies = 0;
    return true;
}

void CListDragSource::NameDrop(CParameterListCtrl& source, CParameterListCtrl& target, bool insert, bool copy) {
    const auto* from = dynamic_cast<CFileView*>(source.Host());
    const auto* to = dynamic_cast<CFileView*>(target.Host());
    const DragState& drag = DragState::Instance();
    if (from == nullptr || to == nullptr || drag.dropIndex < 0) {
        return;
    }
    CHistory& history = CHistory::Instance();
    const CTernData* fromProject = &from->Document().Data();
    const CTernData* toProject = &to->Document().Data();
    history.Record(NameOfTransfer(copy ? "Copy" : "Move", drag.Which(), drag.selection,
                                  history.ProjectName(fromProject), history.ProjectName(toProject),
                                  fromProject == toProject, static_cast<std::size_t>(drag.dropIndex) + 1, insert));
}

void CListDragSource::Finish() {
    DragState& drag = DragState::Instance();
    CParameterListCtrl* source = drag.sourceList;
    const int which = drag.Which();
    const CDomain& domain = CDomain::Instance();
    if (drag.targetList == nullptr || !drag.dropSucceeded) {
        // No effect: the list last entered loses its feedback.
        if (drag.lastEnteredList != nullptr) {
            drag.lastEnteredList->Rebuild(true, 0);
        }
    } else if (source != nullptr) {
        const bool otherWindow = drag.targetList->Host() != source->Host();
        const bool insert = domain.m_dropInserts != 0;
        const std::size_t count = TransferCount(which);
        // The dragged rows where they are now; after a move exactly these are emptied.
        source->SelectRows(ReselectAfterDrop(drag.selection, which, otherWindow, insert, drag.dropIndex, count));
        if (domain.m_dropCopies == 0) {
            if (auto* view = dynamic_cast<CFileView*>(source->Host()); view != nullptr) {
                view->DeleteAfterMove(which, otherWindow);
            }
        }
        NameDrop(*source, *drag.targetList, insert, domain.m_dropCopies != 0);
    }
    drag = DragState();
    EmptyTransfer();
}

void CListDragSource::Run(CParameterListCtrl& list, int row) {
    if (!Begin(list, row)) {
        return;
    }
    const int which = DragState::Instance().Which();
    // Qt deletes the drag object itself once its loop has returned.
    auto* drag = new QDrag(&list);
    auto* view = dynamic_cast<CFileView*>(list.Host());
    // Wave rows also hand their files to a file manager or another program they are dropped on.
    drag->setMimeData(which == kWaveList && view != nullptr
                          ? new CWaveDragData(view->Document().Data(), DragState::Instance().selection)
                          : MakeDragData(which));
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    Finish();
}

} // namespace Orvanta
