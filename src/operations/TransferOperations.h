#pragma once

#include "model/CParameterArray.h"

#include <cstddef>
#include <vector>

namespace Orvanta {

class CTernData;

// A selection: slot indices of one list, in list order. Indices at or past the end of the list are
// ignored by every operation.
using CSelection = std::vector<std::size_t>;

// Number of items in the transfer array of kind `which` (0 patches, 1 waves); 0 for another kind.
[[nodiscard]] std::size_t TransferCount(int which);

// Empties both transfer arrays, as every drag does when it ends.
void EmptyTransfer();

// Fills the transfer buffer at the start of a drag. Patches travel with clones of every wave they
// use (ascending wave number, each marked with its source wave number); waves travel marked with
// their source slot index, together with a snapshot of the project's 512 patches.
void CopyToTransfer(const CTernData& project, const CSelection& selection, int which);

// Empties the selected slots and clears every wave reference to or from them; the numbering of all
// other slots stays. With `ask` it first asks "OK to delete?" and registers the project for undo;
// without, the caller has done so. Returns false only when the user cancels (or for an unknown
// kind); nothing changes then.
bool DeleteItems(CTernData& project, const CSelection& selection, int which, bool ask);

// Slot indices start to start + count - 1.
[[nodiscard]] CSelection SlotRange(std::size_t start, std::size_t count);

// Adds the patch slots start to start + count - 1 that are in use to the users of every wave slot
// they reference.
void AddUsersOfPatches(CTernData& project, std::size_t start, std::size_t count);
// Every wave's user list made afresh from the references of the patches in use.
void RebuildWaveUsers(CTernData& project);

// Puts clones of the transfer buffer's accompanying waves into the wave slots `slots` (one per
// wave, in buffer order). A patch may still name one of those empty slots (its wave file was
// missing when the project was loaded); such references are cleared first so that they do not
// silently come to name the arriving wave.
void PlaceAccompanyingWaves(CTernData& project, const std::vector<std::size_t>& slots);

// Re-points the wave references of patches[start .. start + count - 1] that name an accompanying
// wave by its source wave number (its marker) to the slot it is placed in: slots[l] + 1 for the
// accompanying wave l, the first whose marker matches.
void RepointToAccompanyingWaves(CPatchArray& patches, std::size_t start, std::size_t count,
                                const std::vector<std::size_t>& slots);

} // namespace Orvanta
