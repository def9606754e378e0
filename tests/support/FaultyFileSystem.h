#pragma once

#include "model/CFileSystem.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace Orvanta::TestSupport {

// A file system that passes every call to another one (the native one by default) and can make
// chosen calls fail: the n-th call of some kinds, or every call of some kinds on one path. Tests use
// it to prove that an operation loses nothing whichever file-system call fails. Install it with
// CDomain::Instance().SetFileSystem (StorageDomainGuard does that and undoes it).
class FaultyFileSystem : public CFileSystem {
public:
    // Kinds of calls, as bits that can be combined.
    enum Op : unsigned {
        kOpenRead = 1U << 0,
        kOpenReadWrite = 1U << 1,
        kRead = 1U << 2,
        kWrite = 1U << 3,
        kSeek = 1U << 4,
        kCopy = 1U << 5,
        kRename = 1U << 6, // Rename, RenameIfFree
        kDelete = 1U << 7, // Delete, MoveToTrash
        kCreateFolder = 1U << 8,
        kRemoveFolder = 1U << 9,
        kList = 1U << 10,
        kSize = 1U << 11,
        kQuery = 1U << 12,  // IsFolder, Exists, IsSameEntry, IsLinked, IsSymbolicLink, FileSystemOf, Stamp, LookAt
        kCreate = 1U << 13, // CopyToNewFile, WriteNewFile
        kSync = 1U << 14,   // Sync, SyncFileSystem
    };
    static constexpr unsigned kOpen = kOpenRead | kOpenReadWrite;
    static constexpr unsigned kAnyOp = (1U << 15) - 1U;
    static constexpr std::size_t kOpKinds = 15;
    // Calls that change what is on disk: where a crash can leave a difference.
    static constexpr unsigned kChanging = kWrite | kCopy | kRename | kDelete | kCreateFolder | kRemoveFolder | kCreate;

    explicit FaultyFileSystem(CFileSystem& inner = NativeFileSystem());

    // From now on, the n-th call (1-based) whose kind is in `ops` fails; 0 disarms.
    void FailNthCall(unsigned ops, int n);
    // Every call whose kind is in `ops` and that names `path` (either path of a two-path call) fails.
    void FailOnPath(unsigned ops, const std::string& path);
    // With torn faults, a failing write stores the first half of its bytes and a failing copy leaves
    // the first half of the file at the destination, as a full disk or a crash would.
    void SetTornFaults(bool torn) { m_torn = torn; }
    // A crash: the n-th call (1-based) whose kind is in `ops` and every call of any kind after it
    // fail, as if the process had died just before it. With torn faults the n-th call still leaves
    // half of what it would have written. 0 disarms.
    void CrashAtCall(unsigned ops, int n);
    [[nodiscard]] bool Crashed() const { return m_crashed; }
    // Another program at work: `action` runs once, just before the n-th call (1-based) whose kind is
    // in `ops` and whose path (either path of a two-path call) ends in `pathEnd` ("" for any path).
    void RunBeforeCall(unsigned ops, std::string pathEnd, std::function<void()> action, int n = 1);
    // Removes every fault; the call counts stay.
    void ClearFaults();

    // Calls made so far whose kind is in `ops`.
    [[nodiscard]] int Calls(unsigned ops) const;
    // Faults injected so far.
    [[nodiscard]] int FaultsInjected() const { return m_faultsInjected; }
    // Paths (first path of each call) of the calls made so far whose kind is in `ops`, in order.
    [[nodiscard]] std::vector<std::string> CalledPaths(unsigned ops) const;

    // Decides whether this call fails, and counts it. Used by the files this object hands out.
    bool ShouldFail(Op op, const std::string& path, const std::string& secondPath = std::string());
    [[nodiscard]] bool TornFaults() const { return m_torn; }

    [[nodiscard]] std::unique_ptr<CFile> OpenRead(const std::string& path) override;
    // Counted and failed as an open for reading.
    [[nodiscard]] std::unique_ptr<CFile> OpenReadNoFollow(const std::string& path) override;
    [[nodiscard]] std::unique_ptr<CFile> OpenReadWrite(const std::string& path) override;
    [[nodiscard]] bool CopyWholeFile(const std::string& from, const std::string& to) override;
    [[nodiscard]] bool Rename(const std::string& from, const std::string& to) override;
    [[nodiscard]] bool RenameIfFree(const std::string& from, const std::string& to) override;
    [[nodiscard]] bool Delete(const std::string& path) override;
    [[nodiscard]] FolderCreation CreateFolder(const std::string& path) override;
    [[nodiscard]] FolderCreation CreatePrivateFolder(const std::string& path) override;
    [[nodiscard]] bool RemoveFolder(const std::string& path) override;
    [[nodiscard]] std::vector<std::string> ListFolder(const std::string& folder, const std::string& pattern) override;
    [[nodiscard]] std::vector<std::string> ListFolderMatchingAny(const std::string& folder,
                                                                 const std::vector<std::string>& patterns) override;
    [[nodiscard]] bool CopyToNewFile(const std::string& from, const std::string& to, bool durable) override;
    [[nodiscard]] bool WriteNewFile(const std::string& path, std::span<const std::uint8_t> data, bool durable) override;
    [[nodiscard]] bool Sync(const std::string& path) override;
    [[nodiscard]] bool SyncFileSystem(const std::string& path) override;
    [[nodiscard]] bool IsLinked(const std::string& path) override;
    [[nodiscard]] std::vector<std::string> ListEntries(const std::string& folder) override;
    [[nodiscard]] std::int64_t FileSize(const std::string& path) override;
    // A look at the entry, counted as a query (it opens nothing).
    [[nodiscard]] CFileStamp Stamp(const std::string& path) override;
    [[nodiscard]] bool IsFolder(const std::string& path) override;
    [[nodiscard]] bool IsSymbolicLink(const std::string& path) override;
    [[nodiscard]] std::int64_t FileSystemOf(const std::string& path) override;
    [[nodiscard]] CEntryInfo LookAt(const std::string& path) override;
    // Counted and failed as a deletion: it takes the file out of its folder.
    [[nodiscard]] bool MoveToTrash(const std::string& path) override;
    [[nodiscard]] bool UsesTrash() override { return m_inner.UsesTrash(); }
    // Locks are passed on and never fail: they change no project file.
    [[nodiscard]] CLockAttempt TryLock(const std::string& path) override;
    [[nodiscard]] bool Exists(const std::string& path) override;
    [[nodiscard]] bool IsSameEntry(const std::string& first, const std::string& second) override;

private:
    static void WriteHalfOf(std::vector<std::uint8_t> content, const std::string& path);

    struct PathFault {
        unsigned ops;
        std::string path;
    };
    struct Call {
        Op op;
        std::string path;
    };

    CFileSystem& m_inner;
    unsigned m_actionOps = 0;
    std::string m_actionPathEnd;
    std::function<void()> m_action;
    int m_actionRemaining = 0;
    unsigned m_nthOps = 0;
    int m_nthRemaining = 0;
    std::vector<PathFault> m_pathFaults;
    std::vector<Call> m_calls;
    int m_faultsInjected = 0;
    bool m_torn = false;
    unsigned m_crashOps = 0;
    int m_crashRemaining = 0;
    bool m_crashed = false;
};

} // namespace Orvanta::TestSupport
