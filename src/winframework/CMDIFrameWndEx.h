#pragma once

#include <QList>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>

#include <map>

class QAction;
class QMdiArea;
class QMdiSubWindow;

namespace Orvanta {

class CMDIChildWndEx;

// The base of the main window: a multiple-document area with remembered placement ("Window"
// "Position" and "Maximized"), the stored program version and tool-bar layout, the window-list
// pop-up and the window commands.
class CMDIFrameWndEx : public QMainWindow {
    Q_OBJECT

public:
    // Command identifiers of the window commands.
    enum Command : int {
        kCmdWindowListPopup = 57112,
        kCmdFirstWindow = 57113, // 57113 .. 57148: the entries of the window list
        kCmdLastWindow = 57148,
        kCmdMaximizeHeight = 57150,
        kCmdMaximizeWidth = 57151,
        kCmdSaveCurrentPosition = 57152,
    };
    static constexpr int kWindowListMax = 36;

    explicit CMDIFrameWndEx(QWidget* parent = nullptr);
    ~CMDIFrameWndEx() override;

    [[nodiscard]] QMdiArea* MdiArea() const { return m_mdiArea; }

    // Placement before the first show: the stored rectangle fitted into the screen, then the
    // maximised state when "Window"/"Maximized" is set. With no rectangle stored, four fifths of
    // the available area in each direction, placed by the desktop.
    void RestorePlacement();
    // The bounds the stored rectangle is fitted into: the primary screen from (0, 0).
    [[nodiscard]] QRect ScreenBounds() const;
    // The tool-bar and status-bar layout: left at the default docking on the first run of a new
    // program version, otherwise restored from "ControlBar". Bars need object names.
    void RestoreBarState();
    void SaveBarState();

    // The Window menu: the item at `position` is replaced by the window-list pop-up with the same
    // text when the menu opens; -1 switches the pop-up off.
    void SetWindowMenu(QMenu* windowMenu, int position);
    [[nodiscard]] int WindowMenuPosition() const { return m_windowMenuPosition; }
    // The windows the list offers, in order; by default the area's windows in creation order.
    [[nodiscard]] virtual QList<QMdiSubWindow*> CollectWindows() const;
    // Rebuilds the pop-up: at most 36 entries "&1\ttitle" .. "&9", "&A" .. "&Z", the 36th without
    // a mnemonic; the active window's entry is checked.
    void RebuildWindowList();
    [[nodiscard]] QMenu* WindowListMenu() const { return m_windowList; }
    // The mnemonic prefix of entry `index` (0-based): "&1" .. "&9", "&A" .. "&Z", "" for the 36th.
    static QString WindowListPrefix(int index);
    // Command 57112: the window list as a pop-up menu at `globalPosition`.
    void ShowWindowListPopup(const QPoint& globalPosition);
    // Commands 57113 + index: activates that window of the list, restoring it when minimised.
    void ActivateWindowAt(int index);

    // The actions of commands 57112, 57150, 57151 and 57152, for the menus and the accelerators.
    [[nodiscard]] QAction* CommandAction(int command) const;
    // Enables the window commands by the active child's state.
    void UpdateWindowCommands();
    [[nodiscard]] CMDIChildWndEx* ActiveChild() const;
    // Adds a child to the area, applies its stored position and shows it.
    void AddChild(CMDIChildWndEx* child);

protected:
    // Closing: "Window"/"Maximized", "Version"/"FileVersion" and the bar layout are written, then
    // the documents close (CloseDocuments); when they all closed, "Window"/"Position" is written
    // with the restored rectangle and the window closes, else it stays open.
    void closeEvent(QCloseEvent* event) override;
    // Closes every child; false when one refused.
    virtual bool CloseDocuments();

private:
    QAction* MakeCommand(int command, const QString& text);

    QMdiArea* m_mdiArea;
    QPointer<QMenu> m_windowMenu;
    QPointer<QMenu> m_windowList;
    int m_windowMenuPosition = -1;
    std::map<int, QAction*> m_commands;
};

} // namespace Orvanta
