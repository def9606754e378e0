#pragma once

#include "operations/TransferOperations.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Orvanta {

class CTernData;

// The window-independent core of the editing commands, shared by the project window and the
// command-line tool.

// True when at least one selected slot is in use: the Delete command has something to delete.
[[nodiscard]] bool CanDeleteSelection(const CTernData& project, const CSelection& selection, int which);

// The Delete command: nothing happens when no selected slot is in use; otherwise DeleteItems with
// the question "OK to delete?" (which registers the project for undo). True when the deletion was
// carried out.
bool DeleteSelection(CTernData& project, const CSelection& selection, int which);

// The Undo command's domain side: when an undo state exists, restores the registered projects (a
// second call redoes) and returns them, so that the caller marks them modified and refreshes their
// windows. Returns no project when there is nothing to undo.
std::vector<CTernData*> UndoLastChange();

// Clean Project's undo registration: clears the undo state, registers both lists of the project,
// then runs `clean` on it and returns its result.
bool CleanProjectWithUndo(CTernData& project, const std::function<bool(CTernData&)>& clean);

// Characters that cannot appear in file names and are dropped from a new name: \ / * ? : " < > |
[[nodiscard]] std::string FilterName(std::string_view text);

// Renames the elements at `indices` of the list `which` (in the given order) to `text` without the
// characters that cannot appear in file names, cut to 12 characters; indices at or past the end of
// the list are skipped. The list is registered for undo once, before the first element changes, so
// one Undo restores every name. Returns the number of elements renamed.
std::size_t RenameElements(CTernData& project, int which, const CSelection& indices, std::string_view text);

} // namespace Orvanta
