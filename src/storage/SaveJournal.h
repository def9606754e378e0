#pragma once

#include <string>

namespace Orvanta {

// What became of a save that was interrupted (the process died, the machine lost power) before it
// finished. A save keeps everything it needs inside the target project folder, in the hidden folder
// kSaveStagingFolder, until it has finished; see CTernFileDocumentSave.cpp for the design.
enum class RecoveryOutcome {
    kNothing,    // no interrupted save in this folder
    kRolledBack, // the save had not reached its commit point: the folder is as it was before it
    kCompleted,  // the save had committed: it was finished, the folder is as the save left it
    kFailed,     // an interrupted save is there but could not be finished or undone now
};

// The hidden folder inside a project folder where a save keeps its staged files, the files it
// displaced and its journal.
inline constexpr const char* kSaveStagingFolder = ".orvanta-save";

// True when the project folder (internal form, ending in "/") holds traces of an interrupted save.
// Changes nothing.
[[nodiscard]] bool HasInterruptedSave(const std::string& projectPath);

// Finishes or undoes an interrupted save of the project folder (internal form, ending in "/") so
// that the folder is byte for byte either the project before that save or the project as the save
// would have left it, and removes every trace of it. Safe to run again after being interrupted.
RecoveryOutcome RecoverInterruptedSave(const std::string& projectPath);

// A sentence for the user: which project and what was done ("The interrupted save of ... was
// completed."). Empty for kNothing.
[[nodiscard]] std::string RecoveryText(const std::string& projectPath, RecoveryOutcome outcome);

} // namespace Orvanta
