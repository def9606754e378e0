// The freedesktop.org trash, built from the core's file-system calls (design in FreedesktopTrash.h).

#include "storage/FreedesktopTrash.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/ProjectNaming.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <span>
#include <vector>

#if !defined(_WIN32)
#include <climits>
#include <unistd.h>
#endif

namespace Orvanta {

namespace {

#if defined(_WIN32) || defined(__APPLE__)
constexpr bool kOwnTrash = false;
#else
constexpr bool kOwnTrash = true;
#endif

// The longest name a folder entry may have on the file systems the trash lives on.
constexpr std::size_t kMaxEntryName = 255;
constexpr const char* kInfoSuffix = ".trashinfo";
constexpr const char* kPartSuffix = ".part";

bool g_useOwnTrash = false;

CFileSystem& Files() {
    return CDomain::Instance().FileSystem();
}

using Kind = CEntryInfo::Kind;

// "/a/b/" or "/a/b" gives "/a/"; "/" gives "/".
std::string ParentOf(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1);
}

std::string WithSlash(const std::string& path) {
    return !path.empty() && path.back() == '/' ? path : path + "/";
}

std::string NoSlash(const std::string& path) {
    std::string text = path;
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

// The folder as it really is, every link on the way resolved; empty when it cannot be found.
std::string RealFolder(const std::string& folder) {
#if defined(_WIN32)
    return folder;
#else
    char* resolved = ::realpath(NoSlash(ToNativePath(folder)).c_str(), nullptr);
    if (resolved == nullptr) {
        return std::string();
    }
    std::string path = WithSlash(resolved);
    std::free(resolved);
    return path;
#endif
}

// The user's data folder: XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::string DataHome() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return WithSlash(data);
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return WithSlash(home) + ".local/share/";
    }
    return std::string();
}

std::string UserNumber() {
#if defined(_WIN32)
    return "0";
#else
    return std::to_string(static_cast<unsigned long>(::getuid()));
#endif
}

bool IsOwnedByUser(const CEntryInfo& info) {
#if defined(_WIN32)
    (void)info;
    return true;
#else
    return info.owner < 0 || info.owner == static_cast<std::int64_t>(::getuid());
#endif
}

// Makes sure that each of `folders` (outermost first, each ending in "/") is a real folder this
// process can write in; with `make`, a missing one is created owner-only, else it is enough that
// its nearest existing parent could take it. The problem, or empty.
std::string PrepareFolders(const std::vector<std::string>& folders, bool make) {
    CFileSystem& files = Files();
    bool missing = false;
    for (const std::string& folder : folders) {
        const std::string native = ToNativePath(NoSlash(folder));
        CEntryInfo info = missing ? CEntryInfo{} : files.LookAt(native);
        if (info.kind == Kind::kNone) {
            if (!make) {
                if (!missing && !files.LookAt(ToNativePath(NoSlash(ParentOf(folder)))).writable) {
                    return "the trash folder " + NoSlash(folder) + " cannot be made";
                }
                missing = true;
                continue;
            }
            if (files.CreatePrivateFolder(native) == FolderCreation::kFailed) {
                return "the trash folder " + NoSlash(folder) + " cannot be made";
            }
            info = files.LookAt(native);
        }
        if (info.kind == Kind::kLink) {
            return "the trash folder " + NoSlash(folder) + " is a link";
        }
        if (info.kind != Kind::kFolder) {
            return "the trash folder " + NoSlash(folder) + " is not a folder";
        }
        if (!info.writable) {
            return "the trash folder " + NoSlash(folder) + " cannot be written";
        }
    }
    return std::string();
}

// The top folder of the volume that holds `folder` (a real path): the outermost folder above it
// on the same file system.
std::string TopFolderOf(const std::string& folder, std::int64_t volume) {
    CFileSystem& files = Files();
    std::string top = folder;
    // A path has few parts: the walk ends at "/" at the latest.
    while (top != "/") {
        const std::string parent = ParentOf(top);
        if (files.FileSystemOf(ToNativePath(NoSlash(parent))) != volume) {
            break;
        }
        top = parent;
    }
    return top;
}

// The trash of a volume other than the home's, at its top folder `top`.
TrashLocation VolumeTrash(const std::string& top, const std::string& project, bool make) {
    CFileSystem& files = Files();
    TrashLocation trash;
    trash.project = project;
    trash.relativeTo = top;
    const std::string uid = UserNumber();
    // A shared ".Trash" only when the administrator made it one: a real folder, sticky.
    const std::string shared = top + ".Trash/";
    const CEntryInfo sharedInfo = files.LookAt(ToNativePath(NoSlash(shared)));
    if (sharedInfo.kind == Kind::kFolder && sharedInfo.sticky) {
        const std::string own = shared + uid + "/";
        const CEntryInfo ownInfo = files.LookAt(ToNativePath(NoSlash(own)));
        if (ownInfo.kind == Kind::kNone || (ownInfo.kind == Kind::kFolder && IsOwnedByUser(ownInfo))) {
            const std::string problem = PrepareFolders({own, own + "files/", own + "info/"}, make);
            if (problem.empty()) {
                trash.folder = own;
                return trash;
            }
        }
    }
    const std::string own = top + ".Trash-" + uid + "/";
    const CEntryInfo ownInfo = files.LookAt(ToNativePath(NoSlash(own)));
    if (ownInfo.kind == Kind::kFolder && !IsOwnedByUser(ownInfo)) {
        trash.problem = "the trash folder " + NoSlash(own) + " belongs to another user";
        return trash;
    }
    trash.folder = own;
    trash.problem = PrepareFolders({own, own + "files/", own + "info/"}, make);
    if (!trash.problem.empty() && ownInfo.kind == Kind::kNone) {
        trash.problem = "there is no trash on the volume of " + NoSlash(project) + " (" + NoSlash(top) +
                        " cannot take one)";
    }
    return trash;
}

std::string InfoPath(const TrashLocation& trash, const std::string& name) {
    return trash.folder + "info/" + name + kInfoSuffix;
}

std::string PartPath(const TrashLocation& trash, const std::string& name) {
    return InfoPath(trash, name) + kPartSuffix;
}

std::string FilePath(const TrashLocation& trash, const std::string& name) {
    return trash.folder + "files/" + name;
}

// The "Path=" line of the info of `relativeName`, without its line end.
std::string PathLine(const TrashLocation& trash, const std::string& relativeName) {
    std::string original = trash.project + relativeName;
    if (!trash.relativeTo.empty() && original.rfind(trash.relativeTo, 0) == 0) {
        original = original.substr(trash.relativeTo.size());
    }
    return "Path=" + PercentEncodedPath(original);
}

// True when the entry's info at `infoPath` is a regular file that names `pathLine`.
bool InfoNames(const std::string& infoPath, const std::string& pathLine) {
    CFileSystem& files = Files();
    if (files.LookAt(ToNativePath(infoPath)).kind != Kind::kFile) {
        return false;
    }
    const std::unique_ptr<CFile> file = files.OpenRead(ToNativePath(infoPath));
    if (!file) {
        return false;
    }
    std::array<std::uint8_t, 8192> buffer{};
    bool failed = false;
    const std::size_t got = file->ReadUntilFull(buffer, &failed);
    if (failed || got == buffer.size()) {
        return false;
    }
    const std::string text(reinterpret_cast<const char*>(buffer.data()), got);
    return text.find("\n" + pathLine + "\n") != std::string::npos;
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    (void)localtime_s(&local, &now);
#else
    (void)localtime_r(&now, &local);
#endif
    char text[32] = {};
    (void)std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

} // namespace

bool HasOwnTrash() {
    return kOwnTrash;
}

void UseOwnTrash(bool use) {
    g_useOwnTrash = use && kOwnTrash;
}

bool OwnTrashInUse() {
    return g_useOwnTrash;
}

TrashLocation FindTrashFor(const std::string& projectPath, bool make) {
    CFileSystem& files = Files();
    TrashLocation trash;
    trash.project = RealFolder(projectPath);
    if (trash.project.empty() || trash.project.front() != '/') {
        trash.problem = "the folder " + projectPath + " cannot be found";
        return trash;
    }
    const std::int64_t volume = files.FileSystemOf(ToNativePath(NoSlash(trash.project)));
    if (volume < 0) {
        trash.problem = "the volume of " + NoSlash(trash.project) + " cannot be told";
        return trash;
    }
    const std::string dataHome = DataHome();
    if (!dataHome.empty()) {
        // The home trash takes the files of the home's own file system, even where it must first be
        // made: the volume is that of its nearest existing folder.
        const std::string home = dataHome + "Trash/";
        std::string probe = home;
        while (probe != "/" && files.LookAt(ToNativePath(NoSlash(probe))).kind == Kind::kNone) {
            probe = ParentOf(probe);
        }
        if (files.FileSystemOf(ToNativePath(NoSlash(probe))) == volume) {
            trash.folder = home;
            // The data folder and those above it that are missing are made owner-only too.
            std::vector<std::string> chain;
            for (std::string folder = home; folder != probe && folder != "/"; folder = ParentOf(folder)) {
                chain.insert(chain.begin(), folder);
            }
            if (chain.empty()) {
                chain.push_back(home); // it exists: looked at as it is
            }
            chain.push_back(home + "files/");
            chain.push_back(home + "info/");
            trash.problem = PrepareFolders(chain, make);
            return trash;
        }
    }
    return VolumeTrash(TopFolderOf(trash.project, volume), trash.project, make);
}

std::string PercentEncodedPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            text += c;
        } else {
            text += '%';
            text += kHex[byte >> 4];
            text += kHex[byte & 0x0F];
        }
    }
    return text;
}

std::string TrashInfoText(const TrashLocation& trash, const std::string& relativeName,
                          const std::string& deletionDate) {
    return "[Trash Info]\n" + PathLine(trash, relativeName) + "\nDeletionDate=" + deletionDate + "\n";
}

bool IsTrashEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos &&
           name.size() + std::char_traits<char>::length(kInfoSuffix) + std::char_traits<char>::length(kPartSuffix) <=
               kMaxEntryName;
}

std::string TrashEntryName(const std::string& fileName, int n) {
    const std::size_t dot = fileName.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > 0 && fileName.size() - dot <= 16;
    std::string stem = hasExtension ? fileName.substr(0, dot) : fileName;
    const std::string extension = hasExtension ? fileName.substr(dot) : std::string();
    const std::string number = n == 0 ? std::string() : " (" + std::to_string(n + 1) + ")";
    const std::size_t room = kMaxEntryName - std::char_traits<char>::length(kInfoSuffix) -
                             std::char_traits<char>::length(kPartSuffix) - number.size() - extension.size();
    if (stem.size() > room) {
        stem.resize(room);
    }
    const std::string name = stem + number + extension;
    return IsTrashEntryName(name) ? name : std::string();
}

TrashMove MoveIntoTrash(const TrashLocation& trash, const std::string& path, const std::string& relativeName,
                        const std::string& name, std::string& problem) {
    CFileSystem& files = Files();
    if (!trash.problem.empty()) {
        problem = trash.problem;
        return TrashMove::kFailed;
    }
    if (!IsTrashEntryName(name)) {
        problem = "no name in the trash fits " + relativeName;
        return TrashMove::kFailed;
    }
    const std::string info = ToNativePath(InfoPath(trash, name));
    const std::string part = ToNativePath(PartPath(trash, name));
    const std::string target = ToNativePath(FilePath(trash, name));
    if (files.Exists(target) || files.Exists(info)) {
        return TrashMove::kNameTaken;
    }
    if (files.Exists(part)) {
        (void)files.Delete(part); // left by an earlier try that stopped before its rename
    }
    const std::string text = TrashInfoText(trash, relativeName, Now());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (!files.WriteNewFile(part, std::span<const std::uint8_t>(bytes, text.size()), true)) {
        (void)files.Delete(part);
        problem = "the trash's info folder " + trash.folder + "info cannot take an entry";
        return TrashMove::kFailed;
    }
    // The info is reserved exclusively: an entry that appeared meanwhile is never overwritten.
    if (!files.RenameIfFree(part, info)) {
        (void)files.Delete(part);
        if (files.Exists(info)) {
            return TrashMove::kNameTaken;
        }
        problem = "the trash's info folder " + trash.folder + "info cannot take an entry";
        return TrashMove::kFailed;
    }
    (void)files.Sync(ToNativePath(trash.folder + "info"));
    if (!files.RenameIfFree(ToNativePath(path), target)) {
        const bool taken = files.Exists(target);
        (void)files.Delete(info);
        if (taken) {
            return TrashMove::kNameTaken;
        }
        problem = "the file cannot be moved into the trash folder " + trash.folder + "files";
        return TrashMove::kFailed;
    }
    (void)files.Sync(ToNativePath(trash.folder + "files"));
    return TrashMove::kMoved;
}

bool ResumeTrashMove(const TrashLocation& trash, const std::string& path, const std::string& relativeName,
                     const std::string& name) {
    CFileSystem& files = Files();
    if (!trash.problem.empty() || !IsTrashEntryName(name)) {
        return false;
    }
    const std::string info = InfoPath(trash, name);
    const std::string target = ToNativePath(FilePath(trash, name));
    if (files.Exists(ToNativePath(PartPath(trash, name)))) {
        (void)files.Delete(ToNativePath(PartPath(trash, name)));
    }
    if (!InfoNames(info, PathLine(trash, relativeName))) {
        return false;
    }
    if (files.Exists(ToNativePath(path)) && files.RenameIfFree(ToNativePath(path), target)) {
        (void)files.Sync(ToNativePath(trash.folder + "files"));
        return true;
    }
    // Without the file the info restores nothing: it goes, unless a file of its name is there.
    if (!files.Exists(target)) {
        (void)files.Delete(ToNativePath(info));
    }
    return false;
}

void ClearTrashMove(const TrashLocation& trash, const std::string& relativeName, const std::string& name) {
    CFileSystem& files = Files();
    if (trash.folder.empty() || !IsTrashEntryName(name)) {
        return;
    }
    if (files.Exists(ToNativePath(PartPath(trash, name)))) {
        (void)files.Delete(ToNativePath(PartPath(trash, name)));
    }
    const std::string info = InfoPath(trash, name);
    if (!files.Exists(ToNativePath(FilePath(trash, name))) && InfoNames(info, PathLine(trash, relativeName))) {
        (void)files.Delete(ToNativePath(info));
    }
}

} // namespace Orvanta
