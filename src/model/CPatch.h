#pragma once

#include "model/CFileSystem.h"
#include "model/COsc.h"
#include "model/CParameter.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Orvanta {

// A patch: sixteen oscillator blocks with two wave references each.
class CPatch : public CParameter {
public:
    static constexpr std::size_t kOscCount = 16;

    CPatch();
    CPatch(const CPatch& other) = default;
    ~CPatch() override = default;

    [[nodiscard]] std::unique_ptr<CParameter> Clone() const override;

    // Ascending distinct wave numbers over all 32 references. A reference that names no wave, or a
    // number above 999, contributes 0.
    [[nodiscard]] std::vector<int> UsedWaves() const;

    std::array<COsc, kOscCount> m_osc;
    // The packed oscillator blocks of the file m_knownPath as it was read or saved, with that file's
    // stamp then, so that a save can tell the file unchanged without opening it; empty when unknown.
    std::string m_knownPath;
    CFileStamp m_knownStamp;
    std::vector<std::uint8_t> m_knownBlocks;
    // The rest of that file when it is known whole: bytes 30 to 261, then any past the blocks. A
    // save then writes the file from memory instead of copying it; empty when not known.
    std::vector<std::uint8_t> m_knownRest;
};

} // namespace Orvanta
