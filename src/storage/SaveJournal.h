#pragma once

#include <string>
#include <utility>
#include <vector>

namespace Orvanta {

// Crash-safe saving. A save never changes a project folder file by file in place. It first copies
// every new file content into the hidden staging folder kSaveStagingFolder inside the target
// project folder ("n-" files: patch data is written there, never into a slot file). Once those
// copies are on stable storage it writes the journal: the list of renames that make the folder
// match memory. Writing the journal (a temporary file renamed into place) is the commit point:
//   1. park: every file the save displaces (an older content of a slot, a file that moves to
//      another slot, a stray, a duplicate, a file of a replaced project) is renamed into the
//      staging folder ("o-" files); then the marker "parked" is written (a save that displaces
//      nothing has no parks and no marker);
//   2. place: every staged copy and every parked file that moves to another slot is renamed to
//      its slot file name; then the journal is renamed to "done";
//   3. the staging folder, with the parked files nobody needs any more, is removed.
// All renames stay on the project's own file system, so each is atomic, and a slot file is never
// seen half written. Whoever opens the folder next finds the staging folder: without a journal the
// save had not committed and the staging folder is simply removed (rolled back: the folder is as
// it was before the save); with a journal the remaining steps are run again (completed: the folder
// is as the save would have left it). Every step can be run again after an interruption.

// What became of a save that was interrupted before it finished.
enum class RecoveryOutcome {
    kNothing,    // no interrupted save in this folder
    kRolledBack, // the save had not reached its commit point: the folder is as it was before it
    kCompleted,  // the save had committed: it was finished, the folder is as the save left it
    kFailed,     // an interrupted save is there but could not be finished or undone now
};

// The hidden folder inside a project folder where a save keeps its staged files, the files it
// displaced and its journal.
inline constexpr const char* kSaveStagingFolder = ".orvanta-save";

// The renames of one save, as paths relative to the project folder: parks move project files into
// the staging folder, places move staging files to their slot file names.
struct SaveJournal {
    std::vector<std::pair<std::string, std::string>> parks;
    std::vector<std::pair<std::string, std::string>> places;
};

// The journal's text form: one rename a line, names with blanks, control bytes and "%" escaped as
// "%XX", a first line naming the format and a last line "end". ParseSaveJournal accepts only what
// FormatSaveJournal writes: relative names that stay inside the project folder, parks out of the
// folder into the staging folder and places back; false for anything else.
[[nodiscard]] std::string FormatSaveJournal(const SaveJournal& journal);
[[nodiscard]] bool ParseSaveJournal(const std::string& text, SaveJournal& journal);

// Starts a save's staging folder in `projectPath` (internal form, ending in "/"), recording the
// folders of `createdFolders` (relative: "" for the project folder, "Patch", "Wave") that this save
// created, so that a rollback removes them again when they are still empty. False when the staging
// folder exists already or cannot be made.
bool BeginSaveStaging(const std::string& projectPath, const std::vector<std::string>& createdFolders);

// Puts the staged files (relative names) and the staging folder on stable storage, then writes the
// journal durably: the commit point. False when anything failed; nothing outside the staging
// folder has changed then.
bool CommitSaveJournal(const std::string& projectPath, const std::vector<std::string>& stagedFiles,
                       const SaveJournal& journal);

// How far RunSaveJournal got.
enum class JournalRun {
    kFailed,   // a rename or a flush failed: the save is not finished yet
    kPlaced,   // every file is in place; the staging folder could not be removed (the next open does)
    kFinished, // every file is in place and the staging folder is gone
};

// Runs the committed journal's renames from wherever they stand and removes the staging folder.
JournalRun RunSaveJournal(const std::string& projectPath, const SaveJournal& journal);

// Removes a staging folder whose save never committed, and the folders it recorded as created
// when they are empty.
bool DiscardSaveStaging(const std::string& projectPath);

// True when the project folder (internal form, ending in "/") holds traces of an interrupted save.
// Changes nothing.
[[nodiscard]] bool HasInterruptedSave(const std::string& projectPath);

// Finishes or undoes an interrupted save of the project folder (internal form, ending in "/") so
// that the folder is byte for byte either the project before that save or the project as the save
// would have left it, and removes every trace of it. Safe to run again after being interrupted.
RecoveryOutcome RecoverInterruptedSave(const std::string& projectPath);

// A sentence for the user: which project and what was done. Empty for kNothing.
[[nodiscard]] std::string RecoveryText(const std::string& projectPath, RecoveryOutcome outcome);

} // namespace Orvanta
