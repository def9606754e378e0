#pragma once

#include "views/COrvantaStateBitmap.h"
#include "views/CParameterListCtrl.h"

namespace Orvanta {

// The wave list of a project window (right, captioned "Wave"). A wave used by at least one patch
// shows a red arrow in front of its number. The waveform column shows a picture of each used wave's
// sound once CWaveformCache has it: rows on screen ask for theirs while they are painted and are
// repainted when it arrives; after the first paint the other waves are read in the background.
// Empty slots and files without a preview draw nothing there.
class CWaveListCtrl : public CParameterListCtrl {
    Q_OBJECT

public:
    static constexpr const char* kProfileSection = "WaveListCtrl";
    static constexpr const char* kProfileValue = "ColumnWidth";

    explicit CWaveListCtrl(QWidget* parent = nullptr);
    // Stores the column widths.
    ~CWaveListCtrl() override;

    [[nodiscard]] int GetListKind() const override;
    [[nodiscard]] CParameterArray& GetClipboardArray() const override;
    [[nodiscard]] std::span<const ColumnSpec> GetColumnTable() const override;
    [[nodiscard]] std::pair<QString, QString> GetProfileNames() const override;
    // The number column: the text moved right by half the arrow bitmap's width + 2 pixels, and the
    // arrow at the cell's left edge, centred vertically, when the wave is in use.
    void DrawCellText(QPainter& painter, const QRect& rect, int row, int column, const QString& text,
                      Qt::Alignment alignment) const override;

    // Half the arrow bitmap's width + 2 pixels.
    [[nodiscard]] int NumberTextIndent() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Used waves carry a two-character mark; an empty slot (which may still have a name) has none.
    [[nodiscard]] int MarkPrefixLength(int row) const override;

private:
    // Repaints the waveform cells on screen that show `path`.
    void OnWaveformReady(const QString& path);
    // Asks the cache for every used wave's picture, behind the rows on screen.
    void PrefetchWaveforms();

    COrvantaStateBitmap m_arrow;
    // The rows were refilled: the next paint is followed by a prefetch.
    bool m_prefetchDue = false;
};

} // namespace Orvanta
