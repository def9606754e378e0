#pragma once

#include "storage/OscCodec.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace Orvanta {

class CPatch;

// The sixteen packed oscillator blocks of a patch file, block i at 78 * i.
inline constexpr std::size_t kPackedBlockCount = 16;
inline constexpr std::size_t kPackedPatchSize = kPackedBlockSize * kPackedBlockCount; // 1248

// Codec between the sixteen packed oscillator blocks of a patch file and a CPatch. Stateless: make
// one on the stack for each read or write.
class CSvdManager {
public:
    CSvdManager() = default;
    CSvdManager(const CSvdManager&) = delete;
    CSvdManager& operator=(const CSvdManager&) = delete;
    virtual ~CSvdManager() = default;

    // Unpacks block i into oscillator i of `patch`; true when every block gave 121 values.
    bool UnpackPatch(std::span<const std::uint8_t, kPackedPatchSize> blocks, CPatch& patch) const;
    // Packs oscillator i of `patch` into block i of `blocks`, which the caller has filled with zeros;
    // true when every block took 121 values.
    bool PackPatch(const CPatch& patch, std::span<std::uint8_t, kPackedPatchSize> blocks) const;
};

} // namespace Orvanta
