#pragma once

#include <string>

namespace Orvanta {

// The work folder: one folder per user and run, private to the user, where the librarian keeps
// temporary copies of files (imported waves before their first save, files displaced by a save or
// by closing a project while other projects still use them). The front end chooses where it lies
// (the GUI under the application data folder, the command-line tool a private temporary folder per
// run) and calls SetUpWorkFolder once at start-up and CleanWorkFolder at exit.

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

// Creates the folder at the absolute `path` (and missing parent folders) with access for the owner
// only, or accepts it when it already exists as a real folder of this user that no other user may
// enter. A relative or empty path, a symbolic link, something that is not a folder, a folder of
// another user or one open to group or others is refused. On success the domain's work folder
// becomes the path with "/" separators and a trailing "/", and CleanWorkFolder will empty it; on
// failure CleanWorkFolder does nothing.
bool SetUpWorkFolder(const std::string& path);

// The folder of the last successful SetUpWorkFolder (internal form), or empty.
[[nodiscard]] std::string SetUpWorkFolderPath();

// Deletes the patch and wave files ("*.p00", "*.w*", "*.aif*", "*.vpw") of the work folder set up
// in this run; other files and the folder itself stay. Each file that cannot be deleted is reported
// as "Undefined error." and the rest are still deleted. Does nothing and answers false when no work
// folder was set up successfully, so that a start that failed early never deletes sound files of
// whatever folder happens to be current.
bool CleanWorkFolder();

// The next value of the process-wide work-file counter: 0 first, one more at every call, never
// reset while the program runs.
int NextWorkFileNumber();

// A new, unique path in the domain's work folder: the folder + the slot prefix of the next counter
// value + `name` + `extension`. Empty when no absolute work folder is set; the counter still moves.
[[nodiscard]] std::string MakeWorkCopyPath(const std::string& name, const std::string& extension);

// Copies the file `source` into the work folder as a new file of this process: the folder + the slot
// prefix of the next counter value + `name` + `extension`. The copy is created exclusively, so a
// name that is taken (a file of another process, or of the user in a folder they named) is never
// overwritten: the next counter value is tried instead. Returns the copy's path, or empty when no
// copy could be made. CleanWorkFolder removes the copies this process made.
[[nodiscard]] std::string CopyIntoWorkFolder(const std::string& source, const std::string& name,
                                             const std::string& extension);

} // namespace Orvanta
