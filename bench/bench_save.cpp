// Saving speed: Save As of a full project (512 patches, 50 MB of waves) measured side by side with
// `cp -r` of its folder, and a save in place after every patch moved one slot down. Prints figures.

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
    std::vector<double> copyTimes;
    for (int round = 0; round < kRounds; ++round) {
        CTernFileDocument document;
        if (!document.OpenProjectFolder(project)) {
            std::fprintf(stderr, "the project did not load\n");
            return 1;
        }
        const std::string saveTarget = base + "SaveAs" + std::to_string(round) + ".prj";
        auto start = std::chrono::steady_clock::now();
        const bool saved = document.SaveProjectTo(saveTarget);
        saveTimes.push_back(Seconds(start));
        if (!saved) {
            std::fprintf(stderr, "Save As failed\n");
            return 1;
        }

        const std::string copyTarget = base + "Copy" + std::to_string(round) + ".prj";
        const std::string command = "cp -r '" + project.substr(0, project.size() - 1) + "' '" + copyTarget + "'";
        start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        copyTimes.push_back(Seconds(start));
        if (status != 0) {
            std::fprintf(stderr, "cp -r failed\n");
            return 1;
        }
        fs::remove_all(saveTarget, error);
        fs::remove_all(copyTarget, error);
    }
    const double save = Median(saveTimes);
    const double copy = Median(copyTimes);
    std::printf("Save As of the full project: %.1f ms (median of %d)\n", save * 1000, kRounds);
    std::printf("cp -r of its folder:         %.1f ms (median of %d)\n", copy * 1000, kRounds);
    std::printf("ratio Save As / cp -r:       %.2f (target at most 1.30)\n", save / copy);

    // Save in place after every patch moved one slot down (the last one to the top).
    std::vector<double> moveTimes;
    for (int round = 0; round < kRounds; ++round) {
        CTernFileDocument document;
        if (!document.OpenProjectFolder(project)) {
            return 1;
        }
        Orvanta::CPatchArray& patches = document.Data().m_patches;
        std::unique_ptr<Orvanta::CPatch> carried = patches.Replace(0, patches.CloneAt(511));
        for (std::size_t i = 1; i < 512; ++i) {
            carried = patches.Replace(i, std::move(carried));
        }
        document.SetModified(true);
        const auto start = std::chrono::steady_clock::now();
        const bool saved = document.SaveProjectTo(project);
        moveTimes.push_back(Seconds(start));
        if (!saved) {
            std::fprintf(stderr, "save in place failed\n");
            return 1;
        }
    }
    const double move = Median(moveTimes);
    std::printf("save in place, 512 patches moved one slot down: %.1f ms (median of %d), %.3f ms per patch\n",
                move * 1000, kRounds, move * 1000 / 512);

    Orvanta::CleanWorkFolder();
    fs::remove_all(base, error);
    return 0;
}
