#include "operations/InsertOperation.h"

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/PasteChecks.h"
#include "operations/TransferOperations.h"
#include "operations/WaveReferences.h"

namespace Orvanta {

namespace {

constexpr std::size_t kReferencesPerPatch = CPatch::kOscCount * COsc::kReferenceCount;

// The references already re-pointed to a moved wave: (patch slot, block, reference) triples that the
// renumbering behind the insertion point must leave alone.
class CReferenceSet {
public:
    explicit CReferenceSet(std::size_t patches) : m_marks(patches * kReferencesPerPatch, 0) {}

    void Add(std::size_t p, std::size_t b, int r) { m_marks[Index(p, b, r)] = 1; }
    [[nodiscard]] bool Contains(std::size_t p, std::size_t b, int r) const {
        return !m_marks.empty() && m_marks[Index(p, b, r)] != 0;
    }

private:
    static std::size_t Index(std::size_t p, std::size_t b, int r) {
        return p * kReferencesPerPatch + b * COsc::kReferenceCount + static_cast<std::size_t>(r);
    }

    std::vector<std::uint8_t> m_marks;
};

// A move of waves inside one window: every reference of a used patch that named a moved wave by its
// number before the drop now names its new slot, and is recorded in `moved`.
void RepointMovedWaves(CTernData& project, std::size_t start, std::size_t n, CReferenceSet& moved) {
    CWaveNumberIndex newSlots;
    for (std::size_t k = start; k < start + n; ++k) {
        newSlots.Add(MarkerOf(project.m_waves[k]) + 1, static_cast<int>(k));
    }
    for (std::size_t p = 0; p < project.m_patches.size(); ++p) {
        CPatch& patch = project.m_patches[p];
        if (patch.IsEmpty()) {
            continue;
        }
        for (std::size_t b = 0; b < CPatch::kOscCount; ++b) {
            for (int r = 0; r < static_cast<int>(COsc::kReferenceCount); ++r) {
                const int k = newSlots.Find(patch.m_osc[b].GetWaveNumber(r));
                if (k >= 0 && patch.m_osc[b].SetWaveNumber(r, k + 1)) {
                    moved.Add(p, b, r);
                }
            }
        }
    }
    for (std::size_t k = start; k < start + n; ++k) {
        RemoveMarker(project.m_waves[k]);
    }
}

// Raises every reference to slot index `start` or behind by n; a number that would pass 999 becomes
// 0 (its wave fell off the end).
void RenumberBehind(CTernData& project, std::size_t start, std::size_t n, const CReferenceSet& moved) {
    for (std::size_t p = 0; p < project.m_patches.size(); ++p) {
        CPatch& patch = project.m_patches[p];
        for (std::size_t b = 0; b < CPatch::kOscCount; ++b) {
            for (int r = 0; r < static_cast<int>(COsc::kReferenceCount); ++r) {
                if (moved.Contains(p, b, r)) {
                    continue;
                }
                const int a = patch.m_osc[b].GetWaveNumber(r);
                if (a > static_cast<int>(start)) {
                    const int raised = a + static_cast<int>(n);
                    patch.m_osc[b].SetWaveNumber(r, raised <= kMaxWaveNumber ? raised : 0);
                }
            }
        }
    }
}

void InsertWaves(CTernData& project, std::size_t start, std::size_t n, bool fromOtherWindow) {
    const CDomain& domain = CDomain::Instance();
    for (std::size_t k = 0; k < n; ++k) {
        project.m_waves.InsertAt(start + k, domain.m_transferWaves.CloneAt(k));
    }
    DeleteItems(project, SlotRange(kWaveSlots, n), kWaveList, false);
    project.m_waves.Resize(kWaveSlots);

    const bool movesInWindow = !fromOtherWindow && domain.m_dropCopies != 1;
    CReferenceSet moved(movesInWindow ? project.m_patches.size() : 0);
    if (movesInWindow) {
        RepointMovedWaves(project, start, n, moved);
    } else {
        for (std::size_t k = start; k < start + n; ++k) {
            project.m_waves[k].ClearUsers();
        }
    }
    RenumberBehind(project, start, n, moved);
}

// Every user entry from `start` on moves back by n, as the patches themselves do.
void ShiftUsers(CWave& wave, std::size_t start, std::size_t n) {
    std::vector<std::int32_t> shifted;
    for (const std::int32_t x : wave.m_users) {
        if (x >= static_cast<std::int32_t>(start)) {
            shifted.push_back(x);
        }
    }
    for (const std::int32_t x : shifted) {
        wave.RemoveUser(x);
    }
    for (const std::int32_t x : shifted) {
        wave.AddUser(x + static_cast<std::int32_t>(n), false);
    }
}

void InsertPatches(CTernData& project, std::size_t start, std::size_t n, bool fromOtherWindow) {
    CDomain& domain = CDomain::Instance();
    const std::vector<std::size_t> slots = project.EmptySlots(kWaveList);
    if (fromOtherWindow) {
        RepointToAccompanyingWaves(domain.m_transferPatches, 0, n, slots);
        for (std::size_t l = 0; l < domain.m_transferWaves.size(); ++l) {
            domain.m_transferWaves[l].ClearUsers();
        }
    }
    CSelection tail;
    for (std::size_t i = kPatchSlots; i > kPatchSlots - n; --i) {
        tail.push_back(i - 1);
    }
    DeleteItems(project, tail, kPatchList, false);
    for (std::size_t j = 0; j < project.m_waves.size(); ++j) {
        ShiftUsers(project.m_waves[j], start, n);
    }
    for (std::size_t k = 0; k < n; ++k) {
        project.m_patches.InsertAt(start + k, domain.m_transferPatches.CloneAt(k));
    }
    if (fromOtherWindow) {
        PlaceAccompanyingWaves(project, slots);
    }
    AddUsersOfPatches(project, start, n);
    project.m_patches.Resize(kPatchSlots);
}

} // namespace

bool CanInsert(CTernData& project, std::size_t start, int which, bool fromOtherWindow) {
    return CanPaste(project, start, which, fromOtherWindow, DestroyedSlots::Tail);
}

std::size_t Insert(CTernData& project, std::size_t start, int which, bool fromOtherWindow) {
    return Paste(project, start, which, fromOtherWindow, DestroyedSlots::Tail, InsertPatches, InsertWaves);
}

} // namespace Orvanta
