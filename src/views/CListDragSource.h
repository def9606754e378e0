#pragma once

#include <QString>

class QMimeData;

namespace Orvanta {

class CParameterListCtrl;

// The drag source side of dragging rows between lists. The dragged elements do not travel in the
// drag data: the start copies the selection into the domain's transfer buffer, the data only marks
// the drag with the format of its kind (4 zero bytes that nobody reads), and the drop runs the
// receiving project window's paste (COleListDropTarget). Finish completes the drag on the source:
// it selects the dragged rows at their places after the drop, empties them after a move, and
// empties the transfer buffer whatever happened.
//
// Run holds the platform's modal drag loop; Begin and Finish are the parts before and after it, so
// that tests can drive the drop target in between.
class CListDragSource {
public:
    static constexpr const char* kPatchFormat = "OrvantaLibrarian_Patch";
    static constexpr const char* kWaveFormat = "OrvantaLibrarian_Wave";
    // Size of the drag data in bytes.
    static constexpr int kDataSize = 4;

    // The format of the list kind `which` (0 patches, 1 waves).
    [[nodiscard]] static QString Format(int which);
    // Whether `data` comes from a drag of rows of this program (either kind).
    [[nodiscard]] static bool IsListDrag(const QMimeData* data);
    // New drag data for the kind `which`.
    [[nodiscard]] static QMimeData* MakeDragData(int which);

    // Starts a drag of `list`'s selection with the pointer on `row`: the drag state is set up and the
    // selection copied into the transfer buffer. False, with nothing changed, when no row is selected,
    // every selected slot is empty, or the list has no project window.
    static bool Begin(CParameterListCtrl& list, int row);
    // Completes the drag after the drag loop (see above) and clears the drag state.
    static void Finish();
    // Begin, the drag loop offering copy and move, Finish. Returns when the drag is over.
    static void Run(CParameterListCtrl& list, int row);

private:
    // Records the drop that succeeded in the history of changes, named by what it did.
    static void NameDrop(CParameterListCtrl& source, CParameterListCtrl& target, bool insert, bool copy);
};

} // namespace Orvanta
