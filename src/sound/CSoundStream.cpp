#include "sound/CSoundStream.h"

#include "model/CFileSystem.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <span>
#include <system_error>

namespace Orvanta {

namespace {

// Big enough for the header and all the samples of a typical one-shot sample in one read.
constexpr sf_count_t kWindowBytes = 64 * 1024;
// The window while libsndfile looks at the header: a file it cannot read costs this much reading,
// not the whole file.
constexpr sf_count_t kHeaderWindowBytes = 4 * 1024;

// libsndfile keeps the reason of a failed open in one variable for the whole process: opening and
// taking the reason are done under this lock, so that concurrent opens report their own reasons.
std::mutex s_openLock;

// Why the last open of the native file system failed, in the system's words.
std::string LastOpenError() {
#ifdef _WIN32
    return std::system_category().message(static_cast<int>(::GetLastError()));
#else
    return errno != 0 ? std::generic_category().message(errno) : std::string("Not a regular file");
#endif
}

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
    m_file = nullptr;
    m_ownFile.reset();
}

bool CSoundStream::OpenFile(const std::string& utf8Path, std::string& reason) {
    Close();
    errno = 0;
    m_ownFile = NativeFileSystem().OpenRead(utf8Path);
    if (!m_ownFile) {
        reason = "The file cannot be opened: " + LastOpenError() + ".";
        return false;
    }
    // The open file's stamp tells its length, where the file system knows it when opening.
    std::int64_t length = m_ownFile->Stamp().size;
    if (length < 0) {
        length = NativeFileSystem().Stamp(utf8Path).size;
    }
    if (length < 0) {
        reason = "The file cannot be read: its length is not known.";
        Close();
        return false;
    }
    Attach(*m_ownFile, length);
    return true;
}

void CSoundStream::OpenOpenedFile(CFile& file, std::int64_t length) {
    Close();
    Attach(file, length);
}

void CSoundStream::Attach(CFile& file, std::int64_t length) {
    m_file = &file;
    m_length = static_cast<sf_count_t>(length);
    m_filePosition = 0;
    m_buffer.resize(static_cast<std::size_t>(std::min(m_length, kHeaderWindowBytes)));
    m_window = m_buffer.data();
    m_windowStart = 0;
    m_windowLength = 0;
    m_position = 0;
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
    } else if (m_file != nullptr) {
        // A sound: the samples are read through the full window; what the window holds stays.
        m_buffer.resize(static_cast<std::size_t>(std::min(m_length, kWindowBytes)));
        m_window = m_buffer.data();
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
        if (!m_file->Seek(offset)) {
            return 0;
        }
        m_filePosition = offset;
    }
    auto* bytes = static_cast<std::uint8_t*>(destination);
    sf_count_t got = 0;
    while (got < count) {
        const std::int64_t read = m_file->Read(std::span(bytes + got, static_cast<std::size_t>(count - got)));
        if (read <= 0) {
            break;
        }
        got += read;
    }
    // After a short read the position of the file is not known for sure: the next read seeks.
    m_filePosition = got == count ? offset + count : -1;
    return got;
}

} // namespace Orvanta
