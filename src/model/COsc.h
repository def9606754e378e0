#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace Orvanta {

// Base of data blocks.
class CData {
public:
    CData() = default;
    CData(const CData&) = default;
    CData& operator=(const CData&) = default;
    virtual ~CData() = default;
    virtual void Init() {}
};

// Highest wave number that names a slot of a project's wave list. A larger number can only come
// from a damaged file; it is never used as a slot index and counts as no wave.
inline constexpr int kMaxWaveNumber = 999;

// True when `number` names a wave slot (1 to 999).
constexpr bool IsWaveSlotNumber(int number) {
    return number >= 1 && number <= kMaxWaveNumber;
}

// One oscillator block: 121 parameter values, of which the librarian reads only the two wave
// references (source selector and four 4-bit digits each).
class COsc : public CData {
public:
    static constexpr std::size_t kValueCount = 121;
    static constexpr std::size_t kReferenceCount = 2;
    static const std::array<std::uint8_t, kValueCount> kDefaultBlock;

    COsc();
    COsc(const COsc&) = default;
    COsc& operator=(const COsc&) = default;
    ~COsc() override = default;

    // Resets the 121 values to the default block.
    void Init() override;

    // Source selector of reference r (0 or 1); 1 means the reference names a wave of the project.
    [[nodiscard]] int GetSourceSelector(int r) const;
    // The stored wave number of reference r, or 0 when its selector is not 1.
    [[nodiscard]] int GetWaveNumber(int r) const;
    // Writes n into the four digits of reference r; refused (false) when its selector is not 1.
    bool SetWaveNumber(int r, int n);
    // Index of the first of the four values that hold reference r's digits, high digit first.
    [[nodiscard]] static std::size_t DigitIndex(int r);

    std::vector<std::uint8_t> m_values;
};

} // namespace Orvanta
