#pragma once

#include "operations/TransferOperations.h"

namespace Orvanta {

class CParameterListCtrl;

// The one drag of rows between lists that can run at a time, shared by every list and project
// window: set when a list starts a drag and cleared when it ends.
struct DragState {
    bool inProgress = false;
    int anchorRow = -1;      // row at which the drag began
    int anchorOffset = 0;    // selected indices before the anchor's
    bool contiguous = false; // the selected indices form one unbroken run
    bool waveDrag = false;   // the dragged kind is wave
    int dropStart = -1;      // row at which the first dragged element would land
    int dropIndex = -1;      // the effective drop index
    CParameterListCtrl* sourceList = nullptr;
    CParameterListCtrl* targetList = nullptr;
    CParameterListCtrl* lastEnteredList = nullptr;
    bool dropSucceeded = false;
    // The drop is being carried out (its question may be up): the target keeps its feedback.
    bool dropping = false;
    int cursorX = -1;
    int cursorY = -1;
    // The source list's selected slots when the drag began, ascending.
    CSelection selection;

    // 0 for a patch drag, 1 for a wave drag.
    [[nodiscard]] int Which() const { return waveDrag ? 1 : 0; }
    // Whether a contiguous block dropped into the list it came from is back on the row the drag
    // began on, so that it would land where it already is, whatever the effective index says (an
    // insert goes in at the hovered row, not at the block's first row).
    [[nodiscard]] bool IsBackOnOwnPlace(bool sameList) const {
        return sameList && contiguous && dropStart == anchorRow - anchorOffset;
    }

    [[nodiscard]] static DragState& Instance();
};

} // namespace Orvanta
