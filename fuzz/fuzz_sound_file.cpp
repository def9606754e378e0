// Fuzzes the sound-reading wrapper over libsndfile with any file image: it either gives details with
// a peak in 0..1 and exactly the asked number of columns, each with min <= max in -1..1, or no
// preview with a reason and no columns. The first byte picks the column count.

#include "sound/SoundFile.h"

#include <cstddef>
#include <cstdint>

using namespace Orvanta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t columns = data[0];
    const SoundAnalysis analysis = AnalyseSoundData(data + 1, size - 1, columns);
    if (!analysis.details) {
        if (analysis.reason.empty() || !analysis.waveform.empty()) {
            __builtin_trap();
        }
        return 0;
    }
    const SoundDetails& details = *analysis.details;
    if (!analysis.reason.empty() || analysis.waveform.size() != columns || !(details.peak >= 0.0) ||
        details.peak > 1.0 || details.frames < 0 || details.channels <= 0 || details.sampleRate <= 0) {
        __builtin_trap();
    }
    for (const WaveformColumn& column : analysis.waveform) {
        if (!(column.min >= -1.0F) || !(column.max <= 1.0F) || column.min > column.max) {
            __builtin_trap();
        }
    }
    return 0;
}
