#pragma once

#include "views/ColumnSpec.h"

namespace Orvanta {

// The columns of the patch and wave lists. The number column is right-aligned and of the number
// kind; its descriptor's range (0 to 127) is never checked, as no list edits the slot numbers. The
// name column is left-aligned text and the only one ever edited. The wave list's waveform column
// holds a picture.
inline constexpr std::uint32_t kNumberColumnFlags = 0x11141;
inline constexpr std::uint32_t kNameColumnFlags = 0x10010;
inline constexpr std::uint32_t kWaveformColumnFlags = 0x00020;

inline constexpr ColumnSpec kPatchColumns[] = {
    {"Number", kNumberColumn, {kNumberColumnFlags, 0.0, 127.0, {0, 0, 2}}},
    {"PatchName", kNameColumn, {kNameColumnFlags, -1.0, -1.0, {-1, -1, -1}}},
};

inline constexpr ColumnSpec kWaveColumns[] = {
    {"Number", kNumberColumn, {kNumberColumnFlags, 0.0, 127.0, {0, 0, 2}}},
    {"WaveName", kNameColumn, {kNameColumnFlags, -1.0, -1.0, {-1, -1, -1}}},
    {"Waveform", kWaveformColumn, {kWaveformColumnFlags, -1.0, -1.0, {-1, -1, -1}}},
};

} // namespace Orvanta
