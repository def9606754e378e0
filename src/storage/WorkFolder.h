#pragma once

#include <functional>
#include <string>

namespace Orvanta {

// The work folder: where the librarian keeps temporary copies of files (imported waves before their
// first save, files displaced by a save or by closing a project while other projects still use
// them). The front end chooses a folder (the GUI one under the application data folder, the
// command-line tool a private temporary folder per run, or the one the user names) and calls
// SetUpWorkFolder once at start-up and CleanWorkFolder at exit. Every process works in a private
// sub-folder of the chosen folder of its own, so that processes sharing a chosen folder never take
// each other's names, and cleaning removes only what this process made there.

// Name of the work folder under the GUI's application data folder.
inline constexpr const char* kWorkFolderName = "OrvantaWork";
// Environment variable that, when set and not empty, names the work folder instead.
inline constexpr const char* kWorkFolderVariable = "ORVANTA_WORK_FOLDER";
// Message of a failed SetUpWorkFolder, shown by the front end before it ends the start.
inline constexpr const char* kWorkFolderErrorText = "Unable to create a work folder.";
// Error code of failures without a message of their own ("Undefined error.").
inline constexpr int kErrorUndefined = 10;

// The path named by ORVANTA_WORK_FOLDER when that is set and not empty, else `defaultPath`.
[[nodiscard]] std::string ChooseWorkFolderPath(const std::string& defaultPath);

// Beginning of the name of each process's sub-folder: "run-", the process id, "-" and a unique tail.
inline constexpr const char* kRunFolderPrefix = "run-";

// Creates the one folder `path` (its parent must exist) with access for this user only: mode 0700
// on POSIX systems; on Windows owned by this user, with an ACL of its own (nothing inherited) that
// lets in only this user and the system. False when anything is at the name or it cannot be made.
[[nodiscard]] bool CreateOwnerOnlyFolder(const std::string& path);

// This process's id, as the names of the sub-folders carry it.
[[nodiscard]] int CurrentProcessId();

// 16 hexadecimal digits from a generator seeded once per process by std::random_device, so that
// processes started at the same moment neither repeat nor foresee each other's names.
[[nodiscard]] std::string RandomNameTail();

// Creates the folder `stem` + a tail as CreateOwnerOnlyFolder does and returns its path; empty on
// failure. Tails come from `nextTail`: a name that is taken is never used, the next tail is tried
// instead (up to 100), and a failure of any other kind ends the attempt.
[[nodiscard]] std::string CreateUniquePrivateFolder(const std::string& stem,
                                                    const std::function<std::string()>& nextTail = RandomNameTail);

// Creates the folder at the absolute `path` (and missing parent folders) with access for the owner
// only, or accepts it when it already exists as a real folder of this user that no other user may
// enter. A relative or empty path, a symbolic link, something that is not a folder, a folder of
// another user or one open to group or others is refused. In the accepted folder, empty sub-folders
// left by processes that have ended are removed (never one that holds anything), and a new
// sub-folder of this process is created with access for the owner only. On success the domain's
// work folder becomes that sub-folder, with "/" separators and a trailing "/"; on failure nothing
// is set up and CleanWorkFolder does nothing. Each call makes a new sub-folder.
bool SetUpWorkFolder(const std::string& path);

// This process's sub-folder of the last successful SetUpWorkFolder (internal form), or empty.
[[nodiscard]] std::string SetUpWorkFolderPath();

// Deletes the files this process made in its sub-folder (copies of CopyIntoWorkFolder, and files
// created at paths MakeWorkCopyPath handed out), then the sub-folder itself when that leaves it
// empty. No other file is ever deleted: whatever else the chosen folder holds stays as it is. Each
// file that exists but cannot be deleted is reported as "Undefined error." and the rest are still
// deleted. Ends the set-up; answers false and does nothing when no work folder was set up
// successfully, or when the folders are no longer private real folders.
bool CleanWorkFolder();

// The next value of the process-wide work-file counter: 0 first, one more at every call, never
// reset while the program runs.
int NextWorkFileNumber();

// A new, unique path in the domain's work folder: the folder + the slot prefix of the next counter
// value + `name` + `extension`. Empty when no absolute work folder is set; the counter still moves.
// The path is reserved for this process: a file the caller creates there is one CleanWorkFolder
// removes. Prefer CopyIntoWorkFolder, which never overwrites a file that is already there.
[[nodiscard]] std::string MakeWorkCopyPath(const std::string& name, const std::string& extension);

// Copies the file `source` into the work folder as a new file of this process: the folder + the slot
// prefix of the next counter value + `name` + `extension`. The copy is created exclusively, so a
// name that is taken (a file of another process, or of the user in a folder they named) is never
// overwritten: the next counter value is tried instead. Returns the copy's path, or empty when no
// copy could be made. CleanWorkFolder removes the copies this process made.
[[nodiscard]] std::string CopyIntoWorkFolder(const std::string& source, const std::string& name,
                                             const std::string& extension);

} // namespace Orvanta
