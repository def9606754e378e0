#pragma once

#include <optional>

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <cstdint>

class QDragMoveEvent;
class QDropEvent;
class QMimeData;

namespace Orvanta {

class CFileView;
class CParameterListCtrl;

// The drop target of one patch or wave list. It accepts only drags started by a list of this
// program (their data carries the list kind's format) and, by the kind rule, only of its own kind;
// it chooses the effect from Ctrl and the insert keys, keeps the drop position of the drag state
// up to date from the cursor, scrolls the list near its top and bottom, tells the project window
// how long the cursor has rested over it, and runs the project window's paste at the drop.
//
// The list forwards its drag events to the event handlers; the handlers taking a point (viewport
// coordinates) hold the logic and are what tests drive.
class COleListDropTarget : public QObject {
    Q_OBJECT

public:
    // Interval of the periodic drag-over work while the cursor rests: hover time and auto-scroll.
    static constexpr int kTickMs = 50;

    explicit COleListDropTarget(CParameterListCtrl& list);
    ~COleListDropTarget() override;

    // Makes the list and its header accept drops and takes the format of the list's kind. The
    // header counts as the zone above the first row, where the list scrolls up. The patch list's
    // target also watches the form around the lists, so that resting over any part of a project
    // window counts for raising it.
    void Register();
    [[nodiscard]] bool IsRegistered() const { return !m_format.isEmpty(); }
    [[nodiscard]] const QString& Format() const { return m_format; }

    // Whether this list may receive the drag under way: the patch list for a patch drag, the
    // wave list for a wave drag.
    [[nodiscard]] bool PassesKindRule() const;

    // The effect: over the list the drag started from, move unless Ctrl is held (then copy); over
    // any other list, copy unless Ctrl is held (then move).
    [[nodiscard]] static Qt::DropAction EffectFor(bool overSourceList, Qt::KeyboardModifiers modifiers);
    // Insert instead of overwrite: Alt, or Shift for desktops that keep Alt with a mouse button.
    [[nodiscard]] static bool InsertRequested(Qt::KeyboardModifiers modifiers);

    // What a drop here would do, for the status bar: "Drop: copy 3 patches to 12, overwriting".
    // `dropNumber` is the slot number (from 1) where the first item lands.
    [[nodiscard]] static QString DropStatusText(Qt::DropAction effect, bool inserts, int count, int which,
                                                int dropNumber);

    // The handlers. They return the effect to show (Qt::IgnoreAction: no drop here).
    Qt::DropAction DragEnter(const QMimeData* data, QPoint point, Qt::KeyboardModifiers modifiers);
    Qt::DropAction DragOver(const QMimeData* data, QPoint point, Qt::KeyboardModifiers modifiers);
    void DragLeave();
    // True when the paste was carried out.
    bool Drop(const QMimeData* data, QPoint point, Qt::KeyboardModifiers modifiers);
    // One auto-scroll step for the cursor at `point`; true when it scrolled.
    bool DragScroll(QPoint point);

    // The list's event handlers call these; `point` is the event's position in viewport
    // coordinates.
    void OnDragMoveEvent(QDragMoveEvent* event, QPoint point, bool entering);
    void OnDropEvent(QDropEvent* event, QPoint point);

protected:
    // Drag events over the header, passed on as events above the first row; over the form, only
    // the time the cursor rests there.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows `text` in the status bar of the main window around the list while the drag is over it;
    // an empty text puts back the message that was there before.
    void ShowDropStatus(const QString& text);

    [[nodiscard]] CFileView* View() const;
    [[nodiscard]] bool Carries(const QMimeData* data) const;
    // The cursor has moved to `point` (or rests there): restarts the hover clock when it moved and
    // tells the project window how long it has rested.
    void TrackHover(QPoint point);
    // Recomputes the drop position for the cursor at `point`; false over no row.
    bool UpdateDropPosition(QPoint point);
    // Sets the domain's insert and copy flags; returns the effect.
    Qt::DropAction ApplyModifiers(Qt::KeyboardModifiers modifiers);
    void OnTick();
    void StopTracking();
    // A drag over the form around the lists: no drop there, but the hover time counts.
    bool OnFormDragEvent(QEvent* event);

    CParameterListCtrl& m_list;
    QWidget* m_form = nullptr;
    QString m_format;
    std::int64_t m_scrollStartSecond = 0;
    QPoint m_lastPoint{-1, -1};
    QElapsedTimer m_sinceMove;
    QTimer m_ticker;
    // The status bar message from before the drag came over this list; null while none is shown.
    std::optional<QString> m_statusBefore;
};

} // namespace Orvanta
