// Opening a full project (512 patches, 999 waves) against the floor of reading each patch file once
// and opening each wave file once, measured side by side in one run, rounds alternating. Prints both
// figures and their ratio, as wall-clock time and as processor time (the processor time is not
// inflated when other programs take the processor away; both are medians of the rounds).

#include "model/CDomain.h"
#include "model/CPatch.h"
#include "storage/CSvdManager.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Orvanta;

namespace {

constexpr int kRounds = 15;
constexpr std::size_t kWaveBytes = 32 * 1024;

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A project folder with every slot used; patch n uses waves n and n + 487.
std::string GenerateProject(const fs::path& parent, std::vector<std::string>& patchFiles,
                            std::vector<std::string>& waveFiles) {
    const fs::path project = parent / "Full.prj";
    fs::create_directories(project / "Patch");
    fs::create_directories(project / "Wave");
    for (int n = 1; n <= static_cast<int>(kPatchSlots); ++n) {
        CPatch patch;
        for (int osc = 0; osc < 2; ++osc) {
            patch.m_osc[static_cast<std::size_t>(osc)].m_values[18] = 1;
            patch.m_osc[static_cast<std::size_t>(osc)].SetWaveNumber(0, n + osc * 487);
        }
        std::vector<std::uint8_t> bytes(kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end());
        bytes.resize(kPatchRecordSize, 0);
        CSvdManager().PackPatch(patch, std::span(bytes).subspan(kPatchBlocksOffset).first<kPackedPatchSize>());
        const fs::path path = project / "Patch" / (FormatSlotNumber(n) + "Patch " + std::to_string(n) + ".p00");
        WriteFile(path, bytes);
        patchFiles.push_back(path.string());
    }
    std::mt19937 random(7);
    std::vector<std::uint8_t> wave(kWaveBytes);
    const char* extensions[] = {".w00", ".wav", ".aif", ".vpw"};
    for (int n = 1; n <= static_cast<int>(kWaveSlots); ++n) {
        for (std::uint8_t& byte : wave) {
            byte = static_cast<std::uint8_t>(random());
        }
        const fs::path path =
            project / "Wave" / (FormatSlotNumber(n) + "Wave " + std::to_string(n) + extensions[n % 4]);
        WriteFile(path, wave);
        waveFiles.push_back(path.string());
    }
    return project.string() + "/";
}

struct CTiming {
    double wall = -1; // milliseconds
    double cpu = -1;  // milliseconds of processor time
};

class CStopwatch {
public:
    [[nodiscard]] CTiming Elapsed() const {
        const auto wall = std::chrono::steady_clock::now() - m_wall;
        return {std::chrono::duration<double, std::milli>(wall).count(),
                static_cast<double>(std::clock() - m_cpu) * 1000.0 / CLOCKS_PER_SEC};
    }

private:
    std::chrono::steady_clock::time_point m_wall = std::chrono::steady_clock::now();
    std::clock_t m_cpu = std::clock();
};

// The floor: each patch file read once whole, each wave file opened and closed once.
CTiming MeasureFloor(const std::vector<std::string>& patchFiles, const std::vector<std::string>& waveFiles) {
    const CStopwatch watch;
    std::vector<char> buffer(4096);
    std::size_t total = 0;
    for (const std::string& path : patchFiles) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            return {};
        }
        total += std::fread(buffer.data(), 1, buffer.size(), file);
        std::fclose(file);
    }
    for (const std::string& path : waveFiles) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            return {};
        }
        std::fclose(file);
    }
    const CTiming timing = watch.Elapsed();
    return total == patchFiles.size() * kPatchRecordSize ? timing : CTiming{};
}

CTiming MeasureOpen(const std::string& project) {
    CTernFileDocument document;
    const CStopwatch watch;
    const bool loaded = document.OpenProjectFolder(project);
    const CTiming timing = watch.Elapsed();
    if (!loaded || document.Data().CountEmpty(kPatchList) != 0 || document.Data().CountEmpty(kWaveList) != 0 ||
        document.Data().m_waves[499].m_users.size() != 2) {
        return {};
    }
    return timing;
}

double Median(const std::vector<CTiming>& timings, double CTiming::*field) {
    std::vector<double> values;
    for (const CTiming& timing : timings) {
        values.push_back(timing.*field);
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool AnyFailed(const std::vector<CTiming>& timings) {
    return std::any_of(timings.begin(), timings.end(), [](const CTiming& t) { return t.wall < 0; });
}

} // namespace

int main() {
    CDomain::Instance().SetSeparator("/");
    std::error_code error;
    const fs::path parent =
        fs::temp_directory_path() / ("orvanta-bench-load-" + std::to_string(std::random_device()()));
    fs::create_directories(parent, error);
    std::vector<std::string> patchFiles;
    std::vector<std::string> waveFiles;
    const std::string project = GenerateProject(parent, patchFiles, waveFiles);

    // One untimed round of each warms the caches alike.
    MeasureFloor(patchFiles, waveFiles);
    MeasureOpen(project);
    std::vector<CTiming> floors;
    std::vector<CTiming> opens;
    for (int round = 0; round < kRounds; ++round) {
        floors.push_back(MeasureFloor(patchFiles, waveFiles));
        opens.push_back(MeasureOpen(project));
    }
    fs::remove_all(parent, error);
    if (AnyFailed(floors) || AnyFailed(opens)) {
        std::printf("bench_load: a round failed\n");
        return 1;
    }
    std::printf("Full project: %zu patch files, %zu wave files of %zu bytes; median of %d rounds\n", patchFiles.size(),
                waveFiles.size(), kWaveBytes, kRounds);
    std::printf("%-52s %10s %10s\n", "", "wall", "processor");
    const double floorWall = Median(floors, &CTiming::wall);
    const double floorCpu = Median(floors, &CTiming::cpu);
    const double openWall = Median(opens, &CTiming::wall);
    const double openCpu = Median(opens, &CTiming::cpu);
    std::printf("%-52s %7.2f ms %7.2f ms\n", "floor (read each patch file, open each wave file)", floorWall, floorCpu);
    std::printf("%-52s %7.2f ms %7.2f ms\n", "OpenProjectFolder", openWall, openCpu);
    std::printf("%-52s %10.2f %10.2f   (target at most 1.50)\n", "ratio", openWall / floorWall, openCpu / floorCpu);
    return 0;
}
