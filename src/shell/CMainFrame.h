#pragma once

#include "winframework/CMDIFrameWndEx.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <map>

class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QToolBar;

namespace Orvanta {

class CApp;
class CFileDoc;
class CFileFrame;
class CFileView;
class CSearchCommands;
class CClipboardCommands;

// The main window: the multiple-document area with the project windows, the menu bar (menu 4096
// while no project window is active, menu 4107 while one is), the tool bar (New, Open, Save |
// Undo, Delete | Manual) and the status bar with the command prompts and "Ready".
class CMainFrame : public CMDIFrameWndEx {
    Q_OBJECT

public:
    explicit CMainFrame(CApp& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Placement, the bars and their stored layout. False when a bar cannot be made.
    bool Create();

    // The action of a command number, or null.
    [[nodiscard]] QAction* Action(int command) const;
    [[nodiscard]] QToolBar* ToolBar() const { return m_toolBar; }
    // Find, Find Next, Go to Slot and Duplicates.
    [[nodiscard]] CSearchCommands* SearchCommands() const { return m_search; }
    [[nodiscard]] CClipboardCommands* ClipboardCommands() const { return m_clipboard; }
    // 4107 while a project window is active, else 4096.
    [[nodiscard]] int MenuResourceId() const { return m_menuId; }

    // The project window that is current in the area (also while a dialog has the focus), its
    // document and its view; null when there is none.
    [[nodiscard]] CFileFrame* ActiveFileFrame() const;
    [[nodiscard]] CFileDoc* ActiveDocument() const;
    [[nodiscard]] CFileView* ActiveView() const;

    // The main title: the application title alone while no project window is active or the active
    // one is maximised, else "Orvanta Librarian - " + the project path (or the title of an unsaved
    // project) + " " + "*" when modified.
    [[nodiscard]] QString FrameTitle() const;
    void UpdateFrameTitle();

    // A new project window joins the area: stored position, moved aside from windows at the same
    // place, shown and made active.
    void AddFileFrame(CFileFrame* frame);
    // A project window without a stored place: the room of the area from its corner on, as wide as
    // its lists need at most.
    void FitFrameToArea(CFileFrame& frame);
    // Makes `frame` the active project window and brings the main window to the front.
    void ActivateFrame(CFileFrame* frame);
    // Brings the main window to the front, restoring it when minimised.
    void BringToFront();

    // Enables the commands by the current state (the idle update of the command states) and
    // refreshes the project summary in the status bar.
    void UpdateCommandUI();
    // The status bar's summary of the active project window: the rows selected in its two lists,
    // the free patch and wave slots and the wave memory used of the 50 MB; empty without one.
    [[nodiscard]] QString ProjectStatusText() const;
    // Shows the summary beside the status bar's message, shortened to the room the message leaves:
    // its last parts are left out first, the whole of it is in the tool tip.
    void FitProjectStatus();
    // From now on every status-bar message is appended to the file at `path` (nothing when empty);
    // the program turns this on when ORVANTA_STATUS_LOG names a file, for end-to-end tests.
    void LogStatusMessagesTo(const QString& path);
    // Fills the recent-file entries of the File menu.
    void UpdateRecentFileMenu();

    // The project windows of the open documents, in the template's order.
    [[nodiscard]] QList<QMdiSubWindow*> CollectWindows() const override;

    // Files dropped from the desktop onto the main window (anywhere on it, project windows
    // included): one folder dropped alone opens that project, or activates it when it is open.
    // Otherwise folders are skipped and the files imported as waves into the empty wave slots of
    // the active project window, which are then the wave list's selection and scrolled into view.
    // Without an active project window nothing is imported. Returns the number of waves imported.
    int OnDropFiles(const QStringList& paths);
    // The local paths of a drag from the desktop (its URL list); none for other data, among them
    // the lists' own drags.
    [[nodiscard]] static QStringList DroppedPaths(const QMimeData* data);

protected:
    bool CloseDocuments() override;
    bool event(QEvent* event) override;
    // Takes drags of files from the desktop over any widget of this window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* MakeAction(int command, const QString& text);
    void CreateActions();
    bool CreateBars();
    void BuildMenuBar(int menuId);
    void ApplyAccelerators(int menuId);
    void OnSubWindowActivated();
    void ForActiveView(void (CFileView::*command)());
    // Play: the active project window's wave to play (CFileView::WaveToPlay), or Stop when that
    // wave (or nothing playable) is selected while a wave plays.
    void OnPlay();
    // Tile Windows: Qt::Vertical puts the windows one above the other (horizontally tiled),
    // Qt::Horizontal side by side.
    void TileWindows(Qt::Orientation direction);
    // Arrange Icons: the minimised windows in a row along the bottom of the area.
    void ArrangeIcons();

    CApp& m_app;
    std::map<int, QAction*> m_actions;
    QToolBar* m_toolBar = nullptr;
    CSearchCommands* m_search = nullptr;
    CClipboardCommands* m_clipboard = nullptr;
    QLabel* m_projectStatus = nullptr;
    QList<QPointer<QMenu>> m_menus;
    QPointer<QMenu> m_fileMenu;
    QList<QAction*> m_recentActions;
    QPointer<QMdiSubWindow> m_current; // the active project window, read back with qobject_cast
    int m_menuId = 0;
};

} // namespace Orvanta
