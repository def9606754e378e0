#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Orvanta {

class CFile;

// Read-only access to sound files for details, waveform pictures and audition. Standard C++ over
// libsndfile; no Qt. The storage layer keeps treating waves as opaque blobs; nothing here writes.

// What a sound file is, as read from its header and one pass over its frames.
struct SoundDetails {
    std::string format;   // "WAV", "AIFF", ... (container)
    std::string encoding; // "PCM 16-bit", "PCM 24-bit", "float 32-bit", ...
    int sampleRate = 0;
    int channels = 0;
    int bits = 0; // bits per sample of the file's encoding, 32 for float
    std::int64_t frames = 0;
    double seconds = 0.0;
    double peak = 0.0; // largest absolute sample as a fraction of full scale, 0..1
};

// Min and max of all channels over the frames that fall into one picture column, in -1..1.
struct WaveformColumn {
    float min = 0.0F;
    float max = 0.0F;
};

// One read of the file gives both details and (if columns > 0) the waveform.
struct SoundAnalysis {
    std::optional<SoundDetails> details;  // empty: no preview
    std::string reason;                   // why there is no preview (non-empty iff details empty)
    std::vector<WaveformColumn> waveform; // `columns` entries when details are present
};

// The reason given for the instrument's own waves, which are never opened.
extern const char* const kInstrumentWaveReason;

// True for the instrument's own wave extensions: ".w00" and any other ".w..." than ".wav", any case.
bool IsInstrumentWavePath(const std::string& utf8Path);

// Reads the file once: details, peak and `columns` waveform columns. Column c covers frames
// [c * frames / columns, (c + 1) * frames / columns); a column that no frame falls into (fewer frames
// than columns) repeats its left neighbour, or the first frame's values at the start.
SoundAnalysis AnalyseSound(const std::string& utf8Path, std::size_t columns);

// The same from `file`, the file at `utf8Path` opened already, standing at its start and `length`
// bytes long: nothing is opened again. The instrument's own waves are not read.
SoundAnalysis AnalyseSound(CFile& file, std::int64_t length, const std::string& utf8Path, std::size_t columns);

// The same over a file image in memory (used by the fuzz target; no extension check).
SoundAnalysis AnalyseSoundData(const void* data, std::size_t size, std::size_t columns);

// Streams decoded frames for playback.
class CSoundDecoder {
public:
    CSoundDecoder();
    ~CSoundDecoder();
    CSoundDecoder(const CSoundDecoder&) = delete;
    CSoundDecoder& operator=(const CSoundDecoder&) = delete;
    CSoundDecoder(CSoundDecoder&& other) noexcept;
    CSoundDecoder& operator=(CSoundDecoder&& other) noexcept;

    // False: no preview, `reason` says why. Opening again closes the file opened before.
    bool Open(const std::string& utf8Path, std::string& reason);
    bool IsOpen() const;
    // The details of the open file; peak is 0 here (the frames are not scanned).
    const SoundDetails& Details() const;
    // Reads up to `frames` frames as interleaved signed 16-bit; returns frames read, 0 at the end.
    std::size_t ReadInt16(std::int16_t* interleaved, std::size_t frames);
    void Rewind();
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Orvanta
