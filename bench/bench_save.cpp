// Saving speed: Save As of a full project (512 patches, 50 MB of waves) measured side by side with
// `cp -r` of its folder followed by `sync`, and a save in place after every patch moved one slot
// down while the waves stay in their slots. Prints figures.
//
// Every timed step starts from a flushed file system, so that a `sync` timed after it writes only
// what that step left behind. Each save is also timed up to the end of a `sync` after it, which
// compares a save that flushes its files itself with one that leaves them to the system.

#include "model/CDomain.h"
#include "model/CPatch.h"
#include "storage/CSvdManager.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/WorkFolder.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using Orvanta::CTernFileDocument;

namespace {

constexpr int kRounds = 5;
constexpr std::size_t kWaveCount = 100;
constexpr std::size_t kWaveSize = 52428800 / kWaveCount; // 50 MB in all

void WriteFile(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<char> PatchFileBytes(int number) {
    std::vector<char> bytes(Orvanta::kPatchRecordSize, static_cast<char>(number & 0x7F));
    std::copy(Orvanta::kPatchHeaderTemplate.begin(), Orvanta::kPatchHeaderTemplate.end(), bytes.begin());
    std::array<std::uint8_t, Orvanta::kPackedPatchSize> blocks{};
    Orvanta::CSvdManager().PackPatch(Orvanta::CPatch(), blocks);
    std::copy(blocks.begin(), blocks.end(), bytes.begin() + Orvanta::kPatchBlocksOffset);
    return bytes;
}

std::string BuildProject(const std::string& folder) {
    const std::string path = folder + "Full.prj/";
    fs::create_directories(path + "Patch");
    fs::create_directories(path + "Wave");
    for (int n = 1; n <= 512; ++n) {
        WriteFile(path + "Patch/" + Orvanta::FormatSlotNumber(n) + "Patch " + std::to_string(n) + ".p00",
                  PatchFileBytes(n));
    }
    std::vector<char> wave(kWaveSize);
    for (std::size_t n = 1; n <= kWaveCount; ++n) {
        std::fill(wave.begin(), wave.end(), static_cast<char>(n));
        WriteFile(path + "Wave/" + Orvanta::FormatSlotNumber(static_cast<int>(n)) + "Wave " + std::to_string(n) +
                      ".wav",
                  wave);
    }
    for (const char* name : {"Orvanta System.s00", "Orvanta Palette.s00", "Orvanta Template.s00"}) {
        WriteFile(path + name, std::vector<char>(4096, 's'));
    }
    return path;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Files in `folder`; the saves are checked by it, outside the timed steps.
std::size_t CountFiles(const std::string& folder) {
    std::error_code error;
    std::size_t count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error)) {
            ++count;
        }
    }
    return count;
}

// True when the project folder holds 512 patch files and all waves.
bool IsComplete(const std::string& path) {
    return CountFiles((fs::path(path) / "Patch").string()) == 512 &&
           CountFiles((fs::path(path) / "Wave").string()) == kWaveCount;
}

// Writes out everything earlier steps left in the cache; never timed.
void Settle() {
    ::sync();
}

// Runs `sync`, as typed after a copy; false when it failed.
bool RunSync() {
    return std::system("sync") == 0;
}

void PrintFigure(const char* label, const std::vector<double>& times) {
    std::printf("%-48s %8.1f ms (median of %zu)\n", label, Median(times) * 1000, times.size());
}

} // namespace

int main() {
    std::error_code error;
    std::string base = (fs::temp_directory_path(error) / "orvanta-bench-save-XXXXXX").string();
    if (::mkdtemp(base.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    base += "/";
    Orvanta::CDomain::Instance().SetSeparator("/");
    if (!Orvanta::SetUpWorkFolder(base + "work")) {
        std::fprintf(stderr, "%s\n", Orvanta::kWorkFolderErrorText);
        return 1;
    }
    const std::string project = BuildProject(base);
    std::printf("project: 512 patches, %zu waves of %zu bytes (50 MB)\n", kWaveCount, kWaveSize);

    // Save As and cp -r, alternating, each into a fresh folder.
    std::vector<double> saveTimes;
    std::vector<double> saveSyncTimes;
    std::vector<double> copyTimes;
    std::vector<double> copySyncTimes;
    for (int round = 0; round < kRounds; ++round) {
        CTernFileDocument document;
        if (!document.OpenProjectFolder(project)) {
            std::fprintf(stderr, "the project did not load\n");
            return 1;
        }
        const std::string saveTarget = base + "SaveAs" + std::to_string(round) + ".prj";
        Settle();
        auto start = std::chrono::steady_clock::now();
        const bool saved = document.SaveProjectTo(saveTarget);
        saveTimes.push_back(Seconds(start));
        const bool saveSynced = RunSync();
        saveSyncTimes.push_back(Seconds(start));
        if (!saved || !saveSynced || !IsComplete(saveTarget)) {
            std::fprintf(stderr, "Save As failed\n");
            return 1;
        }

        const std::string copyTarget = base + "Copy" + std::to_string(round) + ".prj";
        const std::string command = "cp -r '" + project.substr(0, project.size() - 1) + "' '" + copyTarget + "'";
        Settle();
        start = std::chrono::steady_clock::now();
        const bool copied = std::system(command.c_str()) == 0;
        copyTimes.push_back(Seconds(start));
        const bool copySynced = RunSync();
        copySyncTimes.push_back(Seconds(start));
        if (!copied || !copySynced || !IsComplete(copyTarget)) {
            std::fprintf(stderr, "cp -r failed\n");
            return 1;
        }
        fs::remove_all(saveTarget, error);
        fs::remove_all(copyTarget, error);
    }
    PrintFigure("Save As of the full project:", saveTimes);
    PrintFigure("Save As of the full project, then sync:", saveSyncTimes);
    PrintFigure("cp -r of its folder:", copyTimes);
    PrintFigure("cp -r of its folder, then sync (reference):", copySyncTimes);
    std::printf("%-48s %8.2f (target at most 1.30)\n",
                "ratio Save As / (cp -r + sync):", Median(saveTimes) / Median(copySyncTimes));
    std::printf("%-48s %8.2f\n",
                "ratio (Save As + sync) / (cp -r + sync):", Median(saveSyncTimes) / Median(copySyncTimes));

    // Save in place after every patch moved one slot down (the last one to the top). The waves keep
    // their slots, so no wave reference changes. Every round starts from what the last one saved.
    std::vector<double> moveTimes;
    std::vector<double> moveSyncTimes;
    for (int round = 0; round < kRounds; ++round) {
        CTernFileDocument document;
        if (!document.OpenProjectFolder(project)) {
            std::fprintf(stderr, "the project did not load\n");
            return 1;
        }
        Orvanta::CPatchArray& patches = document.Data().m_patches;
        std::unique_ptr<Orvanta::CPatch> carried = patches.Replace(0, patches.CloneAt(511));
        for (std::size_t i = 1; i < 512; ++i) {
            carried = patches.Replace(i, std::move(carried));
        }
        document.SetModified(true);
        Settle();
        const auto start = std::chrono::steady_clock::now();
        const bool saved = document.SaveProjectTo(project);
        moveTimes.push_back(Seconds(start));
        const bool synced = RunSync();
        moveSyncTimes.push_back(Seconds(start));
        if (!saved || !synced || !IsComplete(project)) {
            std::fprintf(stderr, "save in place failed\n");
            return 1;
        }
    }
    PrintFigure("save in place, 512 patches moved one slot:", moveTimes);
    PrintFigure("save in place, 512 patches moved, then sync:", moveSyncTimes);

    Orvanta::CleanWorkFolder();
    fs::remove_all(base, error);
    return 0;
}
