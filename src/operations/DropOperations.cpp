#include "operations/DropOperations.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/InsertOperation.h"
#include "operations/OverwriteOperation.h"

#include <algorithm>

namespace Orvanta {

CSelection NormaliseSelection(const CSelection& selection, int which) {
    const std::size_t capacity = CTernData::Capacity(which);
    CSelection rows;
    std::copy_if(selection.begin(), selection.end(), std::back_inserter(rows),
                 [capacity](std::size_t i) { return i < capacity; });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool StartDrag(const CTernData& source, const CSelection& selection, int which) {
    const CSelection rows = NormaliseSelection(selection, which);
    const CParameterArray& list = source.List(which);
    if (!std::any_of(rows.begin(), rows.end(), [&list](std::size_t i) { return !list.Element(i).IsEmpty(); })) {
        return false;
    }
    CopyToTransfer(source, rows, which);
    return true;
}

bool IsDropOntoOwnPlace(const CSelection& selection, bool sameList, int dropIndex) {
    if (!sameList || selection.empty() || dropIndex < 0) {
        return false;
    }
    const std::size_t first = selection.front();
    const bool contiguous = selection.back() - first + 1 == selection.size();
    return contiguous && static_cast<std::size_t>(dropIndex) == first;
}

CDropResult Drop(const CDragRequest& request) {
    CDropResult result;
    if (request.source == nullptr || request.target == nullptr) {
        return result;
    }
    CDomain& domain = CDomain::Instance();
    domain.m_dropInserts = request.insert ? 1 : 0;
    domain.m_dropCopies = request.copy ? 1 : 0;
    result.otherWindow = request.source != request.target;
    const CSelection rows = NormaliseSelection(request.selection, request.which);
    if (IsDropOntoOwnPlace(rows, !result.otherWindow, request.dropIndex)) {
        result.status = DropStatus::NoOp;
        return result;
    }
    if (TransferCount(request.which) == 0 || request.dropIndex < 0) {
        return result;
    }
    const auto start = static_cast<std::size_t>(request.dropIndex);
    if (request.insert) {
        result.count = Insert(*request.target, start, request.which, result.otherWindow);
        result.selectCount = RowsToSelectAfterInsert(request.which, result.count, request.dropIndex);
    } else if (Overwrite(*request.target, start, request.which, result.otherWindow)) {
        result.count = TransferCount(request.which);
    }
    if (result.count > 0) {
        result.status = DropStatus::Done;
    }
    return result;
}

CSelection ReselectAfterDrop(const CSelection& selection, int which, bool otherWindow, bool insert, int dropIndex,
                             std::size_t count) {
    if (otherWindow) {
        return selection;
    }
    const std::size_t capacity = CTernData::Capacity(which);
    const auto drop = static_cast<std::size_t>(std::max(dropIndex, 0));
    CSelection rows;
    for (const std::size_t q : selection) {
        if (insert) {
            if (q < drop) {
                rows.push_back(q);
            } else if (q + count < capacity) {
                rows.push_back(q + count);
            }
        } else if (q < drop || q >= drop + count) {
            rows.push_back(q);
        }
    }
    return rows;
}

std::size_t RowsToSelectAfterInsert(int which, std::size_t count, int dropIndex) {
    const std::size_t capacity = CTernData::Capacity(which);
    if (dropIndex < 0 || static_cast<std::size_t>(dropIndex) >= capacity) {
        return 0;
    }
    return std::min(count, capacity - static_cast<std::size_t>(dropIndex));
}

bool DeleteAfterMove(CTernData& project, const CSelection& selection, int which, bool otherWindow) {
    if (selection.empty()) {
        return false;
    }
    if (otherWindow) {
        CDomain::Instance().SaveUndo(kUndoBoth, &project);
    }
    return DeleteItems(project, selection, which, false);
}

void FinishDrag(const CDragRequest& request, CDropResult& result) {
    const CSelection rows = NormaliseSelection(request.selection, request.which);
    if (result.status != DropStatus::Done) {
        result.sourceSelection = rows;
    } else {
        result.sourceSelection =
            ReselectAfterDrop(rows, request.which, result.otherWindow, request.insert, request.dropIndex, result.count);
        if (!request.copy && request.source != nullptr &&
            DeleteAfterMove(*request.source, result.sourceSelection, request.which, result.otherWindow)) {
            result.deletedAfterMove = result.sourceSelection;
        }
    }
    EmptyTransfer();
}

CDropResult DragAndDrop(const CDragRequest& request) {
    CDropResult result;
    if (request.source == nullptr || !StartDrag(*request.source, request.selection, request.which)) {
        result.status = DropStatus::NothingDragged;
        result.sourceSelection = NormaliseSelection(request.selection, request.which);
        EmptyTransfer();
        return result;
    }
    result = Drop(request);
    FinishDrag(request, result);
    return result;
}

} // namespace Orvanta
