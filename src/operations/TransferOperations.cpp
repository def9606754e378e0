#include "operations/TransferOperations.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/WaveReferences.h"

#include <algorithm>

namespace Orvanta {

std::size_t TransferCount(int which) {
    const CDomain& domain = CDomain::Instance();
    switch (which) {
    case kPatchList:
        return domain.m_transferPatches.size();
    case kWaveList:
        return domain.m_transferWaves.size();
    default:
        return 0;
    }
}

void EmptyTransfer() {
    CDomain& domain = CDomain::Instance();
    domain.m_transferPatches.Resize(0);
    domain.m_transferWaves.Resize(0);
}

void CopyToTransfer(const CTernData& project, const CSelection& selection, int which) {
    CDomain& domain = CDomain::Instance();
    if (which == kPatchList) {
        CPatchArray& patches = domain.m_transferPatches;
        patches.Resize(0);
        std::vector<int> numbers;
        for (const std::size_t i : selection) {
            if (i >= project.m_patches.size()) {
                continue;
            }
            patches.Append(project.m_patches.CloneAt(i));
            const std::vector<int> used = project.m_patches[i].UsedWaves();
            numbers.insert(numbers.end(), used.begin(), used.end());
        }
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        CWaveArray& accompanying = domain.m_transferWaves;
        accompanying.Resize(0);
        for (const int n : numbers) {
            const auto slot = static_cast<std::size_t>(n - 1);
            if (!IsWaveSlotNumber(n) || slot >= project.m_waves.size()) {
                continue;
            }
            std::unique_ptr<CWave> clone = project.m_waves.CloneAt(slot);
            clone->AddUser(n, true);
            accompanying.Append(std::move(clone));
        }
    } else if (which == kWaveList) {
        CWaveArray& waves = domain.m_transferWaves;
        waves.Resize(0);
        for (const std::size_t i : selection) {
            if (i >= project.m_waves.size()) {
                continue;
            }
            std::unique_ptr<CWave> clone = project.m_waves.CloneAt(i);
            clone->AddUser(static_cast<std::int32_t>(i), true);
            waves.Append(std::move(clone));
        }
        domain.m_transferPatches.Assign(project.m_patches);
    }
}

namespace {

void DeletePatches(CTernData& project, const CSelection& selection) {
    for (const std::size_t i : selection) {
        if (i >= project.m_patches.size()) {
            continue;
        }
        CPatch& patch = project.m_patches[i];
        patch.SetName("", false);
        patch.m_path.clear();
        ForEachReference(patch, [&](COsc& osc, int r) {
            const int n = osc.GetWaveNumber(r);
            if (IsWaveSlotNumber(n) && static_cast<std::size_t>(n - 1) < project.m_waves.size()) {
                project.m_waves[static_cast<std::size_t>(n - 1)].RemoveUser(static_cast<std::int32_t>(i));
            }
            osc.SetWaveNumber(r, 0);
        });
    }
}

void DeleteWaves(CTernData& project, const CSelection& selection) {
    for (const std::size_t j : selection) {
        if (j >= project.m_waves.size()) {
            continue;
        }
        CWave& wave = project.m_waves[j];
        wave.SetName("", false);
        wave.m_path.clear();
        const int number = static_cast<int>(j + 1);
        const std::vector<std::int32_t> users = wave.m_users;
        for (const std::int32_t p : users) {
            if (p < 0 || static_cast<std::size_t>(p) >= project.m_patches.size()) {
                continue;
            }
            ForEachReference(project.m_patches[static_cast<std::size_t>(p)], [&](COsc& osc, int r) {
                if (osc.GetWaveNumber(r) == number) {
                    osc.SetWaveNumber(r, 0);
                }
            });
        }
        wave.ClearUsers();
    }
}

} // namespace

bool DeleteItems(CTernData& project, const CSelection& selection, int which, bool ask) {
    if (which != kPatchList && which != kWaveList) {
        return false;
    }
    if (ask) {
        CDomain& domain = CDomain::Instance();
        if (domain.MessageReporter().Ask(kButtonsOkCancel, kAskDelete) == kAnswerCancel) {
            return false;
        }
        domain.ClearUndo();
        domain.SaveUndo(kUndoBoth, &project);
    }
    if (which == kPatchList) {
        DeletePatches(project, selection);
    } else {
        DeleteWaves(project, selection);
    }
    return true;
}

CSelection SlotRange(std::size_t start, std::size_t count) {
    CSelection slots(count);
    for (std::size_t k = 0; k < count; ++k) {
        slots[k] = start + k;
    }
    return slots;
}

void AddUsersOfPatches(CTernData& project, std::size_t start, std::size_t count) {
    const std::size_t end = std::min(project.m_patches.size(), start + count);
    for (std::size_t i = start; i < end; ++i) {
        if (project.m_patches[i].IsEmpty()) {
            continue;
        }
        for (const int w : project.m_patches[i].UsedWaves()) {
            if (w > 0 && static_cast<std::size_t>(w) <= project.m_waves.size()) {
                project.m_waves[static_cast<std::size_t>(w - 1)].AddUser(static_cast<std::int32_t>(i), false);
            }
        }
    }
}

void RebuildWaveUsers(CTernData& project) {
    for (std::size_t w = 0; w < project.m_waves.size(); ++w) {
        project.m_waves[w].ClearUsers();
    }
    AddUsersOfPatches(project, 0, project.m_patches.size());
}

void PlaceAccompanyingWaves(CTernData& project, const std::vector<std::size_t>& slots) {
    const CWaveArray& accompanying = CDomain::Instance().m_transferWaves;
    const std::size_t count = std::min(accompanying.size(), slots.size());
    const CSelection targets(slots.begin(), slots.begin() + static_cast<std::ptrdiff_t>(count));
    DeleteItems(project, targets, kWaveList, false);
    for (std::size_t l = 0; l < count; ++l) {
        project.m_waves.Replace(targets[l], accompanying.CloneAt(l));
    }
}

void RepointToAccompanyingWaves(CPatchArray& patches, std::size_t start, std::size_t count,
                                const std::vector<std::size_t>& slots) {
    const CWaveArray& accompanying = CDomain::Instance().m_transferWaves;
    CWaveNumberIndex placed;
    for (std::size_t l = 0; l < accompanying.size() && l < slots.size(); ++l) {
        placed.Add(MarkerOf(accompanying[l]), static_cast<int>(l));
    }
    const std::size_t end = std::min(patches.size(), start + count);
    for (std::size_t i = start; i < end; ++i) {
        ForEachReference(patches[i], [&](COsc& osc, int r) {
            const int l = placed.Find(osc.GetWaveNumber(r));
            if (l >= 0) {
                osc.SetWaveNumber(r, static_cast<int>(slots[static_cast<std::size_t>(l)]) + 1);
            }
        });
    }
}

} // namespace Orvanta
