#include "sound/CSoundStream.h"

#include "model/CFileSystem.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <span>
#include <string_view>
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

// Whether a file starting with these 12 bytes may be one libsndfile recognises: every header its
// format guess knows (in versions 1.0 to 1.2), and some more. A file it does not recognise it takes
// for the data of a sound whose resource fork lies beside it; a stream has no path, so it would look
// for "._" and ".AppleDouble/" in the current folder and for "/..namedfork/rsrc", and read whatever
// it finds there as this file's sound. Such files are refused here, before libsndfile sees them.
bool SoundLibraryMayKnow(const std::array<unsigned char, 12>& header) {
    const auto starts = [&header](std::string_view first, std::string_view atEight = "") {
        return std::memcmp(header.data(), first.data(), first.size()) == 0 &&
               std::memcmp(header.data() + 8, atEight.data(), atEight.size()) == 0;
    };
    using namespace std::string_view_literals;
    static constexpr std::string_view kFirst[] = {
        "FORM"sv,
        ".snd"sv,
        "dns."sv,
        "fap "sv,
        " paf"sv,
        "NIST"sv,
        "Creative"sv,
        "riff"sv,
        "MATLAB 5"sv,
        "PVF1"sv,
        "Extended Ins"sv,
        "OggS"sv,
        "ALawSoundFil"sv,
        "DiamondWare "sv,
        "LM89"sv,
        "53\0\0"sv,
        "fLaC"sv,
        "2BIT"sv,
        "ID3"sv,
        "\0\0\3\xE8\0\0\0\1\0\0\0\1"sv,
        "\0\0\0\0\1\0\0\0\1\0\0\0"sv,
    };
    if (std::any_of(std::begin(kFirst), std::end(kFirst),
                    [&starts](std::string_view first) { return starts(first); })) {
        return true;
    }
    const std::uint8_t b0 = header[0], b1 = header[1], b2 = header[2], b3 = header[3];
    return starts("RIFF", "WAVE") || starts("RIFX", "WAVE") || starts("RF64", "WAVE") || starts("caff", "desc") ||
           starts("CAT ", "REX2") || starts("", "\0\2\0\0"sv) ||           // HTK
           (b0 == 0x64 && b1 == 0xA3 && (b2 & 0xF8) == 0 && b3 == 0) ||    // IRCAM
           (b0 == 0 && (b1 & 0xF8) == 0 && b2 == 0xA3 && b3 == 0x64) ||    // IRCAM
           (b0 == 0xF0 && b1 == 0x7E && (b2 & 0x80) == 0 && b3 == 0x01) || // SDS
           (b0 == 0x01 && b1 == 0x04) ||                                   // MPC 2000
           (b0 == 0xFF && (b1 & 0xE0) == 0xE0);                            // MPEG frame
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
    std::array<unsigned char, 12> header{};
    const sf_count_t got = Read(header.data(), static_cast<sf_count_t>(header.size()));
    m_position = 0;
    if (got == static_cast<sf_count_t>(header.size()) && !SoundLibraryMayKnow(header)) {
        reason = sf_error_number(SF_ERR_UNRECOGNISED_FORMAT);
        return nullptr;
    }
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
    // Not past the end the stream was opened with: a read there would only answer 0.
    count = std::min(count, std::max<sf_count_t>(m_length - offset, 0));
    const auto got = static_cast<sf_count_t>(
        m_file->ReadUntilFull(std::span(static_cast<std::uint8_t*>(destination), static_cast<std::size_t>(count))));
    // After a short read the position of the file is not known for sure: the next read seeks.
    m_filePosition = got == count ? offset + count : -1;
    return got;
}

} // namespace Orvanta
