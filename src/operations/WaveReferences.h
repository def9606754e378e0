#pragma once

#include "model/COsc.h"
#include "model/CPatch.h"
#include "model/CWave.h"

#include <cstdint>
#include <vector>

namespace Orvanta {

// Calls f(osc, r) for each of the patch's 32 wave references: blocks 0 to 15, reference 0 then 1.
template <class Patch, class Visitor> void ForEachReference(Patch& patch, Visitor&& visit) {
    for (auto& osc : patch.m_osc) {
        for (int r = 0; r < static_cast<int>(COsc::kReferenceCount); ++r) {
            visit(osc, r);
        }
    }
}

// The marker a wave clone carries through the transfer buffer (its last user entry), or -1 when it
// carries none.
inline std::int32_t MarkerOf(const CWave& wave) {
    return wave.m_users.empty() ? -1 : wave.m_users.back();
}

inline void RemoveMarker(CWave& wave) {
    if (!wave.m_users.empty()) {
        wave.m_users.pop_back();
    }
}

// Looks up, for a wave number 1 to 999, the first of a list of waves whose number it is; -1 for
// any number that names none of them (0, or above 999).
class CWaveNumberIndex {
public:
    CWaveNumberIndex() : m_positions(kMaxWaveNumber + 1, -1) {}

    // Records `position` for `number` unless an earlier position already has it.
    void Add(int number, int position) {
        if (IsWaveSlotNumber(number) && m_positions[static_cast<std::size_t>(number)] < 0) {
            m_positions[static_cast<std::size_t>(number)] = position;
        }
    }

    [[nodiscard]] int Find(int number) const {
        return IsWaveSlotNumber(number) ? m_positions[static_cast<std::size_t>(number)] : -1;
    }

private:
    std::vector<int> m_positions;
};

} // namespace Orvanta
