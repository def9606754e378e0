#pragma once

#include <sndfile.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace Orvanta::TestSupport {

// Whether this libsndfile writes `format`: a file of it is really opened for writing, as the format
// check alone says yes to codecs a build left out (the Windows build has no FLAC, Ogg or MPEG).
inline bool LibsndfileWrites(int format) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = format;
    if (sf_format_check(&info) != SF_TRUE) {
        return false;
    }
    const std::filesystem::path probe =
        std::filesystem::temp_directory_path() / ("orvanta-format-probe-" + std::to_string(format));
    SNDFILE* file = sf_open(probe.string().c_str(), SFM_WRITE, &info);
    const bool writes = file != nullptr;
    if (file != nullptr) {
        sf_close(file);
    }
    std::error_code error;
    std::filesystem::remove(probe, error);
    return writes;
}

} // namespace Orvanta::TestSupport
