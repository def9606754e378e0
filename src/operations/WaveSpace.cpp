#include "operations/WaveSpace.h"

#include "model/CDomain.h"
#include "model/CTernData.h"

#include <algorithm>

namespace Orvanta {

std::int64_t WaveFileSize(const CWave& wave) {
    const std::int64_t known = wave.KnownStamp().size;
    return known >= 0 ? known : CDomain::Instance().FileSize(wave.m_path);
}

std::int64_t WaveBytes(const CWaveArray& waves, std::size_t start, std::size_t count) {
    const std::size_t end = std::min(waves.size(), start + std::min(count, waves.size()));
    std::int64_t total = 0;
    for (std::size_t i = start; i < end; ++i) {
        if (!waves[i].IsEmpty()) {
            total += WaveFileSize(waves[i]);
        }
    }
    return total;
}

std::int64_t TotalWaveBytes(const CWaveArray& waves) {
    return WaveBytes(waves, 0, waves.size());
}

bool DropAddsWaveData(int which, bool fromOtherWindow) {
    return fromOtherWindow || (which == kWaveList && CDomain::Instance().m_dropCopies == 1);
}

bool HasRoomForAccompanyingWaves(const CTernData& project) {
    CDomain& domain = CDomain::Instance();
    if (project.CountEmpty(kWaveList) < domain.m_transferWaves.size()) {
        domain.MessageReporter().Error(kErrorWaveSpace);
        return false;
    }
    return true;
}

bool StaysWithinWaveLimit(std::int64_t total) {
    if (total > kMaxWaveBytes) {
        CDomain::Instance().MessageReporter().Error(kErrorWaveSize);
        return false;
    }
    return true;
}

} // namespace Orvanta
