#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Orvanta::TestSupport {

// Every entry below a folder with its content: files with their bytes, folders with an empty entry
// marked by a trailing "/", symbolic links with their target. Two snapshots compare equal exactly
// when nothing below the folder was created, removed or changed.
using FolderSnapshot = std::map<std::string, std::vector<std::uint8_t>>;

FolderSnapshot TakeFolderSnapshot(const std::string& folder);

} // namespace Orvanta::TestSupport
