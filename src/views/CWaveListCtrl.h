#pragma once

#include "views/COrvantaStateBitmap.h"
#include "views/CParameterListCtrl.h"

namespace Orvanta {

// The wave list of a project window (right, captioned "Wave"). A wave used by at least one patch
// shows a red arrow in front of its number.
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

    [[nodiscard]] const COrvantaStateBitmap& Arrow() const { return m_arrow; }

protected:
    // Used waves carry a two-character mark; an empty slot (which may still have a name) has none.
    [[nodiscard]] int MarkPrefixLength(int row) const override;

private:
    COrvantaStateBitmap m_arrow;
};

} // namespace Orvanta
