#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Orvanta {

class CFileLock;

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
// When the places cannot be completed (a rename that keeps failing), the save is undone from the
// parked files instead: the marker "undo" is written, every placed file goes back to the staging
// folder and every parked file back to its old name, in reverse order; once the marker is there,
// every later run continues the undoing. Either way the folder opens again, old or new.
//
// What recovery trusts: the staging folder of a project from elsewhere may be crafted. A journal
// names only files of the project folder itself, of "Patch/" and "Wave/" (never those folders nor
// the program's own ".orvanta-" files), and of the staging folder only "n-" and "o-" files; what
// stands at those names must be a file or a link moved as a link, never a folder. None of those
// folders, nor the journal and the markers, may be a symbolic link (or on Windows any reparse
// point), so no rename ever leads out of the project folder; records are read without following a
// link and only up to a length no save's record reaches. A journal that breaks a rule is refused
// and left as it is for the user.
//
// One process at a time saves or recovers a project: each holds the project's save lock (the lock
// file kSaveLockName in the project folder, an advisory lock the system releases when the process
// dies) for the whole save or recovery; another one waits briefly, then reports that the project is
// being saved by another program and touches nothing.

// What became of a save that was interrupted before it finished.
enum class RecoveryOutcome {
    kNothing,    // no interrupted save in this folder
    kRolledBack, // the save had not reached its commit point: the folder is as it was before it
    kCompleted,  // the save had committed: it was finished, the folder is as the save left it
    kFailed,     // an interrupted save is there but could not be finished or undone now
    kRefused,    // its journal names files outside the folder or leads there through a link: left as it is
    kBusy,       // another process is saving or recovering the project: nothing was touched
};

// True for the outcomes after which the project folder holds a whole project again.
[[nodiscard]] inline bool IsRecovered(RecoveryOutcome outcome) {
    return outcome == RecoveryOutcome::kNothing || outcome == RecoveryOutcome::kRolledBack ||
           outcome == RecoveryOutcome::kCompleted;
}

// The hidden folder inside a project folder where a save keeps its staged files, the files it
// displaced and its journal.
inline constexpr const char* kSaveStagingFolder = ".orvanta-save";
// The folder inside a project folder where a save keeps the files it removes that no trash takes.
inline constexpr const char* kKeptFilesFolder = "Kept files";
// The lock file in a project folder that a save or a recovery holds locked while it runs.
inline constexpr const char* kSaveLockName = ".orvanta-lock";
// The lock file in a project folder that a program holds locked while it has the project open.
inline constexpr const char* kOpenMarkerName = ".orvanta-open";

// The renames of one save, as paths relative to the project folder: parks move project files into
// the staging folder, places move staging files to their slot file names.
struct SaveJournal {
    std::vector<std::pair<std::string, std::string>> parks;
    std::vector<std::pair<std::string, std::string>> places;
};

// The journal's text form: one rename a line, names with blanks, control bytes and "%" escaped as
// "%XX", a first line naming the format and a last line "end". ParseSaveJournal accepts only what
// FormatSaveJournal writes: names of files in the project folder itself, in "Patch/" or in "Wave/",
// parks out of those into the staging folder and places back; false for anything else.
[[nodiscard]] std::string FormatSaveJournal(const SaveJournal& journal);
[[nodiscard]] bool ParseSaveJournal(const std::string& text, SaveJournal& journal);

// Starts a save's staging folder in `projectPath` (internal form, ending in "/"), recording the
// folders of `createdFolders` (relative: "" for the project folder, "Patch", "Wave") that this save
// created, so that a rollback removes them again when they are still empty. False when the staging
// folder exists already or cannot be made.
bool BeginSaveStaging(const std::string& projectPath, const std::vector<std::string>& createdFolders);

// Puts the staged files (relative names) and the staging folder on stable storage, then writes the
// journal durably: the commit point. False when anything failed; nothing outside the staging
// folder has changed then. `stillAsPlanned`, when given, is asked last before the journal is put in
// place (after the long flushes): false stops the commit.
bool CommitSaveJournal(const std::string& projectPath, const std::vector<std::string>& stagedFiles,
                       const SaveJournal& journal, const std::function<bool()>& stillAsPlanned = {});

// How far RunSaveJournal got.
enum class JournalRun {
    kFailed,   // a rename or a flush failed: the save is not finished yet
    kPlaced,   // every file is in place; the staging folder could not be removed (the next open does)
    kFinished, // every file is in place and the staging folder is gone
};

// Called after each file a journal run moved, trashed or deleted, for the save's progress.
using ProgressStep = std::function<void()>;

// Runs the committed journal's renames from wherever they stand and removes the staging folder. A
// file that another program put where a place must go is moved aside under a stray's name (never
// overwritten), which is added to `setAside`.
JournalRun RunSaveJournal(const std::string& projectPath, const SaveJournal& journal, const ProgressStep& step = {},
                          std::vector<std::string>* setAside = nullptr);

// Undoes a committed save whose places cannot be completed: writes the "undo" marker, moves every
// placed file back into the staging folder and every parked file back to its old name, then
// removes the staging folder and the folders the save created. True when the folder is as it was
// before the save (its tidying up may be left to the next open). Each step finds what is done
// already, so the undoing can be run again from wherever it stopped; the journal is removed once
// every file is back, and the marker "undo" after it. A file that another program put at a parked
// file's old name is moved aside as in RunSaveJournal.
bool RollBackSaveJournal(const std::string& projectPath, const SaveJournal& journal,
                         std::vector<std::string>* setAside = nullptr);

// The first folder or record that a recovery of `projectPath` would reach through a symbolic link
// ("Wave", ".orvanta-save/journal"), relative to the project folder; empty when there is none.
// `journal` adds the files it names.
[[nodiscard]] std::string FirstLinkInTheWay(const std::string& projectPath, const SaveJournal* journal = nullptr);

// The project's save lock (kSaveLockName in the folder, internal form ending in "/"), waiting up to
// `waitMilliseconds` while another process holds it. Null when another process holds it still; also
// null, with `busy` false, when the lock file cannot be made (a read-only folder: nothing can be
// saved there either, and there is nothing to wait for). Null with `busy` true, and the reason in
// `unusable` when given, when what is at the lock file's name can never be locked (a folder).
[[nodiscard]] std::unique_ptr<CFileLock> AcquireSaveLock(const std::string& projectPath, int waitMilliseconds,
                                                         bool& busy, std::string* unusable = nullptr);
// Removes a save lock file that a process which died left in the project folder, when no process
// holds it; leaves everything else as it is.
void RemoveStaleSaveLock(const std::string& projectPath);
// How long a save or a recovery waits for another process's save lock.
inline constexpr int kSaveLockWaitMilliseconds = 2000;

// Removes a staging folder whose save never committed, and the folders it recorded as created
// when they are empty.
bool DiscardSaveStaging(const std::string& projectPath);

// True when the project folder (internal form, ending in "/") holds traces of an interrupted save.
// Changes nothing.
[[nodiscard]] bool HasInterruptedSave(const std::string& projectPath);

// Finishes or undoes an interrupted save of the project folder (internal form, ending in "/") so
// that the folder is byte for byte either the project before that save or the project as the save
// would have left it, and removes every trace of it. Safe to run again after being interrupted.
// Takes the project's save lock for the time it works (kBusy when another process holds it).
// Records that are links, that are longer than any a save writes, or that name anything but files
// of the project (a folder, a marker) are refused. A folder that holds nothing but a save lock left
// behind (a Save As into a new folder stopped as it began) is removed (kRolledBack). Files found in
// the way and moved aside are added to `setAside` (relative names).
RecoveryOutcome RecoverInterruptedSave(const std::string& projectPath, std::vector<std::string>* setAside = nullptr);
// The same for a caller that holds the project's save lock already.
RecoveryOutcome RecoverInterruptedSaveLocked(const std::string& projectPath,
                                             std::vector<std::string>* setAside = nullptr);

// A sentence for the user: which project and what was done. Empty for kNothing.
[[nodiscard]] std::string RecoveryText(const std::string& projectPath, RecoveryOutcome outcome);
// The same, naming the files found in the way and kept under another name.
[[nodiscard]] std::string RecoveryText(const std::string& projectPath, RecoveryOutcome outcome,
                                       const std::vector<std::string>& setAside);

} // namespace Orvanta
