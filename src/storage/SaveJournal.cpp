// The journal of a save and the recovery of an interrupted one (design in SaveJournal.h).

#include "storage/SaveJournal.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "storage/CNativeFileSystem.h"
#include "storage/FreedesktopTrash.h"
#include "storage/ProjectNaming.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <sstream>
#include <thread>

namespace Orvanta {

namespace {

constexpr const char* kJournalHeader = "orvanta-save-journal 1";
constexpr const char* kJournalName = "journal";
constexpr const char* kJournalTempName = "journal.tmp";
constexpr const char* kParkedMarker = "parked";
constexpr const char* kDoneName = "done";
constexpr const char* kCreatedName = "created";
constexpr const char* kUndoMarker = "undo";

CFileSystem& Files() {
    return CDomain::Instance().FileSystem();
}

std::string StagingPath(const std::string& projectPath) {
    return projectPath + kSaveStagingFolder + "/";
}

std::string Native(const std::string& projectPath, const std::string& relative) {
    return ToNativePath(projectPath + relative);
}

// The name of the staging folder's entry `name`, relative to the project folder.
std::string StagingName(const std::string& name) {
    return std::string(kSaveStagingFolder) + "/" + name;
}

std::string Escape(const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '%') {
            text += '%';
            text += kHex[byte >> 4];
            text += kHex[byte & 0x0F];
        } else {
            text += c;
        }
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool Unescape(const std::string& text, std::string& name) {
    name.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            name += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// A relative name that stays inside the project folder: no empty, "." or ".." part, no leading
// separator, no backslash (a separator on Windows), no byte 0.
bool IsSafeRelativeName(const std::string& name) {
    if (name.empty() || name.find('\\') != std::string::npos || name.find('\0') != std::string::npos ||
        name.find(':') != std::string::npos) {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = name.find('/', start);
        const std::string part = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
        start = slash + 1;
    }
}

// A staged copy ("n-N") or a parked file ("o-N") of the staging folder, by its relative name, its
// kind one of `prefixes` ("n-", "o-" or both): never a record or a marker.
bool IsStagingName(const std::string& name, const std::vector<std::string>& prefixes) {
    const std::string folder = std::string(kSaveStagingFolder) + "/";
    if (name.rfind(folder, 0) != 0) {
        return false;
    }
    const std::string entry = name.substr(folder.size());
    return std::any_of(prefixes.begin(), prefixes.end(), [&entry](const std::string& prefix) {
        return entry.size() > prefix.size() && entry.rfind(prefix, 0) == 0 &&
               std::all_of(entry.begin() + static_cast<std::ptrdiff_t>(prefix.size()), entry.end(),
                           [](char c) { return c >= '0' && c <= '9'; });
    });
}

// A file the save may park or place: one in "Patch/" or in "Wave/", or a file of the project folder
// itself; never one of those folders, nor the staging folder, a lock file or anything else of the
// program's own (".orvanta-..."), nor anything deeper.
bool IsProjectFileName(const std::string& name) {
    if (!IsSafeRelativeName(name)) {
        return false;
    }
    const std::size_t slash = name.find('/');
    if (slash == std::string::npos) {
        return name != "Patch" && name != "Wave" && name.rfind(".orvanta-", 0) != 0;
    }
    const std::string folder = name.substr(0, slash);
    return (folder == "Patch" || folder == "Wave") && name.find('/', slash + 1) == std::string::npos;
}

// True when the entry `name` (relative) is one a save's rename may move: a file, or a symbolic link
// (a slot file the user made a link), which a rename moves as a link without following it; never a
// folder, a pipe or a device. Missing counts as not movable.
bool IsMovableEntry(const std::string& projectPath, const std::string& name) {
    const CEntryInfo::Kind kind = Files().LookAt(Native(projectPath, name)).kind;
    return kind == CEntryInfo::Kind::kFile || kind == CEntryInfo::Kind::kLink;
}

// The check every act on a record's name goes through: `name` is a file of the project a save may
// park, place or put back (IsProjectFileName), and what is there now is one it may move.
bool IsMovableProjectFile(const std::string& projectPath, const std::string& name) {
    return IsProjectFileName(name) && IsMovableEntry(projectPath, name);
}

// The first name that the renames of `journal` would act on and that holds something no save ever
// moves (a folder, a pipe, a device), relative; empty when there is none. A missing name is fine.
std::string FirstUnmovableName(const std::string& projectPath, const SaveJournal& journal) {
    for (const auto* steps : {&journal.parks, &journal.places}) {
        for (const auto& [from, to] : *steps) {
            for (const std::string* name : {&from, &to}) {
                const CEntryInfo::Kind kind = Files().LookAt(Native(projectPath, *name)).kind;
                if (kind == CEntryInfo::Kind::kFolder || kind == CEntryInfo::Kind::kOther) {
                    return *name;
                }
            }
        }
    }
    return std::string();
}

// A free name beside `name` (relative) for a file that another program put where a save's rename
// must go: "STEM (in the way)EXT", else "STEM (in the way N)EXT". Never a slot file name (the
// stem is longer than one may be), so a load takes it for a stray. Empty when none is free.
std::string InTheWayName(const std::string& projectPath, const std::string& name) {
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    for (int n = 1; n < 1000; ++n) {
        const std::string candidate =
            stem + (n == 1 ? " (in the way)" : " (in the way " + std::to_string(n) + ")") + extension;
        if (!IsSlotFileName(candidate) &&
            Files().LookAt(Native(projectPath, candidate)).kind == CEntryInfo::Kind::kNone) {
            return candidate;
        }
    }
    return std::string();
}

// Moves the file at `name` (relative), which is none of the save's, out of the way of the save's
// rename to that name: renamed beside it under InTheWayName, never overwritten or deleted, and
// noted in `setAside`. A folder, a pipe or a device there is not moved. False when the name is
// still taken.
bool MoveAside(const std::string& projectPath, const std::string& name, std::vector<std::string>* setAside) {
    if (!IsMovableProjectFile(projectPath, name)) {
        return false;
    }
    const std::string aside = InTheWayName(projectPath, name);
    if (aside.empty() || !Files().RenameIfFree(Native(projectPath, name), Native(projectPath, aside))) {
        return false;
    }
    if (setAside != nullptr) {
        setAside->push_back(aside);
    }
    return true;
}

bool WriteDurably(const std::string& path, const std::string& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return Files().WriteNewFile(ToNativePath(path), std::span<const std::uint8_t>(bytes, text.size()), true);
}

// The longest record a recovery reads. A journal of several thousand renames of the longest names
// fits many times over; a longer file is no save's record (crafted, or damaged) and is never read
// whole into memory.
constexpr std::size_t kMaxRecordBytes = std::size_t{8} << 20;

enum class RecordRead {
    kRead,       // the whole record is in `text`
    kUnreadable, // missing, or a read failed: perhaps readable later
    kRefused,    // a link, a folder or anything but a file, or longer than kMaxRecordBytes
};

// Reads the record `path` (a journal, a marker) whole, never through a symbolic link at its name and
// never more than kMaxRecordBytes of it.
RecordRead ReadRecord(const std::string& path, std::string& text) {
    CFileSystem& files = Files();
    text.clear();
    const std::unique_ptr<CFile> file = files.OpenReadNoFollow(ToNativePath(path));
    if (!file) {
        const CEntryInfo::Kind kind = files.LookAt(ToNativePath(path)).kind;
        return kind == CEntryInfo::Kind::kNone || kind == CEntryInfo::Kind::kFile ? RecordRead::kUnreadable
                                                                                  : RecordRead::kRefused;
    }
    std::uint8_t buffer[4096];
    for (;;) {
        const std::int64_t got = file->Read(buffer);
        if (got < 0) {
            return RecordRead::kUnreadable;
        }
        if (got == 0) {
            break;
        }
        if (text.size() + static_cast<std::size_t>(got) > kMaxRecordBytes) {
            text.clear();
            return RecordRead::kRefused;
        }
        text.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(got));
    }
    return file->Close() ? RecordRead::kRead : RecordRead::kUnreadable;
}

bool ReadText(const std::string& path, std::string& text) {
    return ReadRecord(path, text) == RecordRead::kRead;
}

// The folders (internal form, no trailing "/") whose entries the renames of `steps` change.
std::set<std::string> FoldersOf(const std::string& projectPath,
                                const std::vector<std::pair<std::string, std::string>>& steps) {
    std::set<std::string> folders;
    for (const auto& [from, to] : steps) {
        for (const std::string* name : {&from, &to}) {
            const std::string path = projectPath + *name;
            folders.insert(path.substr(0, path.find_last_of('/')));
        }
    }
    return folders;
}

bool SyncFolders(const std::set<std::string>& folders) {
    bool synced = true;
    for (const std::string& folder : folders) {
        synced = Files().Sync(ToNativePath(folder)) && synced;
    }
    return synced;
}

// Removes the staging folder's own files and the folder. Unknown entries are left alone, and
// then the folder stays.
bool RemoveStaging(const std::string& projectPath, const ProgressStep& step = {}) {
    CFileSystem& files = Files();
    const std::string staging = StagingPath(projectPath);
    std::vector<std::string> names = files.ListEntries(ToNativePath(staging));
    const auto isOurs = [](const std::string& name) {
        return name.rfind("n-", 0) == 0 || name.rfind("o-", 0) == 0 || name.rfind("r-", 0) == 0 ||
               name == kJournalName || name == kJournalTempName || name == kParkedMarker || name == kDoneName ||
               name == kCreatedName || name == kUndoMarker;
    };
    // The markers last, and nothing more once a deletion failed: until the files are gone, what the
    // markers say still holds.
    // "undo" goes after the journal: without it a journal left behind would be run forward again.
    const auto rank = [](const std::string& name) {
        return name == kUndoMarker ? 3 : name == kDoneName || name == kJournalName ? 2 : name == kCreatedName ? 1 : 0;
    };
    std::stable_sort(names.begin(), names.end(),
                     [&rank](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
    for (const std::string& name : names) {
        if (!isOurs(name) || !files.Delete(ToNativePath(staging + name))) {
            return false;
        }
        if (step) {
            step();
        }
    }
    if (!files.RemoveFolder(ToNativePath(staging))) {
        return false;
    }
    (void)files.Sync(ToNativePath(projectPath));
    return true;
}

// The folders (".", "Patch", "Wave") that the staging folder's record names as made by its save.
std::set<std::string> CreatedFolders(const std::string& projectPath) {
    std::set<std::string> created;
    std::string text;
    if (ReadText(StagingPath(projectPath) + kCreatedName, text)) {
        std::istringstream lines(text);
        std::string line;
        std::string name;
        while (std::getline(lines, line)) {
            if (Unescape(line, name) && (name == "." || name == "Patch" || name == "Wave")) {
                created.insert(name);
            }
        }
    }
    return created;
}

// The file name of a relative name: "Patch/005 Lead.p00" gives "005 Lead.p00".
std::string LastPart(const std::string& name) {
    return name.substr(name.find_last_of('/') + 1);
}

// A free name in the folder of `name` (relative) for a displaced file on its way to the trash of a
// desktop library: its own name when free again, else "STEM (old)EXT" or "STEM (old N)EXT", which a
// later load takes for a stray (no slot name), so that restoring it from the trash takes no slot.
std::string FreeNameFor(const std::string& projectPath, const std::string& name) {
    CFileSystem& files = Files();
    if (!files.Exists(Native(projectPath, name))) {
        return name;
    }
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of('/');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    for (int n = 1; n < 1000; ++n) {
        const std::string candidate = stem + (n == 1 ? " (old)" : " (old " + std::to_string(n) + ")") + extension;
        if (!files.Exists(Native(projectPath, candidate))) {
            return candidate;
        }
    }
    return std::string();
}

// True when `name` is one that FreeNameFor gives the displaced file `from`: its own, or
// "STEM (old)EXT" or "STEM (old N)EXT".
bool IsFreeNameOf(const std::string& from, const std::string& name) {
    if (name == from) {
        return true;
    }
    const std::size_t dot = from.find_last_of('.');
    const std::size_t slash = from.find_last_of('/');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExtension ? from.substr(0, dot) : from;
    const std::string extension = hasExtension ? from.substr(dot) : std::string();
    if (name.size() < stem.size() + extension.size() + 6 || name.rfind(stem, 0) != 0 ||
        name.compare(name.size() - extension.size(), extension.size(), extension) != 0) {
        return false;
    }
    const std::string middle = name.substr(stem.size(), name.size() - stem.size() - extension.size());
    if (middle == " (old)") {
        return true;
    }
    const std::string number = middle.size() > 7 ? middle.substr(6, middle.size() - 7) : std::string();
    return middle.rfind(" (old ", 0) == 0 && middle.back() == ')' && !number.empty() &&
           std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What TrashParkedFiles left.
enum class Disposal {
    kDone,    // every parked file nobody needs is in the trash or kept (or, trash off, left to delete)
    kLeft,    // a file could go nowhere now: the staging folder stays for the next open to try again
    kRefused, // a marker there is not one this program writes: left as it is for the user
};

// A marker "r-N" that begins so says that the parked "o-N" is on its way into the core's own trash
// as the entry named after it.
constexpr const char* kTrashEntryMarker = "trash:";

// The parked files of one finished save on their way out, and what the user is told about them.
class CParkedFileDisposal {
public:
    CParkedFileDisposal(const std::string& projectPath, const SaveJournal& journal)
        : m_files(Files()), m_projectPath(projectPath), m_useTrash(m_files.UsesTrash()),
          m_ownTrash(m_useTrash && OwnTrashInUse() && !HasTrashHandler()) {
        for (const auto& [from, to] : journal.places) {
            m_placed.insert(to);
        }
    }

    // Disposes of the parked file `parked` (relative) that was the project file `from`.
    Disposal Dispose(const std::string& from, const std::string& parked) {
        const std::string marker = StagingPath(m_projectPath) + "r-" + LastPart(parked).substr(2); // "o-17": "r-17"
        const CEntryInfo markerInfo = m_files.LookAt(ToNativePath(marker));
        std::string recorded;
        if (markerInfo.kind != CEntryInfo::Kind::kNone &&
            (markerInfo.kind != CEntryInfo::Kind::kFile || !ReadText(marker, recorded))) {
            return Disposal::kRefused; // a folder, a pipe, a link: never this program's
        }
        const bool trashEntry = recorded.rfind(kTrashEntryMarker, 0) == 0 &&
                                IsTrashEntryName(recorded.substr(std::char_traits<char>::length(kTrashEntryMarker)));
        const std::string entry =
            trashEntry ? recorded.substr(std::char_traits<char>::length(kTrashEntryMarker)) : std::string();
        // The name a desktop library's run gave the file back under, on its way to that trash.
        const std::string given =
            !trashEntry && IsProjectFileName(recorded) && IsFreeNameOf(from, recorded) && m_placed.count(recorded) == 0
                ? recorded
                : std::string();
        if (m_files.LookAt(Native(m_projectPath, parked)).kind == CEntryInfo::Kind::kNone) {
            if (markerInfo.kind == CEntryInfo::Kind::kNone) {
                return Disposal::kDone; // placed in a slot, or gone already
            }
            if (!trashEntry && given.empty()) {
                return Disposal::kRefused; // names something the save never gave the file
            }
            // Given back under a project name by an interrupted run: it goes on, whatever the
            // setting was then: to the trash, or away when the trash is off now.
            if (!given.empty() && m_files.Exists(Native(m_projectPath, given)) && !Finish(given, marker)) {
                return Disposal::kLeft;
            }
            if (trashEntry) {
                ClearTrashMove(FindTrashFor(m_projectPath, false), from, entry); // an info left by a move that failed
            }
            return m_files.Delete(ToNativePath(marker)) ? Disposal::kDone : Disposal::kLeft;
        }
        // Still parked: a move into the trash that stopped after its info was written goes on (or,
        // with the trash off now, what it left there goes); any other marker is a choice never acted on.
        if (trashEntry) {
            if (m_ownTrash && ResumeTrashMove(Trash(), m_projectPath + parked, from, entry)) {
                return m_files.Delete(ToNativePath(marker)) ? Disposal::kDone : Disposal::kLeft;
            }
            if (!m_ownTrash) {
                ClearTrashMove(FindTrashFor(m_projectPath, false), from, entry);
            }
        }
        if (!m_useTrash) {
            return Disposal::kDone; // deleted with the staging folder
        }
        if (markerInfo.kind != CEntryInfo::Kind::kNone && !m_files.Delete(ToNativePath(marker))) {
            return Disposal::kLeft;
        }
        if (m_files.LookAt(Native(m_projectPath, parked)).kind == CEntryInfo::Kind::kLink) {
            // A link's content is elsewhere: the link is removed as a link, and its target stays.
            return m_files.Delete(Native(m_projectPath, parked)) ? Disposal::kDone : Disposal::kLeft;
        }
        if (m_ownTrash) {
            return ToOwnTrash(m_projectPath + parked, from, marker) || Keep(parked, LastPart(from), marker)
                       ? Disposal::kDone
                       : Disposal::kLeft;
        }
        // A desktop library's trash takes a path and restores to it: the file goes back to its folder
        // first, under a name that takes no slot when it is not free.
        const std::string name = FreeNameFor(m_projectPath, from);
        if (name.empty() || m_files.Exists(ToNativePath(marker)) || !WriteDurably(marker, name) ||
            !m_files.Rename(Native(m_projectPath, parked), Native(m_projectPath, name))) {
            return Keep(parked, LastPart(from), marker) ? Disposal::kDone : Disposal::kLeft;
        }
        return Finish(name, marker) ? Disposal::kDone : Disposal::kLeft;
    }

    // Tells the user where the files that no trash took are.
    void Report() const {
        if (m_kept.empty()) {
            return;
        }
        std::string names;
        for (const std::string& name : m_kept) {
            names += (names.empty() ? "" : ", ") + LastPart(name);
        }
        CDomain::Instance().MessageReporter().Warning(
            std::to_string(m_kept.size()) + (m_kept.size() == 1 ? " file" : " files") + " that the save of " +
            ProjectFolderName(m_projectPath) + " removed could not go to the trash (" + m_keptWhy + ") and " +
            (m_kept.size() == 1 ? "was" : "were") + " kept in the folder " + m_projectPath + kKeptFilesFolder + ": " +
            names);
    }

private:
    const TrashLocation& Trash() {
        if (!m_located) {
            m_trash = FindTrashFor(m_projectPath, true);
            m_located = true;
        }
        return m_trash;
    }

    // The file of the project name `name` into the trash (it is there since an earlier step), or,
    // with the trash off, away; kept when no trash takes it.
    bool Finish(const std::string& name, const std::string& marker) {
        const std::string path = Native(m_projectPath, name);
        if (!m_useTrash || m_files.LookAt(path).kind == CEntryInfo::Kind::kLink) {
            return m_files.Delete(path) || !m_files.Exists(path);
        }
        if (m_ownTrash ? ToOwnTrash(m_projectPath + name, name, marker) : m_files.MoveToTrash(path)) {
            return true;
        }
        if (!m_ownTrash) {
            m_keptWhy = "the desktop's trash did not take it";
        }
        return Keep(name, LastPart(name), marker);
    }

    // Moves the file at `path` (internal) into the own trash as the project file `relative`; the
    // marker names each entry before the move into it begins.
    bool ToOwnTrash(const std::string& path, const std::string& relative, const std::string& marker) {
        const TrashLocation& trash = Trash();
        std::string problem = trash.problem;
        for (int n = 0; problem.empty() && n < 100; ++n) {
            const std::string name = TrashEntryName(LastPart(relative), n);
            if (name.empty()) {
                problem = "no name in the trash fits it";
                break;
            }
            if (!IsTrashEntryFree(trash, name)) {
                continue;
            }
            (void)m_files.Delete(ToNativePath(marker));
            if (m_files.Exists(ToNativePath(marker)) || !WriteDurably(marker, kTrashEntryMarker + name)) {
                return false;
            }
            const TrashMove moved = MoveIntoTrash(trash, path, relative, name, problem);
            if (moved == TrashMove::kMoved) {
                (void)m_files.Delete(ToNativePath(marker));
                return true;
            }
            if (moved == TrashMove::kFailed) {
                break;
            }
        }
        m_keptWhy = problem.empty() ? "every name in the trash is taken" : problem;
        return false;
    }

    // Moves the file `relative` (in the project folder or its staging folder) into the kept-files
    // folder of the project as `fileName`, or "STEM (N)EXT" when that is taken.
    bool Keep(const std::string& relative, const std::string& fileName, const std::string& marker) {
        const std::string folder = Native(m_projectPath, kKeptFilesFolder);
        const CEntryInfo info = m_files.LookAt(folder);
        if (info.kind == CEntryInfo::Kind::kNone) {
            if (m_files.CreateFolder(folder) != FolderCreation::kCreated) {
                return false;
            }
            (void)m_files.Sync(ToNativePath(m_projectPath));
        } else if (info.kind != CEntryInfo::Kind::kFolder) {
            return false; // a file or a link of that name is the user's
        }
        for (int n = 0; n < 1000; ++n) {
            const std::string name = TrashEntryName(fileName, n);
            if (name.empty()) {
                return false;
            }
            const std::string kept = std::string(kKeptFilesFolder) + "/" + name;
            if (m_files.RenameIfFree(Native(m_projectPath, relative), Native(m_projectPath, kept))) {
                (void)m_files.Sync(folder);
                (void)m_files.Delete(ToNativePath(marker));
                m_kept.push_back(kept);
                if (m_keptWhy.empty()) {
                    m_keptWhy = "no trash takes it";
                }
                return true;
            }
            if (!m_files.Exists(Native(m_projectPath, kept))) {
                return false;
            }
        }
        return false;
    }

    CFileSystem& m_files;
    std::string m_projectPath;
    bool m_useTrash;
    bool m_ownTrash;
    std::set<std::string> m_placed;
    TrashLocation m_trash;
    bool m_located = false;
    std::vector<std::string> m_kept;
    std::string m_keptWhy;
};

// Once a save has finished ("done"), the parked files nobody needs go to the desktop's trash, from
// where the user can restore them; where no trash takes one, it is kept in the project's kept-files
// folder and the user is told. The core's own trash takes a parked file straight from the staging
// folder, so it never comes back under a slot's name; a desktop library's trash (Windows, macOS)
// gets it back in its folder first (under its old name when that is free again, else as
// "NAME (old)"). The marker "r-N", written before each step, says what the step is (the trash entry
// it goes to, or the name it was given back under), so that a run after an interruption finishes
// that step, whatever the trash setting is now, and a file is never in two places. A symbolic link
// is removed as a link. Without a trash, RemoveStaging deletes the parked files as before.
Disposal TrashParkedFiles(const std::string& projectPath, const SaveJournal& journal, const ProgressStep& step = {}) {
    CParkedFileDisposal disposal(projectPath, journal);
    Disposal result = Disposal::kDone;
    for (const auto& [from, parked] : journal.parks) {
        const Disposal one = disposal.Dispose(from, parked);
        if (one == Disposal::kRefused || (one == Disposal::kLeft && result == Disposal::kDone)) {
            result = one;
        }
        if (step) {
            step();
        }
    }
    disposal.Report();
    return result;
}

} // namespace

std::string FormatSaveJournal(const SaveJournal& journal) {
    std::string text = std::string(kJournalHeader) + "\n";
    for (const auto& [from, to] : journal.parks) {
        text += "park " + Escape(from) + " " + Escape(to) + "\n";
    }
    for (const auto& [from, to] : journal.places) {
        text += "place " + Escape(from) + " " + Escape(to) + "\n";
    }
    return text + "end\n";
}

bool ParseSaveJournal(const std::string& text, SaveJournal& journal) {
    journal = SaveJournal{};
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kJournalHeader) {
        return false;
    }
    bool ended = false;
    while (std::getline(lines, line)) {
        if (ended) {
            return false;
        }
        if (line == "end") {
            ended = true;
            continue;
        }
        std::istringstream words(line);
        std::string verb;
        std::string fromText;
        std::string toText;
        std::string extra;
        std::string from;
        std::string to;
        if (!(words >> verb >> fromText >> toText) || (words >> extra) || !Unescape(fromText, from) ||
            !Unescape(toText, to)) {
            return false;
        }
        if (verb == "park" && journal.places.empty() && IsProjectFileName(from) && IsStagingName(to, {"o-"})) {
            journal.parks.emplace_back(from, to);
        } else if (verb == "place" && IsStagingName(from, {"n-", "o-"}) && IsProjectFileName(to)) {
            journal.places.emplace_back(from, to);
        } else {
            return false;
        }
    }
    return ended && text.size() > 0 && text.back() == '\n';
}

bool BeginSaveStaging(const std::string& projectPath, const std::vector<std::string>& createdFolders) {
    CFileSystem& files = Files();
    const std::string staging = StagingPath(projectPath);
    if (files.CreateFolder(ToNativePath(staging.substr(0, staging.size() - 1))) != FolderCreation::kCreated) {
        return false;
    }
    std::string text;
    for (const std::string& folder : createdFolders) {
        text += Escape(folder.empty() ? "." : folder) + "\n";
    }
    if (!WriteDurably(staging + kCreatedName, text)) {
        (void)files.RemoveFolder(ToNativePath(staging));
        return false;
    }
    // The staging folder's own entry must outlast a crash, or its files would be lost to view.
    (void)files.Sync(ToNativePath(projectPath));
    return true;
}

bool CommitSaveJournal(const std::string& projectPath, const std::vector<std::string>& stagedFiles,
                       const SaveJournal& journal, const std::function<bool()>& stillAsPlanned) {
    CFileSystem& files = Files();
    const std::string staging = StagingPath(projectPath);
    // The staged contents first: the journal must never name a copy that a crash could lose. With
    // no copies (a save that only renames) the folders' entries are all there is to flush, which
    // costs less than flushing the whole file system.
    if (stagedFiles.empty() || !files.SyncFileSystem(ToNativePath(projectPath))) {
        for (const std::string& name : stagedFiles) {
            if (!files.Sync(Native(projectPath, name))) {
                return false;
            }
        }
        // Their entries too, and those of the folders the save made, before the journal names them.
        if (!files.Sync(ToNativePath(staging)) || !files.Sync(ToNativePath(projectPath))) {
            return false;
        }
    }
    if (!WriteDurably(staging + kJournalTempName, FormatSaveJournal(journal))) {
        return false;
    }
    if (stillAsPlanned && !stillAsPlanned()) {
        (void)files.Delete(ToNativePath(staging + kJournalTempName));
        return false;
    }
    if (!files.Rename(ToNativePath(staging + kJournalTempName), ToNativePath(staging + kJournalName))) {
        (void)files.Delete(ToNativePath(staging + kJournalTempName));
        return false;
    }
    return files.Sync(ToNativePath(staging));
}

JournalRun RunSaveJournal(const std::string& projectPath, const SaveJournal& journal, const ProgressStep& progress,
                          std::vector<std::string>* setAside) {
    CFileSystem& files = Files();
    const std::string staging = StagingPath(projectPath);
    const ProgressStep step = progress ? progress : [] {};
    // The marker only tells a later run to skip the parks; a journal without any (a Save As into a
    // new folder) needs none, nor the two flushes that make it durable.
    if (!journal.parks.empty() && !files.Exists(ToNativePath(staging + kParkedMarker))) {
        // Before the marker no file has been placed, so a park whose parked name is missing has not
        // happened yet, and one whose project file is missing had nothing to move.
        // A rename that finds its parked name free is the usual case and needs no look first.
        for (const auto& [from, to] : journal.parks) {
            const std::string source = Native(projectPath, from);
            const std::string parked = Native(projectPath, to);
            if (!files.RenameIfFree(source, parked) && !files.Exists(parked) && !files.Rename(source, parked) &&
                files.Exists(source)) {
                return JournalRun::kFailed;
            }
            step();
        }
        std::set<std::string> folders = FoldersOf(projectPath, journal.parks);
        if (!SyncFolders(folders) || !WriteDurably(staging + kParkedMarker, std::string()) ||
            !files.Sync(ToNativePath(staging))) {
            return JournalRun::kFailed;
        }
    }
    // A place is taken for done only when its target is there: a staged file is never left behind
    // for the tidying up to delete.
    for (const auto& [from, to] : journal.places) {
        step();
        const std::string source = Native(projectPath, from);
        const std::string target = Native(projectPath, to);
        if (files.RenameIfFree(source, target)) {
            continue;
        }
        if (files.Exists(target)) {
            // Placed already; or, while the staged file is still there, a file that another program
            // put in the way after the parks: it is moved aside as a stray, never overwritten.
            if (files.Exists(source) &&
                (!MoveAside(projectPath, to, setAside) || !files.RenameIfFree(source, target))) {
                return JournalRun::kFailed;
            }
            continue;
        }
        if (!files.Rename(source, target)) {
            return JournalRun::kFailed;
        }
    }
    if (!SyncFolders(FoldersOf(projectPath, journal.places))) {
        return JournalRun::kFailed;
    }
    if (files.Exists(ToNativePath(staging + kJournalName)) &&
        (!files.Rename(ToNativePath(staging + kJournalName), ToNativePath(staging + kDoneName)) ||
         !files.Sync(ToNativePath(staging)))) {
        return JournalRun::kFailed;
    }
    if (TrashParkedFiles(projectPath, journal, step) != Disposal::kDone) {
        return JournalRun::kPlaced;
    }
    return RemoveStaging(projectPath, step) ? JournalRun::kFinished : JournalRun::kPlaced;
}

bool RollBackSaveJournal(const std::string& projectPath, const SaveJournal& journal,
                         std::vector<std::string>* setAside) {
    CFileSystem& files = Files();
    const std::string staging = StagingPath(projectPath);
    if (files.Exists(ToNativePath(staging + kDoneName))) {
        return false; // finished: the files it displaced may be gone already
    }
    if (!files.Exists(ToNativePath(staging + kUndoMarker)) &&
        (!WriteDurably(staging + kUndoMarker, std::string()) || !files.Sync(ToNativePath(staging)))) {
        return false;
    }
    // Every step below finds what it has done already and then does nothing, so the undoing can be
    // run again from wherever a crash stopped it.
    // 1. Places began only once every park was done (the marker "parked" says so; a journal without
    // parks has none, and its staged copies stay until the journal is gone). While the marker is
    // there, a place whose staged name is free has its file at the target, which goes back; a place
    // whose staged name is taken was never made or is undone already.
    const bool placing = journal.parks.empty() || files.Exists(ToNativePath(staging + kParkedMarker));
    for (auto it = journal.places.rbegin(); placing && it != journal.places.rend(); ++it) {
        const std::string staged = Native(projectPath, it->first);
        const std::string target = Native(projectPath, it->second);
        if (files.Exists(staged) || !files.Exists(target)) {
            continue;
        }
        if (!IsMovableProjectFile(projectPath, it->second) || !files.RenameIfFree(target, staged)) {
            return false;
        }
    }
    if (!SyncFolders(FoldersOf(projectPath, journal.places))) {
        return false;
    }
    // 2. Every place is undone: without the marker "parked" no later run looks at the places again
    // (a parked file back at its old name leaves its staged name free, which step 1 would misread).
    if (!journal.parks.empty() && files.Exists(ToNativePath(staging + kParkedMarker)) &&
        (!files.Delete(ToNativePath(staging + kParkedMarker)) || !files.Sync(ToNativePath(staging)))) {
        return false;
    }
    // 3. A parked file goes back to its name; one whose parked name is free never left or is back
    // already. A file that another program put at that name meanwhile is moved aside as a stray.
    for (auto it = journal.parks.rbegin(); it != journal.parks.rend(); ++it) {
        const std::string original = Native(projectPath, it->first);
        const std::string parked = Native(projectPath, it->second);
        if (!files.Exists(parked)) {
            continue;
        }
        if (!IsMovableEntry(projectPath, it->second)) {
            return false;
        }
        if (files.RenameIfFree(parked, original)) {
            continue;
        }
        if (!files.Exists(original) || !MoveAside(projectPath, it->first, setAside) ||
            !files.RenameIfFree(parked, original)) {
            return false;
        }
    }
    if (!SyncFolders(FoldersOf(projectPath, journal.parks))) {
        return false;
    }
    // 4. No parked file may stay behind for the tidying up: then the journal goes, and with it what
    // makes a later run undo anything. What is left ("undo" last) is tidying up, which the next open
    // finishes.
    std::set<std::string> parkedNames;
    for (const auto& [from, parked] : journal.parks) {
        parkedNames.insert(LastPart(parked));
    }
    for (const std::string& name : files.ListEntries(ToNativePath(staging))) {
        if (parkedNames.count(name) != 0) {
            return false;
        }
    }
    if (files.Exists(ToNativePath(staging + kJournalName)) &&
        (!files.Delete(ToNativePath(staging + kJournalName)) || !files.Sync(ToNativePath(staging)))) {
        return false;
    }
    (void)DiscardSaveStaging(projectPath);
    return true;
}

std::string FirstLinkInTheWay(const std::string& projectPath, const SaveJournal* journal) {
    CFileSystem& files = Files();
    std::vector<std::string> names = {"Patch",
                                      "Wave",
                                      kSaveStagingFolder,
                                      StagingName(kJournalName),
                                      StagingName(kCreatedName),
                                      StagingName(kParkedMarker),
                                      StagingName(kDoneName),
                                      StagingName(kUndoMarker)};
    if (journal != nullptr) {
        // Staged copies are made by the save itself; a parked file may be the user's own link,
        // which a rename moves without following.
        for (const auto& [from, to] : journal->places) {
            if (from.rfind(StagingName("n-"), 0) == 0) {
                names.push_back(from);
            }
        }
    }
    for (const std::string& name : names) {
        if (files.IsSymbolicLink(Native(projectPath, name))) {
            return name;
        }
    }
    return std::string();
}

std::unique_ptr<CFileLock> AcquireSaveLock(const std::string& projectPath, int waitMilliseconds, bool& busy,
                                           std::string* unusable) {
    const std::string path = ToNativePath(projectPath + kSaveLockName);
    const auto giveUpAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    for (;;) {
        CLockAttempt attempt = Files().TryLock(path);
        // A lock file nobody can lock excludes nobody: nothing goes on without the lock then.
        busy = attempt.heldElsewhere || !attempt.unusable.empty();
        if (unusable != nullptr) {
            *unusable = attempt.unusable;
        }
        if (attempt.lock || !attempt.heldElsewhere || std::chrono::steady_clock::now() >= giveUpAt) {
            return std::move(attempt.lock);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void RemoveStaleSaveLock(const std::string& projectPath) {
    if (Files().Exists(ToNativePath(projectPath + kSaveLockName))) {
        bool busy = false;
        (void)AcquireSaveLock(projectPath, 0, busy); // let go at once, which removes the file
    }
}

bool DiscardSaveStaging(const std::string& projectPath) {
    const std::set<std::string> created = CreatedFolders(projectPath);
    // The sub-folders first, while the record of them is still there (each only when empty: a save
    // that had not committed placed nothing in them), then the staging folder, then the project
    // folder itself, where this process's save lock is all it may still hold.
    CFileSystem& files = Files();
    for (const std::string& name : created) {
        if (name != ".") {
            (void)files.RemoveFolder(ToNativePath(projectPath + name));
        }
    }
    if (!RemoveStaging(projectPath)) {
        return false;
    }
    if (created.count(".") != 0) {
        const std::string folder = projectPath.substr(0, projectPath.size() - 1);
        if (files.ListEntries(ToNativePath(folder)) == std::vector<std::string>{kSaveLockName}) {
            (void)files.Delete(ToNativePath(projectPath + kSaveLockName));
        }
        if (files.RemoveFolder(ToNativePath(folder))) {
            (void)files.Sync(ToNativePath(folder.substr(0, folder.find_last_of('/') + 1)));
        }
    }
    return true;
}

bool HasInterruptedSave(const std::string& projectPath) {
    // Only a real folder of that name is a save's: a file or a link there is the user's and is left
    // alone (a save then cannot start its staging folder and fails).
    const std::string staging = ToNativePath(projectPath + kSaveStagingFolder);
    return !projectPath.empty() && Files().IsFolder(staging) && !Files().IsLinked(staging);
}

namespace {

// A folder holding nothing but a save lock left behind: a Save As into a new folder that stopped
// as it began, before its staging folder recorded that it made the folder. It goes, once no other
// process holds that lock.
bool RemoveAbandonedFolder(const std::string& projectPath) {
    CFileSystem& files = Files();
    const std::string folder = projectPath.substr(0, projectPath.size() - 1);
    const std::vector<std::string> onlyTheLock = {kSaveLockName};
    if (projectPath.empty() || !files.IsFolder(ToNativePath(projectPath)) ||
        files.IsSymbolicLink(ToNativePath(folder)) || files.ListEntries(ToNativePath(folder)) != onlyTheLock) {
        return false;
    }
    bool busy = false;
    std::unique_ptr<CFileLock> lock = AcquireSaveLock(projectPath, 0, busy);
    if (!lock || files.ListEntries(ToNativePath(folder)) != onlyTheLock) {
        return false;
    }
    lock.reset(); // removes the lock file
    if (!files.RemoveFolder(ToNativePath(folder))) {
        return false;
    }
    (void)files.Sync(ToNativePath(folder.substr(0, folder.find_last_of('/') + 1)));
    return true;
}

} // namespace

RecoveryOutcome RecoverInterruptedSave(const std::string& projectPath, std::vector<std::string>* setAside) {
    if (!HasInterruptedSave(projectPath)) {
        return RemoveAbandonedFolder(projectPath) ? RecoveryOutcome::kRolledBack : RecoveryOutcome::kNothing;
    }
    bool busy = false;
    std::unique_ptr<CFileLock> lock = AcquireSaveLock(projectPath, kSaveLockWaitMilliseconds, busy);
    if (busy) {
        return RecoveryOutcome::kBusy;
    }
    const bool madeFolder = FirstLinkInTheWay(projectPath).empty() && CreatedFolders(projectPath).count(".") != 0;
    const RecoveryOutcome outcome = RecoverInterruptedSaveLocked(projectPath, setAside);
    lock.reset();
    // A Save As undone whose folder is still there held nothing but the lock file (which, on
    // Windows, goes only as the lock is let go): the folder goes now, when empty.
    const std::string folder = projectPath.substr(0, projectPath.size() - 1);
    if (outcome == RecoveryOutcome::kRolledBack && madeFolder && Files().RemoveFolder(ToNativePath(folder))) {
        (void)Files().Sync(ToNativePath(folder.substr(0, folder.find_last_of('/') + 1)));
    }
    return outcome;
}

RecoveryOutcome RecoverInterruptedSaveLocked(const std::string& projectPath, std::vector<std::string>* setAside) {
    if (!HasInterruptedSave(projectPath)) {
        return RecoveryOutcome::kNothing;
    }
    CFileSystem& files = Files();
    const std::string staging = StagingPath(projectPath);
    if (!FirstLinkInTheWay(projectPath).empty()) {
        return RecoveryOutcome::kRefused;
    }
    if (files.ListEntries(ToNativePath(staging)).empty()) {
        // Left by a save that stopped as it began or as it removed its last marker: the folder is
        // whole either way.
        return files.RemoveFolder(ToNativePath(staging)) ? RecoveryOutcome::kNothing : RecoveryOutcome::kFailed;
    }
    // Every record is read without following a link and only up to the length a save's can have;
    // one that is neither is refused, not acted on.
    std::string text;
    if (files.Exists(ToNativePath(staging + kCreatedName)) &&
        ReadRecord(staging + kCreatedName, text) == RecordRead::kRefused) {
        return RecoveryOutcome::kRefused;
    }
    if (files.Exists(ToNativePath(staging + kDoneName))) {
        // The finished journal ("done") still tells which parked files go to the trash.
        SaveJournal journal;
        const RecordRead read = ReadRecord(staging + kDoneName, text);
        if (read == RecordRead::kRefused) {
            return RecoveryOutcome::kRefused;
        }
        // Without its journal nobody can tell which parked files are old contents for the trash: they
        // stay parked for the user instead of being deleted with the staging folder.
        if (read != RecordRead::kRead) {
            return RecoveryOutcome::kFailed;
        }
        if (!ParseSaveJournal(text, journal)) {
            return RecoveryOutcome::kRefused;
        }
        if (!FirstLinkInTheWay(projectPath, &journal).empty() || !FirstUnmovableName(projectPath, journal).empty()) {
            return RecoveryOutcome::kRefused;
        }
        const Disposal disposal = TrashParkedFiles(projectPath, journal);
        if (disposal == Disposal::kRefused) {
            return RecoveryOutcome::kRefused;
        }
        if (disposal == Disposal::kLeft) {
            return RecoveryOutcome::kCompleted; // in place; the trashing is tried again next time
        }
        return RemoveStaging(projectPath) ? RecoveryOutcome::kCompleted : RecoveryOutcome::kFailed;
    }
    if (files.Exists(ToNativePath(staging + kJournalName))) {
        SaveJournal journal;
        const RecordRead read = ReadRecord(staging + kJournalName, text);
        if (read != RecordRead::kRead) {
            return read == RecordRead::kRefused ? RecoveryOutcome::kRefused : RecoveryOutcome::kFailed;
        }
        if (!ParseSaveJournal(text, journal)) {
            return RecoveryOutcome::kRefused; // nothing is touched that the journal cannot account for
        }
        if (!FirstLinkInTheWay(projectPath, &journal).empty() || !FirstUnmovableName(projectPath, journal).empty()) {
            return RecoveryOutcome::kRefused;
        }
        // Forward unless an undoing had begun; when the places cannot be completed, back. With every
        // file in place, what is left is tidying up, which the next open finishes.
        if (!files.Exists(ToNativePath(staging + kUndoMarker)) &&
            RunSaveJournal(projectPath, journal, {}, setAside) != JournalRun::kFailed) {
            return RecoveryOutcome::kCompleted;
        }
        return RollBackSaveJournal(projectPath, journal, setAside) ? RecoveryOutcome::kRolledBack
                                                                   : RecoveryOutcome::kFailed;
    }
    return DiscardSaveStaging(projectPath) ? RecoveryOutcome::kRolledBack : RecoveryOutcome::kFailed;
}

std::string RecoveryText(const std::string& projectPath, RecoveryOutcome outcome,
                         const std::vector<std::string>& setAside) {
    std::string text = RecoveryText(projectPath, outcome);
    for (const std::string& name : setAside) {
        text += " Another program had put a file where the save needed to put one; it was kept as \"" + name + "\".";
    }
    return text;
}

std::string RecoveryText(const std::string& projectPath, RecoveryOutcome outcome) {
    switch (outcome) {
    case RecoveryOutcome::kRolledBack:
        return "An interrupted save of " + projectPath + " was undone: the project is as it was before that save.";
    case RecoveryOutcome::kCompleted:
        return "An interrupted save of " + projectPath + " was completed: the project is as that save left it.";
    case RecoveryOutcome::kFailed:
        return "An interrupted save of " + projectPath + " could not be completed or undone.";
    case RecoveryOutcome::kRefused:
        return "An interrupted save of " + projectPath +
               " was left as it is: its records are damaged, name something a save never moves, or lead outside "
               "the project folder through a link. Remove the folder \"" +
               kSaveStagingFolder + "\" in it to open the project as it is.";
    case RecoveryOutcome::kBusy: {
        const std::string lock = ToNativePath(projectPath + kSaveLockName);
        if (Files().IsFolder(lock) && !Files().IsSymbolicLink(lock)) {
            return "An interrupted save of " + projectPath + " was left as it is: \"" + kSaveLockName +
                   "\" in it is a folder, where the lock file belongs that keeps other programs out while a save "
                   "is finished or undone. Remove that folder to open the project.";
        }
        return ProjectFolderName(projectPath) +
               " is being saved by another program right now: nothing was recovered or changed. Open it again once "
               "that save has ended.";
    }
    case RecoveryOutcome::kNothing:
        break;
    }
    return std::string();
}

} // namespace Orvanta
