#include "sound/SoundFile.h"

#include "sound/CSoundStream.h"

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
constexpr std::size_t kBlockSamples = 16384;

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

// A sound opened for reading; the stream outlives the libsndfile handle (members go in reverse order).
struct COpenSound {
    CSoundStream stream;
    SndFilePtr file;
    SF_INFO info{};
};

// Opens libsndfile over the stream already opened in `sound`; false with the reason.
bool OpenSound(COpenSound& sound, std::string& reason) {
    sound.file.reset(sound.stream.OpenSound(sound.info, reason));
    if (!sound.file) {
        return false;
    }
    reason = UnusableReason(sound.info);
    if (!reason.empty()) {
        sound.file.reset();
        return false;
    }
    return true;
}

// First frame of column `column` when `frames` frames are spread over `columns` columns:
// floor(column * frames / columns), computed without overflowing for any frame count.
std::uint64_t ColumnStart(std::uint64_t column, std::uint64_t frames, std::uint64_t columns) {
    return column * (frames / columns) + column * (frames % columns) / columns;
}

// Takes the min/max of runs of frames in file order and keeps the peak and the columns.
class CWaveformBuilder {
public:
    CWaveformBuilder(std::uint64_t totalFrames, std::size_t columns)
        : m_totalFrames(totalFrames), m_waveform(columns), m_filled(columns, false),
          m_nextColumnStart(columns > 1 ? ColumnStart(1, totalFrames, columns) : kUnbounded) {}

    // How many frames from `frameIndex` on fall into one column (the column of `frameIndex`, which
    // becomes the current one). Frames arrive in order.
    std::uint64_t FramesInColumn(std::uint64_t frameIndex) {
        const std::size_t columns = m_waveform.size();
        while (frameIndex >= m_nextColumnStart) {
            ++m_column;
            m_nextColumnStart = m_column + 1 < columns ? ColumnStart(m_column + 1, m_totalFrames, columns) : kUnbounded;
        }
        return m_nextColumnStart - frameIndex;
    }

    // Adds the range of some frames of the current column, as fractions of full scale.
    void Add(float low, float high) {
        low = std::clamp(low, -1.0F, 1.0F);
        high = std::clamp(high, -1.0F, 1.0F);
        m_peak = std::max({m_peak, -low, high});
        if (m_waveform.empty()) {
            return;
        }
        WaveformColumn& target = m_waveform[m_column];
        if (!m_filled[m_column]) {
            target = {low, high};
            m_filled[m_column] = true;
        } else {
            target.min = std::min(target.min, low);
            target.max = std::max(target.max, high);
        }
    }

    float Peak() const { return m_peak; }

    // The columns; those no frame fell into repeat the left neighbour, leading ones the first filled.
    std::vector<WaveformColumn> Finish() {
        const auto firstFilled = std::find(m_filled.begin(), m_filled.end(), true);
        if (firstFilled != m_filled.end()) {
            WaveformColumn previous = m_waveform[static_cast<std::size_t>(firstFilled - m_filled.begin())];
            for (std::size_t c = 0; c < m_waveform.size(); ++c) {
                if (m_filled[c]) {
                    previous = m_waveform[c];
                } else {
                    m_waveform[c] = previous;
                }
            }
        }
        return std::move(m_waveform);
    }

private:
    static constexpr std::uint64_t kUnbounded = std::numeric_limits<std::uint64_t>::max();

    std::uint64_t m_totalFrames;
    std::vector<WaveformColumn> m_waveform;
    std::vector<bool> m_filled;
    std::size_t m_column = 0;
    std::uint64_t m_nextColumnStart;
    float m_peak = 0.0F;
};

sf_count_t ReadFrames(SNDFILE* file, short* samples, sf_count_t frames) {
    return sf_readf_short(file, samples, frames);
}
sf_count_t ReadFrames(SNDFILE* file, int* samples, sf_count_t frames) {
    return sf_readf_int(file, samples, frames);
}
sf_count_t ReadFrames(SNDFILE* file, float* samples, sf_count_t frames) {
    return sf_readf_float(file, samples, frames);
}

// Widens [low, high] to the samples; a NaN sample compares false and is passed over. With GCC and
// Clang the samples go through in explicit vector lanes: left to itself, the optimiser vectorised
// the scan at one optimisation level and made slow shuffling code of it at another.
template <typename Sample> void RangeOf(const Sample* samples, std::size_t count, Sample& low, Sample& high) {
    Sample lowest = low;
    Sample highest = high;
    std::size_t i = 0;
#if defined(__GNUC__)
    typedef Sample Vector __attribute__((vector_size(16)));
    constexpr std::size_t kLanes = sizeof(Vector) / sizeof(Sample);
    if (count >= kLanes) {
        Vector lows;
        Vector highs;
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            lows[lane] = lowest;
            highs[lane] = highest;
        }
        for (; i + kLanes <= count; i += kLanes) {
            Vector block;
            std::memcpy(&block, samples + i, sizeof block);
            lows = block < lows ? block : lows;
            highs = block > highs ? block : highs;
        }
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            lowest = lows[lane] < lowest ? lows[lane] : lowest;
            highest = highs[lane] > highest ? highs[lane] : highest;
        }
    }
#endif
    for (; i < count; ++i) {
        lowest = samples[i] < lowest ? samples[i] : lowest;
        highest = samples[i] > highest ? samples[i] : highest;
    }
    low = lowest;
    high = highest;
}

// Decodes all frames as `Sample` (full scale at 1 / scale) into the builder; returns the frames read.
// Comparisons pass over NaN samples of float files.
template <typename Sample>
std::uint64_t ScanFrames(SNDFILE* file, std::size_t channels, std::uint64_t totalFrames, double scale,
                         CWaveformBuilder& builder) {
    const std::size_t blockFrames = std::max<std::size_t>(1, kBlockSamples / channels);
    std::vector<Sample> block(blockFrames * channels);
    std::uint64_t frameIndex = 0;
    while (frameIndex < totalFrames) {
        const auto wanted = static_cast<sf_count_t>(std::min<std::uint64_t>(blockFrames, totalFrames - frameIndex));
        const sf_count_t got = ReadFrames(file, block.data(), wanted);
        if (got <= 0) {
            break;
        }
        const auto frameCount = static_cast<std::size_t>(got);
        std::size_t frame = 0;
        while (frame < frameCount) {
            const auto run = static_cast<std::size_t>(
                std::min<std::uint64_t>(frameCount - frame, builder.FramesInColumn(frameIndex)));
            Sample low = std::numeric_limits<Sample>::max();
            Sample high = std::numeric_limits<Sample>::lowest();
            RangeOf(block.data() + frame * channels, run * channels, low, high);
            if (low <= high) {
                builder.Add(static_cast<float>(static_cast<double>(low) * scale),
                            static_cast<float>(static_cast<double>(high) * scale));
            }
            frame += run;
            frameIndex += run;
        }
    }
    return frameIndex;
}

// The one pass over the frames: peak and per-column min/max. Integer encodings are decoded as
// integers (exact, and cheaper than converting every sample); the rest as normalised floats, which
// for float files arrive as stored and may exceed full scale: the builder clamps the peak and the
// columns to the 0..1 and -1..1 contracts.
SoundAnalysis Analyse(SNDFILE* file, const SF_INFO& info, std::size_t columns) {
    SoundAnalysis analysis;
    SoundDetails details = DetailsOf(info);
    const auto channels = static_cast<std::size_t>(info.channels);
    const auto totalFrames = static_cast<std::uint64_t>(details.frames);
    CWaveformBuilder builder(totalFrames, columns);
    std::uint64_t framesRead = 0;
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
        framesRead = ScanFrames<short>(file, channels, totalFrames, 1.0 / 32768.0, builder);
        break;
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
        framesRead = ScanFrames<int>(file, channels, totalFrames, 1.0 / 2147483648.0, builder);
        break;
    default:
        sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
        framesRead = ScanFrames<float>(file, channels, totalFrames, 1.0, builder);
        break;
    }
    if (sf_error(file) != SF_ERR_NO_ERROR) {
        analysis.reason = sf_strerror(file);
        return analysis;
    }
    if (framesRead < totalFrames) {
        // The data ended before the header said: show what is there.
        details.frames = static_cast<std::int64_t>(framesRead);
        details.seconds = static_cast<double>(framesRead) / static_cast<double>(info.samplerate);
    }
    details.peak = static_cast<double>(builder.Peak());
    analysis.details = std::move(details);
    analysis.waveform = builder.Finish();
    return analysis;
}

// Opens libsndfile over the stream of `sound` and reads it once.
SoundAnalysis AnalyseStream(COpenSound& sound, std::size_t columns) {
    SoundAnalysis analysis;
    if (!OpenSound(sound, analysis.reason)) {
        return analysis;
    }
    return Analyse(sound.file.get(), sound.info, columns);
}

std::string LowerAscii(std::string text) {
    for (char& ch : text) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
    }
    return text;
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
    COpenSound sound;
    SoundAnalysis analysis;
    if (IsInstrumentWavePath(utf8Path)) {
        analysis.reason = kInstrumentWaveReason;
        return analysis;
    }
    return sound.stream.OpenFile(utf8Path, analysis.reason) ? AnalyseStream(sound, columns) : analysis;
}

SoundAnalysis AnalyseSound(CFile& file, std::int64_t length, const std::string& utf8Path, std::size_t columns) {
    if (IsInstrumentWavePath(utf8Path)) {
        SoundAnalysis analysis;
        analysis.reason = kInstrumentWaveReason;
        return analysis;
    }
    if (length < 0) {
        SoundAnalysis analysis;
        analysis.reason = "The file cannot be read: its length is not known.";
        return analysis;
    }
    COpenSound sound;
    sound.stream.OpenOpenedFile(file, length);
    return AnalyseStream(sound, columns);
}

SoundAnalysis AnalyseSoundData(const void* data, std::size_t size, std::size_t columns) {
    COpenSound sound;
    sound.stream.OpenMemory(data, size);
    return AnalyseStream(sound, columns);
}

struct CSoundDecoder::Impl {
    COpenSound sound;
    SoundDetails details;
    std::vector<float> block;
};

CSoundDecoder::CSoundDecoder() = default;
CSoundDecoder::~CSoundDecoder() = default;
CSoundDecoder::CSoundDecoder(CSoundDecoder&& other) noexcept = default;
CSoundDecoder& CSoundDecoder::operator=(CSoundDecoder&& other) noexcept = default;

bool CSoundDecoder::Open(const std::string& utf8Path, std::string& reason) {
    Close();
    if (IsInstrumentWavePath(utf8Path)) {
        reason = kInstrumentWaveReason;
        return false;
    }
    auto impl = std::make_unique<Impl>();
    if (!impl->sound.stream.OpenFile(utf8Path, reason) || !OpenSound(impl->sound, reason)) {
        return false;
    }
    sf_command(impl->sound.file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    impl->details = DetailsOf(impl->sound.info);
    m_impl = std::move(impl);
    reason.clear();
    return true;
}

bool CSoundDecoder::IsOpen() const {
    return m_impl != nullptr;
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
    const auto channels = static_cast<std::size_t>(m_impl->sound.info.channels);
    const std::size_t blockFrames = std::max<std::size_t>(1, kBlockSamples / channels);
    m_impl->block.resize(blockFrames * channels);
    std::size_t done = 0;
    while (done < frames) {
        const auto wanted = static_cast<sf_count_t>(std::min(blockFrames, frames - done));
        const sf_count_t got = sf_readf_float(m_impl->sound.file.get(), m_impl->block.data(), wanted);
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
        sf_seek(m_impl->sound.file.get(), 0, SEEK_SET);
    }
}

void CSoundDecoder::Close() {
    m_impl.reset();
}

} // namespace Orvanta
