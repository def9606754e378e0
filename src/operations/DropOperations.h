#pragma once

#include "operations/TransferOperations.h"

#include <cstddef>
#include <vector>

namespace Orvanta {

class CTernData;

// The rules of a drag and drop between lists that do not depend on any window, shared by the
// project window and the command-line tool. A drag runs StartDrag (source), Drop (target) and
// FinishDrag (source, after the drop or when the drag ends without one); DragAndDrop runs all three.

// How a drop ended.
enum class DropStatus {
    Done,           // the items were pasted
    Refused,        // a check failed or the user cancelled; nothing changed
    NoOp,           // a contiguous block dropped onto its own place; nothing changed
    NothingDragged, // no selected slot was in use, so no drag started
};

struct CDragRequest {
    CTernData* source = nullptr; // the project the drag started in
    CTernData* target = nullptr; // the project the items are dropped into (the same for one window)
    int which = 0;               // 0 patches, 1 waves: the kind of both lists
    CSelection selection;        // the dragged slots of the source list, in list order
    int dropIndex = -1;          // target slot of the first dropped item; negative when over no row
    bool insert = false;         // insert (Alt held) instead of overwrite
    bool copy = false;           // copy instead of move
};

struct CDropResult {
    DropStatus status = DropStatus::Refused;
    // True when the target is another project window than the source.
    bool otherWindow = false;
    // Number of items pasted (Done only).
    std::size_t count = 0;
    // After an insert: how many target rows to select from the drop index on; 0 otherwise.
    std::size_t selectCount = 0;
    // Source rows selected once the drag is over: the dragged rows at their places after the drop
    // (Done), or the selection as it was (otherwise). After a move these are the rows emptied.
    CSelection sourceSelection;
    // Source rows emptied by DeleteAfterMove (a successful move only).
    CSelection deletedAfterMove;
};

// Slot indices sorted, without duplicates and without any at or past the end of a list of kind
// `which`: a selection in list order.
[[nodiscard]] CSelection NormaliseSelection(const CSelection& selection, int which);

// Drag start: copies the selected items into the transfer buffer. False, with the buffer left as it
// was, when no slot is selected or every selected slot is empty.
bool StartDrag(const CTernData& source, const CSelection& selection, int which);

// True when the drop would put a contiguous block back where it already is.
[[nodiscard]] bool IsDropOntoOwnPlace(const CSelection& selection, bool sameList, int dropIndex);

// The drop on the target: sets the domain's insert and copy flags from the request and runs Insert
// or Overwrite, unless the drop is onto the block's own place or has nothing to paste.
CDropResult Drop(const CDragRequest& request);

// The source rows that hold the dragged items after a successful drop: unchanged when the target is
// another window; for an insert into the same list, rows at or behind the drop index move back by
// the number inserted and fall away past the last slot; for an overwrite of the same list, rows
// inside the overwritten range are left out.
[[nodiscard]] CSelection ReselectAfterDrop(const CSelection& selection, int which, bool otherWindow, bool insert,
                                           int dropIndex, std::size_t count);

// Rows to select in the target after an insert of `count` items at `dropIndex`.
[[nodiscard]] std::size_t RowsToSelectAfterInsert(int which, std::size_t count, int dropIndex);

// Completes a move on the source: empties the selected slots. A move to another window first
// registers the source project for undo as well, without clearing, so that one Undo restores both
// projects. False when nothing is selected.
bool DeleteAfterMove(CTernData& project, const CSelection& selection, int which, bool otherWindow);

// Source side after the drop: fills in the source selection and, for a successful move, runs
// DeleteAfterMove. Empties the transfer buffer whatever the outcome.
void FinishDrag(const CDragRequest& request, CDropResult& result);

// A whole drag: start, drop and finish.
CDropResult DragAndDrop(const CDragRequest& request);

} // namespace Orvanta
