#pragma once

#include <cstddef>

namespace Orvanta {

class CTernData;

// The checks of an inserting drop, in this order: a non-empty transfer array of kind `which`, a
// range inside the list (both silent), the question "Do you want to delete the last data, and then
// insert?" when a slot that would fall off the end is in use, and, for items from another window, a
// free wave slot for every accompanying wave (code 6) and the 50 MB limit (code 8; the waves that
// fall off the end are not subtracted). A copy of waves inside one window is held to the 50 MB limit
// as well.
bool CanInsert(CTernData& project, std::size_t start, int which, bool fromOtherWindow);

// Inserts the items of the transfer buffer at `start`; every item from there on moves back by their
// number and as many slots fall off the end of the list. Every wave reference follows the
// renumbering. Registers the project for undo before changing it. Returns the number of inserted
// items, or 0 (nothing changed) when a check refused.
std::size_t Insert(CTernData& project, std::size_t start, int which, bool fromOtherWindow);

} // namespace Orvanta
