#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Orvanta::TestSupport {

// Every entry below a folder with its content: files with their bytes, folders with an empty entry
// marked by a trailing "/", symbolic links with their target. Two snapshots compare equal exactly
// when nothing below the folder was created, removed or changed. The lock files that a program
// keeps in a project folder while it has the project open or saves it are left out: they say who
// works on the folder and are no part of its content.
using FolderSnapshot = std::map<std::string, std::vector<std::uint8_t>>;

// True for the name of a project folder's lock file (the open marker, the save lock).
bool IsLockFileName(const std::string& name);

FolderSnapshot TakeFolderSnapshot(const std::string& folder);

// Makes the folder hold what `snapshot` holds: every entry but the lock files is removed, then the
// snapshot's folders, files and links are made again.
void RestoreFolderSnapshot(const std::string& folder, const FolderSnapshot& snapshot);

} // namespace Orvanta::TestSupport
