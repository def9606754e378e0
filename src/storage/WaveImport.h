#pragma once

#include <cstdint>
#include <string>

namespace Orvanta {

class CTernData;

// Wave files are opaque: the librarian needs only their size, extension and name. A project holds
// at most 50 MB of them (kMaxWaveBytes). CTernFileDocument::ImportWaves (WaveImport.cpp) brings
// sound files into free wave slots.

// Sum of the file sizes of the project's used waves (a file that cannot be opened counts 0), in
// 64-bit arithmetic so that large files never wrap to a small total.
[[nodiscard]] std::int64_t TotalWaveSize(const CTernData& project);

// TotalWaveSize in the units shown to the user ("512 Bytes", "1.5 KB", "50.0 MB").
[[nodiscard]] std::string WaveMemoryText(const CTernData& project);

} // namespace Orvanta
