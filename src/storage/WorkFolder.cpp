#include "storage/WorkFolder.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/ProjectNaming.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#include <random>
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Orvanta {

namespace fs = std::filesystem;

namespace {

// This process's sub-folder of the last successful set-up, in internal form; empty while there is
// none.
std::string& SetUpFolder() {
    static std::string folder;
    return folder;
}

// The chosen folder that holds it, without trailing separator.
std::string& ChosenFolder() {
    static std::string folder;
    return folder;
}

// `path` with "/" separators and without trailing separators (the root keeps its own).
std::string WithoutTrailingSeparator(const std::string& path) {
    std::string text = path;
#if defined(_WIN32)
    // A backslash separates folders only on Windows; elsewhere it is part of a name.
    std::replace(text.begin(), text.end(), '\\', '/');
#endif
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

int ProcessId() {
#if defined(_WIN32)
    return _getpid();
#else
    return static_cast<int>(::getpid());
#endif
}

// Creates this process's sub-folder "run-<pid>-<unique tail>" of `chosen` with access for the owner
// only; returns its path without trailing separator, or empty on failure.
std::string CreateRunFolder(const std::string& chosen) {
    const std::string stem = chosen + "/" + kRunFolderPrefix + std::to_string(ProcessId()) + "-";
#if defined(_WIN32)
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = stem + std::to_string(random());
        std::error_code error;
        if (fs::create_directory(fs::path(path), error)) {
            return path;
        }
        if (error) {
            return std::string();
        }
    }
    return std::string();
#else
    // mkdtemp makes a name nobody else holds and creates the folder for its owner only; the
    // creation mask may have taken owner bits away.
    std::string pattern = stem + "XXXXXX";
    return ::mkdtemp(pattern.data()) != nullptr && ::chmod(pattern.c_str(), 0700) == 0 ? pattern : std::string();
#endif
}

// The process id in a sub-folder name "run-<pid>-<tail>", or 0 when the name has another form.
int RunFolderProcessId(const std::string& name) {
    const std::string_view prefix = kRunFolderPrefix;
    if (name.compare(0, prefix.size(), prefix) != 0) {
        return 0;
    }
    long long pid = 0;
    std::size_t i = prefix.size();
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < 1000000000; ++i) {
        pid = pid * 10 + (name[i] - '0');
    }
    return i > prefix.size() && i < name.size() && name[i] == '-' && pid < 1000000000 ? static_cast<int>(pid) : 0;
}

// True only when no process with this id runs; a process that exists but cannot be looked at
// counts as running.
bool HasProcessEnded(int pid) {
#if defined(_WIN32)
    // Platform code (Windows): a process id that names no process cannot be opened at all; a
    // process that has ended but is still held open by someone is signalled.
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return ::GetLastError() == ERROR_INVALID_PARAMETER;
    }
    const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
#else
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#endif
}

// Removes the empty sub-folders of `chosen` that processes which have ended left behind (a run
// that crashed before it made a copy). A folder that holds anything stays, as does every folder of
// a process that still runs: one that has just made its folder has not put anything in it yet.
void RemoveEmptyStaleRunFolders(const std::string& chosen) {
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    const std::string folder = ToNativePath(chosen + "/");
    for (const std::string& name : fileSystem.ListEntries(folder)) {
        const int pid = RunFolderProcessId(name);
        if (pid <= 0 || pid == ProcessId() || !HasProcessEnded(pid)) {
            continue;
        }
        // Only an empty real folder is removed; a file, a link or a folder with contents fails.
        static_cast<void>(fileSystem.RemoveFolder(folder + name));
    }
}

// The path MakeWorkCopyPath describes, without reserving it.
std::string NextWorkCopyPath(const std::string& name, const std::string& extension) {
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

} // namespace

std::string ChooseWorkFolderPath(const std::string& defaultPath) {
    const char* value = std::getenv(kWorkFolderVariable);
    return value != nullptr && *value != '\0' ? std::string(value) : defaultPath;
}

bool SetUpWorkFolder(const std::string& path) {
    SetUpFolder().clear();
    ChosenFolder().clear();
    const std::string folder = WithoutTrailingSeparator(path);
    if (!IsAbsolute(folder) || !CreatePrivateFolder(folder) || !IsPrivateFolder(folder)) {
        return false;
    }
    RemoveEmptyStaleRunFolders(folder);
    const std::string own = CreateRunFolder(folder);
    if (own.empty() || !IsPrivateFolder(own)) {
        return false;
    }
    CDomain::Instance().SetWorkFolder(own + "/");
    SetUpFolder() = own + "/";
    ChosenFolder() = folder;
    return true;
}

std::string SetUpWorkFolderPath() {
    return SetUpFolder();
}

bool CleanWorkFolder() {
    const std::string folder = SetUpFolder();
    const std::string chosen = ChosenFolder();
    // Checked again: either folder could have been replaced (by a link, say) while the program ran.
    if (folder.empty() || !IsAbsolute(folder) || !IsPrivateFolder(chosen) ||
        !IsPrivateFolder(WithoutTrailingSeparator(folder))) {
        return false;
    }
    CDomain& domain = CDomain::Instance();
    CFileSystem& fileSystem = domain.FileSystem();
    std::set<std::string>& created = CreatedWorkFiles();
    for (auto it = created.begin(); it != created.end();) {
        // Files of earlier set-ups lie in other folders, which this cleaning leaves alone.
        if (it->compare(0, folder.size(), folder) != 0) {
            ++it;
            continue;
        }
        // A reserved path where nothing was created is no failure.
        const std::string native = ToNativePath(*it);
        if (!fileSystem.Delete(native) && fileSystem.Exists(native)) {
            domain.MessageReporter().Error(kErrorUndefined);
        }
        it = created.erase(it);
    }
    // Fails, and the folder stays, when a file could not be deleted.
    static_cast<void>(fileSystem.RemoveFolder(ToNativePath(folder)));
    SetUpFolder().clear();
    ChosenFolder().clear();
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
        // Not reserved: a name that is taken belongs to someone else and must not be cleaned away.
        const std::string path = NextWorkCopyPath(name, extension);
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
    std::string path = NextWorkCopyPath(name, extension);
    if (!path.empty()) {
        CreatedWorkFiles().insert(path);
    }
    return path;
}

} // namespace Orvanta
