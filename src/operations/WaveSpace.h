#pragma once

#include "model/CParameterArray.h"

#include <cstddef>
#include <cstdint>

namespace Orvanta {

class CTernData;

// The instrument's limit on the wave data of one project: 50 x 1024 x 1024 bytes.
inline constexpr std::int64_t kMaxWaveBytes = 52428800;

// Size of the file of a used wave: as loading found it while the wave's source is still the file
// loading opened, without looking again; otherwise from the file's entry (0 when it is not there).
[[nodiscard]] std::int64_t WaveFileSize(const CWave& wave);

// Sum of the file sizes of the used waves in slots start to start + count - 1 (clamped to the list).
[[nodiscard]] std::int64_t WaveBytes(const CWaveArray& waves, std::size_t start, std::size_t count);

// Sum of the file sizes of every used wave of the list.
[[nodiscard]] std::int64_t TotalWaveBytes(const CWaveArray& waves);

// True when a drop brings wave data into the project, so that the free-space and 50 MB checks apply:
// items from another window, or a copy of waves inside one window (the domain's copy flag). A move
// inside one window only rearranges the project's own waves.
[[nodiscard]] bool DropAddsWaveData(int which, bool fromOtherWindow);

// True when the project has an empty wave slot for every accompanying wave in the transfer buffer;
// otherwise reports "There is insufficient free wave space." (code 6) and returns false.
bool HasRoomForAccompanyingWaves(const CTernData& project);

// True when `total` bytes of wave data stay within the 50 MB limit; otherwise reports code 8 and
// returns false.
bool StaysWithinWaveLimit(std::int64_t total);

} // namespace Orvanta
