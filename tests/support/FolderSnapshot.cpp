#include "FolderSnapshot.h"

#include "ProjectBuilder.h"
#include "storage/SaveJournal.h"

#include <filesystem>

namespace Orvanta::TestSupport {

namespace fs = std::filesystem;

bool IsLockFileName(const std::string& name) {
    return name == kOpenMarkerName || name == kSaveLockName;
}

FolderSnapshot TakeFolderSnapshot(const std::string& folder) {
    FolderSnapshot snapshot;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string relative = fs::relative(it->path(), folder, error).generic_string();
        if (IsLockFileName(it->path().filename().string())) {
            continue;
        }
        if (it->is_symlink(error)) {
            const std::string target = fs::read_symlink(it->path(), error).generic_string();
            snapshot["@" + relative] = std::vector<std::uint8_t>(target.begin(), target.end());
        } else if (it->is_directory(error)) {
            snapshot[relative + "/"] = {};
        } else {
            snapshot[relative] = ProjectBuilder::ReadBytes(it->path().string());
        }
    }
    return snapshot;
}

} // namespace Orvanta::TestSupport
