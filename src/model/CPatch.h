#pragma once

#include "model/COsc.h"
#include "model/CParameter.h"

#include <array>
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
};

} // namespace Orvanta
