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

void RestoreFolderSnapshot(const std::string& folder, const FolderSnapshot& snapshot) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (!IsLockFileName(entry.path().filename().string())) {
            fs::remove_all(entry.path(), error);
        }
    }
    const fs::path base(folder);
    for (const auto& [name, bytes] : snapshot) {
        fs::create_directories((base / (name.front() == '@' ? name.substr(1) : name)).parent_path(), error);
        if (name.front() == '@') {
            fs::create_symlink(std::string(bytes.begin(), bytes.end()), base / name.substr(1), error);
        } else if (name.back() == '/') {
            fs::create_directories(base / name, error);
        } else {
            ProjectBuilder::WriteBytes((base / name).string(), bytes);
        }
    }
}

} // namespace Orvanta::TestSupport
