// Converting about 50 MB of FLAC (16 files, stereo at 44.1 kHz, half 16-bit, half 24-bit) to WAV with
// ConvertToWav against libsndfile alone decoding and writing the same files (sf_open, sf_readf_*,
// sf_writef_* on plain paths), measured side by side in one run, rounds alternating. Prints both
// figures and their ratio, as wall-clock time and as processor time (medians of the rounds).

#include "sound/SoundConversion.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Orvanta;

namespace {

constexpr int kRounds = 5;
constexpr int kFiles = 16;
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr sf_count_t kFrames = 700000; // about 15.9 s a file

// Writes the FLAC files: a chord with noise loud enough that FLAC compresses it only a little,
// half of them 16-bit, half 24-bit.
bool GenerateFlac(const fs::path& folder, std::vector<std::string>& files, std::uintmax_t& bytes) {
    fs::create_directories(folder);
    std::mt19937 random(5);
    std::uniform_real_distribution<double> noise(-0.2, 0.2);
    std::vector<double> samples(static_cast<std::size_t>(kFrames) * kChannels);
    bytes = 0;
    for (int n = 0; n < kFiles; ++n) {
        for (sf_count_t f = 0; f < kFrames; ++f) {
            const double t = static_cast<double>(f) / kRate;
            const double value = 0.3 * std::sin(2.0 * 3.141592653589793 * (110.0 + 10 * n) * t) +
                                 0.2 * std::sin(2.0 * 3.141592653589793 * 277.0 * t);
            for (int ch = 0; ch < kChannels; ++ch) {
                samples[static_cast<std::size_t>(f * kChannels + ch)] = value + noise(random);
            }
        }
        const fs::path path = folder / ("Take " + std::to_string(n) + ".flac");
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = kChannels;
        info.format = SF_FORMAT_FLAC | (n % 2 == 0 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
        SNDFILE* file = sf_open(path.string().c_str(), SFM_WRITE, &info);
        if (file == nullptr) {
            return false;
        }
        const bool written = sf_writef_double(file, samples.data(), kFrames) == kFrames;
        sf_close(file);
        if (!written) {
            return false;
        }
        files.push_back(path.string());
        bytes += fs::file_size(path);
    }
    return true;
}

struct CTiming {
    double wall = -1; // milliseconds
    double cpu = -1;  // milliseconds of processor time
};

template <typename Work> CTiming Measure(Work&& work) {
    const auto wallStart = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const bool ok = work();
    const CTiming timing{
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count(),
        static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC};
    return ok ? timing : CTiming{};
}

// libsndfile alone: the same decode and the same WAV encodings, on plain paths, no checks.
template <typename Sample, typename Read, typename Write>
bool CopyWithLibsndfile(SNDFILE* in, SNDFILE* out, Read read, Write write) {
    std::vector<Sample> block(65536);
    for (sf_count_t got; (got = read(in, block.data(), 65536 / kChannels)) > 0;) {
        if (write(out, block.data(), got) != got) {
            return false;
        }
    }
    return true;
}

bool LibsndfileAlone(const std::vector<std::string>& files, const fs::path& outFolder) {
    int n = 0;
    for (const std::string& path : files) {
        SF_INFO inInfo{};
        SNDFILE* in = sf_open(path.c_str(), SFM_READ, &inInfo);
        if (in == nullptr) {
            return false;
        }
        const bool sixteen = (inInfo.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
        SF_INFO outInfo{};
        outInfo.samplerate = inInfo.samplerate;
        outInfo.channels = inInfo.channels;
        outInfo.format = SF_FORMAT_WAV | (sixteen ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
        const std::string outPath = (outFolder / ("plain " + std::to_string(n++) + ".wav")).string();
        SNDFILE* out = sf_open(outPath.c_str(), SFM_WRITE, &outInfo);
        bool ok = out != nullptr;
        if (ok) {
            ok = sixteen ? CopyWithLibsndfile<short>(in, out, sf_readf_short, sf_writef_short)
                         : CopyWithLibsndfile<int>(in, out, sf_readf_int, sf_writef_int);
            sf_close(out);
        }
        sf_close(in);
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool ConvertAll(const std::vector<std::string>& files, const fs::path& outFolder) {
    int n = 0;
    for (const std::string& path : files) {
        const CConversionResult result = ConvertToWav(
            path, (outFolder / ("converted " + std::to_string(n++) + ".wav")).string(), [](double) { return true; });
        if (!result.ok || result.frames != kFrames) {
            return false;
        }
    }
    return true;
}

double Median(std::vector<CTiming> timings, double CTiming::*field) {
    std::sort(timings.begin(), timings.end(),
              [field](const CTiming& a, const CTiming& b) { return a.*field < b.*field; });
    return timings[timings.size() / 2].*field;
}

void PrintRow(const char* label, const std::vector<CTiming>& timings) {
    std::printf("%-52s %8.1f ms %8.1f ms\n", label, Median(timings, &CTiming::wall), Median(timings, &CTiming::cpu));
}

} // namespace

int main() {
    std::error_code error;
    const fs::path parent =
        fs::temp_directory_path() / ("orvanta-bench-convert-" + std::to_string(std::random_device()()));
    std::vector<std::string> files;
    std::uintmax_t bytes = 0;
    if (!GenerateFlac(parent / "in", files, bytes)) {
        std::printf("bench_convert: the FLAC files could not be written\n");
        fs::remove_all(parent, error);
        return 1;
    }
    const fs::path outFolder = parent / "out";
    const auto fresh = [&] {
        fs::remove_all(outFolder, error);
        fs::create_directories(outFolder);
    };
    std::vector<CTiming> plain;
    std::vector<CTiming> converted;
    // One untimed round of each warms the caches alike; every round writes into an empty folder.
    fresh();
    LibsndfileAlone(files, outFolder);
    ConvertAll(files, outFolder);
    for (int round = 0; round < kRounds; ++round) {
        fresh();
        plain.push_back(Measure([&] { return LibsndfileAlone(files, outFolder); }));
        fresh();
        converted.push_back(Measure([&] { return ConvertAll(files, outFolder); }));
    }
    std::uintmax_t written = 0;
    for (const auto& entry : fs::directory_iterator(outFolder, error)) {
        written += entry.file_size(error);
    }
    fs::remove_all(parent, error);
    const auto failed = [](const CTiming& t) { return t.wall < 0; };
    if (std::any_of(plain.begin(), plain.end(), failed) || std::any_of(converted.begin(), converted.end(), failed)) {
        std::printf("bench_convert: a round failed\n");
        return 1;
    }
    std::printf("%d FLAC files (16- and 24-bit stereo, %d Hz), %.1f MB of FLAC to %.1f MB of WAV; median of %d "
                "rounds\n",
                kFiles, kRate, static_cast<double>(bytes) / 1e6, static_cast<double>(written) / 1e6, kRounds);
    std::printf("%-52s %11s %11s\n", "", "wall", "processor");
    PrintRow("libsndfile alone (decode and write)", plain);
    PrintRow("ConvertToWav", converted);
    std::printf("%-52s %11.2f %11.2f   (target at most 1.50)\n", "ratio",
                Median(converted, &CTiming::wall) / Median(plain, &CTiming::wall),
                Median(converted, &CTiming::cpu) / Median(plain, &CTiming::cpu));
    return 0;
}
