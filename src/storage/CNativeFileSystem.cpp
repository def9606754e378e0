#include "storage/CNativeFileSystem.h"

#include "model/Utf8.h"
#include "storage/FreedesktopTrash.h"
#include "storage/Wildcard.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#if defined(__linux__)
#include <sys/syscall.h>
#endif

namespace Orvanta {

namespace fs = std::filesystem;

namespace {

// The path without trailing separators, so that a symbolic link is looked at itself and not at
// what it points to ("link/" resolves the link). The root keeps its separator.
fs::path WithoutTrailingSeparators(const std::string& path) {
    std::string text = path;
#if defined(_WIN32)
    const auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
#else
    const auto isSeparator = [](char c) { return c == '/'; }; // a backslash is part of a name here
#endif
    while (text.size() > 1 && isSeparator(text.back())) {
        text.pop_back();
    }
    return Utf8ToPath(text);
}

// True for a regular file or a symbolic link to one.
bool IsRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// True when `name` matches one of the wildcard patterns.
bool MatchesAny(std::string_view name, const std::vector<std::string>& patterns) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&name](const std::string& pattern) { return MatchesWildcard(name, pattern); });
}

#if defined(_WIN32)

// Platform code (Windows): every handle shares reading, writing and deleting, as POSIX descriptors
// lock nothing. Another process may rename or delete a file while we read it, and the save's own
// renames of files that are open here succeed.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenHandle(const fs::path& path, DWORD access, DWORD disposition) {
    return ::CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A file's stamp from the file's own record: the 64-bit size and the last write time, kept in 100 ns
// steps counted from 1601 (the standard library's times there have whole seconds only, so two
// writes within one second would look alike).
CFileStamp StampOfRecord(DWORD sizeHigh, DWORD sizeLow, const FILETIME& written) {
    const auto join = [](DWORD high, DWORD low) {
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
    };
    constexpr std::int64_t kFrom1601To1970 = 116444736000000000; // in 100 ns steps
    return {join(sizeHigh, sizeLow), (join(written.dwHighDateTime, written.dwLowDateTime) - kFrom1601To1970) * 100};
}

// A file through its Windows handle: one system call per operation and no buffer of its own.
class CHandleFile : public CFile {
public:
    explicit CHandleFile(HANDLE handle) : m_handle(handle) {}
    ~CHandleFile() override { (void)CHandleFile::Close(); }
    CHandleFile(const CHandleFile&) = delete;
    CHandleFile& operator=(const CHandleFile&) = delete;

    [[nodiscard]] std::int64_t Read(std::span<std::uint8_t> buffer) override {
        if (m_handle == INVALID_HANDLE_VALUE) {
            return -1;
        }
        // Fewer bytes than asked only at the end of the file: large buffers take several calls.
        std::int64_t total = 0;
        while (!buffer.empty()) {
            DWORD got = 0;
            if (!::ReadFile(m_handle, buffer.data(), Chunk(buffer.size()), &got, nullptr)) {
                return total > 0 ? total : -1;
            }
            if (got == 0) {
                break;
            }
            total += got;
            buffer = buffer.subspan(got);
        }
        return total;
    }

    [[nodiscard]] bool Write(std::span<const std::uint8_t> data) override {
        if (m_handle == INVALID_HANDLE_VALUE) {
            return false;
        }
        while (!data.empty()) {
            DWORD put = 0;
            if (!::WriteFile(m_handle, data.data(), Chunk(data.size()), &put, nullptr) || put == 0) {
                return false;
            }
            data = data.subspan(put);
        }
        return true;
    }

    [[nodiscard]] bool Seek(std::int64_t offset) override {
        LARGE_INTEGER target{};
        target.QuadPart = offset;
        LARGE_INTEGER reached{};
        return m_handle != INVALID_HANDLE_VALUE && offset >= 0 &&
               ::SetFilePointerEx(m_handle, target, &reached, FILE_BEGIN) && reached.QuadPart == offset;
    }

    [[nodiscard]] bool Close() override {
        if (m_handle == INVALID_HANDLE_VALUE) {
            return true;
        }
        return ::CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE)) != 0;
    }

    // Read off the open handle when asked, which costs less than looking the path up again; the
    // callers ask right after opening.
    [[nodiscard]] CFileStamp Stamp() const override {
        BY_HANDLE_FILE_INFORMATION record{};
        if (m_handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(m_handle, &record)) {
            return {};
        }
        return StampOfRecord(record.nFileSizeHigh, record.nFileSizeLow, record.ftLastWriteTime);
    }
    [[nodiscard]] CFileStamp CurrentStamp() const override { return Stamp(); }

    [[nodiscard]] HANDLE Handle() const { return m_handle; }

    [[nodiscard]] std::int64_t Size() const {
        LARGE_INTEGER size{};
        return ::GetFileSizeEx(m_handle, &size) ? static_cast<std::int64_t>(size.QuadPart) : -1;
    }

private:
    static DWORD Chunk(std::size_t size) { return static_cast<DWORD>(std::min<std::size_t>(size, 1U << 30)); }

    HANDLE m_handle;
};

// Keeps only files on disk: a folder cannot be opened this way at all, and a pipe or a device is
// refused. The type is taken from the open handle, so it is the type of what was opened.
std::unique_ptr<CHandleFile> OpenFile(const std::string& path, bool writable) {
    const HANDLE handle = OpenHandle(Utf8ToPath(path), GENERIC_READ | (writable ? GENERIC_WRITE : 0U), OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        return nullptr;
    }
    return std::make_unique<CHandleFile>(handle);
}

std::int64_t SizeOfFile(const std::string& path) {
    const std::unique_ptr<CHandleFile> file = OpenFile(path, false);
    return file ? file->Size() : -1;
}

// Creates `path` for writing only when nothing is there yet (CREATE_NEW, the O_EXCL of Windows);
// null when the name is taken or the file cannot be created.
std::unique_ptr<CHandleFile> CreateExclusive(const std::string& path) {
    const HANDLE handle = OpenHandle(Utf8ToPath(path), GENERIC_WRITE, CREATE_NEW);
    return handle == INVALID_HANDLE_VALUE ? nullptr : std::make_unique<CHandleFile>(handle);
}

// Copies the rest of `from` into `to`; false when a read or write fails or the file ends early.
bool CopyRest(CFile& from, CFile& to, std::int64_t expected) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(1) << 20);
    std::int64_t copied = 0;
    for (;;) {
        const std::int64_t got = from.Read(buffer);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        if (!to.Write(std::span(buffer).first(static_cast<std::size_t>(got)))) {
            return false;
        }
        copied += got;
    }
    return copied >= expected;
}

// Closes a file made by CreateExclusive after flushing it to the disk when asked; on failure (or
// when `ok` is false already) the file is removed again.
bool FinishNewFile(CHandleFile& file, const std::string& path, bool ok, bool durable) {
    if (ok && durable) {
        ok = ::FlushFileBuffers(file.Handle()) != 0;
    }
    ok = file.Close() && ok;
    if (!ok) {
        ::DeleteFileW(Utf8ToPath(path).c_str());
    }
    return ok;
}

// Replaces the content of `to` (created when missing) with that of `from`. The file is opened
// before the destination, so that a source that cannot be read creates nothing.
bool CopyContent(const fs::path& from, const fs::path& to) {
    CHandleFile source(OpenHandle(from, GENERIC_READ, OPEN_EXISTING));
    if (source.Handle() == INVALID_HANDLE_VALUE) {
        return false;
    }
    CHandleFile destination(OpenHandle(to, GENERIC_WRITE, OPEN_ALWAYS));
    return destination.Handle() != INVALID_HANDLE_VALUE && CopyRest(source, destination, source.Size()) &&
           ::SetEndOfFile(destination.Handle()) && destination.Close();
}

#else

// The stamp of the regular file described by `status`.
CFileStamp StampOf(const struct stat& status) {
    constexpr std::int64_t kNanoseconds = 1000000000;
    return {static_cast<std::int64_t>(status.st_size), static_cast<std::int64_t>(status.st_mtim.tv_sec) * kNanoseconds +
                                                           static_cast<std::int64_t>(status.st_mtim.tv_nsec)};
}

// The stamp of the open file; false when it cannot be told.
bool StampDescriptor(int descriptor, CFileStamp& stamp) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        return false;
    }
    stamp = StampOf(status);
    return true;
}

// A file through its POSIX descriptor: one system call per operation and no buffer of its own.
class CDescriptorFile : public CFile {
public:
    explicit CDescriptorFile(int descriptor, CFileStamp stamp = {}) : m_descriptor(descriptor), m_stamp(stamp) {}
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

    [[nodiscard]] int Descriptor() const { return m_descriptor; }

    // From the status taken when the file was opened: no further system call.
    [[nodiscard]] CFileStamp Stamp() const override { return m_stamp; }

    // One fstat of the descriptor.
    [[nodiscard]] CFileStamp CurrentStamp() const override {
        CFileStamp stamp;
        return m_descriptor >= 0 && StampDescriptor(m_descriptor, stamp) ? stamp : CFileStamp{};
    }

private:
    int m_descriptor;
    CFileStamp m_stamp;
};

// Opens without waiting (a pipe would otherwise block until someone writes to it) and keeps only
// regular files: a folder, a pipe or a device is refused. The type is taken from the open
// descriptor, so it is the type of what was opened.
// `folder` is a folder's descriptor, or AT_FDCWD for a path; `flags` adds to reading or writing.
std::unique_ptr<CDescriptorFile> OpenFileAt(int folder, const std::string& path, bool writable, int flags) {
    int descriptor = -1;
    do {
        descriptor =
            ::openat(folder, path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | flags);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    return std::make_unique<CDescriptorFile>(descriptor, StampOf(status));
}

std::unique_ptr<CDescriptorFile> OpenFile(const std::string& path, bool writable) {
    return OpenFileAt(AT_FDCWD, path, writable, 0);
}

// Calls `visit(name, type)` for every entry of the open folder but "." and "..", with the entry's
// type as the folder tells it (a dirent d_type).
template <typename Visit> void ForEachEntry(DIR* directory, Visit visit) {
    while (const dirent* entry = ::readdir(directory)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
            visit(name, entry->d_type);
        }
    }
}

// The names of the open folder that match `matches`, regular files only. The folder's own entries
// carry their type; only links and entries of unknown type cost a look at what they are (a link
// counts as what it points to), and their names go to `unsure` when it is given.
template <typename Matches>
std::vector<std::string> ListRegularFiles(DIR* directory, Matches matches, std::set<std::string>* unsure) {
    std::vector<std::string> names;
    ForEachEntry(directory, [&](const char* name, unsigned char type) {
        if (!matches(name)) {
            return;
        }
        bool regular = type == DT_REG;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat status {};
            regular = ::fstatat(::dirfd(directory), name, &status, 0) == 0 && S_ISREG(status.st_mode);
            if (regular && unsure != nullptr) {
                unsure->insert(name);
            }
        }
        if (regular) {
            names.emplace_back(name);
        }
    });
    return names;
}

// A folder through its open descriptor. Names the listing saw as regular files are opened without
// following a link (O_NOFOLLOW), so that a link put in the place of a listed file is refused; names
// that were links when listed open what they point to, as a listing by path takes them.
class CDescriptorFolder : public CFolder {
public:
    explicit CDescriptorFolder(DIR* directory) : m_directory(directory) {}
    ~CDescriptorFolder() override { ::closedir(m_directory); }
    CDescriptorFolder(const CDescriptorFolder&) = delete;
    CDescriptorFolder& operator=(const CDescriptorFolder&) = delete;

    [[nodiscard]] std::vector<std::string> ListMatchingAny(const std::vector<std::string>& patterns) override {
        ::rewinddir(m_directory);
        m_followed.clear();
        return ListRegularFiles(
            m_directory, [&patterns](const char* name) { return MatchesAny(name, patterns); }, &m_followed);
    }

    [[nodiscard]] std::unique_ptr<CFile> OpenRead(const std::string& name) override {
        if (name.find('/') != std::string::npos) {
            return nullptr; // a name in this folder, never a path leading elsewhere
        }
        return OpenFileAt(::dirfd(m_directory), name, false, m_followed.count(name) != 0 ? 0 : O_NOFOLLOW);
    }

private:
    DIR* m_directory;
    std::set<std::string> m_followed;
};

// The size its open saw: no second look.
std::int64_t SizeOfFile(const std::string& path) {
    const std::unique_ptr<CDescriptorFile> file = OpenFile(path, false);
    return file ? file->Stamp().size : -1;
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

// Opens a file or folder for reading without waiting (a pipe would block until someone writes to
// it); -1 when it cannot be opened.
int OpenWithoutWaiting(const std::string& path) {
    int descriptor = -1;
    do {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

// Puts what was written through the descriptor on stable storage. macOS's fsync stops at the
// drive's cache; F_FULLFSYNC goes through it.
bool SyncDescriptor(int descriptor) {
#if defined(__APPLE__)
    if (::fcntl(descriptor, F_FULLFSYNC) == 0) {
        return true;
    }
#endif
    int result = 0;
    do {
        result = ::fsync(descriptor);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool WriteAll(int descriptor, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(descriptor, data, size);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// Copies the rest of `from` into `to`; in the kernel where it can (copy_file_range), else through
// a buffer. The read that finds the end, for a file that grew, is left out when `lookForMore` is
// false and the kernel copied the `expected` bytes.
bool CopyDescriptor(int from, int to, std::int64_t expected, bool lookForMore = true) {
    std::int64_t copied = 0;
#if defined(__linux__) && defined(SYS_copy_file_range)
    while (copied < expected) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(expected - copied, 1 << 30));
        const long moved = ::syscall(SYS_copy_file_range, from, nullptr, to, nullptr, chunk, 0U);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            break; // not supported between these file systems, or the file ended early: go on by hand
        }
        copied += moved;
    }
    if (!lookForMore && copied == expected) {
        return true;
    }
#endif
    // What is left is read and written by hand. After a whole copy that is only the read that finds
    // the end, so the buffer is sized to what is left: a megabyte made and cleared for every file
    // was most of a save's processor time.
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::clamp<std::int64_t>(expected - copied, 4096, std::int64_t{1} << 20)));
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) {
            return false;
        }
        copied += got;
    }
    // A file that ends early was not read whole.
    return copied >= expected;
}

// Creates `path` exclusively (never through a link) for writing.
int CreateExclusive(const std::string& path) {
    int descriptor = -1;
    do {
        descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

// Closes a descriptor made by CreateExclusive after syncing it when asked; on failure (or when
// `ok` is false already) the file is removed again.
bool FinishNewFile(int descriptor, const std::string& path, bool ok, bool durable) {
    if (ok && durable) {
        ok = SyncDescriptor(descriptor);
    }
    ok = ::close(descriptor) == 0 && ok;
    if (!ok) {
        ::unlink(path.c_str());
    }
    return ok;
}

#endif

} // namespace

bool CNativeFileSystem::CopyToNewFile(const std::string& from, const std::string& to, bool durable) {
#if defined(_WIN32)
    const std::unique_ptr<CHandleFile> source = OpenFile(from, false);
    if (!source) {
        return false;
    }
    const std::int64_t size = source->Size();
    const std::unique_ptr<CHandleFile> destination = CreateExclusive(to);
    if (!destination) {
        return false;
    }
    return FinishNewFile(*destination, to, size >= 0 && CopyRest(*source, *destination, size), durable);
#else
    const std::unique_ptr<CDescriptorFile> source = OpenFile(from, false);
    if (!source) {
        return false;
    }
    const std::int64_t size = source->Stamp().size;
    const int destination = CreateExclusive(to);
    if (destination < 0) {
        return false;
    }
    return FinishNewFile(destination, to, size >= 0 && CopyDescriptor(source->Descriptor(), destination, size),
                         durable);
#endif
}

namespace {

// Creates `path` exclusively with `data` as its content; `written`, when given, receives the file's
// stamp after the write from the open file.
bool WriteNew(const std::string& path, std::span<const std::uint8_t> data, bool durable, CFileStamp* written) {
#if defined(_WIN32)
    const std::unique_ptr<CHandleFile> file = CreateExclusive(path);
    if (!file) {
        return false;
    }
    const bool ok = file->Write(data);
    if (ok && written != nullptr) {
        *written = file->CurrentStamp();
    }
    return FinishNewFile(*file, path, ok, durable);
#else
    const int descriptor = CreateExclusive(path);
    if (descriptor < 0) {
        return false;
    }
    bool ok = WriteAll(descriptor, data.data(), data.size());
    if (ok && written != nullptr) {
        ok = StampDescriptor(descriptor, *written);
    }
    return FinishNewFile(descriptor, path, ok, durable);
#endif
}

} // namespace

bool CNativeFileSystem::WriteNewFile(const std::string& path, std::span<const std::uint8_t> data, bool durable) {
    return WriteNew(path, data, durable, nullptr);
}

bool CNativeFileSystem::WriteNewFileStamped(const std::string& path, std::span<const std::uint8_t> data,
                                            CFileStamp& written) {
    return WriteNew(path, data, false, &written);
}

bool CNativeFileSystem::Sync(const std::string& path) {
#if defined(_WIN32)
    // Platform code (Windows): a file is flushed through a handle that may write (FlushFileBuffers
    // asks for one). Folders cannot be flushed there; NTFS journals their entries itself, so a
    // folder that is there counts as synced.
    const DWORD attributes = ::GetFileAttributesW(Utf8ToPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return attributes != INVALID_FILE_ATTRIBUTES;
    }
    CHandleFile file(OpenHandle(Utf8ToPath(path), GENERIC_WRITE, OPEN_EXISTING));
    return file.Handle() != INVALID_HANDLE_VALUE && ::FlushFileBuffers(file.Handle()) && file.Close();
#else
    const int descriptor = OpenWithoutWaiting(path);
    if (descriptor < 0) {
        return false;
    }
    const bool synced = SyncDescriptor(descriptor);
    ::close(descriptor);
    return synced;
#endif
}

bool CNativeFileSystem::SyncFileSystem(const std::string& path) {
#if defined(__linux__)
    const int descriptor = OpenWithoutWaiting(path);
    if (descriptor < 0) {
        return false;
    }
    const bool synced = ::syncfs(descriptor) == 0;
    ::close(descriptor);
    return synced;
#else
    (void)path;
    return false;
#endif
}

bool CNativeFileSystem::IsLinked(const std::string& path) {
#if defined(_WIN32)
    std::error_code error;
    const fs::path native = WithoutTrailingSeparators(path);
    if (fs::is_symlink(fs::symlink_status(native, error))) {
        return true;
    }
    const std::uintmax_t links = fs::hard_link_count(native, error);
    return !error && links > 1;
#else
    const std::string native = WithoutTrailingSeparators(path).string();
    struct stat status {};
    if (::lstat(native.c_str(), &status) != 0) {
        return false;
    }
    return S_ISLNK(status.st_mode) || (!S_ISDIR(status.st_mode) && status.st_nlink > 1);
#endif
}

std::vector<std::string> CNativeFileSystem::ListEntries(const std::string& folder) {
    std::vector<std::string> names;
#if defined(_WIN32)
    std::error_code error;
    fs::directory_iterator it(Utf8ToPath(folder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        names.push_back(PathToUtf8(it->path().filename()));
    }
#else
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        return names;
    }
    ForEachEntry(directory, [&names](const char* name, unsigned char /*type*/) { names.emplace_back(name); });
    ::closedir(directory);
#endif
    return names;
}

std::unique_ptr<CFile> CNativeFileSystem::OpenRead(const std::string& path) {
    return OpenFile(path, false);
}

std::unique_ptr<CFile> CNativeFileSystem::OpenReadNoFollow(const std::string& path) {
#if defined(_WIN32)
    return IsSymbolicLink(path) ? nullptr : OpenFile(path, false);
#else
    return OpenFileAt(AT_FDCWD, path, false, O_NOFOLLOW);
#endif
}

bool CNativeFileSystem::CanOpenForReading(const std::string& path) {
#if defined(_WIN32)
    return OpenRead(path) != nullptr;
#else
    // Without waiting for a pipe, and without looking at the type: one open and one close.
    const int descriptor = OpenWithoutWaiting(path);
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
    const fs::path source = Utf8ToPath(from);
    const fs::path destination = Utf8ToPath(to);
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
#if defined(_WIN32)
    // Platform code (Windows): an existing file at `to` is replaced. Never MOVEFILE_COPY_ALLOWED: a
    // move to another volume must fail rather than become a copy and a delete, which is not atomic.
    return ::MoveFileExW(Utf8ToPath(from).c_str(), Utf8ToPath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    std::error_code error;
    fs::rename(Utf8ToPath(from), Utf8ToPath(to), error);
    return !error;
#endif
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
    const fs::path native = Utf8ToPath(path);
    std::error_code error;
    if (fs::create_directory(native, error) && !error) {
        return FolderCreation::kCreated;
    }
    std::error_code ignored;
    return fs::is_directory(native, ignored) ? FolderCreation::kExisted : FolderCreation::kFailed;
}

FolderCreation CNativeFileSystem::CreatePrivateFolder(const std::string& path) {
#if defined(_WIN32)
    return CreateFolder(path);
#else
    if (::mkdir(WithoutTrailingSeparators(path).c_str(), S_IRWXU) == 0) {
        return FolderCreation::kCreated;
    }
    struct stat status {};
    return errno == EEXIST && ::lstat(WithoutTrailingSeparators(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode)
               ? FolderCreation::kExisted
               : FolderCreation::kFailed;
#endif
}

bool CNativeFileSystem::RemoveFolder(const std::string& path) {
    const fs::path native = WithoutTrailingSeparators(path);
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(native, error)) || error) {
        return false;
    }
#if defined(_WIN32)
    return fs::remove(native, error) && !error;
#else
    // Straight to rmdir: the library's remove tries unlink first, which a folder always refuses.
    return ::rmdir(native.c_str()) == 0;
#endif
}

std::vector<std::string> CNativeFileSystem::ListFolder(const std::string& folder, const std::string& pattern) {
    return CNativeFileSystem::ListFolderMatchingAny(folder, {pattern});
}

std::vector<std::string> CNativeFileSystem::ListFolderMatchingAny(const std::string& folder,
                                                                  const std::vector<std::string>& patterns) {
    const auto matches = [&patterns](std::string_view name) { return MatchesAny(name, patterns); };
    std::vector<std::string> names;
#if defined(_WIN32)
    std::error_code error;
    fs::directory_iterator it(Utf8ToPath(folder), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || typeError) {
            continue;
        }
        std::string name = PathToUtf8(it->path().filename());
        if (matches(name)) {
            names.push_back(std::move(name));
        }
    }
#else
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        return names;
    }
    names = ListRegularFiles(directory, matches, nullptr);
    ::closedir(directory);
#endif
    return names;
}

std::unique_ptr<CFolder> CNativeFileSystem::OpenFolder(const std::string& path) {
#if defined(_WIN32)
    return CFileSystem::OpenFolder(path);
#else
    int descriptor = -1;
    do {
        descriptor = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        return nullptr;
    }
    DIR* directory = ::fdopendir(descriptor);
    if (directory == nullptr) {
        ::close(descriptor);
        return nullptr;
    }
    return std::make_unique<CDescriptorFolder>(directory);
#endif
}

std::int64_t CNativeFileSystem::FileSize(const std::string& path) {
    return SizeOfFile(path);
}

CFileStamp CNativeFileSystem::Stamp(const std::string& path) {
#if defined(_WIN32)
    // Platform code (Windows): the file's own record, as the open file's stamp reads it.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Utf8ToPath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {};
    }
    return StampOfRecord(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
#else
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return {};
    }
    return StampOf(status);
#endif
}

bool CNativeFileSystem::IsSymbolicLink(const std::string& path) {
#if defined(_WIN32)
    const DWORD attributes = ::GetFileAttributesW(WithoutTrailingSeparators(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    struct stat status {};
    return ::lstat(WithoutTrailingSeparators(path).c_str(), &status) == 0 && S_ISLNK(status.st_mode);
#endif
}

std::int64_t CNativeFileSystem::FileSystemOf(const std::string& path) {
#if defined(_WIN32)
    (void)path; // a folder on another volume is reached only through a reparse point, refused as a link
    return -1;
#else
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::int64_t>(status.st_dev) : -1;
#endif
}

CEntryInfo CNativeFileSystem::LookAt(const std::string& path) {
#if defined(_WIN32)
    return CFileSystem::LookAt(path);
#else
    CEntryInfo info;
    const std::string native = WithoutTrailingSeparators(path).string();
    struct stat status {};
    if (::lstat(native.c_str(), &status) != 0) {
        return info;
    }
    info.kind = S_ISLNK(status.st_mode) ? CEntryInfo::Kind::kLink
                : S_ISDIR(status.st_mode) ? CEntryInfo::Kind::kFolder
                : S_ISREG(status.st_mode) ? CEntryInfo::Kind::kFile
                                          : CEntryInfo::Kind::kOther;
    info.sticky = (status.st_mode & S_ISVTX) != 0;
    info.owner = static_cast<std::int64_t>(status.st_uid);
    // As this process's own user, which root's permissions do not override for a file that cannot
    // change (immutable) or a folder on a read-only file system.
    info.writable =
        info.kind != CEntryInfo::Kind::kLink && ::faccessat(AT_FDCWD, native.c_str(), W_OK, AT_EACCESS) == 0;
    return info;
#endif
}

namespace {

#if defined(_WIN32)

// Platform code (Windows): the lock is a byte-range lock far beyond the text, so that others can
// read who holds it; the file goes when the last handle on it closes.
class CNativeFileLock : public CFileLock {
public:
    explicit CNativeFileLock(HANDLE handle) : m_handle(handle) {}
    ~CNativeFileLock() override {
        (void)::SetEndOfFile(m_handle);
        ::CloseHandle(m_handle);
    }
    bool Describe(const std::string& text) override {
        LARGE_INTEGER start{};
        DWORD written = 0;
        return ::SetFilePointerEx(m_handle, start, nullptr, FILE_BEGIN) && ::SetEndOfFile(m_handle) &&
               ::WriteFile(m_handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size();
    }

private:
    HANDLE m_handle;
};

// One byte at 1 MiB: far beyond the holder's text, which others then read unhindered.
constexpr DWORD kLockOffset = 0x100000;

// The lock file is only ever a file with one name: a reparse point or a file other names share is
// opened as itself, and closing the handle deletes that name (never what it leads to or the other
// names); then the lock file is made anew.
CLockAttempt LockFile(const std::string& path) {
    CLockAttempt attempt;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int tries = 0; tries < 8 && handle == INVALID_HANDLE_VALUE; ++tries) {
        handle =
            ::CreateFileW(Utf8ToPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            // A lock file whose deletion is pending belongs to a holder that is letting go right
            // now; a folder there refuses the same way and is waited for as busy.
            attempt.heldElsewhere = ::GetLastError() == ERROR_ACCESS_DENIED;
            return attempt;
        }
        BY_HANDLE_FILE_INFORMATION information{};
        if (!::GetFileInformationByHandle(handle, &information) || information.nNumberOfLinks != 1 ||
            (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
            ::CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        attempt.unusable = "\"" + path + "\" is no lock file and cannot be replaced by one";
        return attempt;
    }
    OVERLAPPED where{};
    where.Offset = kLockOffset;
    if (::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
        attempt.lock = std::make_unique<CNativeFileLock>(handle);
        return attempt;
    }
    attempt.heldElsewhere = true;
    char buffer[512];
    DWORD got = 0;
    if (::ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
        attempt.holder.assign(buffer, got);
    }
    ::CloseHandle(handle);
    return attempt;
}

#else

// The lock is flock's, on the whole file; the holder removes the file before letting go, and whoever
// gets a lock on a file that is no longer at its path (removed meanwhile) tries again.
// A lock on a file this code could not make its own (shared with other names, or read-only, in a
// folder where its name cannot be replaced) still excludes, but nothing is written into it.
class CNativeFileLock : public CFileLock {
public:
    CNativeFileLock(int descriptor, std::string path, bool own)
        : m_descriptor(descriptor), m_path(std::move(path)), m_own(own) {}
    ~CNativeFileLock() override {
        (void)::unlink(m_path.c_str());
        ::close(m_descriptor);
    }
    bool Describe(const std::string& text) override {
        return m_own && ::ftruncate(m_descriptor, 0) == 0 &&
               ::pwrite(m_descriptor, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
    }

private:
    int m_descriptor;
    std::string m_path;
    bool m_own;
};

// Removes the entry `path` (never a folder) when it is still the one `seen` describes: a link or a
// pipe is removed as itself, a hard link leaves the file's other names as they are.
bool RemoveEntryIfSame(const std::string& path, const struct stat& seen) {
    struct stat now {};
    if (::lstat(path.c_str(), &now) != 0) {
        return errno == ENOENT; // gone meanwhile: nothing left to remove
    }
    if (now.st_dev != seen.st_dev || now.st_ino != seen.st_ino || S_ISDIR(now.st_mode)) {
        return true; // replaced meanwhile: the next look decides about the new entry
    }
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

// Opens the regular file at `path` for locking, never through a link and without waiting: for
// reading and writing, or for reading where writing is refused (flock takes either). -1 with errno
// set when it cannot be opened.
int OpenLockFile(const std::string& path, bool& writable) {
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    int descriptor = -1;
    do {
        descriptor = ::open(path.c_str(), O_RDWR | kFlags);
    } while (descriptor < 0 && errno == EINTR);
    writable = descriptor >= 0;
    if (descriptor < 0 && (errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY)) {
        do {
            descriptor = ::open(path.c_str(), O_RDONLY | kFlags);
        } while (descriptor < 0 && errno == EINTR);
    }
    return descriptor;
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The lock file is only ever a regular file with one name that this code made. Whatever else is at
// its name (a symbolic link, a pipe, a device, a file other names share, one we may not write) is
// never written through: once no process holds a lock on it, its name is removed and a new file is
// made exclusively in its place. A folder there cannot be replaced and makes the lock unusable.
CLockAttempt LockFile(const std::string& path) {
    CLockAttempt attempt;
    for (int tries = 0; tries < 8; ++tries) {
        struct stat entry {};
        int descriptor = -1;
        bool writable = true;
        if (::lstat(path.c_str(), &entry) != 0) {
            if (errno != ENOENT) {
                return attempt; // the folder cannot be looked into: nothing can be saved there either
            }
            do {
                descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0644);
            } while (descriptor < 0 && errno == EINTR);
            if (descriptor < 0) {
                if (errno == EEXIST) {
                    continue; // made by another process meanwhile: look again
                }
                return attempt; // a read-only folder
            }
        } else if (S_ISDIR(entry.st_mode)) {
            attempt.unusable = Quoted(path) + " is a folder where the lock file belongs";
            return attempt;
        } else if (!S_ISREG(entry.st_mode)) {
            // A link, a pipe or a device is never opened: its name goes, a lock file takes it.
            if (!RemoveEntryIfSame(path, entry)) {
                attempt.unusable = Quoted(path) + " is no regular file and cannot be replaced by a lock file";
                return attempt;
            }
            continue;
        } else {
            descriptor = OpenLockFile(path, writable);
            if (descriptor < 0) {
                if (errno == ENOENT || errno == ELOOP) {
                    continue; // removed or replaced by a link meanwhile: look again
                }
                attempt.unusable = Quoted(path) + " cannot be opened as the lock file";
                return attempt;
            }
        }
        struct stat opened {};
        if (::fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(descriptor); // something else took the name between the look and the open
            continue;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK || error == EINTR) {
                attempt.heldElsewhere = true;
                // Who holds it, from a lock file as it writes them; a file other names share is the
                // holder's business and not read.
                char buffer[512];
                const ssize_t got = opened.st_nlink == 1 ? ::pread(descriptor, buffer, sizeof buffer, 0) : -1;
                if (got > 0) {
                    attempt.holder.assign(buffer, static_cast<std::size_t>(got));
                }
            } else {
                attempt.unusable = Quoted(path) + " cannot be locked on this file system";
            }
            ::close(descriptor);
            return attempt;
        }
        struct stat there {};
        const bool stillThere =
            ::lstat(path.c_str(), &there) == 0 && there.st_dev == opened.st_dev && there.st_ino == opened.st_ino;
        if (stillThere && opened.st_nlink == 1 && writable) {
            attempt.lock = std::make_unique<CNativeFileLock>(descriptor, path, true);
            return attempt;
        }
        if (stillThere && !RemoveEntryIfSame(path, opened)) {
            // Shared with other names or not ours to write, and its name cannot go (a read-only
            // folder): the lock holds all the same, without a word written into the file.
            attempt.lock = std::make_unique<CNativeFileLock>(descriptor, path, false);
            return attempt;
        }
        // Removed by its last holder after we opened it, or its name was just removed above while
        // we held the lock on it (a process that opened it meanwhile finds it gone and looks again).
        ::close(descriptor);
    }
    attempt.unusable = Quoted(path) + " kept changing while the lock was taken";
    return attempt;
}

#endif

} // namespace

CLockAttempt CNativeFileSystem::TryLock(const std::string& path) {
    return LockFile(path);
}

namespace {

std::function<bool(const std::string&)>& TrashHandler() {
    static std::function<bool(const std::string&)> handler;
    return handler;
}

} // namespace

void SetTrashHandler(std::function<bool(const std::string&)> handler) {
    TrashHandler() = std::move(handler);
}

bool HasTrashHandler() {
    return static_cast<bool>(TrashHandler());
}

bool CNativeFileSystem::UsesTrash() {
    return HasTrashHandler() || OwnTrashInUse();
}

bool CNativeFileSystem::MoveToTrash(const std::string& path) {
    return TrashHandler() && TrashHandler()(path);
}

bool CNativeFileSystem::IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(Utf8ToPath(path), error);
}

bool CNativeFileSystem::Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(WithoutTrailingSeparators(path), error));
}

bool CNativeFileSystem::IsSameEntry(const std::string& first, const std::string& second) {
    std::error_code error;
    const bool same = fs::equivalent(Utf8ToPath(first), Utf8ToPath(second), error);
    return same && !error;
}

std::string ThisProcessText() {
#if defined(_WIN32)
    char host[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof host;
    if (!::GetComputerNameA(host, &size)) {
        host[0] = '\0';
    }
    return "process " + std::to_string(::GetCurrentProcessId()) + " on " + host;
#else
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) {
        host[0] = '\0';
    }
    return "process " + std::to_string(::getpid()) + " on " + host;
#endif
}

CFileSystem::NewCopy CNativeFileSystem::CopyToNewFileOver(const std::string& from, const std::string& to,
                                                          std::int64_t offset, std::span<const std::uint8_t> over,
                                                          CFileStamp& copied) {
#if defined(_WIN32)
    // The default copy does not tell a source that does not open from a copy that failed.
    const NewCopy made = CFileSystem::CopyToNewFileOver(from, to, offset, over, copied);
    return made == NewCopy::kFailed && OpenRead(from) == nullptr ? NewCopy::kUnreadable : made;
#else
    // The source's size from the status its open took; the copy's stamp from its own descriptor.
    const std::unique_ptr<CDescriptorFile> source = OpenFile(from, false);
    if (!source) {
        return NewCopy::kUnreadable;
    }
    const std::int64_t size = source->Stamp().size;
    const int destination = CreateExclusive(to);
    if (destination < 0) {
        return NewCopy::kFailed;
    }
    // The size its open saw is copied; the look for more at the end, which a copy made on its own
    // makes, is left out where the kernel copied it all.
    bool ok = size >= 0 && CopyDescriptor(source->Descriptor(), destination, size, false);
    for (std::size_t done = 0; ok && done < over.size();) {
        const ssize_t put = ::pwrite(destination, over.data() + done, over.size() - done,
                                     static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        ok = put > 0 || (put < 0 && errno == EINTR);
        done += put > 0 ? static_cast<std::size_t>(put) : 0U;
    }
    // A copy written over is stamped after the write; a plain copy's stamp is left to the caller.
    if (ok && !over.empty()) {
        ok = StampDescriptor(destination, copied);
    }
    return FinishNewFile(destination, to, ok, false) ? NewCopy::kMade : NewCopy::kFailed;
#endif
}

bool CNativeFileSystem::RenameIfFree(const std::string& from, const std::string& to) {
#if defined(_WIN32)
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
    return ::MoveFileExW(Utf8ToPath(from).c_str(), Utf8ToPath(to).c_str(), 0) != 0;
#elif defined(__linux__) && defined(SYS_renameat2)
    constexpr unsigned kNoReplace = 1U; // RENAME_NOREPLACE
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kNoReplace) == 0) {
        return true;
    }
    // A file system without the flag is asked the slow way.
    return (errno == EINVAL || errno == ENOSYS) && CFileSystem::RenameIfFree(from, to);
#else
    return CFileSystem::RenameIfFree(from, to);
#endif
}

CFileSystem& NativeFileSystem() {
    static CNativeFileSystem fileSystem;
    return fileSystem;
}

} // namespace Orvanta
