#pragma once

#include <QMdiSubWindow>
#include <QRect>

namespace Orvanta {

// The base of every child window inside the main window: remembers one position per placement
// identifier ("Window"/"Position<id>", written only by Save Current Position) and carries the
// Maximize Height and Maximize Width commands.
class CMDIChildWndEx : public QMdiSubWindow {
    Q_OBJECT

public:
    // Placement mode 2 switches position persistence on for the children that follow the mode.
    static constexpr int kPersistentPlacementMode = 2;
    static void SetPlacementMode(int mode);
    [[nodiscard]] static int PlacementMode();

    explicit CMDIChildWndEx(int placementId, QWidget* parent = nullptr);

    // Whether the stored position applies; by default exactly when the placement mode is 2.
    [[nodiscard]] virtual bool IsPlacementPersistent() const;

    // Applies the stored position (left, top, width, height in the client area of the main
    // window) when persistence is on and a position is stored, fitted into the area. Call after
    // adding the window to the area and before showing it. True when a position was applied.
    bool RestorePlacement();
    // Moves the window, and shrinks it no smaller than its minimum size, so that it lies inside the
    // client area of the main window: caption, borders and scroll bars stay within reach. A window
    // that fits, is minimised or maximised, or has no visible area is left as it is.
    void FitIntoArea();
    // Save Current Position: stores the window's restored rectangle.
    void SaveCurrentPosition();
    // The rectangle the window has when neither minimised nor maximised.
    [[nodiscard]] QRect RestoredGeometry() const;

    // Maximize Height: top and bottom of the client area, less the height of a row of minimised
    // windows; Maximize Width: left and right of the client area. Only when the command is enabled.
    void MaximizeHeight();
    void MaximizeWidth();
    // Both are enabled only while the window is neither minimised nor maximised.
    [[nodiscard]] bool CanMaximizeHeightOrWidth() const;
    // The client area left for a child when a row of minimised windows stays visible.
    [[nodiscard]] QRect MaximizeArea() const;

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RememberRestoredGeometry();

    int m_placementId;
    QRect m_restoredGeometry;
};

} // namespace Orvanta
