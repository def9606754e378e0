#pragma once

#include <cstddef>

namespace Orvanta {

class CTernData;

// Which slots of the target a paste destroys: the range it overwrites, or the tail an insert pushes
// off the end of the list.
enum class DestroyedSlots { Range, Tail };

// The checks before a paste from the transfer buffer, in this order: a non-empty transfer array of
// kind `which`, a range inside the list (both silent), the question when a destroyed slot is in use
// ("Do you want to delete the existing data and overwrite it?" or "... the last data, and then
// insert?"), and, when the paste brings wave data (DropAddsWaveData), a free wave slot for every
// accompanying wave (code 6) and the 50 MB limit (code 8), with the waves of an overwritten range
// subtracted.
bool CanPaste(CTernData& project, std::size_t start, int which, bool fromOtherWindow, DestroyedSlots destroyed);

// Places `n` items of the transfer buffer at slot `start` of one list.
using PasteItems = void (*)(CTernData& project, std::size_t start, std::size_t n, bool fromOtherWindow);

// The one entry of both pastes: when CanPaste agrees, registers the project for undo and hands the
// transfer buffer's items to `patches` or `waves` by `which`. Returns how many items were placed, or
// 0 (nothing changed) when a check refused.
std::size_t Paste(CTernData& project, std::size_t start, int which, bool fromOtherWindow, DestroyedSlots destroyed,
                  PasteItems patches, PasteItems waves);

} // namespace Orvanta
