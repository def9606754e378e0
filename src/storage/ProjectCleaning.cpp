#include "storage/ProjectCleaning.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/TransferOperations.h"
#include "operations/WaveReferences.h"

#include <vector>

namespace Orvanta {

namespace {

bool IsPresentWave(const CWaveArray& waves, int number) {
    return IsWaveSlotNumber(number) && static_cast<std::size_t>(number) <= waves.size() &&
           !waves[static_cast<std::size_t>(number) - 1].IsEmpty();
}

} // namespace

bool CleanProject(CTernData& project) {
    const CDomain& domain = CDomain::Instance();
    const bool keepUserWaves = domain.m_waveOption != 0;
    const bool keepPatchNumbering = domain.m_patchOption != 0;
    CPatchArray& patches = project.m_patches;
    CWaveArray& waves = project.m_waves;

    // 1. References to an empty wave slot lead nowhere.
    for (std::size_t p = 0; p < patches.size(); ++p) {
        ForEachReference(patches[p], [&waves](COsc& osc, int r) {
            const int number = osc.GetWaveNumber(r);
            if (number != 0 && !IsPresentWave(waves, number)) {
                osc.SetWaveNumber(r, 0);
            }
        });
    }

    // 2. Users that are empty patch slots are no users.
    for (std::size_t w = 0; w < waves.size(); ++w) {
        CWave& wave = waves[w];
        if (wave.IsEmpty()) {
            wave.ClearUsers();
            continue;
        }
        std::erase_if(wave.m_users, [&patches](std::int32_t user) {
            return user < 0 || static_cast<std::size_t>(user) >= patches.size() ||
                   patches[static_cast<std::size_t>(user)].IsEmpty();
        });
    }

    // 3. The waves to keep. A wave that a present patch refers to is kept even if its user list
    //    missed that patch: dropping it would leave the reference pointing at another wave.
    std::vector<bool> referenced(waves.size() + 1, false);
    for (std::size_t p = 0; p < patches.size(); ++p) {
        if (!patches[p].IsEmpty()) {
            for (const int number : patches[p].UsedWaves()) {
                if (IsPresentWave(waves, number)) {
                    referenced[static_cast<std::size_t>(number)] = true;
                }
            }
        }
    }
    // 4. The kept waves, in their old order, fill the first slots; newNumber maps old to new.
    std::vector<int> newNumber(static_cast<std::size_t>(kMaxWaveNumber) + 1, 0);
    CWaveArray kept;
    for (std::size_t w = 0; w < waves.size(); ++w) {
        const CWave& wave = waves[w];
        if (wave.IsEmpty()) {
            continue;
        }
        const bool keep = !wave.m_users.empty() || referenced[w + 1] || (keepUserWaves && !wave.IsNativeWave());
        if (keep) {
            kept.Append(waves.CloneAt(w));
            newNumber[w + 1] = static_cast<int>(kept.size());
        }
    }
    const std::size_t waveCount = waves.size();
    kept.Resize(waveCount);
    waves.SwapContent(kept);

    // 5. Every active reference follows its wave.
    for (std::size_t p = 0; p < patches.size(); ++p) {
        ForEachReference(patches[p], [&newNumber](COsc& osc, int r) {
            const int number = osc.GetWaveNumber(r);
            if (IsWaveSlotNumber(number)) {
                osc.SetWaveNumber(r, newNumber[static_cast<std::size_t>(number)]);
            }
        });
    }

    // 6. and 7.
    if (!keepPatchNumbering) {
        CPatchArray compacted;
        for (std::size_t p = 0; p < patches.size(); ++p) {
            if (!patches[p].IsEmpty()) {
                compacted.Append(patches.CloneAt(p));
            }
        }
        compacted.Resize(patches.size());
        patches.SwapContent(compacted);
    }
    RebuildWaveUsers(project);
    return true;
}

} // namespace Orvanta
