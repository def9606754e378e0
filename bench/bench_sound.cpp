// Sound details and a 200-column waveform of every wave of a full project (999 user waves, 16-bit
// stereo at 44.1 kHz, about 50 MB) against the floor of reading those files once into a buffer,
// measured side by side in one run, rounds alternating. Prints both figures and their ratio, as
// wall-clock time and as processor time (medians of the rounds).

#include "sound/SoundFile.h"

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

constexpr int kRounds = 7;
constexpr int kWaves = 999;
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr sf_count_t kFrames = 12500; // 50,000 bytes of samples a wave
constexpr std::size_t kColumns = 200;

// Writes the project's wave folder: each wave a decaying tone with some noise, at its own pitch.
bool GenerateWaves(const fs::path& project, std::vector<std::string>& waveFiles) {
    fs::create_directories(project / "Patch");
    fs::create_directories(project / "Wave");
    std::mt19937 random(11);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    std::vector<short> samples(static_cast<std::size_t>(kFrames) * kChannels);
    for (int n = 1; n <= kWaves; ++n) {
        const double frequency = 55.0 * std::pow(2.0, (n % 60) / 12.0);
        for (sf_count_t f = 0; f < kFrames; ++f) {
            const double t = static_cast<double>(f) / kRate;
            const double value = 0.7 * std::exp(-3.0 * t) * std::sin(2.0 * 3.141592653589793 * frequency * t);
            for (int ch = 0; ch < kChannels; ++ch) {
                samples[static_cast<std::size_t>(f * kChannels + ch)] =
                    static_cast<short>(std::lrint((value + noise(random)) * 32767.0));
            }
        }
        char name[32];
        std::snprintf(name, sizeof name, "%03d Wave %d.wav", n, n);
        const fs::path path = project / "Wave" / name;
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = kChannels;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path.string().c_str(), SFM_WRITE, &info);
        if (file == nullptr) {
            return false;
        }
        const bool written = sf_writef_short(file, samples.data(), kFrames) == kFrames;
        sf_close(file);
        if (!written) {
            return false;
        }
        waveFiles.push_back(path.string());
    }
    return true;
}

struct CTiming {
    double wall = -1; // milliseconds
    double cpu = -1;  // milliseconds of processor time
};

// Runs `work` once and times it; a failed run (work returns false) gives a negative time.
template <typename Work> CTiming Measure(Work&& work) {
    const auto wallStart = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const bool ok = work();
    const CTiming timing{
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count(),
        static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC};
    return ok ? timing : CTiming{};
}

// The floor: each wave file read once whole into a buffer.
bool ReadAll(const std::vector<std::string>& waveFiles, std::uintmax_t& bytes) {
    std::vector<char> buffer;
    bytes = 0;
    for (const std::string& path : waveFiles) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            return false;
        }
        buffer.resize(static_cast<std::size_t>(fs::file_size(path)));
        bytes += std::fread(buffer.data(), 1, buffer.size(), file);
        std::fclose(file);
    }
    return true;
}

bool AnalyseAll(const std::vector<std::string>& waveFiles) {
    return std::all_of(waveFiles.begin(), waveFiles.end(), [](const std::string& path) {
        const SoundAnalysis analysis = AnalyseSound(path, kColumns);
        return analysis.details && analysis.details->frames == kFrames && analysis.waveform.size() == kColumns;
    });
}

double Median(std::vector<CTiming> timings, double CTiming::*field) {
    std::sort(timings.begin(), timings.end(),
              [field](const CTiming& a, const CTiming& b) { return a.*field < b.*field; });
    return timings[timings.size() / 2].*field;
}

void PrintRow(const char* label, const std::vector<CTiming>& timings) {
    std::printf("%-52s %7.2f ms %7.2f ms\n", label, Median(timings, &CTiming::wall), Median(timings, &CTiming::cpu));
}

} // namespace

int main() {
    std::error_code error;
    const fs::path parent =
        fs::temp_directory_path() / ("orvanta-bench-sound-" + std::to_string(std::random_device()()));
    std::vector<std::string> waveFiles;
    if (!GenerateWaves(parent / "Full.prj", waveFiles)) {
        std::printf("bench_sound: the waves could not be written\n");
        fs::remove_all(parent, error);
        return 1;
    }
    std::uintmax_t bytes = 0;
    // One untimed round of each warms the caches alike.
    ReadAll(waveFiles, bytes);
    AnalyseAll(waveFiles);
    std::vector<CTiming> floors;
    std::vector<CTiming> analyses;
    for (int round = 0; round < kRounds; ++round) {
        floors.push_back(Measure([&] { return ReadAll(waveFiles, bytes); }));
        analyses.push_back(Measure([&] { return AnalyseAll(waveFiles); }));
    }
    fs::remove_all(parent, error);
    const auto failed = [](const CTiming& t) { return t.wall < 0; };
    if (std::any_of(floors.begin(), floors.end(), failed) || std::any_of(analyses.begin(), analyses.end(), failed)) {
        std::printf("bench_sound: a round failed\n");
        return 1;
    }
    std::printf("Full project: %d user waves (WAV, 16-bit stereo, %d Hz), %.1f MB; median of %d rounds\n", kWaves,
                kRate, static_cast<double>(bytes) / 1e6, kRounds);
    std::printf("%-52s %10s %10s\n", "", "wall", "processor");
    PrintRow("floor (read each wave file once)", floors);
    PrintRow("AnalyseSound (details and 200 columns)", analyses);
    std::printf("%-52s %10.2f %10.2f   (target below 2.00)\n", "ratio",
                Median(analyses, &CTiming::wall) / Median(floors, &CTiming::wall),
                Median(analyses, &CTiming::cpu) / Median(floors, &CTiming::cpu));
    return 0;
}
