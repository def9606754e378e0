#pragma once

#include "model/CFileSystem.h"

#include <functional>
#include <string>

namespace Orvanta {

// The file system of the machine: folders through std::filesystem, files through their POSIX
// descriptors (file streams on Windows). Paths are UTF-8; on POSIX systems their bytes are handed
// over unchanged, so names that are not valid UTF-8 still work.
// Not final: tests derive from it to change single operations.
class CNativeFileSystem : public CFileSystem {
public:
    [[nodiscard]] std::unique_ptr<CFile> OpenRead(const std::string& path) override;
    [[nodiscard]] std::unique_ptr<CFile> OpenReadNoFollow(const std::string& path) override;
    [[nodiscard]] bool CanOpenForReading(const std::string& path) override;
    [[nodiscard]] std::unique_ptr<CFile> OpenReadWrite(const std::string& path) override;
    [[nodiscard]] bool CopyWholeFile(const std::string& from, const std::string& to) override;
    [[nodiscard]] bool Rename(const std::string& from, const std::string& to) override;
    [[nodiscard]] bool Delete(const std::string& path) override;
    [[nodiscard]] FolderCreation CreateFolder(const std::string& path) override;
    [[nodiscard]] FolderCreation CreatePrivateFolder(const std::string& path) override;
    [[nodiscard]] bool RemoveFolder(const std::string& path) override;
    [[nodiscard]] std::vector<std::string> ListFolder(const std::string& folder, const std::string& pattern) override;
    [[nodiscard]] std::vector<std::string> ListFolderMatchingAny(const std::string& folder,
                                                                 const std::vector<std::string>& patterns) override;
    // On POSIX systems through the folder's descriptor (openat); elsewhere through paths.
    [[nodiscard]] std::unique_ptr<CFolder> OpenFolder(const std::string& path) override;
    [[nodiscard]] bool CopyToNewFile(const std::string& from, const std::string& to, bool durable) override;
    [[nodiscard]] bool WriteNewFile(const std::string& path, std::span<const std::uint8_t> data, bool durable) override;
    [[nodiscard]] bool WriteNewFileStamped(const std::string& path, std::span<const std::uint8_t> data,
                                           CFileStamp& written) override;
    [[nodiscard]] bool Sync(const std::string& path) override;
    [[nodiscard]] bool SyncFileSystem(const std::string& path) override;
    [[nodiscard]] bool IsLinked(const std::string& path) override;
    [[nodiscard]] std::vector<std::string> ListEntries(const std::string& folder) override;
    [[nodiscard]] std::int64_t FileSize(const std::string& path) override;
    [[nodiscard]] CFileStamp Stamp(const std::string& path) override;
    [[nodiscard]] bool IsFolder(const std::string& path) override;
    [[nodiscard]] bool IsSymbolicLink(const std::string& path) override;
    [[nodiscard]] std::int64_t FileSystemOf(const std::string& path) override;
    [[nodiscard]] CEntryInfo LookAt(const std::string& path) override;
    [[nodiscard]] CLockAttempt TryLock(const std::string& path) override;
    // Through the trash handler of SetTrashHandler; false without one.
    [[nodiscard]] bool MoveToTrash(const std::string& path) override;
    [[nodiscard]] bool UsesTrash() override;
    [[nodiscard]] bool Exists(const std::string& path) override;
    [[nodiscard]] bool IsSameEntry(const std::string& first, const std::string& second) override;
    [[nodiscard]] NewCopy CopyToNewFileOver(const std::string& from, const std::string& to, std::int64_t offset,
                                            std::span<const std::uint8_t> over, CFileStamp& copied) override;
    [[nodiscard]] bool RenameIfFree(const std::string& from, const std::string& to) override;
};

// The desktop's trash, as a front end reaches it (the core has no desktop of its own): a function
// that moves one file (native path) into the trash and says whether it did. Null turns trashing off.
void SetTrashHandler(std::function<bool(const std::string&)> handler);
[[nodiscard]] bool HasTrashHandler();

// "process N on HOST": this process as another one can find it.
[[nodiscard]] std::string ThisProcessText();

} // namespace Orvanta
