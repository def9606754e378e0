// Overwrite and insert of 512 patches that bring 999 accompanying waves from another project: the
// heaviest drops there are. Every round starts the drag (CopyToTransfer), drops into an empty
// project, then undoes the drop, so the undo copies of the target stay held as in real use. Prints
// the median time of each step and the peak memory of the process.

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/InsertOperation.h"
#include "operations/OverwriteOperation.h"
#include "operations/TransferOperations.h"
#include "storage/CNativeFileSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace Orvanta;

namespace {

constexpr int kRounds = 15;
constexpr std::size_t kWaveFileBytes = 4096;

// A project whose 512 patches use all 999 waves between them (every wave file a real file, so that
// the 50 MB check reads real sizes).
void FillSource(CTernData& source, const fs::path& folder) {
    fs::create_directories(folder / "Wave");
    const std::vector<char> bytes(kWaveFileBytes, 'w');
    for (std::size_t j = 0; j < kWaveSlots; ++j) {
        const fs::path path = folder / "Wave" / (std::to_string(j + 1) + " Wave.wav");
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        source.m_waves[j].m_path = path.string();
        source.m_waves[j].SetName(path.string(), true);
    }
    for (std::size_t p = 0; p < kPatchSlots; ++p) {
        CPatch& patch = source.m_patches[p];
        patch.m_path = (folder / "Patch" / (std::to_string(p + 1) + " Patch.p00")).string();
        patch.SetName(patch.m_path, true);
        for (std::size_t b = 0; b < CPatch::kOscCount; ++b) {
            for (int r = 0; r < 2; ++r) {
                const std::size_t k = p * 32 + b * 2 + static_cast<std::size_t>(r);
                patch.m_osc[b].m_values[r == 0 ? 18 : 70] = 1;
                patch.m_osc[b].SetWaveNumber(r, static_cast<int>(k % kWaveSlots) + 1);
                source.m_waves[k % kWaveSlots].AddUser(static_cast<std::int32_t>(p), false);
            }
        }
    }
}

// Every file the same size, without touching the disk: separates the operations' own cost from the
// file-size probes of the 50 MB check (two per used wave).
class CFixedSizeFileSystem : public CNativeFileSystem {
public:
    std::int64_t FileSize(const std::string& /*path*/) override { return static_cast<std::int64_t>(kWaveFileBytes); }
};

// Peak resident memory of the process in kilobytes (Linux), or -1 where it cannot be read.
long PeakMemoryKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MillisecondsOf(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Figures {
    std::vector<double> drag, drop, undo;
};

// One kind of drop, kRounds times into the same target, undone after each round.
Figures Measure(CTernData& source, CTernData& target, const std::function<bool()>& drop) {
    CDomain& domain = CDomain::Instance();
    CSelection all(kPatchSlots);
    for (std::size_t i = 0; i < kPatchSlots; ++i) {
        all[i] = i;
    }
    Figures figures;
    for (int round = 0; round < kRounds; ++round) {
        figures.drag.push_back(MillisecondsOf([&] { CopyToTransfer(source, all, kPatchList); }));
        bool dropped = false;
        figures.drop.push_back(MillisecondsOf([&] { dropped = drop(); }));
        if (!dropped || target.CountEmpty(kWaveList) != 0 || target.CountEmpty(kPatchList) != 0) {
            std::fprintf(stderr, "the drop did not fill the target\n");
            std::exit(1);
        }
        EmptyTransfer();
        figures.undo.push_back(MillisecondsOf([&] { domain.Undo(); }));
        if (target.CountEmpty(kWaveList) != kWaveSlots) {
            std::fprintf(stderr, "undo did not empty the target\n");
            std::exit(1);
        }
    }
    return figures;
}

void Print(const char* name, const Figures& figures) {
    std::printf("%-42s drag start %7.2f ms   drop %7.2f ms   undo %6.3f ms\n", name, Median(figures.drag),
                Median(figures.drop), Median(figures.undo));
}

} // namespace

int main() {
    const fs::path folder =
        fs::temp_directory_path() /
        ("orvanta_bench_operations_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    const long baseline = PeakMemoryKb();
    {
        CTernData source;
        CTernData target;
        FillSource(source, folder);
        const long projects = PeakMemoryKb();

        const Figures overwrite = Measure(source, target, [&] { return Overwrite(target, 0, kPatchList, true); });
        const Figures insert =
            Measure(source, target, [&] { return Insert(target, 0, kPatchList, true) == kPatchSlots; });
        CFixedSizeFileSystem fixedSizes;
        CDomain::Instance().SetFileSystem(&fixedSizes);
        const Figures overwriteInMemory =
            Measure(source, target, [&] { return Overwrite(target, 0, kPatchList, true); });
        const Figures insertInMemory =
            Measure(source, target, [&] { return Insert(target, 0, kPatchList, true) == kPatchSlots; });
        CDomain::Instance().SetFileSystem(nullptr);
        const long peak = PeakMemoryKb();

        std::printf("512 patches with 999 accompanying waves into an empty project, median of %d rounds\n", kRounds);
        Print("Overwrite (from another window)", overwrite);
        Print("Insert (from another window)", insert);
        Print("Overwrite, file sizes not read from disk", overwriteInMemory);
        Print("Insert, file sizes not read from disk", insertInMemory);
        std::printf("peak memory: %ld KB at start, %ld KB with two projects, %ld KB with transfer buffer and undo "
                    "copies held\n",
                    baseline, projects, peak);
        CDomain::Instance().ClearUndo();
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
