#include "storage/CNativeFileSystem.h"

#include "storage/Wildcard.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace Orvanta {

namespace fs = std::filesystem;

namespace {

fs::path ToFsPath(const std::string& path) {
#if defined(_WIN32)
    return fs::path(std::u8string(path.begin(), path.end()));
#else
    return fs::path(path);
#endif
}

std::string FromFsPath(const fs::path& path) {
#if defined(_WIN32)
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

// The path without trailing separators, so that a symbolic link is looked at itself and not at
// what it points to ("link/" resolves the link). The root keeps its separator.
fs::path WithoutTrailingSeparators(const std::string& path) {
    std::string text = path;
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) {
        text.pop_back();
    }
    return ToFsPath(text);
}

// True for a regular file or a symbolic link to one. Opening anything else (a folder, a pipe that
// would block until someone writes to it, a device) is refused.
bool IsRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

class CNativeFile : public CFile {
public:
    bool Open(const fs::path& path, std::ios::openmode mode) { return m_buffer.open(path, mode) != nullptr; }

    [[nodiscard]] std::int64_t Read(std::span<std::uint8_t> buffer) override {
        if (!m_buffer.is_open()) {
            return -1;
        }
        return static_cast<std::int64_t>(
            m_buffer.sgetn(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size())));
    }

    [[nodiscard]] bool Write(std::span<const std::uint8_t> data) override {
        if (!m_buffer.is_open()) {
            return false;
        }
        const auto size = static_cast<std::streamsize>(data.size());
        return m_buffer.sputn(reinterpret_cast<const char*>(data.data()), size) == size;
    }

    [[nodiscard]] bool Seek(std::int64_t offset) override {
        if (!m_buffer.is_open() || offset < 0) {
            return false;
        }
        const std::streampos target = static_cast<std::streamoff>(offset);
        return m_buffer.pubseekpos(target, std::ios::in | std::ios::out) == target;
    }

    [[nodiscard]] bool Close() override {
        if (!m_buffer.is_open()) {
            return true;
        }
        return m_buffer.close() != nullptr;
    }

private:
    std::filebuf m_buffer;
};

std::unique_ptr<CFile> OpenFile(const std::string& path, std::ios::openmode mode) {
    const fs::path native = ToFsPath(path);
    if (!IsRegularFile(native)) {
        return nullptr;
    }
    auto file = std::make_unique<CNativeFile>();
    if (!file->Open(native, mode | std::ios::binary)) {
        return nullptr;
    }
    return file;
}

bool CopyContent(const fs::path& from, const fs::path& to) {
    std::error_code error;
    const std::uintmax_t expected = fs::file_size(from, error);
    if (error) {
        return false;
    }
    std::filebuf source;
    if (source.open(from, std::ios::in | std::ios::binary) == nullptr) {
        return false;
    }
    std::filebuf destination;
    if (destination.open(to, std::ios::out | std::ios::trunc | std::ios::binary) == nullptr) {
        return false;
    }
    constexpr std::streamsize kChunk = 1 << 20;
    std::vector<char> buffer(static_cast<std::size_t>(kChunk));
    std::uintmax_t copied = 0;
    for (;;) {
        const std::streamsize got = source.sgetn(buffer.data(), kChunk);
        if (got <= 0) {
            break;
        }
        if (destination.sputn(buffer.data(), got) != got) {
            return false;
        }
        copied += static_cast<std::uintmax_t>(got);
    }
    // A file that ends early was not read whole (a read error looks like the end of the file).
    return copied >= expected && destination.close() != nullptr;
}

} // namespace

std::unique_ptr<CFile> CNativeFileSystem::OpenRead(const std::string& path) {
    return OpenFile(path, std::ios::in);
}

std::unique_ptr<CFile> CNativeFileSystem::OpenReadWrite(const std::string& path) {
    return OpenFile(path, std::ios::in | std::ios::out);
}

bool CNativeFileSystem::CopyWholeFile(const std::string& from, const std::string& to) {
    const fs::path source = ToFsPath(from);
    const fs::path destination = ToFsPath(to);
    if (!IsRegularFile(source)) {
        return false;
    }
    std::error_code error;
    const bool existed = fs::exists(fs::symlink_status(WithoutTrailingSeparators(to), error));
    if (existed && fs::equivalent(source, destination, error)) {
        return true;
    }
    if (CopyContent(source, destination)) {
        return true;
    }
    if (!existed) {
        fs::remove(destination, error);
    }
    return false;
}

bool CNativeFileSystem::Rename(const std::string& from, const std::string& to) {
    std::error_code error;
    fs::rename(ToFsPath(from), ToFsPath(to), error);
    return !error;
}

bool CNativeFileSystem::Delete(const std::string& path) {
    const fs::path native = WithoutTrailingSeparators(path);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(native, error);
    if (error || !fs::exists(status) || fs::is_directory(status)) {
        return false;
    }
    return fs::remove(native, error) && !error;
}

FolderCreation CNativeFileSystem::CreateFolder(const std::string& path) {
    const fs::path native = ToFsPath(path);
    std::error_code error;
    if (fs::create_directory(native, error) && !error) {
        return FolderCreation::kCreated;
    }
    std::error_code ignored;
    return fs::is_directory(native, ignored) ? FolderCreation::kExisted : FolderCreation::kFailed;
}

bool CNativeFileSystem::RemoveFolder(const std::string& path) {
    const fs::path native = WithoutTrailingSeparators(path);
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(native, error)) || error) {
        return false;
    }
    return fs::remove(native, error) && !error;
}

std::vector<std::string> CNativeFileSystem::ListFolder(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(ToFsPath(folder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || typeError) {
            continue;
        }
        std::string name = FromFsPath(it->path().filename());
        if (MatchesWildcard(name, pattern)) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

std::int64_t CNativeFileSystem::FileSize(const std::string& path) {
    const fs::path native = ToFsPath(path);
    if (!IsRegularFile(native)) {
        return -1;
    }
    std::filebuf file;
    if (file.open(native, std::ios::in | std::ios::binary) == nullptr) {
        return -1;
    }
    const std::streamoff end = file.pubseekoff(0, std::ios::end, std::ios::in);
    return end < 0 ? -1 : static_cast<std::int64_t>(end);
}

bool CNativeFileSystem::IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(ToFsPath(path), error);
}

bool CNativeFileSystem::Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(WithoutTrailingSeparators(path), error));
}

bool CNativeFileSystem::IsSameEntry(const std::string& first, const std::string& second) {
    std::error_code error;
    const bool same = fs::equivalent(ToFsPath(first), ToFsPath(second), error);
    return same && !error;
}

CFileSystem& NativeFileSystem() {
    static CNativeFileSystem fileSystem;
    return fileSystem;
}

} // namespace Orvanta
