#include "sound/SoundConversion.h"

#include "sound/CSoundStream.h"
#include "sound/SoundFile.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

namespace Orvanta {

namespace {

// Why a conversion stopped when the decoder failed; the decoder's own text ("unknown error in flac
// decoder") tells a user nothing.
constexpr const char* kDamagedSound = "Its sound is damaged or cut short and cannot be decoded.";

// Frames are converted in blocks of about this many samples, whatever the channel count.
constexpr std::size_t kBlockSamples = 65536;
// The written file goes through a buffer of this size: libsndfile writes each block at once, the
// header in many small pieces.
constexpr std::size_t kWriteBuffer = 1 << 20;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

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

// Creates `utf8Path` exclusively for binary writing (never replaces a file); null when it cannot.
std::FILE* CreateNewFile(const std::string& utf8Path) {
#ifdef _WIN32
    const HANDLE handle = ::CreateFileW(WidePath(utf8Path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDWR | _O_BINARY);
    if (descriptor < 0) {
        ::CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "w+b");
    if (file == nullptr) {
        _close(descriptor);
    }
    return file;
#else
    const int descriptor = ::open(utf8Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(descriptor, "w+b");
    if (file == nullptr) {
        ::close(descriptor);
    }
    return file;
#endif
}

std::FILE* OpenForReading(const std::string& utf8Path) {
#ifdef _WIN32
    return ::_wfopen(WidePath(utf8Path).c_str(), L"rb");
#else
    return std::fopen(utf8Path.c_str(), "rb");
#endif
}

void RemoveFile(const std::string& utf8Path) {
    static_cast<void>(RemoveSoundFile(utf8Path));
}

// The new WAV file, written by libsndfile through its virtual I/O over a buffered stdio stream.
class CWriteStream {
public:
    ~CWriteStream() { Close(); }

    bool Create(const std::string& utf8Path, std::string& reason) {
        m_file = CreateNewFile(utf8Path);
        if (m_file == nullptr) {
            reason = "The converted file cannot be created: " + std::generic_category().message(errno) + ".";
            return false;
        }
        m_buffer.resize(kWriteBuffer);
        std::setvbuf(m_file, m_buffer.data(), _IOFBF, m_buffer.size());
        return true;
    }

    SNDFILE* OpenSound(SF_INFO& info) { return sf_open_virtual(&s_io, SFM_RDWR, &info, this); }

    // Flushes and closes; false when bytes could not be written.
    bool Close() {
        if (m_file == nullptr) {
            return true;
        }
        const bool written = !m_failed && std::fflush(m_file) == 0 && std::ferror(m_file) == 0;
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        return written && closed;
    }

    bool Failed() const { return m_failed; }

private:
    static CWriteStream& Of(void* user) { return *static_cast<CWriteStream*>(user); }

    sf_count_t Length() {
        const sf_count_t here = TellFile(m_file);
        if (SeekFile(m_file, 0, SEEK_END) != 0) {
            return -1;
        }
        const sf_count_t length = TellFile(m_file);
        SeekFile(m_file, here, SEEK_SET);
        return length;
    }
    sf_count_t Seek(sf_count_t offset, int whence) {
        if (SeekFile(m_file, offset, whence) != 0) {
            return -1;
        }
        return TellFile(m_file);
    }
    sf_count_t Read(void* destination, sf_count_t count) {
        return static_cast<sf_count_t>(std::fread(destination, 1, static_cast<std::size_t>(count), m_file));
    }
    sf_count_t Write(const void* source, sf_count_t count) {
        const std::size_t written = std::fwrite(source, 1, static_cast<std::size_t>(count), m_file);
        if (written != static_cast<std::size_t>(count)) {
            m_failed = true;
        }
        return static_cast<sf_count_t>(written);
    }

    static SF_VIRTUAL_IO s_io;

    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    bool m_failed = false;
};

SF_VIRTUAL_IO CWriteStream::s_io = {
    [](void* user) { return Of(user).Length(); },
    [](sf_count_t offset, int whence, void* user) { return Of(user).Seek(offset, whence); },
    [](void* destination, sf_count_t count, void* user) { return Of(user).Read(destination, count); },
    [](const void* source, sf_count_t count, void* user) { return Of(user).Write(source, count); },
    [](void* user) { return TellFile(Of(user).m_file); },
};

std::string LowerAscii(std::string text) {
    for (char& ch : text) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
    }
    return text;
}

// The name a user knows the source's format by.
std::string FormatName(int format) {
    const int type = format & SF_FORMAT_TYPEMASK;
    const int subtype = format & SF_FORMAT_SUBMASK;
    switch (type) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
        return "WAV";
    case SF_FORMAT_AIFF:
        return "AIFF";
    case SF_FORMAT_FLAC:
        return "FLAC";
    case SF_FORMAT_CAF:
        return "CAF";
    case SF_FORMAT_W64:
        return "W64";
    case SF_FORMAT_RF64:
        return "RF64";
    case SF_FORMAT_AU:
        return "AU";
    case SF_FORMAT_MPEG:
        return subtype == SF_FORMAT_MPEG_LAYER_III ? "MP3" : "MPEG";
    case SF_FORMAT_OGG:
        return subtype == SF_FORMAT_OPUS ? "Opus" : subtype == SF_FORMAT_VORBIS ? "Ogg Vorbis" : "Ogg";
    default:
        break;
    }
    SF_FORMAT_INFO info{};
    info.format = type;
    if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, static_cast<int>(sizeof(info))) == 0 && info.name != nullptr) {
        // libsndfile's names carry an explanation in brackets: "AVR (Audio Visual Research)".
        const std::string name = info.name;
        const std::size_t bracket = name.find(" (");
        return bracket == std::string::npos ? name : name.substr(0, bracket);
    }
    return "unknown format";
}

enum class SampleKind { kShort, kInt, kFloat };

// How the source's samples are read: integer encodings of up to 16 bits as shorts (written as
// 16-bit), wider integer encodings as ints (written as 24-bit), everything else as floats (24-bit,
// clipped).
SampleKind KindOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
    case SF_FORMAT_IMA_ADPCM:
    case SF_FORMAT_MS_ADPCM:
    case SF_FORMAT_GSM610:
    case SF_FORMAT_VOX_ADPCM:
    case SF_FORMAT_G721_32:
    case SF_FORMAT_G723_24:
    case SF_FORMAT_G723_40:
    case SF_FORMAT_DWVW_12:
    case SF_FORMAT_DWVW_16:
    case SF_FORMAT_DPCM_8:
    case SF_FORMAT_DPCM_16:
    case SF_FORMAT_ALAC_16:
        return SampleKind::kShort;
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_DWVW_24:
    case SF_FORMAT_ALAC_20:
    case SF_FORMAT_ALAC_24:
    case SF_FORMAT_ALAC_32:
        return SampleKind::kInt;
    default:
        return SampleKind::kFloat;
    }
}

// The sound library's reason for not opening a file, in words a user knows.
std::string OpenFailureReason(const std::string& libraryText) {
    if (libraryText == sf_error_number(SF_ERR_UNRECOGNISED_FORMAT)) {
        return "It is not a sound file, or not of a kind this program reads.";
    }
    if (libraryText == sf_error_number(SF_ERR_MALFORMED_FILE)) {
        return "It is damaged: its description of the sound cannot be read.";
    }
    if (libraryText == sf_error_number(SF_ERR_UNSUPPORTED_ENCODING)) {
        return "Its sound is stored in a way this program cannot read.";
    }
    return "It cannot be read as sound: it may be damaged or of a kind this program does not read.";
}

struct COpenSource {
    CSoundStream stream;
    SndFilePtr file;
    SF_INFO info{};
};

bool OpenSource(const std::string& utf8Path, COpenSource& source, std::string& reason) {
    // The instrument's own waves (".w00") are never opened; other files named ".w.." (W64 files
    // among them) are left to libsndfile to recognise.
    if (IsInstrumentWavePath(utf8Path) && LowerAscii(utf8Path.substr(utf8Path.size() - 4)) == ".w00") {
        reason = "The instrument's own wave format cannot be converted.";
        return false;
    }
    if (!source.stream.OpenFile(utf8Path, reason)) {
        return false;
    }
    source.file.reset(source.stream.OpenSound(source.info, reason));
    if (!source.file) {
        reason = OpenFailureReason(reason);
        return false;
    }
    if (source.info.channels <= 0 || source.info.samplerate <= 0) {
        reason = "The file declares no channels or no sample rate.";
        source.file.reset();
        return false;
    }
    return true;
}

CSoundSource DescribeSource(const SF_INFO& info) {
    CSoundSource source;
    source.format = FormatName(info.format);
    source.sampleRate = info.samplerate;
    source.channels = info.channels;
    const SampleKind kind = KindOf(info.format);
    source.targetBits = kind == SampleKind::kShort ? 16 : 24;
    source.fromFloat = kind == SampleKind::kFloat;
    source.frames = info.frames >= 0 && info.frames != SF_COUNT_MAX ? info.frames : -1;
    source.targetDataBytes =
        source.frames < 0 ? 0 : source.frames * info.channels * static_cast<std::int64_t>(source.targetBits / 8);
    switch (info.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
        source.container = "wav";
        break;
    case SF_FORMAT_AIFF:
        source.container = "aiff";
        break;
    default:
        break;
    }
    const int encoding = info.format & SF_FORMAT_SUBMASK;
    source.integerPcm = encoding == SF_FORMAT_PCM_16 || encoding == SF_FORMAT_PCM_24;
    return source;
}

// Float samples to 24-bit values in the top bits of an int (as libsndfile's int functions expect),
// scaled as libsndfile scales normalised floats: full scale 1.0 is the largest value, 8388607.
// Samples beyond full scale are clipped and counted; NaN becomes 0.
std::int64_t FloatsToInt24(const float* in, int* out, std::size_t count) {
    constexpr float kFullScale = 8388607.0F;
    std::int64_t clipped = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const float scaled = in[i] * kFullScale;
        int value = 0;
        if (scaled > kFullScale) {
            clipped += scaled >= kFullScale + 0.5F ? 1 : 0;
            value = 8388607;
        } else if (scaled < -kFullScale) {
            clipped += scaled <= -kFullScale - 0.5F ? 1 : 0;
            value = -8388607;
        } else if (scaled == scaled) {
            value = static_cast<int>(std::lrint(scaled));
        }
        out[i] = static_cast<int>(static_cast<unsigned int>(value) << 8U);
    }
    return clipped;
}

// Copies every frame from `in` to `out` in blocks; false when cancelled or a write fails.
template <typename Convert>
bool CopyFrames(SNDFILE* in, SNDFILE* out, const CSoundSource& source, const ConversionProgress& progress,
                CConversionResult& result, Convert&& convertBlock) {
    const auto channels = static_cast<std::size_t>(source.channels);
    const std::size_t blockFrames = std::max<std::size_t>(1, kBlockSamples / channels);
    std::int64_t sinceReport = 0;
    for (;;) {
        const sf_count_t got = convertBlock(in, out, static_cast<sf_count_t>(blockFrames));
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        result.frames += got;
        sinceReport += got;
        if (progress && sinceReport >= source.sampleRate) {
            sinceReport = 0;
            const double fraction =
                source.frames > 0
                    ? std::min(1.0, static_cast<double>(result.frames) / static_cast<double>(source.frames))
                    : 0.0;
            if (!progress(fraction)) {
                result.cancelled = true;
                return false;
            }
        }
    }
}

} // namespace

bool RemoveSoundFile(const std::string& utf8Path) {
#ifdef _WIN32
    return ::_wremove(WidePath(utf8Path).c_str()) == 0;
#else
    return std::remove(utf8Path.c_str()) == 0;
#endif
}

bool CopyToNewSoundFile(const std::string& sourcePath, const std::string& destinationPath, std::string& reason) {
    std::FILE* in = OpenForReading(sourcePath);
    if (in == nullptr) {
        reason = "The file cannot be opened: " + std::generic_category().message(errno) + ".";
        return false;
    }
    std::FILE* out = CreateNewFile(destinationPath);
    if (out == nullptr) {
        reason = "The copy cannot be created: " + std::generic_category().message(errno) + ".";
        std::fclose(in);
        return false;
    }
    std::vector<char> buffer(kWriteBuffer);
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
        if (got > 0 && std::fwrite(buffer.data(), 1, got, out) != got) {
            ok = false;
            break;
        }
        if (got < buffer.size()) {
            ok = std::ferror(in) == 0;
            break;
        }
    }
    std::fclose(in);
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        reason = "The file cannot be copied.";
        RemoveFile(destinationPath);
    }
    return ok;
}

bool IsPlayableWaveType(const std::string& utf8Path) {
    const std::size_t nameStart = utf8Path.find_last_of("/\\");
    const std::size_t dot = utf8Path.rfind('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart)) {
        return false;
    }
    const std::string extension = LowerAscii(utf8Path.substr(dot));
    return extension == ".wav" || extension == ".aif" || extension == ".aiff" || extension == ".vpw";
}

bool PlaysAsItIs(const std::string& utf8Path, const CSoundSource& source) {
    const std::size_t dot = utf8Path.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : LowerAscii(utf8Path.substr(dot));
    const std::string named = extension == ".wav" ? "wav" : extension == ".aif" || extension == ".aiff" ? "aiff" : "";
    return !named.empty() && named == source.container && source.integerPcm;
}

bool InspectSoundSource(const std::string& utf8Path, CSoundSource& source, std::string& reason) {
    COpenSource open;
    if (!OpenSource(utf8Path, open, reason)) {
        return false;
    }
    source = DescribeSource(open.info);
    return true;
}

CConversionResult ConvertToWav(const std::string& sourcePath, const std::string& destinationPath,
                               const ConversionProgress& progress) {
    CConversionResult result;
    COpenSource in;
    if (!OpenSource(sourcePath, in, result.reason)) {
        return result;
    }
    result.source = DescribeSource(in.info);
    const CSoundSource& source = result.source;

    SF_INFO outInfo{};
    outInfo.samplerate = source.sampleRate;
    outInfo.channels = source.channels;
    outInfo.format = SF_FORMAT_WAV | (source.targetBits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
    if (sf_format_check(&outInfo) == SF_FALSE) {
        result.reason = "The sound cannot be written as WAV.";
        return result;
    }
    CWriteStream stream;
    if (!stream.Create(destinationPath, result.reason)) {
        return result;
    }
    SndFilePtr out(stream.OpenSound(outInfo));
    bool copied = false;
    if (!out) {
        result.reason = std::string("The converted file cannot be written: ") + sf_strerror(nullptr);
    } else {
        SNDFILE* input = in.file.get();
        const std::size_t samples =
            std::max<std::size_t>(1, kBlockSamples / static_cast<std::size_t>(source.channels)) *
            static_cast<std::size_t>(source.channels);
        switch (KindOf(in.info.format)) {
        case SampleKind::kShort: {
            std::vector<short> block(samples);
            copied = CopyFrames(input, out.get(), source, progress, result, [&](SNDFILE* i, SNDFILE* o, sf_count_t n) {
                const sf_count_t got = sf_readf_short(i, block.data(), n);
                return got <= 0 ? got : sf_writef_short(o, block.data(), got) == got ? got : -1;
            });
            break;
        }
        case SampleKind::kInt: {
            std::vector<int> block(samples);
            copied = CopyFrames(input, out.get(), source, progress, result, [&](SNDFILE* i, SNDFILE* o, sf_count_t n) {
                const sf_count_t got = sf_readf_int(i, block.data(), n);
                return got <= 0 ? got : sf_writef_int(o, block.data(), got) == got ? got : -1;
            });
            break;
        }
        case SampleKind::kFloat: {
            sf_command(input, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
            std::vector<float> block(samples);
            std::vector<int> converted(samples);
            copied = CopyFrames(input, out.get(), source, progress, result, [&](SNDFILE* i, SNDFILE* o, sf_count_t n) {
                const sf_count_t got = sf_readf_float(i, block.data(), n);
                if (got <= 0) {
                    return got;
                }
                result.clippedSamples +=
                    FloatsToInt24(block.data(), converted.data(),
                                  static_cast<std::size_t>(got) * static_cast<std::size_t>(source.channels));
                return sf_writef_int(o, converted.data(), got) == got ? got : -1;
            });
            break;
        }
        }
        if (copied && sf_error(input) != SF_ERR_NO_ERROR) {
            result.reason = kDamagedSound;
            copied = false;
        } else if (copied && !source.fromFloat && source.frames > 0 && result.frames < source.frames) {
            // Lossless data that ends early is damaged; lossy decoders may count a few frames less
            // than their headers estimate.
            result.reason = "It ends before all of its sound: it is damaged or was cut short.";
            copied = false;
        } else if (copied && result.frames == 0) {
            result.reason = "The file holds no sound.";
            copied = false;
        } else if (!copied && !result.cancelled) {
            result.reason = sf_error(input) != SF_ERR_NO_ERROR ? std::string(kDamagedSound)
                                                               : std::string("The converted file cannot be written.");
        }
        out.reset(); // writes the final header
    }
    if (!stream.Close() && copied) {
        result.reason = "The converted file cannot be written.";
        copied = false;
    }
    if (!copied) {
        RemoveFile(destinationPath);
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace Orvanta
