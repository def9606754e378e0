#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace Orvanta {

// What tells a file's content apart from an earlier one without reading it: its size and its last
// modification time (nanoseconds since the epoch; -1 when the file system does not say).
struct CFileStamp {
    std::int64_t size = -1; // -1: no regular file at the path
    std::int64_t modified = -1;
    bool operator==(const CFileStamp&) const = default;
};

// An open file of a CFileSystem. Closing happens at the latest when the object is destroyed.
class CFile {
public:
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile() = default;

    // Reads up to buffer.size() bytes from the current position. Returns the number of bytes read,
    // fewer at the end of the file, or -1 on a read error.
    [[nodiscard]] virtual std::int64_t Read(std::span<std::uint8_t> buffer) = 0;
    // Reads on until `buffer` is full, the file ends or a read fails (a read may deliver less than
    // asked before the end); the number of bytes read. `failed`, when given, tells whether a read
    // failed.
    std::size_t ReadUntilFull(std::span<std::uint8_t> buffer, bool* failed = nullptr) {
        std::size_t filled = 0;
        while (filled < buffer.size()) {
            const std::int64_t got = Read(buffer.subspan(filled));
            if (got <= 0) {
                if (failed != nullptr) {
                    *failed = got < 0;
                }
                return filled;
            }
            filled += static_cast<std::size_t>(got);
        }
        if (failed != nullptr) {
            *failed = false;
        }
        return filled;
    }
    // Writes all of `data` at the current position; false when not every byte could be written.
    [[nodiscard]] virtual bool Write(std::span<const std::uint8_t> data) = 0;
    // Moves the position to `offset` bytes from the start of the file.
    [[nodiscard]] virtual bool Seek(std::int64_t offset) = 0;
    // Flushes and closes; false when written bytes could not be stored. Later calls answer true.
    [[nodiscard]] virtual bool Close() = 0;
    // The stamp of the opened file as it was when opened, where the file system knows it without
    // another call; unknown (size -1) otherwise, and then to be asked of the path.
    [[nodiscard]] virtual CFileStamp Stamp() const { return {}; }
    // The stamp of the opened file now, after what was written through it, taken from the open file
    // without looking the path up; unknown (size -1) where the file system cannot tell.
    [[nodiscard]] virtual CFileStamp CurrentStamp() const { return {}; }
};

// A folder opened once, whose files are then reached relative to it: a path is looked up once, not
// once per file. Where the platform can, a name the listing saw as a regular file opens only while it
// still is one, never through a link put in its place; a listed link opens what it points to.
class CFolder {
public:
    CFolder() = default;
    CFolder(const CFolder&) = delete;
    CFolder& operator=(const CFolder&) = delete;
    virtual ~CFolder() = default;
    // As CFileSystem::ListFolderMatchingAny of the folder.
    [[nodiscard]] virtual std::vector<std::string> ListMatchingAny(const std::vector<std::string>& patterns) = 0;
    // As CFileSystem::OpenRead of the file `name` of the folder.
    [[nodiscard]] virtual std::unique_ptr<CFile> OpenRead(const std::string& name) = 0;
};

// Result of CreateFolder.
enum class FolderCreation { kCreated, kExisted, kFailed };

// An advisory lock on a lock file, held until the object is destroyed, which also removes the lock
// file. The system lets go of the lock when the process ends however it ends, so a lock file left
// behind by a process that died is simply taken over.
class CFileLock {
public:
    CFileLock() = default;
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;
    virtual ~CFileLock() = default;
    // Replaces the lock file's text: who holds the lock, for another process to tell its user.
    virtual bool Describe(const std::string& text) = 0;
};

// What CFileSystem::TryLock found. Neither locked nor held elsewhere nor unusable: the lock file
// cannot be made (a read-only folder).
struct CLockAttempt {
    std::unique_ptr<CFileLock> lock; // null when not locked
    bool heldElsewhere = false;      // another process holds the lock
    std::string holder;              // the holder's text, when another process holds it
    // Why something at the lock file's name can serve as no lock and cannot be replaced (a folder,
    // a file system that refuses locks); empty otherwise. Nobody can take that lock, so whoever
    // needs it stops.
    std::string unusable;
};

// What CFileSystem::LookAt finds at a path, which it never follows when it is a link.
struct CEntryInfo {
    enum class Kind { kNone, kFile, kFolder, kLink, kOther };
    Kind kind = Kind::kNone;
    bool sticky = false;     // a folder in which only an entry's owner may remove or rename it
    bool writable = false;   // this process may write the file, or create entries in the folder
    std::int64_t owner = -1; // the owner's user number; -1 where the platform has none
};

// The file system as the core sees it. Every file-system access of the core goes through one
// object of this interface, the one CDomain holds: the native one in normal use, a fault-injecting
// double in tests. Paths are the core's paths in UTF-8 with "/" between names, on every platform.
class CFileSystem {
public:
    CFileSystem() = default;
    CFileSystem(const CFileSystem&) = delete;
    CFileSystem& operator=(const CFileSystem&) = delete;
    virtual ~CFileSystem() = default;

    // Opens an existing regular file for binary reading; null when that is not possible.
    [[nodiscard]] virtual std::unique_ptr<CFile> OpenRead(const std::string& path) = 0;
    // OpenRead that never follows a symbolic link (nor, on Windows, any reparse point) at `path`
    // itself: a link there is not opened. For records in a folder that may be crafted. The default
    // looks first, then opens.
    [[nodiscard]] virtual std::unique_ptr<CFile> OpenReadNoFollow(const std::string& path) {
        return IsSymbolicLink(path) ? nullptr : OpenRead(path);
    }
    // True when the file can be opened for reading; it is opened and closed again at once. The
    // native file system does without the type check of OpenRead (callers know the path names a
    // file from a listing); use OpenRead to read.
    [[nodiscard]] virtual bool CanOpenForReading(const std::string& path) { return OpenRead(path) != nullptr; }
    // Opens an existing regular file for binary reading and writing, without truncating it and
    // without creating it; null when that is not possible.
    [[nodiscard]] virtual std::unique_ptr<CFile> OpenReadWrite(const std::string& path) = 0;
    // Copies the whole file `from` to `to`, creating `to` or replacing its content. Copying a file
    // onto itself leaves it as it is and succeeds. On failure a destination that did not exist
    // before is removed again.
    [[nodiscard]] virtual bool CopyWholeFile(const std::string& from, const std::string& to) = 0;
    // Renames (moves) a file; an existing file at `to` is replaced where the platform allows it.
    [[nodiscard]] virtual bool Rename(const std::string& from, const std::string& to) = 0;
    // Deletes a file (never a folder); true when it was deleted.
    [[nodiscard]] virtual bool Delete(const std::string& path) = 0;
    // Creates one folder whose parent exists. kExisted only when a folder is already there.
    [[nodiscard]] virtual FolderCreation CreateFolder(const std::string& path) = 0;
    // CreateFolder for a folder only its owner may enter (0700 where the platform has modes), as
    // the trash's folders must be. The default makes an ordinary folder.
    [[nodiscard]] virtual FolderCreation CreatePrivateFolder(const std::string& path) { return CreateFolder(path); }
    // Removes an empty folder (never a file or a symbolic link); true when it was removed.
    [[nodiscard]] virtual bool RemoveFolder(const std::string& path) = 0;
    // Names (without folder) of the regular files in `folder` whose names match `pattern`, where
    // "*" stands for any run of characters and "?" for one, without regard to letter case. Symbolic
    // links count as what they point to. Unordered; empty when the folder cannot be read.
    [[nodiscard]] virtual std::vector<std::string> ListFolder(const std::string& folder,
                                                              const std::string& pattern) = 0;
    // The same for several patterns at once: every file that matches any of them, each once,
    // unordered. The default lists once per pattern; the native file system reads the folder once.
    [[nodiscard]] virtual std::vector<std::string> ListFolderMatchingAny(const std::string& folder,
                                                                         const std::vector<std::string>& patterns) {
        std::vector<std::string> names;
        for (const std::string& pattern : patterns) {
            for (std::string& name : ListFolder(folder, pattern)) {
                if (std::find(names.begin(), names.end(), name) == names.end()) {
                    names.push_back(std::move(name));
                }
            }
        }
        return names;
    }
    // Copies the whole file `from` to `to`, which must not exist yet: `to` is created exclusively,
    // so an existing file, folder or link there fails the call and stays as it is. With `durable`,
    // the copy's bytes are on stable storage before the call answers true. On failure a partly
    // written `to` is removed again.
    [[nodiscard]] virtual bool CopyToNewFile(const std::string& from, const std::string& to, bool durable) = 0;
    // Creates the file `path` exclusively with `data` as its whole content, on stable storage before
    // the call answers true when `durable`. On failure a partly written file is removed again.
    [[nodiscard]] virtual bool WriteNewFile(const std::string& path, std::span<const std::uint8_t> data,
                                            bool durable) = 0;
    // WriteNewFile (not durable) that gives the new file's stamp after the write in `written` (left
    // unknown when the file system cannot tell). The native file system takes it from the file it
    // holds open; the default looks at the file afterwards.
    [[nodiscard]] virtual bool WriteNewFileStamped(const std::string& path, std::span<const std::uint8_t> data,
                                                   CFileStamp& written) {
        if (!WriteNewFile(path, data, false)) {
            return false;
        }
        written = Stamp(path);
        return true;
    }
    // Puts a file's data or a folder's entries (names created, renamed or removed in it) on stable
    // storage; true when done.
    [[nodiscard]] virtual bool Sync(const std::string& path) = 0;
    // Puts everything written to the file system that holds `path` on stable storage in one call
    // where the platform has one (syncfs); false where it has none, and callers then Sync each
    // file and folder.
    [[nodiscard]] virtual bool SyncFileSystem(const std::string& /*path*/) { return false; }
    // True when `path` is a symbolic link, or a file with more than one hard link: writing into it
    // would change a file that other names share.
    [[nodiscard]] virtual bool IsLinked(const std::string& path) = 0;
    // Names of every entry of `folder` (files, folders, links, anything), "." and ".." excepted;
    // empty when the folder cannot be read.
    [[nodiscard]] virtual std::vector<std::string> ListEntries(const std::string& folder) = 0;
    // Size of the file in bytes; -1 when it cannot be opened.
    [[nodiscard]] virtual std::int64_t FileSize(const std::string& path) = 0;
    // Size and modification time of the regular file at `path` from its entry, without opening it.
    // The default takes the size from FileSize and knows no time.
    [[nodiscard]] virtual CFileStamp Stamp(const std::string& path) { return CFileStamp{FileSize(path), -1}; }
    // True when `path` is a folder (or a symbolic link to one).
    [[nodiscard]] virtual bool IsFolder(const std::string& path) = 0;
    // True when `path` itself is a symbolic link, or on Windows any reparse point (a junction, a
    // mounted folder): something that leads elsewhere when a path goes through it. Hard links do not
    // count.
    [[nodiscard]] virtual bool IsSymbolicLink(const std::string& path) = 0;
    // A number that is the same for two paths on one file system (one volume) and differs between
    // file systems; -1 when unknown (then callers take the paths to be on one).
    [[nodiscard]] virtual std::int64_t FileSystemOf(const std::string& /*path*/) { return -1; }
    // What is at `path` itself (a link is reported as a link, never followed). The default asks
    // IsSymbolicLink, IsFolder and Exists and takes everything for writable.
    [[nodiscard]] virtual CEntryInfo LookAt(const std::string& path) {
        CEntryInfo info;
        info.kind = IsSymbolicLink(path) ? CEntryInfo::Kind::kLink
                    : IsFolder(path)     ? CEntryInfo::Kind::kFolder
                    : Exists(path)       ? CEntryInfo::Kind::kFile
                                         : CEntryInfo::Kind::kNone;
        info.writable = info.kind != CEntryInfo::Kind::kNone;
        return info;
    }
    // Moves the file `path` into the desktop's trash, from where the user can restore it, under its
    // own name. False when that cannot be done (no trash here, or none on that volume, or trashing
    // turned off): the caller then deletes the file as before. The default has no trash.
    [[nodiscard]] virtual bool MoveToTrash(const std::string& /*path*/) { return false; }
    // True when MoveToTrash may move files (a trash is in use); asks nothing of the disk.
    [[nodiscard]] virtual bool UsesTrash() { return false; }
    // Takes the advisory lock of the lock file `path` without waiting, creating the file when it is
    // missing. Never opens anything through a link, and never writes into a file other names share:
    // a symbolic link, a pipe or another special file, and a file with more than one hard link at
    // `path` are replaced by a new lock file (once no process holds a lock on them); a folder there
    // makes the lock unusable. The default locks nothing and says so (no lock, not held elsewhere),
    // as a file system that cannot make the file would.
    [[nodiscard]] virtual CLockAttempt TryLock(const std::string& /*path*/) { return {}; }
    // Opens the folder `path` (ending in a separator) for listing and opening its files; null when
    // it is no folder. The default reaches the files through their paths.
    [[nodiscard]] virtual std::unique_ptr<CFolder> OpenFolder(const std::string& path);
    // True when anything, even a dangling symbolic link, is at `path`.
    [[nodiscard]] virtual bool Exists(const std::string& path) = 0;
    // True when both paths exist and name the same file or folder on disk (through links,
    // different spellings or mount points).
    [[nodiscard]] virtual bool IsSameEntry(const std::string& first, const std::string& second) = 0;

    // What CopyToNewFileOver did.
    enum class NewCopy { kMade, kUnreadable, kFailed };
    // CopyToNewFile (not durable) that then writes `over` over the copy from byte `offset` on, and
    // gives the copy's stamp after that write in `copied` (left unknown when `over` is empty, or
    // when the file system cannot tell).
    // kUnreadable when `from` cannot be opened; kFailed when anything else failed, and then `to`
    // is not left behind. The native file system opens `from` once and writes and stamps the copy
    // through its open descriptor; the default copies, then opens the copy to write into it, and
    // answers kFailed for a source that does not open too.
    [[nodiscard]] virtual NewCopy CopyToNewFileOver(const std::string& from, const std::string& to, std::int64_t offset,
                                                    std::span<const std::uint8_t> over, CFileStamp& copied) {
        if (!CopyToNewFile(from, to, false)) {
            return NewCopy::kFailed;
        }
        if (!over.empty()) {
            const std::unique_ptr<CFile> file = OpenReadWrite(to);
            if (!file || !file->Seek(offset) || !file->Write(over)) {
                (void)Delete(to);
                return NewCopy::kFailed;
            }
            copied = file->CurrentStamp();
            if (!file->Close()) {
                (void)Delete(to);
                return NewCopy::kFailed;
            }
        }
        if (copied.size < 0 && !over.empty()) {
            copied = Stamp(to);
        }
        return NewCopy::kMade;
    }
    // Renames `from` to `to` only when nothing is at `to`: false when something is, or the rename
    // failed. In one step where the platform can; the default looks first, then renames.
    [[nodiscard]] virtual bool RenameIfFree(const std::string& from, const std::string& to) {
        return !Exists(to) && Rename(from, to);
    }
};

// A folder reached through the paths of its files, for file systems without folder descriptors.
class CPathFolder : public CFolder {
public:
    CPathFolder(CFileSystem& fileSystem, std::string path) : m_fileSystem(fileSystem), m_path(std::move(path)) {}
    [[nodiscard]] std::vector<std::string> ListMatchingAny(const std::vector<std::string>& patterns) override {
        return m_fileSystem.ListFolderMatchingAny(m_path, patterns);
    }
    [[nodiscard]] std::unique_ptr<CFile> OpenRead(const std::string& name) override {
        // A name of this folder, never a path leading elsewhere.
#if defined(_WIN32)
        const bool path = name.find_first_of("/\\") != std::string::npos;
#else
        const bool path = name.find('/') != std::string::npos;
#endif
        return path ? nullptr : m_fileSystem.OpenRead(m_path + name);
    }

private:
    CFileSystem& m_fileSystem;
    std::string m_path;
};

inline std::unique_ptr<CFolder> CFileSystem::OpenFolder(const std::string& path) {
    return IsFolder(path) ? std::make_unique<CPathFolder>(*this, path) : nullptr;
}

// The process's native file system, implemented by the storage layer.
CFileSystem& NativeFileSystem();

} // namespace Orvanta
