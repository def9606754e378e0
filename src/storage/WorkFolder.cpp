#include "storage/WorkFolder.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/Utf8.h"
#include "storage/ProjectNaming.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <string_view>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
// After windows.h, which they build on.
#include <aclapi.h>
#include <sddl.h>
#else
#include <cerrno>
#include <csignal>
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
    return !path.empty() && Utf8ToPath(path).is_absolute();
}

#if defined(_WIN32)

// Platform code (Windows): the POSIX owner and permission bits become the folder's owner and ACL.

// One piece of this process's token (TokenUser, TokenOwner); empty when it cannot be read. The
// SID it holds points into the same buffer: the vector may be moved but never copied.
std::vector<BYTE> TokenInformation(TOKEN_INFORMATION_CLASS kind) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<BYTE> data(size);
    if (size == 0 || !::GetTokenInformation(token, kind, data.data(), size, &size)) {
        data.clear();
    }
    ::CloseHandle(token);
    return data;
}

PSID UserSid(const std::vector<BYTE>& tokenUser) {
    return tokenUser.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(tokenUser.data())->User.Sid;
}

// True when `path` is owned by this user (or by the default owner of what this process creates: the
// administrators group in an elevated process) and its ACL lets in nobody but that owner, this user,
// the system and the administrators, who can take any folder anyway. No ACL at all lets in everyone.
bool IsOwnerOnly(const fs::path& path) {
    PSID owner = nullptr;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                &owner, nullptr, &acl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const std::vector<BYTE> user = TokenInformation(TokenUser);
    const std::vector<BYTE> creator = TokenInformation(TokenOwner);
    const PSID userSid = UserSid(user);
    const PSID creatorSid = creator.empty() ? nullptr : reinterpret_cast<const TOKEN_OWNER*>(creator.data())->Owner;
    const auto isOurs = [&](PSID sid) {
        return (userSid != nullptr && ::EqualSid(sid, userSid)) ||
               (creatorSid != nullptr && ::EqualSid(sid, creatorSid));
    };
    bool only = owner != nullptr && isOurs(owner) && acl != nullptr;
    for (DWORD i = 0; only && i < acl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(acl, i, &ace)) {
            only = false;
            break;
        }
        const BYTE type = static_cast<const ACE_HEADER*>(ace)->AceType;
        if (type == ACCESS_DENIED_ACE_TYPE) {
            continue;
        }
        // Any other kind of entry that grants (conditional, object) is refused rather than weighed.
        const PSID sid = type == ACCESS_ALLOWED_ACE_TYPE ? &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart : nullptr;
        only = sid != nullptr &&
               (isOurs(sid) || ::IsWellKnownSid(sid, WinLocalSystemSid) ||
                ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || ::IsWellKnownSid(sid, WinCreatorOwnerSid));
    }
    ::LocalFree(descriptor);
    return only;
}

#endif

// True when `path` (no trailing separator) is a real folder, not a symbolic link, and only its
// owner, who must be this user, can enter it.
bool IsPrivateFolder(const std::string& path) {
#if defined(_WIN32)
    // A junction or a symbolic link is a reparse point.
    const fs::path native = Utf8ToPath(path);
    const DWORD attributes = ::GetFileAttributesW(native.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && IsOwnerOnly(native);
#else
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return false;
    }
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
#endif
}

enum class Creation { kCreated, kTaken, kFailed };

// Creates the one folder `path` with access for the owner only; kTaken when anything is at the name.
Creation CreateOwnerOnly(const std::string& path) {
#if defined(_WIN32)
    const std::vector<BYTE> user = TokenInformation(TokenUser);
    LPWSTR userText = nullptr;
    if (user.empty() || !::ConvertSidToStringSidW(UserSid(user), &userText)) {
        return Creation::kFailed;
    }
    // Owned by this user; "P": nothing inherited; full access for the system and this user, passed
    // on to everything created inside ("OICI").
    const std::wstring rules = std::wstring(L"O:") + userText + L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;" + userText + L")";
    ::LocalFree(userText);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(rules.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return Creation::kFailed;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    const bool created = ::CreateDirectoryW(Utf8ToPath(path).c_str(), &attributes) != 0;
    const DWORD error = ::GetLastError();
    ::LocalFree(descriptor);
    if (created) {
        return Creation::kCreated;
    }
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Creation::kTaken : Creation::kFailed;
#else
    if (::mkdir(path.c_str(), 0700) != 0) {
        return errno == EEXIST ? Creation::kTaken : Creation::kFailed;
    }
    // The creation mask may have taken owner bits away; it never adds any for others.
    return ::chmod(path.c_str(), 0700) == 0 ? Creation::kCreated : Creation::kFailed;
#endif
}

// Creates the folder with access for the owner only, and missing parent folders; an existing entry
// is left for the caller to judge. False when the folder could not be created for another reason.
bool CreatePrivateFolder(const std::string& path) {
    Creation made = CreateOwnerOnly(path);
    if (made == Creation::kFailed) {
        // A missing parent, such as the application data folder on a first start.
        std::error_code error;
        fs::create_directories(Utf8ToPath(path).parent_path(), error);
        made = error ? Creation::kFailed : CreateOwnerOnly(path);
    }
    return made != Creation::kFailed;
}

// The work files this process has made, by path; only these are removed by CleanWorkFolder.
std::set<std::string>& CreatedWorkFiles() {
    static std::set<std::string> files;
    return files;
}

// Creates this process's sub-folder "run-<pid>-<unique tail>" of `chosen` with access for the owner
// only; returns its path without trailing separator, or empty on failure.
std::string CreateRunFolder(const std::string& chosen) {
    return CreateUniquePrivateFolder(chosen + "/" + kRunFolderPrefix + std::to_string(CurrentProcessId()) + "-");
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
        if (pid <= 0 || pid == CurrentProcessId() || !HasProcessEnded(pid)) {
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

int CurrentProcessId() {
#if defined(_WIN32)
    return _getpid();
#else
    return static_cast<int>(::getpid());
#endif
}

bool CreateOwnerOnlyFolder(const std::string& path) {
    return CreateOwnerOnly(path) == Creation::kCreated;
}

std::string RandomNameTail() {
    static std::mutex mutex;
    static std::mt19937_64 generator{[] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }()};
    const std::lock_guard<std::mutex> lock(mutex);
    char text[17] = {};
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

std::string CreateUniquePrivateFolder(const std::string& stem, const std::function<std::string()>& nextTail) {
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string path = stem + nextTail();
        switch (CreateOwnerOnly(path)) {
        case Creation::kCreated:
            return path;
        case Creation::kTaken:
            continue;
        case Creation::kFailed:
            return std::string();
        }
    }
    return std::string();
}

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
