#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace Orvanta {

// Why a save removes a file from the project folder.
enum class DeletionReason {
    kStray,     // a file in "Patch" or "Wave" whose name names no slot (no number, or 000)
    kDuplicate, // a second file for a slot number that another file fills
    kEmptied,   // the file of a slot that is empty now
    kReplaced,  // the file of a slot that holds another content now, or of a project Save As replaces
};

// "stray", "duplicate", "emptied" or "replaced".
[[nodiscard]] const char* DeletionReasonWord(DeletionReason reason);

// Where a file that a save removes ends.
enum class DeletionEnd {
    kDeleted, // away for good: the trash is off, or the file is a symbolic link (removed as a link)
    kTrash,   // the desktop's trash, from where it can be restored
    kKept,    // the project's folder kKeptFilesFolder, as no trash can take it
};

struct CSaveDeletion {
    std::string path;
    DeletionReason why = DeletionReason::kStray;
    DeletionEnd to = DeletionEnd::kDeleted;
};

// What a save will do to the files, worked out before anything is written. Paths are full internal
// paths. The save's hidden staging folder is an intermediate step and does not show: a file that
// passes through it shows as written, moved or deleted, as it ends.
struct CSavePreview {
    std::string project;                                   // the folder saved into
    std::vector<std::string> write;                        // files written with new or changed content
    std::vector<std::pair<std::string, std::string>> move; // files renamed to another slot or name
    // Files that another open project still uses: copied to the work folder before the save
    // removes them from the project folder (they are also in `remove`).
    std::vector<std::string> park;
    std::vector<CSaveDeletion> remove; // files removed from the project folder, with the reason
    bool toTrash = false;              // the trash is in use: each removed file goes where its `to` says
};

// How many of the files the save removes the lists do not show (strays and duplicates).
[[nodiscard]] std::size_t CountUnlistedDeletions(const CSavePreview& preview);

} // namespace Orvanta
