#include "model/CPatch.h"

#include <algorithm>

namespace Orvanta {

CPatch::CPatch() {
    Clear();
}

std::unique_ptr<CParameter> CPatch::Clone() const {
    return std::make_unique<CPatch>(*this);
}

std::vector<int> CPatch::UsedWaves() const {
    std::vector<int> numbers;
    numbers.reserve(kOscCount * COsc::kReferenceCount);
    for (const COsc& osc : m_osc) {
        for (int r = 0; r < static_cast<int>(COsc::kReferenceCount); ++r) {
            const int number = osc.GetWaveNumber(r);
            numbers.push_back(IsWaveSlotNumber(number) ? number : 0);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

} // namespace Orvanta
