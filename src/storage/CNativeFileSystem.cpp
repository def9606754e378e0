#include "storage/CNativeFileSystem.h"

#include "storage/Wildcard.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>
#include <vector>

#if !defined(_WIN32)
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

#if defined(_WIN32)
std::string FromFsPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
#endif

// The path without trailing separators, so that a symbolic link is looked at itself and not at
// what it points to ("link/" resolves the link). The root keeps its separator.
fs::path WithoutTrailingSeparators(const std::string& path) {
    std::string text = path;
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) {
        text.pop_back();
    }
    return ToFsPath(text);
}

// True for a regular file or a symbolic link to one.
bool IsRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

#if defined(_WIN32)

// A file through a standard file buffer.
class CStreamFile : public CFile {
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

    [[nodiscard]] bool Close() override { return !m_buffer.is_open() || m_buffer.close() != nullptr; }

private:
    std::filebuf m_buffer;
};

// Opening anything but a regular file (a folder, a device) is refused.
std::unique_ptr<CFile> OpenFile(const std::string& path, bool writable) {
    const fs::path native = ToFsPath(path);
    if (!IsRegularFile(native)) {
        return nullptr;
    }
    auto file = std::make_unique<CStreamFile>();
    const std::ios::openmode mode = std::ios::binary | std::ios::in | (writable ? std::ios::out : std::ios::in);
    return file->Open(native, mode) ? std::move(file) : nullptr;
}

std::int64_t SizeOfFile(const std::string& path) {
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

#else

// A file through its POSIX descriptor: one system call per operation and no buffer of its own.
class CDescriptorFile : public CFile {
public:
    explicit CDescriptorFile(int descriptor) : m_descriptor(descriptor) {}
    ~CDescriptorFile() override { (void)CDescriptorFile::Close(); }
    CDescriptorFile(const CDescriptorFile&) = delete;
    CDescriptorFile& operator=(const CDescriptorFile&) = delete;

    [[nodiscard]] std::int64_t Read(std::span<std::uint8_t> buffer) override {
        if (m_descriptor < 0) {
            return -1;
        }
        ssize_t got = 0;
        do {
            got = ::read(m_descriptor, buffer.data(), buffer.size());
        } while (got < 0 && errno == EINTR);
        return static_cast<std::int64_t>(got);
    }

    [[nodiscard]] bool Write(std::span<const std::uint8_t> data) override {
        if (m_descriptor < 0) {
            return false;
        }
        while (!data.empty()) {
            const ssize_t put = ::write(m_descriptor, data.data(), data.size());
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return false;
            }
            data = data.subspan(static_cast<std::size_t>(put));
        }
        return true;
    }

    [[nodiscard]] bool Seek(std::int64_t offset) override {
        return m_descriptor >= 0 && offset >= 0 &&
               ::lseek(m_descriptor, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
    }

    [[nodiscard]] bool Close() override {
        if (m_descriptor < 0) {
            return true;
        }
        const int result = ::close(std::exchange(m_descriptor, -1));
        return result == 0;
    }

    [[nodiscard]] std::int64_t Size() const {
        struct stat status {};
        return ::fstat(m_descriptor, &status) == 0 ? static_cast<std::int64_t>(status.st_size) : -1;
    }

private:
    int m_descriptor;
};

// Opens without waiting (a pipe would otherwise block until someone writes to it) and keeps only
// regular files: a folder, a pipe or a device is refused. The type is taken from the open
// descriptor, so it is the type of what was opened.
std::unique_ptr<CDescriptorFile> OpenFile(const std::string& path, bool writable) {
    int descriptor = -1;
    do {
        descriptor = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    return std::make_unique<CDescriptorFile>(descriptor);
}

std::int64_t SizeOfFile(const std::string& path) {
    const std::unique_ptr<CDescriptorFile> file = OpenFile(path, false);
    return file ? file->Size() : -1;
}

#endif

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
    return OpenFile(path, false);
}

bool CNativeFileSystem::CanOpenForReading(const std::string& path) {
#if defined(_WIN32)
    return OpenRead(path) != nullptr;
#else
    // Without waiting for a pipe, and without looking at the type: one open and one close.
    int descriptor = -1;
    do {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        return false;
    }
    ::close(descriptor);
    return true;
#endif
}

std::unique_ptr<CFile> CNativeFileSystem::OpenReadWrite(const std::string& path) {
    return OpenFile(path, true);
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
    return CNativeFileSystem::ListFolderMatchingAny(folder, {pattern});
}

std::vector<std::string> CNativeFileSystem::ListFolderMatchingAny(const std::string& folder,
                                                                  const std::vector<std::string>& patterns) {
    const auto matches = [&patterns](const std::string& name) {
        return std::any_of(patterns.begin(), patterns.end(),
                           [&name](const std::string& pattern) { return MatchesWildcard(name, pattern); });
    };
    std::vector<std::string> names;
#if defined(_WIN32)
    std::error_code error;
    fs::directory_iterator it(ToFsPath(folder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || typeError) {
            continue;
        }
        std::string name = FromFsPath(it->path().filename());
        if (matches(name)) {
            names.push_back(std::move(name));
        }
    }
#else
    // The folder's own entries carry their type; only links and entries of unknown type cost a look
    // at what they are (a link counts as what it points to).
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(directory)) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || !matches(name)) {
            continue;
        }
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            regular = ::fstatat(::dirfd(directory), entry->d_name, &status, 0) == 0 && S_ISREG(status.st_mode);
        }
        if (regular) {
            names.push_back(std::move(name));
        }
    }
    ::closedir(directory);
#endif
    return names;
}

std::int64_t CNativeFileSystem::FileSize(const std::string& path) {
    return SizeOfFile(path);
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
