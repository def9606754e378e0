#pragma once

#include <string>

namespace Orvanta {

// The desktop's trash as freedesktop.org lays it out, which every Linux and BSD desktop reads: a
// trash folder holds "files/NAME", the file itself, and
// "info/NAME.trashinfo", where it came from and when it was deleted. Files of the user's home file
// system go to the home trash ($XDG_DATA_HOME/Trash, else ~/.local/share/Trash); files of another
// volume go to that volume's "$topdir/.Trash/$uid" (only when ".Trash" is a real, sticky folder) or
// "$topdir/.Trash-$uid". Every access goes through the core's file system, so a fault-injecting one
// can fail or stop it at any call; every step is bounded and answers why it failed. A file is
// only ever renamed into the trash (never copied), paths are the bytes they are, and no trash
// folder is ever made or used through a symbolic link.
//
// Moving a file in takes these steps, each of which a later run can see and finish or clear:
//   1. the entry's info is written under a temporary name ("info/NAME.trashinfo.part") and renamed
//      to "info/NAME.trashinfo" only when that name is free (an entry is never overwritten);
//   2. the file is renamed to "files/NAME" only when that name is free; when it cannot be, the
//      info is removed again.

// True where the core has this trash (not on Windows or macOS, whose trash the desktop library
// reaches through Qt).
[[nodiscard]] bool HasOwnTrash();
// Turns the saves' use of this trash on or off (off: the files a save removes are deleted).
void UseOwnTrash(bool use);
[[nodiscard]] bool OwnTrashInUse();

// The trash that the files of one project folder go to.
struct TrashLocation {
    std::string folder;     // the trash folder, internal form ending in "/"
    std::string project;    // the project folder as it really is (no link on the way), ending in "/"
    std::string relativeTo; // the volume's top folder ("/" at the end) for a volume's trash; empty for the home trash
    std::string problem;    // why no file of the project can go there; empty when they can
};

// The trash for the files of `projectPath` (internal form, ending in "/"). With `make`, missing
// trash folders are created (owner only); without, nothing changes and `problem` says whether they
// could be made and written.
[[nodiscard]] TrashLocation FindTrashFor(const std::string& projectPath, bool make);

// `path`'s bytes with everything but letters, digits, "/", "-", ".", "_" and "~" written as "%XX".
[[nodiscard]] std::string PercentEncodedPath(const std::string& path);

// The text of the entry's info for the project file `relativeName`, deleted at `deletionDate`
// ("YYYY-MM-DDThh:mm:ss", local time): its path absolute for the home trash, relative to the top
// folder for a volume's trash, percent-encoded.
[[nodiscard]] std::string TrashInfoText(const TrashLocation& trash, const std::string& relativeName,
                                        const std::string& deletionDate);

// The n-th name tried for an entry of the file `fileName`: the name itself, then "STEM (N)EXT";
// a name too long for the info file's name is shortened. Empty for a name that cannot be an entry.
[[nodiscard]] std::string TrashEntryName(const std::string& fileName, int n);
// True when `name` can name an entry: one name, not "." or "..", short enough for its info file.
[[nodiscard]] bool IsTrashEntryName(const std::string& name);

// True when neither the entry `name` nor its info is in `trash` yet.
[[nodiscard]] bool IsTrashEntryFree(const TrashLocation& trash, const std::string& name);

// What MoveIntoTrash did.
enum class TrashMove {
    kMoved,     // the file is in the trash with its info
    kNameTaken, // an entry of that name is there already: nothing changed; try another name
    kFailed,    // the file cannot go into that trash (`problem` says why): nothing changed
};

// Moves the file `path` (in the project folder, its staging folder included) into `trash` as the
// entry `name`, its info saying that it was the project file `relativeName`.
[[nodiscard]] TrashMove MoveIntoTrash(const TrashLocation& trash, const std::string& path,
                                      const std::string& relativeName, const std::string& name, std::string& problem);

// Finishes a move into `trash` as the entry `name` that stopped after its info was in place, when
// that info is the one written for the project file `relativeName` and the file `path` is still
// there; otherwise clears what the move had left (its temporary info, its info without a file).
// True when the file was moved in now.
[[nodiscard]] bool ResumeTrashMove(const TrashLocation& trash, const std::string& path, const std::string& relativeName,
                                   const std::string& name);
// Clears what a move as the entry `name` for `relativeName` left without moving the file.
void ClearTrashMove(const TrashLocation& trash, const std::string& relativeName, const std::string& name);

} // namespace Orvanta
