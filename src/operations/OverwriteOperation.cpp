#include "operations/OverwriteOperation.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/PasteChecks.h"
#include "operations/TransferOperations.h"
#include "operations/WaveReferences.h"

namespace Orvanta {

namespace {

void OverwritePatches(CTernData& project, std::size_t start, std::size_t n, bool fromOtherWindow) {
    DeleteItems(project, SlotRange(start, n), kPatchList, false);
    const CPatchArray& transfer = CDomain::Instance().m_transferPatches;
    for (std::size_t k = 0; k < n; ++k) {
        project.m_patches.Replace(start + k, transfer.CloneAt(k));
    }
    if (fromOtherWindow) {
        const std::vector<std::size_t> slots = project.EmptySlots(kWaveList);
        PlaceAccompanyingWaves(project, slots);
        RepointToAccompanyingWaves(project.m_patches, start, n, slots);
        const std::size_t placed = std::min(slots.size(), CDomain::Instance().m_transferWaves.size());
        for (std::size_t l = 0; l < placed; ++l) {
            project.m_waves[slots[l]].ClearUsers();
        }
    }
    AddUsersOfPatches(project, start, n);
}

// A move inside one window: every reference that named a moved wave at drag start (as the patch
// snapshot in the transfer buffer shows) now names its new slot. The snapshot is read because the
// deletion of the target range has already cleared the references to those slots, and a moved wave
// may have come from that range.
void RepointMovedWaves(CTernData& project, std::size_t start, std::size_t n) {
    const CPatchArray& snapshot = CDomain::Instance().m_transferPatches;
    CWaveNumberIndex moved;
    for (std::size_t k = 0; k < n; ++k) {
        moved.Add(MarkerOf(project.m_waves[start + k]) + 1, static_cast<int>(k));
    }
    const std::size_t patches = std::min(project.m_patches.size(), snapshot.size());
    for (std::size_t p = 0; p < patches; ++p) {
        CPatch& patch = project.m_patches[p];
        const CPatch& before = snapshot[p];
        for (std::size_t b = 0; b < CPatch::kOscCount; ++b) {
            for (int r = 0; r < static_cast<int>(COsc::kReferenceCount); ++r) {
                const int k = moved.Find(before.m_osc[b].GetWaveNumber(r));
                if (k >= 0) {
                    patch.m_osc[b].SetWaveNumber(r, static_cast<int>(start) + k + 1);
                }
            }
        }
    }
    for (std::size_t k = 0; k < n; ++k) {
        RemoveMarker(project.m_waves[start + k]);
    }
}

void OverwriteWaves(CTernData& project, std::size_t start, std::size_t n, bool fromOtherWindow) {
    DeleteItems(project, SlotRange(start, n), kWaveList, false);
    const CDomain& domain = CDomain::Instance();
    for (std::size_t k = 0; k < n; ++k) {
        project.m_waves.Replace(start + k, domain.m_transferWaves.CloneAt(k));
    }
    if (fromOtherWindow || domain.m_dropCopies == 1) {
        for (std::size_t k = 0; k < n; ++k) {
            project.m_waves[start + k].ClearUsers();
        }
    } else {
        RepointMovedWaves(project, start, n);
    }
}

} // namespace

bool CanOverwrite(CTernData& project, std::size_t start, int which, bool fromOtherWindow) {
    return CanPaste(project, start, which, fromOtherWindow, DestroyedSlots::Range);
}

bool Overwrite(CTernData& project, std::size_t start, int which, bool fromOtherWindow) {
    return Paste(project, start, which, fromOtherWindow, DestroyedSlots::Range, OverwritePatches, OverwriteWaves) != 0;
}

} // namespace Orvanta
