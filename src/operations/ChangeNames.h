#pragma once

#include "operations/TransferOperations.h"

#include <cstddef>
#include <string>

namespace Orvanta {

// The names the history gives changes, from the display names of the projects involved.

// Slot numbers from 1 of a selection in list order: runs of three or more as "3-5", the others
// one by one, separated by ", " ("1-3, 7, 9").
[[nodiscard]] std::string FormatSlotNumbers(const CSelection& selection);

// "patches" or "waves".
[[nodiscard]] const char* KindPlural(int which);
// "patch" or "wave" for one slot, KindPlural for any other count: "Delete patch 25".
[[nodiscard]] const char* KindWord(int which, std::size_t count);

// A drag or a paste: "Move patches 3-5 from Song.prj to Live.prj at 10", "Copy waves 8, 9 to 20 in
// Song.prj" within one project; "inserted at" instead of "at" for an insert. `verb` is "Copy",
// "Move", "Paste" or "Cut and paste".
[[nodiscard]] std::string NameOfTransfer(const std::string& verb, int which, const CSelection& selection,
                                         const std::string& source, const std::string& target, bool sameProject,
                                         std::size_t number, bool insert);

// "Delete waves 8, 9 in Song.prj".
[[nodiscard]] std::string NameOfDelete(int which, const CSelection& selection, const std::string& project);

// "Rename patches 3-5 in Song.prj to \"Pad\"".
[[nodiscard]] std::string NameOfRename(int which, const CSelection& selection, const std::string& project,
                                       const std::string& text);

// "Import 4 waves into Song.prj" ("1 wave").
[[nodiscard]] std::string NameOfImport(std::size_t count, const std::string& project);

// "Clean Live.prj".
[[nodiscard]] std::string NameOfClean(const std::string& project);

// "Merge duplicate waves in Song.prj".
[[nodiscard]] std::string NameOfMerge(const std::string& project);

} // namespace Orvanta
