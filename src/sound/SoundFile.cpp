#include "sound/SoundFile.h"

#ifdef _WIN32
#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#include <windows.h>
#endif
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace Orvanta {

const char* const kInstrumentWaveReason = "The instrument's own wave format has no preview.";

namespace {

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

// Frames are decoded in blocks of about this many samples, whatever the channel count.
constexpr std::size_t kBlockSamples = 65536;

struct EncodingName {
    int subtype;
    const char* name;
    int bits;
};

// The encodings users meet in sample folders; anything else takes libsndfile's own name and 0 bits
// (compressed encodings have no fixed sample size).
constexpr EncodingName kEncodings[] = {
    {SF_FORMAT_PCM_S8, "PCM 8-bit", 8},        {SF_FORMAT_PCM_U8, "PCM 8-bit unsigned", 8},
    {SF_FORMAT_PCM_16, "PCM 16-bit", 16},      {SF_FORMAT_PCM_24, "PCM 24-bit", 24},
    {SF_FORMAT_PCM_32, "PCM 32-bit", 32},      {SF_FORMAT_FLOAT, "float 32-bit", 32},
    {SF_FORMAT_DOUBLE, "float 64-bit", 64},    {SF_FORMAT_ULAW, "u-law 8-bit", 8},
    {SF_FORMAT_ALAW, "A-law 8-bit", 8},        {SF_FORMAT_IMA_ADPCM, "IMA ADPCM 4-bit", 4},
    {SF_FORMAT_MS_ADPCM, "MS ADPCM 4-bit", 4}, {SF_FORMAT_DPCM_8, "DPCM 8-bit", 8},
    {SF_FORMAT_DPCM_16, "DPCM 16-bit", 16},    {SF_FORMAT_DWVW_12, "DWVW 12-bit", 12},
    {SF_FORMAT_DWVW_16, "DWVW 16-bit", 16},    {SF_FORMAT_DWVW_24, "DWVW 24-bit", 24},
    {SF_FORMAT_ALAC_16, "ALAC 16-bit", 16},    {SF_FORMAT_ALAC_20, "ALAC 20-bit", 20},
    {SF_FORMAT_ALAC_24, "ALAC 24-bit", 24},    {SF_FORMAT_ALAC_32, "ALAC 32-bit", 32},
};

struct ContainerName {
    int type;
    const char* name;
};

constexpr ContainerName kContainers[] = {
    {SF_FORMAT_WAV, "WAV"},   {SF_FORMAT_WAVEX, "WAV"}, {SF_FORMAT_RF64, "RF64"}, {SF_FORMAT_W64, "W64"},
    {SF_FORMAT_AIFF, "AIFF"}, {SF_FORMAT_CAF, "CAF"},   {SF_FORMAT_AU, "AU"},     {SF_FORMAT_FLAC, "FLAC"},
    {SF_FORMAT_OGG, "OGG"},   {SF_FORMAT_RAW, "RAW"},
};

// libsndfile's own name of a major or sub format ("SFC_GET_FORMAT_MAJOR"/"..._SUBTYPE" tables).
std::string LibraryFormatName(int command, int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, command, &info, static_cast<int>(sizeof(info))) == 0 && info.name != nullptr) {
        return info.name;
    }
    return "unknown";
}

SoundDetails DetailsOf(const SF_INFO& info) {
    SoundDetails details;
    const int type = info.format & SF_FORMAT_TYPEMASK;
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    const auto container = std::find_if(std::begin(kContainers), std::end(kContainers),
                                        [type](const ContainerName& entry) { return entry.type == type; });
    details.format = container != std::end(kContainers) ? std::string(container->name)
                                                        : LibraryFormatName(SFC_GET_FORMAT_MAJOR, type);
    const auto encoding = std::find_if(std::begin(kEncodings), std::end(kEncodings),
                                       [subtype](const EncodingName& entry) { return entry.subtype == subtype; });
    if (encoding != std::end(kEncodings)) {
        details.encoding = encoding->name;
        details.bits = encoding->bits;
    } else {
        details.encoding = LibraryFormatName(SFC_GET_FORMAT_SUBTYPE, subtype);
    }
    details.sampleRate = info.samplerate;
    details.channels = info.channels;
    details.frames = std::max<sf_count_t>(info.frames, 0);
    details.seconds =
        info.samplerate > 0 ? static_cast<double>(details.frames) / static_cast<double>(info.samplerate) : 0.0;
    return details;
}

// Why a file that libsndfile opened still has no preview, or "" when it has one.
std::string UnusableReason(const SF_INFO& info) {
    if (info.channels <= 0 || info.samplerate <= 0) {
        return "The file declares no channels or no sample rate.";
    }
    if (info.frames < 0 || info.frames == SF_COUNT_MAX) {
        return "The length of the sound is unknown.";
    }
    return {};
}

#ifdef _WIN32
std::wstring WidePath(const std::string& utf8Path) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), static_cast<int>(utf8Path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), static_cast<int>(utf8Path.size()), wide.data(), length);
    return wide;
}
#endif

SndFilePtr OpenForReading(const std::string& utf8Path, SF_INFO& info, std::string& reason) {
    info = SF_INFO{};
#ifdef _WIN32
    SndFilePtr file(sf_wchar_open(WidePath(utf8Path).c_str(), SFM_READ, &info));
#else
    SndFilePtr file(sf_open(utf8Path.c_str(), SFM_READ, &info));
#endif
    if (!file) {
        reason = sf_strerror(nullptr);
        return nullptr;
    }
    reason = UnusableReason(info);
    if (!reason.empty()) {
        return nullptr;
    }
    return file;
}

// First frame of column `column` when `frames` frames are spread over `columns` columns:
// floor(column * frames / columns), computed without overflowing for any frame count.
std::uint64_t ColumnStart(std::uint64_t column, std::uint64_t frames, std::uint64_t columns) {
    return column * (frames / columns) + column * (frames % columns) / columns;
}

// The one pass over the frames: peak and per-column min/max.
SoundAnalysis Analyse(SNDFILE* file, const SF_INFO& info, std::size_t columns) {
    SoundAnalysis analysis;
    SoundDetails details = DetailsOf(info);
    // Normalised floats: integer encodings arrive in -1..1. Float files arrive as stored and may
    // exceed full scale; the peak and the columns are clamped to the 0..1 and -1..1 contracts.
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    const auto channels = static_cast<std::size_t>(info.channels);
    const std::size_t blockFrames = std::max<std::size_t>(1, kBlockSamples / channels);
    std::vector<float> block(blockFrames * channels);
    const auto totalFrames = static_cast<std::uint64_t>(details.frames);

    std::vector<WaveformColumn> waveform(columns);
    std::vector<bool> filled(columns, false);
    std::size_t column = 0;
    std::uint64_t nextColumnStart = columns > 0 ? ColumnStart(1, totalFrames, columns) : 0;
    std::uint64_t frameIndex = 0;
    float peak = 0.0F;

    while (frameIndex < totalFrames) {
        const sf_count_t wanted =
            static_cast<sf_count_t>(std::min<std::uint64_t>(blockFrames, totalFrames - frameIndex));
        const sf_count_t got = sf_readf_float(file, block.data(), wanted);
        if (got <= 0) {
            break;
        }
        const auto frameCount = static_cast<std::size_t>(got);
        for (std::size_t f = 0; f < frameCount; ++f, ++frameIndex) {
            float low = std::numeric_limits<float>::max();
            float high = std::numeric_limits<float>::lowest();
            for (std::size_t ch = 0; ch < channels; ++ch) {
                const float sample = std::clamp(block[f * channels + ch], -1.0F, 1.0F); // NaN stays NaN
                if (sample < low) {
                    low = sample;
                }
                if (sample > high) {
                    high = sample;
                }
            }
            if (high < low) {
                continue; // only NaN samples in this frame
            }
            peak = std::max({peak, -low, high});
            if (columns == 0) {
                continue;
            }
            while (frameIndex >= nextColumnStart && column + 1 < columns) {
                ++column;
                nextColumnStart = ColumnStart(column + 1, totalFrames, columns);
            }
            WaveformColumn& target = waveform[column];
            if (!filled[column]) {
                target = {low, high};
                filled[column] = true;
            } else {
                target.min = std::min(target.min, low);
                target.max = std::max(target.max, high);
            }
        }
    }
    if (sf_error(file) != SF_ERR_NO_ERROR) {
        analysis.reason = sf_strerror(file);
        return analysis;
    }
    if (frameIndex < totalFrames) {
        // The data ended before the header said: show what is there.
        details.frames = static_cast<std::int64_t>(frameIndex);
        details.seconds = static_cast<double>(frameIndex) / static_cast<double>(info.samplerate);
    }
    details.peak = static_cast<double>(peak);

    // Columns no frame fell into: repeat the left neighbour; leading ones take the first filled column.
    const auto firstFilled = std::find(filled.begin(), filled.end(), true);
    if (firstFilled != filled.end()) {
        WaveformColumn previous = waveform[static_cast<std::size_t>(firstFilled - filled.begin())];
        for (std::size_t c = 0; c < columns; ++c) {
            if (filled[c]) {
                previous = waveform[c];
            } else {
                waveform[c] = previous;
            }
        }
    }
    analysis.details = std::move(details);
    analysis.waveform = std::move(waveform);
    return analysis;
}

std::string LowerAscii(std::string text) {
    for (char& ch : text) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
    }
    return text;
}

// A file image in memory behind libsndfile's virtual I/O.
struct MemoryFile {
    const unsigned char* data = nullptr;
    sf_count_t size = 0;
    sf_count_t position = 0;
};

sf_count_t MemoryLength(void* user) {
    return static_cast<MemoryFile*>(user)->size;
}

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
    auto* memory = static_cast<MemoryFile*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) {
        base = memory->position;
    } else if (whence == SEEK_END) {
        base = memory->size;
    }
    if ((offset > 0 && base > std::numeric_limits<sf_count_t>::max() - offset) || base + offset < 0) {
        return -1;
    }
    memory->position = base + offset;
    return memory->position;
}

sf_count_t MemoryRead(void* destination, sf_count_t count, void* user) {
    auto* memory = static_cast<MemoryFile*>(user);
    if (count <= 0 || memory->position >= memory->size) {
        return 0;
    }
    const sf_count_t available = std::min(count, memory->size - memory->position);
    std::memcpy(destination, memory->data + memory->position, static_cast<std::size_t>(available));
    memory->position += available;
    return available;
}

sf_count_t MemoryWrite(const void* /*source*/, sf_count_t /*count*/, void* /*user*/) {
    return 0;
}

sf_count_t MemoryTell(void* user) {
    return static_cast<MemoryFile*>(user)->position;
}

} // namespace

bool IsInstrumentWavePath(const std::string& utf8Path) {
    const std::size_t nameStart = utf8Path.find_last_of("/\\");
    const std::size_t dot = utf8Path.rfind('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart)) {
        return false;
    }
    const std::string extension = LowerAscii(utf8Path.substr(dot + 1));
    return !extension.empty() && extension[0] == 'w' && extension != "wav";
}

SoundAnalysis AnalyseSound(const std::string& utf8Path, std::size_t columns) {
    SoundAnalysis analysis;
    if (IsInstrumentWavePath(utf8Path)) {
        analysis.reason = kInstrumentWaveReason;
        return analysis;
    }
    SF_INFO info{};
    const SndFilePtr file = OpenForReading(utf8Path, info, analysis.reason);
    if (!file) {
        return analysis;
    }
    return Analyse(file.get(), info, columns);
}

SoundAnalysis AnalyseSoundData(const void* data, std::size_t size, std::size_t columns) {
    SoundAnalysis analysis;
    MemoryFile memory{static_cast<const unsigned char*>(data), static_cast<sf_count_t>(size), 0};
    SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
    SF_INFO info{};
    const SndFilePtr file(sf_open_virtual(&io, SFM_READ, &info, &memory));
    if (!file) {
        analysis.reason = sf_strerror(nullptr);
        return analysis;
    }
    analysis.reason = UnusableReason(info);
    if (!analysis.reason.empty()) {
        return analysis;
    }
    return Analyse(file.get(), info, columns);
}

struct CSoundDecoder::Impl {
    SndFilePtr file;
    SF_INFO info{};
    SoundDetails details;
    std::vector<float> block;
};

CSoundDecoder::CSoundDecoder() : m_impl(std::make_unique<Impl>()) {}
CSoundDecoder::~CSoundDecoder() = default;
CSoundDecoder::CSoundDecoder(CSoundDecoder&& other) noexcept = default;
CSoundDecoder& CSoundDecoder::operator=(CSoundDecoder&& other) noexcept = default;

bool CSoundDecoder::Open(const std::string& utf8Path, std::string& reason) {
    if (!m_impl) {
        m_impl = std::make_unique<Impl>();
    }
    Close();
    if (IsInstrumentWavePath(utf8Path)) {
        reason = kInstrumentWaveReason;
        return false;
    }
    m_impl->file = OpenForReading(utf8Path, m_impl->info, reason);
    if (!m_impl->file) {
        return false;
    }
    sf_command(m_impl->file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    m_impl->details = DetailsOf(m_impl->info);
    reason.clear();
    return true;
}

bool CSoundDecoder::IsOpen() const {
    return m_impl && m_impl->file;
}

const SoundDetails& CSoundDecoder::Details() const {
    static const SoundDetails kNone;
    return IsOpen() ? m_impl->details : kNone;
}

std::size_t CSoundDecoder::ReadInt16(std::int16_t* interleaved, std::size_t frames) {
    if (!IsOpen() || frames == 0) {
        return 0;
    }
    // Decoded as normalised floats and converted here, so float files that exceed full scale clip
    // instead of wrapping.
    const auto channels = static_cast<std::size_t>(m_impl->info.channels);
    const std::size_t blockFrames = std::max<std::size_t>(1, kBlockSamples / channels);
    m_impl->block.resize(blockFrames * channels);
    std::size_t done = 0;
    while (done < frames) {
        const auto wanted = static_cast<sf_count_t>(std::min(blockFrames, frames - done));
        const sf_count_t got = sf_readf_float(m_impl->file.get(), m_impl->block.data(), wanted);
        if (got <= 0) {
            break;
        }
        const std::size_t samples = static_cast<std::size_t>(got) * channels;
        std::int16_t* out = interleaved + done * channels;
        for (std::size_t i = 0; i < samples; ++i) {
            const float sample = m_impl->block[i];
            const float clamped = std::isnan(sample) ? 0.0F : std::clamp(sample, -1.0F, 1.0F);
            out[i] = static_cast<std::int16_t>(std::lrint(clamped * 32767.0F));
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void CSoundDecoder::Rewind() {
    if (IsOpen()) {
        sf_seek(m_impl->file.get(), 0, SEEK_SET);
    }
}

void CSoundDecoder::Close() {
    if (m_impl) {
        m_impl->file.reset();
        m_impl->info = SF_INFO{};
        m_impl->details = SoundDetails{};
    }
}

} // namespace Orvanta
