#include "storage/WorkFolder.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/ProjectNaming.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>

#if !defined(_WIN32)
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Orvanta {

namespace fs = std::filesystem;

namespace {

// The folder of the last successful set-up, in internal form; empty while there is none.
std::string& SetUpFolder() {
    static std::string folder;
    return folder;
}

// `path` with "/" separators and without trailing separators (the root keeps its own).
std::string WithoutTrailingSeparator(const std::string& path) {
    std::string text = path;
    std::replace(text.begin(), text.end(), '\\', '/');
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

bool IsAbsolute(const std::string& path) {
    return !path.empty() && fs::path(path).is_absolute();
}

// True when `path` (no trailing separator) is a real folder, not a symbolic link, and only its
// owner, who must be this user, can enter it.
bool IsPrivateFolder(const std::string& path) {
#if defined(_WIN32)
    std::error_code error;
    const fs::file_status status = fs::symlink_status(fs::path(path), error);
    return !error && fs::is_directory(status);
#else
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
#endif
}

// Creates the folder with access for the owner only; an existing entry is left for the caller to
// judge. False when the folder could not be created for another reason.
bool CreatePrivateFolder(const std::string& path) {
    std::error_code error;
#if defined(_WIN32)
    fs::create_directories(fs::path(path), error);
    return !error;
#else
    if (::mkdir(path.c_str(), 0700) != 0) {
        if (errno == EEXIST) {
            return true;
        }
        if (errno != ENOENT) {
            return false;
        }
        // A missing parent, such as the application data folder on a first start.
        fs::create_directories(fs::path(path).parent_path(), error);
        if (error || ::mkdir(path.c_str(), 0700) != 0) {
            return errno == EEXIST && !error;
        }
    }
    // The creation mask may have taken owner bits away; it never adds any for others.
    return ::chmod(path.c_str(), 0700) == 0;
#endif
}

// The work files this process has made, by path; only these are removed by CleanWorkFolder.
std::set<std::string>& CreatedWorkFiles() {
    static std::set<std::string> files;
    return files;
}

} // namespace

std::string ChooseWorkFolderPath(const std::string& defaultPath) {
    const char* value = std::getenv(kWorkFolderVariable);
    return value != nullptr && *value != '\0' ? std::string(value) : defaultPath;
}

bool SetUpWorkFolder(const std::string& path) {
    SetUpFolder().clear();
    const std::string folder = WithoutTrailingSeparator(path);
    if (!IsAbsolute(folder) || !CreatePrivateFolder(folder) || !IsPrivateFolder(folder)) {
        return false;
    }
    std::string internal = folder;
    if (internal.back() != '/') {
        internal += '/';
    }
    CDomain::Instance().SetWorkFolder(internal);
    SetUpFolder() = internal;
    return true;
}

std::string SetUpWorkFolderPath() {
    return SetUpFolder();
}

bool CleanWorkFolder() {
    const std::string folder = SetUpFolder();
    // Checked again: the folder could have been replaced (by a link, say) while the program ran.
    if (folder.empty() || !IsAbsolute(folder) || !IsPrivateFolder(WithoutTrailingSeparator(folder))) {
        return false;
    }
    CDomain& domain = CDomain::Instance();
    CFileSystem& fileSystem = domain.FileSystem();
    std::set<std::string> seen;
    for (const char* pattern : {"*.p00", "*.w*", "*.aif*", "*.vpw"}) {
        for (const std::string& name : fileSystem.ListFolder(ToNativePath(folder), pattern)) {
            // "x.aif.wav" matches two patterns; it is deleted once.
            if (seen.insert(name).second && !fileSystem.Delete(ToNativePath(folder + name))) {
                domain.MessageReporter().Error(kErrorUndefined);
            }
        }
    }
    return true;
}

int NextWorkFileNumber() {
    static std::atomic<int> counter{0};
    return counter++;
}

std::string CopyIntoWorkFolder(const std::string& source, const std::string& name, const std::string& extension) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    // A few names may be taken by files that are not ours; a failure of another kind fails every try.
    constexpr int kAttempts = 16;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string path = MakeWorkCopyPath(name, extension);
        if (path.empty()) {
            return std::string();
        }
        if (fileSystem.CopyToNewFile(ToNativePath(source), ToNativePath(path), false)) {
            CreatedWorkFiles().insert(path);
            return path;
        }
        if (!fileSystem.Exists(ToNativePath(path))) {
            return std::string();
        }
    }
    return std::string();
}

std::string MakeWorkCopyPath(const std::string& name, const std::string& extension) {
    const int number = NextWorkFileNumber();
    const std::string folder = CDomain::Instance().WorkFolder();
    if (!IsAbsolute(folder)) {
        return std::string();
    }
    std::string path = folder;
    if (path.back() != '/') {
        path += '/';
    }
    return path + FormatSlotNumber(number) + name + extension;
}

} // namespace Orvanta
