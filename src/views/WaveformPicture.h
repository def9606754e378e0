#pragma once

#include "sound/SoundFile.h"

#include <QString>

#include <vector>

class QPainter;
class QRect;

namespace Orvanta {

// How a waveform is drawn into a picture `height` pixels high and `width` wide: every pixel column
// merges the waveform columns that fall into it (the smallest minimum and the largest maximum) and
// becomes a vertical line from the maximum down to the minimum. +1 is the top row, -1 the bottom row
// and 0 the middle; silence is a one-pixel line in the middle.
struct PixelSpan {
    int top = 0;
    int bottom = 0;
    bool operator==(const PixelSpan&) const = default;
};
[[nodiscard]] std::vector<PixelSpan> WaveformPixelSpans(const std::vector<WaveformColumn>& waveform, int width,
                                                        int height);

// Draws the waveform into `rect` with the painter's pen colour.
void DrawWaveform(QPainter& painter, const QRect& rect, const std::vector<WaveformColumn>& waveform);

// The details of a sound file for a tooltip: format and encoding, rate, channels, bits, length and
// peak level; or "No preview" and the reason.
[[nodiscard]] QString SoundDetailsText(const SoundAnalysis& analysis);

} // namespace Orvanta
