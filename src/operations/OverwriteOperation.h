#pragma once

#include <cstddef>

namespace Orvanta {

class CTernData;

// The checks of an overwriting drop, in this order: a non-empty transfer array of kind `which`, a
// range inside the list (both silent), the question "Do you want to delete the existing data and
// overwrite it?" when a target slot is in use, and, for items from another window, a free wave slot
// for every accompanying wave (code 6) and the 50 MB limit with the replaced waves subtracted
// (code 8). A copy of waves inside one window adds wave data too and is held to the 50 MB limit.
bool CanOverwrite(CTernData& project, std::size_t start, int which, bool fromOtherWindow);

// Replaces the slots from `start` on by the items of the transfer buffer, keeping every wave
// reference consistent: patches from another window bring their waves into the first empty wave
// slots, waves moved inside one window take the references to them along. Registers the project for
// undo before changing it. False, with nothing changed, when a check refused.
bool Overwrite(CTernData& project, std::size_t start, int which, bool fromOtherWindow);

} // namespace Orvanta
