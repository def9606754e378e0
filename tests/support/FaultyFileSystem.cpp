#include "FaultyFileSystem.h"

#include "ProjectBuilder.h"

#include <algorithm>
#include <utility>

namespace Orvanta::TestSupport {

namespace {

// A file of the inner file system whose reads, writes and seeks can be made to fail.
class FaultyFile : public CFile {
public:
    FaultyFile(FaultyFileSystem& owner, std::unique_ptr<CFile> inner, std::string path)
        : m_owner(owner), m_inner(std::move(inner)), m_path(std::move(path)) {}

    [[nodiscard]] std::int64_t Read(std::span<std::uint8_t> buffer) override {
        return m_owner.ShouldFail(FaultyFileSystem::kRead, m_path) ? -1 : m_inner->Read(buffer);
    }
    [[nodiscard]] bool Write(std::span<const std::uint8_t> data) override {
        if (!m_owner.ShouldFail(FaultyFileSystem::kWrite, m_path)) {
            return m_inner->Write(data);
        }
        if (m_owner.TornFaults()) {
            (void)m_inner->Write(data.first(data.size() / 2));
        }
        return false;
    }
    [[nodiscard]] bool Seek(std::int64_t offset) override {
        return !m_owner.ShouldFail(FaultyFileSystem::kSeek, m_path) && m_inner->Seek(offset);
    }
    [[nodiscard]] bool Close() override { return m_inner->Close(); }
    [[nodiscard]] CFileStamp Stamp() const override { return m_inner->Stamp(); }

private:
    FaultyFileSystem& m_owner;
    std::unique_ptr<CFile> m_inner;
    std::string m_path;
};

} // namespace

FaultyFileSystem::FaultyFileSystem(CFileSystem& inner) : m_inner(inner) {}

void FaultyFileSystem::WriteHalfOf(std::vector<std::uint8_t> content, const std::string& path) {
    // What a full disk or a crash leaves: the first half, written past the inner file system.
    content.resize(content.size() / 2);
    ProjectBuilder::WriteBytes(path, content);
}

void FaultyFileSystem::FailNthCall(unsigned ops, int n) {
    m_nthOps = ops;
    m_nthRemaining = n;
}

void FaultyFileSystem::FailOnPath(unsigned ops, const std::string& path) {
    m_pathFaults.push_back({ops, path});
}

void FaultyFileSystem::CrashAtCall(unsigned ops, int n) {
    m_crashOps = ops;
    m_crashRemaining = n;
    m_crashed = false;
}

void FaultyFileSystem::ClearFaults() {
    m_crashOps = 0;
    m_crashRemaining = 0;
    m_crashed = false;
    m_nthOps = 0;
    m_nthRemaining = 0;
    m_pathFaults.clear();
    m_action = {};
}

int FaultyFileSystem::Calls(unsigned ops) const {
    return static_cast<int>(std::count_if(m_calls.begin(), m_calls.end(), [ops](const Call& c) { return c.op & ops; }));
}

std::vector<std::string> FaultyFileSystem::CalledPaths(unsigned ops) const {
    std::vector<std::string> paths;
    for (const Call& call : m_calls) {
        if (call.op & ops) {
            paths.push_back(call.path);
        }
    }
    return paths;
}

void FaultyFileSystem::RunBeforeCall(unsigned ops, std::string pathEnd, std::function<void()> action, int n) {
    m_actionOps = ops;
    m_actionPathEnd = std::move(pathEnd);
    m_action = std::move(action);
    m_actionRemaining = n;
}

bool FaultyFileSystem::ShouldFail(Op op, const std::string& path, const std::string& secondPath) {
    const auto endsWith = [](const std::string& text, const std::string& end) {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    if (m_action && (m_actionOps & op) != 0 &&
        (endsWith(path, m_actionPathEnd) || (!secondPath.empty() && endsWith(secondPath, m_actionPathEnd))) &&
        --m_actionRemaining == 0) {
        std::exchange(m_action, {})();
    }
    m_calls.push_back({op, path});
    bool fail = m_crashed;
    if (!m_crashed && m_crashRemaining > 0 && (m_crashOps & op) != 0 && --m_crashRemaining == 0) {
        m_crashed = true;
        fail = true;
    }
    if (m_nthRemaining > 0 && (m_nthOps & op) != 0 && --m_nthRemaining == 0) {
        fail = true;
    }
    for (const PathFault& fault : m_pathFaults) {
        if ((fault.ops & op) != 0 && (fault.path == path || (!secondPath.empty() && fault.path == secondPath))) {
            fail = true;
        }
    }
    if (fail) {
        ++m_faultsInjected;
    }
    return fail;
}

std::unique_ptr<CFile> FaultyFileSystem::OpenRead(const std::string& path) {
    if (ShouldFail(kOpenRead, path)) {
        return nullptr;
    }
    std::unique_ptr<CFile> inner = m_inner.OpenRead(path);
    return inner ? std::make_unique<FaultyFile>(*this, std::move(inner), path) : nullptr;
}

std::unique_ptr<CFile> FaultyFileSystem::OpenReadNoFollow(const std::string& path) {
    if (ShouldFail(kOpenRead, path)) {
        return nullptr;
    }
    std::unique_ptr<CFile> inner = m_inner.OpenReadNoFollow(path);
    return inner ? std::make_unique<FaultyFile>(*this, std::move(inner), path) : nullptr;
}

std::unique_ptr<CFile> FaultyFileSystem::OpenReadWrite(const std::string& path) {
    if (ShouldFail(kOpenReadWrite, path)) {
        return nullptr;
    }
    std::unique_ptr<CFile> inner = m_inner.OpenReadWrite(path);
    return inner ? std::make_unique<FaultyFile>(*this, std::move(inner), path) : nullptr;
}

bool FaultyFileSystem::CopyWholeFile(const std::string& from, const std::string& to) {
    if (!ShouldFail(kCopy, from, to)) {
        return m_inner.CopyWholeFile(from, to);
    }
    if (m_torn) {
        WriteHalfOf(ProjectBuilder::ReadBytes(from), to);
    }
    return false;
}

bool FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
    return !ShouldFail(kRename, from, to) && m_inner.Rename(from, to);
}

bool FaultyFileSystem::RenameIfFree(const std::string& from, const std::string& to) {
    return !ShouldFail(kRename, from, to) && m_inner.RenameIfFree(from, to);
}

bool FaultyFileSystem::Delete(const std::string& path) {
    return !ShouldFail(kDelete, path) && m_inner.Delete(path);
}

FolderCreation FaultyFileSystem::CreateFolder(const std::string& path) {
    return ShouldFail(kCreateFolder, path) ? FolderCreation::kFailed : m_inner.CreateFolder(path);
}

FolderCreation FaultyFileSystem::CreatePrivateFolder(const std::string& path) {
    return ShouldFail(kCreateFolder, path) ? FolderCreation::kFailed : m_inner.CreatePrivateFolder(path);
}

bool FaultyFileSystem::RemoveFolder(const std::string& path) {
    return !ShouldFail(kRemoveFolder, path) && m_inner.RemoveFolder(path);
}

std::vector<std::string> FaultyFileSystem::ListFolder(const std::string& folder, const std::string& pattern) {
    return ShouldFail(kList, folder) ? std::vector<std::string>() : m_inner.ListFolder(folder, pattern);
}

std::vector<std::string> FaultyFileSystem::ListFolderMatchingAny(const std::string& folder,
                                                                 const std::vector<std::string>& patterns) {
    return ShouldFail(kList, folder) ? std::vector<std::string>() : m_inner.ListFolderMatchingAny(folder, patterns);
}

bool FaultyFileSystem::CopyToNewFile(const std::string& from, const std::string& to, bool durable) {
    if (!ShouldFail(kCreate, from, to)) {
        return m_inner.CopyToNewFile(from, to, durable);
    }
    if (m_torn && !m_inner.Exists(to)) {
        WriteHalfOf(ProjectBuilder::ReadBytes(from), to);
    }
    return false;
}

bool FaultyFileSystem::WriteNewFile(const std::string& path, std::span<const std::uint8_t> data, bool durable) {
    if (!ShouldFail(kCreate, path)) {
        return m_inner.WriteNewFile(path, data, durable);
    }
    if (m_torn && !m_inner.Exists(path)) {
        WriteHalfOf(std::vector<std::uint8_t>(data.begin(), data.end()), path);
    }
    return false;
}

bool FaultyFileSystem::Sync(const std::string& path) {
    return !ShouldFail(kSync, path) && m_inner.Sync(path);
}

bool FaultyFileSystem::SyncFileSystem(const std::string& path) {
    return !ShouldFail(kSync, path) && m_inner.SyncFileSystem(path);
}

bool FaultyFileSystem::IsLinked(const std::string& path) {
    return !ShouldFail(kQuery, path) && m_inner.IsLinked(path);
}

bool FaultyFileSystem::IsSymbolicLink(const std::string& path) {
    return !ShouldFail(kQuery, path) && m_inner.IsSymbolicLink(path);
}

std::int64_t FaultyFileSystem::FileSystemOf(const std::string& path) {
    return ShouldFail(kQuery, path) ? -1 : m_inner.FileSystemOf(path);
}

CEntryInfo FaultyFileSystem::LookAt(const std::string& path) {
    return ShouldFail(kQuery, path) ? CEntryInfo{} : m_inner.LookAt(path);
}

bool FaultyFileSystem::MoveToTrash(const std::string& path) {
    return !ShouldFail(kDelete, path) && m_inner.MoveToTrash(path);
}

CLockAttempt FaultyFileSystem::TryLock(const std::string& path) {
    return m_inner.TryLock(path);
}

std::vector<std::string> FaultyFileSystem::ListEntries(const std::string& folder) {
    return ShouldFail(kList, folder) ? std::vector<std::string>() : m_inner.ListEntries(folder);
}

std::int64_t FaultyFileSystem::FileSize(const std::string& path) {
    return ShouldFail(kSize, path) ? -1 : m_inner.FileSize(path);
}

CFileStamp FaultyFileSystem::Stamp(const std::string& path) {
    return ShouldFail(kQuery, path) ? CFileStamp() : m_inner.Stamp(path);
}

bool FaultyFileSystem::IsFolder(const std::string& path) {
    return !ShouldFail(kQuery, path) && m_inner.IsFolder(path);
}

bool FaultyFileSystem::Exists(const std::string& path) {
    return !ShouldFail(kQuery, path) && m_inner.Exists(path);
}

bool FaultyFileSystem::IsSameEntry(const std::string& first, const std::string& second) {
    return !ShouldFail(kQuery, first, second) && m_inner.IsSameEntry(first, second);
}

} // namespace Orvanta::TestSupport
