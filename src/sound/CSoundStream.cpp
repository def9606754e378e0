#include "sound/CSoundStream.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <system_error>

namespace Orvanta {

namespace {

// Big enough for the header and all the samples of a typical one-shot sample in one read.
constexpr sf_count_t kWindowBytes = 64 * 1024;

// libsndfile keeps the reason of a failed open in one variable for the whole process: opening and
// taking the reason are done under this lock, so that concurrent opens report their own reasons.
std::mutex s_openLock;

#ifdef _WIN32
std::wstring WidePath(const std::string& utf8Path) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), static_cast<int>(utf8Path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), static_cast<int>(utf8Path.size()), wide.data(), length);
    return wide;
}

int SeekFile(std::FILE* file, sf_count_t offset, int whence) {
    return _fseeki64(file, offset, whence);
}
sf_count_t TellFile(std::FILE* file) {
    return _ftelli64(file);
}
#else
int SeekFile(std::FILE* file, sf_count_t offset, int whence) {
    return fseeko(file, static_cast<off_t>(offset), whence);
}
sf_count_t TellFile(std::FILE* file) {
    return static_cast<sf_count_t>(ftello(file));
}
#endif

CSoundStream& StreamOf(void* user) {
    return *static_cast<CSoundStream*>(user);
}

} // namespace

SF_VIRTUAL_IO CSoundStream::s_io = {
    [](void* user) -> sf_count_t { return StreamOf(user).m_length; },
    [](sf_count_t offset, int whence, void* user) { return StreamOf(user).Seek(offset, whence); },
    [](void* destination, sf_count_t count, void* user) { return StreamOf(user).Read(destination, count); },
    [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
    [](void* user) -> sf_count_t { return StreamOf(user).m_position; },
};

CSoundStream::~CSoundStream() {
    Close();
}

void CSoundStream::Close() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

bool CSoundStream::OpenFile(const std::string& utf8Path, std::string& reason) {
    Close();
#ifdef _WIN32
    // Platform code (Windows): opened sharing reading, writing and deleting (the C library's own
    // open shares no deleting), so that a save can rename or delete a wave being played or pictured.
    const HANDLE handle =
        ::CreateFileW(WidePath(utf8Path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        reason =
            "The file cannot be opened: " + std::system_category().message(static_cast<int>(::GetLastError())) + ".";
        return false;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        ::CloseHandle(handle);
    } else if ((m_file = _fdopen(descriptor, "rb")) == nullptr) {
        _close(descriptor);
    }
#else
    m_file = std::fopen(utf8Path.c_str(), "rb");
#endif
    if (m_file == nullptr) {
        reason = "The file cannot be opened: " + std::generic_category().message(errno) + ".";
        return false;
    }
    // The window is the only buffer: stdio would copy every byte once more.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    if (SeekFile(m_file, 0, SEEK_END) != 0 || (m_length = TellFile(m_file)) < 0 || SeekFile(m_file, 0, SEEK_SET) != 0) {
        reason = "The file cannot be read: " + std::generic_category().message(errno) + ".";
        Close();
        return false;
    }
    m_filePosition = 0;
    m_buffer.resize(static_cast<std::size_t>(std::min(m_length, kWindowBytes)));
    m_window = m_buffer.data();
    m_windowStart = 0;
    m_windowLength = 0;
    m_position = 0;
    return true;
}

void CSoundStream::OpenMemory(const void* data, std::size_t size) {
    Close();
    m_window = static_cast<const unsigned char*>(data);
    m_windowStart = 0;
    m_windowLength = static_cast<sf_count_t>(size);
    m_length = m_windowLength;
    m_position = 0;
}

SNDFILE* CSoundStream::OpenSound(SF_INFO& info, std::string& reason) {
    info = SF_INFO{};
    const std::lock_guard<std::mutex> lock(s_openLock);
    SNDFILE* file = sf_open_virtual(&s_io, SFM_READ, &info, this);
    if (file == nullptr) {
        reason = sf_strerror(nullptr);
    }
    return file;
}

sf_count_t CSoundStream::Seek(sf_count_t offset, int whence) {
    sf_count_t base = 0;
    if (whence == SEEK_CUR) {
        base = m_position;
    } else if (whence == SEEK_END) {
        base = m_length;
    }
    if ((offset > 0 && base > std::numeric_limits<sf_count_t>::max() - offset) || base + offset < 0) {
        return -1;
    }
    m_position = base + offset;
    return m_position;
}

sf_count_t CSoundStream::Read(void* destination, sf_count_t count) {
    auto* out = static_cast<unsigned char*>(destination);
    sf_count_t done = 0;
    while (done < count && m_position < m_length) {
        const sf_count_t wanted = std::min(count - done, m_length - m_position);
        if (m_position >= m_windowStart && m_position < m_windowStart + m_windowLength) {
            const sf_count_t available = std::min(wanted, m_windowStart + m_windowLength - m_position);
            std::memcpy(out + done, m_window + (m_position - m_windowStart), static_cast<std::size_t>(available));
            done += available;
            m_position += available;
            continue;
        }
        if (m_file == nullptr) {
            break; // memory: nothing outside the window
        }
        if (wanted >= static_cast<sf_count_t>(m_buffer.size())) {
            const sf_count_t got = ReadFileAt(m_position, out + done, wanted);
            done += got;
            m_position += got;
            if (got < wanted) {
                break;
            }
            continue;
        }
        m_windowStart = m_position;
        m_windowLength = ReadFileAt(m_position, m_buffer.data(), static_cast<sf_count_t>(m_buffer.size()));
        if (m_windowLength <= 0) {
            m_windowLength = 0;
            break;
        }
    }
    return done;
}

sf_count_t CSoundStream::ReadFileAt(sf_count_t offset, void* destination, sf_count_t count) {
    if (offset != m_filePosition) {
        if (SeekFile(m_file, offset, SEEK_SET) != 0) {
            return 0;
        }
        m_filePosition = offset;
    }
    const std::size_t got = std::fread(destination, 1, static_cast<std::size_t>(count), m_file);
    // After a short read the position of the file is not known for sure: the next read seeks.
    m_filePosition = got == static_cast<std::size_t>(count) ? offset + count : -1;
    return static_cast<sf_count_t>(got);
}

} // namespace Orvanta
