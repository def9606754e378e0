#include "views/WaveformPicture.h"

#include <QCoreApplication>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cmath>

namespace Orvanta {

namespace {

// Row of `value` (-1..1, clamped) in a picture `height` pixels high: +1 at row 0, -1 at the last row.
int RowOf(float value, int height) {
    const double clamped = std::clamp(static_cast<double>(value), -1.0, 1.0);
    return static_cast<int>(std::lround((1.0 - clamped) / 2.0 * static_cast<double>(height - 1)));
}

QString Tr(const char* text) {
    return QCoreApplication::translate("WaveformPicture", text);
}

} // namespace

std::vector<PixelSpan> WaveformPixelSpans(const std::vector<WaveformColumn>& waveform, int width, int height) {
    std::vector<PixelSpan> spans;
    if (waveform.empty() || width <= 0 || height <= 0) {
        return spans;
    }
    const std::size_t count = waveform.size();
    const auto pixels = static_cast<std::size_t>(width);
    spans.reserve(pixels);
    for (std::size_t x = 0; x < pixels; ++x) {
        const std::size_t first = x * count / pixels;
        const std::size_t last = std::max(first + 1, (x + 1) * count / pixels);
        float low = waveform[first].min;
        float high = waveform[first].max;
        for (std::size_t c = first + 1; c < last; ++c) {
            low = std::min(low, waveform[c].min);
            high = std::max(high, waveform[c].max);
        }
        const int top = RowOf(high, height);
        const int bottom = RowOf(low, height);
        spans.push_back({std::min(top, bottom), std::max(top, bottom)});
    }
    return spans;
}

void DrawWaveform(QPainter& painter, const QRect& rect, const std::vector<WaveformColumn>& waveform) {
    const std::vector<PixelSpan> spans = WaveformPixelSpans(waveform, rect.width(), rect.height());
    const QColor colour = painter.pen().color();
    for (std::size_t x = 0; x < spans.size(); ++x) {
        const int left = rect.left() + static_cast<int>(x);
        painter.fillRect(left, rect.top() + spans[x].top, 1, spans[x].bottom - spans[x].top + 1, colour);
    }
}

QString SoundDetailsText(const SoundAnalysis& analysis) {
    if (!analysis.details) {
        return Tr("No preview: %1").arg(QString::fromStdString(analysis.reason));
    }
    const SoundDetails& details = *analysis.details;
    const QString channels = details.channels == 1   ? Tr("mono")
                             : details.channels == 2 ? Tr("stereo")
                                                     : Tr("%1 channels").arg(details.channels);
    const QString peak =
        details.peak > 0.0
            ? Tr("%1 (%2 dBFS)").arg(details.peak, 0, 'f', 3).arg(20.0 * std::log10(details.peak), 0, 'f', 1)
            : Tr("0 (silence)");
    return Tr("%1, %2\n%3 Hz, %4, %5 bits\n%6 s, %7 frames\nPeak %8")
        .arg(QString::fromStdString(details.format), QString::fromStdString(details.encoding))
        .arg(details.sampleRate)
        .arg(channels)
        .arg(details.bits)
        .arg(details.seconds, 0, 'f', 3)
        .arg(details.frames)
        .arg(peak);
}

} // namespace Orvanta
