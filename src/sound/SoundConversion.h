#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Orvanta {

// Conversion of any sound file libsndfile reads into a WAV file the instrument plays: integer PCM at
// the source's sample rate and channel count, 16-bit when the source has 16 bits or fewer, else
// 24-bit. Float and lossy sources (float and double PCM, Vorbis, Opus, MPEG) become 24-bit; their
// samples beyond full scale are clipped and counted. Standard C++ over libsndfile; no Qt.

// What a sound file is, as far as a conversion needs to know before it starts.
struct CSoundSource {
    std::string format; // "FLAC", "Ogg Vorbis", "Opus", "MP3", "CAF", ...
    int sampleRate = 0;
    int channels = 0;
    int targetBits = 0;               // 16 or 24
    bool fromFloat = false;           // samples arrive as floats and may clip
    std::int64_t frames = 0;          // as the header says; -1 when it does not know
    std::int64_t targetDataBytes = 0; // sample bytes of the converted file (without its header)
    std::string container;            // "wav", "aiff" or "" for any other container
    bool integerPcm = false;          // 16- or 24-bit integer PCM, as the instrument plays it
};

// Whether the file at `utf8Path`, found by its content to be `source`, is what its name says and the
// instrument plays it as it is: a ".wav" that is a WAV file, or a ".aif"/".aiff" that is an AIFF
// file, of 16- or 24-bit integer PCM. A FLAC or float file named ".wav" is not.
bool PlaysAsItIs(const std::string& utf8Path, const CSoundSource& source);

// Reads the header of `utf8Path`; false with the reason (in words a user knows, never the sound
// library's own text) when libsndfile cannot read the file or it is an instrument wave.
bool InspectSoundSource(const std::string& utf8Path, CSoundSource& source, std::string& reason);

// Told the fraction done (0..1) now and then; answering false cancels the conversion.
using ConversionProgress = std::function<bool(double fraction)>;

struct CConversionResult {
    bool ok = false;
    bool cancelled = false;
    std::string reason; // why it failed (empty when ok or cancelled)
    CSoundSource source;
    std::int64_t frames = 0;         // frames written
    std::int64_t clippedSamples = 0; // samples of a float source beyond full scale
};

// Converts `sourcePath` into a new WAV file at `destinationPath` (which must not exist). On failure
// or cancel the destination is removed again.
CConversionResult ConvertToWav(const std::string& sourcePath, const std::string& destinationPath,
                               const ConversionProgress& progress = {});

// Copies the file `sourcePath` byte for byte into the new file `destinationPath` (which must not
// exist); false with the reason, and no destination left, when it cannot.
bool CopyToNewSoundFile(const std::string& sourcePath, const std::string& destinationPath, std::string& reason);

// Removes the file `utf8Path`; false when it could not.
bool RemoveSoundFile(const std::string& utf8Path);

// True for the extensions the instrument plays as they are: ".wav", ".aif", ".aiff", ".vpw", any case.
bool IsPlayableWaveType(const std::string& utf8Path);

} // namespace Orvanta
