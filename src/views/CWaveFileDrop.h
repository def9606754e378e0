#pragma once

#include <QPoint>
#include <QStringList>

class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QWidget;

namespace Orvanta {

class CParameterListCtrl;

// Sound files dropped from the desktop onto a wave list: they are imported into the free slots
// from the row under the cursor on (files the instrument plays as they are, the others converted),
// and while the drag is over the list a line above that row shows where. Drags of the librarian's
// own rows are left to the list's drop target (COleListDropTarget).
class CWaveFileDrop {
public:
    // Whether `data` is files from outside (local file URLs, no list rows of this program).
    [[nodiscard]] static bool IsFileDrag(const QMimeData* data);
    // The local files of such a drag; folders are left out.
    [[nodiscard]] static QStringList Files(const QMimeData* data);

    // Whether `widget` is the rows' area of a project window's wave list, which takes desktop files
    // dropped on it itself (the main window's catch-all for dropped files leaves it alone).
    [[nodiscard]] static bool TakesFilesAt(const QWidget* widget);

    // The list's drag handlers call these first; false leaves the event to the list's drop target.
    static bool DragMove(CParameterListCtrl& list, QDragMoveEvent* event, QPoint point);
    static void DragLeave(CParameterListCtrl& list);
    static bool Drop(CParameterListCtrl& list, QDropEvent* event, QPoint point);

    // The row a drop at `point` (viewport coordinates) lands on; -1 where no row is.
    [[nodiscard]] static int DropRow(const CParameterListCtrl& list, QPoint point);
    // Whether the drop line is shown on `list`, and above which row.
    [[nodiscard]] static bool IsLineShown(const CParameterListCtrl& list);
    [[nodiscard]] static int LineRow();
};

} // namespace Orvanta
