// Memory of the history of changes: 100 changes that each touch the whole of a full project (512
// patches using all 999 waves): a patch inserted at slot 2 (every patch moves, every wave's users
// are renumbered), a wave inserted at slot 2 (every wave moves, every patch reference is
// renumbered), every patch renamed, and half the patches copied over the other half. Prints
// what the history holds by its own count and how much the heap grew, against the 64 MB allowed,
// and the median time to record a change and to go back over all of them.

#include "model/CDomain.h"
#include "model/CTernData.h"
#include "operations/CClipboard.h"
#include "operations/CHistory.h"
#include "operations/DropOperations.h"
#include "operations/EditCommands.h"
#include "storage/CNativeFileSystem.h"
#include "storage/CSvdManager.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

// After a standard header, which tells whether the C library is glibc.
#if defined(__GLIBC__)
#include <malloc.h>
#endif

using namespace Orvanta;

namespace {

constexpr int kChanges = 100;
constexpr double kLimitMb = 64.0;

// Every wave the same small size: the 50 MB check passes without files on disk.
class CFixedSizeFileSystem : public CNativeFileSystem {
public:
    std::int64_t FileSize(const std::string& /*path*/) override { return 4096; }
    CFileStamp Stamp(const std::string& /*path*/) override { return CFileStamp{4096, 0}; }
};

// Answers every question with OK.
class COkReporter : public CTernTextOut {
public:
    int Ask(int /*buttons*/, int /*code*/) override { return 0; }
};

// A full project as loading leaves it: every patch with its own oscillator values and the packed
// blocks of its file, the 999 waves shared among the patches.
void Fill(CTernData& project) {
    std::mt19937 random(7);
    for (std::size_t j = 0; j < kWaveSlots; ++j) {
        project.m_waves[j].m_path = "/home/user/Projects/Song.prj/Wave/" + std::to_string(j + 1) + " Wave.wav";
        project.m_waves[j].SetName(project.m_waves[j].m_path, true);
    }
    for (std::size_t p = 0; p < kPatchSlots; ++p) {
        CPatch& patch = project.m_patches[p];
        patch.m_path = "/home/user/Projects/Song.prj/Patch/" + std::to_string(p + 1) + " Patch.p00";
        patch.SetName(patch.m_path, true);
        patch.m_knownPath = patch.m_path;
        patch.m_knownStamp = CFileStamp{1510, 1700000000};
        patch.m_knownBlocks.resize(kPackedPatchSize);
        for (auto& byte : patch.m_knownBlocks) {
            byte = static_cast<std::uint8_t>(random());
        }
        for (std::size_t b = 0; b < CPatch::kOscCount; ++b) {
            for (std::size_t v = 0; v < COsc::kValueCount; ++v) {
                patch.m_osc[b].m_values[v] = static_cast<std::uint8_t>(random() % 16);
            }
            for (int r = 0; r < 2; ++r) {
                const std::size_t k = p * 32 + b * 2 + static_cast<std::size_t>(r);
                patch.m_osc[b].m_values[r == 0 ? 18 : 70] = 1;
                patch.m_osc[b].SetWaveNumber(r, static_cast<int>(k % kWaveSlots) + 1);
                project.m_waves[k % kWaveSlots].AddUser(static_cast<std::int32_t>(p), false);
            }
        }
    }
}

// Bytes the heap has handed out and not taken back; 0 where the C library does not tell.
std::size_t HeapInUse() {
#if defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

double Megabytes(std::size_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

CSelection Range(std::size_t first, std::size_t count) {
    CSelection rows;
    for (std::size_t i = 0; i < count; ++i) {
        rows.push_back(first + i);
    }
    return rows;
}

} // namespace

int main() {
    CFixedSizeFileSystem fileSystem;
    CDomain& domain = CDomain::Instance();
    domain.SetFileSystem(&fileSystem);
    domain.SetReporter(0, std::make_shared<COkReporter>());
    CHistory& history = CHistory::Instance();
    CClipboard& clipboard = CClipboard::Instance();

    CTernData project;
    Fill(project);
    // The undo copies are whole lists whatever the history does: make them exist before measuring.
    RenameElements(project, kPatchList, {0}, "Start");
    history.Clear();
    const std::size_t heapBefore = HeapInUse();

    std::vector<double> recordMs;
    std::size_t slotsChanged = 0;
    for (int change = 0; change < kChanges; ++change) {
        const auto start = std::chrono::steady_clock::now();
        switch (change % 4) {
        case 0: // a copy of the first patch inserted at slot 2: the last falls off, the list stays full
            clipboard.Copy(project, {0}, kPatchList, false);
            clipboard.Paste(project, kPatchList, 1, true);
            break;
        case 1: // a copy of the first wave inserted at slot 2
            clipboard.Copy(project, {0}, kWaveList, false);
            clipboard.Paste(project, kWaveList, 1, true);
            break;
        case 2:
            RenameElements(project, kPatchList, Range(0, kPatchSlots), "Take " + std::to_string(change));
            break;
        case 3: // half the patches copied over the other half
            clipboard.Copy(project, Range(0, kPatchSlots / 2), kPatchList, false);
            clipboard.Paste(project, kPatchList, static_cast<int>(kPatchSlots / 2), false);
            break;
        }
        history.Record("change " + std::to_string(change));
        recordMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        for (const CProjectChange& projectChange : history.Entry(history.Size() - 1).projects) {
            slotsChanged += projectChange.lists[0].changed.size() + projectChange.lists[1].changed.size();
        }
    }
    clipboard.Clear();
    const std::size_t heapAfter = HeapInUse();
    const std::size_t counted = history.MemoryBytes();

    const auto backStart = std::chrono::steady_clock::now();
    const bool wentBack = !history.GoBack(history.Position()).empty();
    const double backMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - backStart).count();

    const double grownMb = Megabytes(heapAfter > heapBefore ? heapAfter - heapBefore : 0);
    if (history.Size() != static_cast<std::size_t>(kChanges)) {
        std::printf("only %zu of the %d changes were made\n", history.Size(), kChanges);
        return 1;
    }
    std::printf("history of %d full-project changes (512 patches, 999 waves): %zu entries, %zu slots changed\n",
                kChanges, history.Size(), slotsChanged);
    std::printf("  memory by the history's count: %.1f MB\n", Megabytes(counted));
    std::printf("  heap grown while recording:     %.1f MB (limit %.0f MB: %s)\n", grownMb, kLimitMb,
                grownMb < kLimitMb && Megabytes(counted) < kLimitMb ? "under" : "OVER");
    std::printf("  a change with its entry: median %.1f ms\n", Median(recordMs));
    std::printf("  back over all %d changes: %.0f ms%s\n", kChanges, backMs, wentBack ? "" : " (refused)");
    domain.SetFileSystem(nullptr);
    return 0;
}
