#include "model/COsc.h"

namespace Orvanta {

namespace {

constexpr std::size_t kSelectorIndex[COsc::kReferenceCount] = {18, 70};
constexpr std::size_t kDigitIndex[COsc::kReferenceCount] = {40, 92};

} // namespace

// clang-format off
const std::array<std::uint8_t, COsc::kValueCount> COsc::kDefaultBlock = {
    0, 1, 0, 127, 0, 0, 1, 127, 64, 64, 64, 64, 64, 127, 0, 0, 0, 1, 0, 64,        //   0-19
    64, 74, 64, 64, 64, 64, 0, 127, 64, 64, 0, 10, 64, 64, 64, 64, 0, 64, 64, 64,  //  20-39
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 64, 64, 64, 2, 64, 64, 64,             //  40-59
    64, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0, 64, 64, 74, 64, 64, 64, 64, 0, 127,          //  60-79
    64, 64, 0, 10, 64, 64, 64, 64, 0, 64, 64, 64, 0, 0, 0, 0, 0, 0, 0, 0,          //  80-99
    0, 0, 0, 0, 64, 64, 64, 64, 2, 64, 64, 64, 64, 0, 0, 0, 1, 1, 0, 1,            // 100-119
    1,                                                                             // 120
};
// clang-format on

COsc::COsc() {
    Init();
}

void COsc::Init() {
    m_values.assign(kDefaultBlock.begin(), kDefaultBlock.end());
}

int COsc::GetSourceSelector(int r) const {
    return m_values[kSelectorIndex[r & 1]];
}

int COsc::GetWaveNumber(int r) const {
    if (GetSourceSelector(r) != 1) {
        return 0;
    }
    const std::size_t d = kDigitIndex[r & 1];
    return ((m_values[d] & 15) << 12) | ((m_values[d + 1] & 15) << 8) | ((m_values[d + 2] & 15) << 4) |
           (m_values[d + 3] & 15);
}

std::size_t COsc::DigitIndex(int r) {
    return kDigitIndex[r & 1];
}

bool COsc::SetWaveNumber(int r, int n) {
    if (GetSourceSelector(r) != 1) {
        return false;
    }
    const std::size_t d = kDigitIndex[r & 1];
    const auto value = static_cast<unsigned>(n);
    m_values[d] = static_cast<std::uint8_t>((value >> 12) & 15U);
    m_values[d + 1] = static_cast<std::uint8_t>((value >> 8) & 15U);
    m_values[d + 2] = static_cast<std::uint8_t>((value >> 4) & 15U);
    m_values[d + 3] = static_cast<std::uint8_t>(value & 15U);
    return true;
}

} // namespace Orvanta
