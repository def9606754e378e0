// Saving speed: Save As of a full project (512 patches, 50 MB of waves) measured side by side with
// `cp -r` of its folder followed by `sync`, and a save in place after every patch moved one slot
// down while the waves stay in their slots, side by side with a floor that makes the same renames
// through a staging folder and the same folder flushes. Prints figures, and the system calls of
// each save counted under strace (when installed): all calls, opens and stats by path, per file.
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
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
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

double Spread(const std::vector<double>& times);

void PrintFigure(const char* label, const std::vector<double>& times) {
    std::printf("%-48s %8.1f ms (median of %zu, spread %.1f ms)\n", label, Median(times) * 1000, times.size(),
                Spread(times));
}

// The edit before a save in place: every patch moved one slot down (the last one to the top).
void MovePatchesOneSlot(CTernFileDocument& document) {
    Orvanta::CPatchArray& patches = document.Data().m_patches;
    std::unique_ptr<Orvanta::CPatch> carried = patches.Replace(0, patches.CloneAt(511));
    for (std::size_t i = 1; i < 512; ++i) {
        carried = patches.Replace(i, std::move(carried));
    }
    document.SetModified(true);
}

// A call the tracer sees, cutting the trace into the load and the save.
constexpr const char* kTraceMark = "/orvanta-bench-trace-mark";
void MarkTrace() {
    (void)::access(kTraceMark, F_OK);
}

// The child run under strace: loads `project`, edits it for a save in place (`inPlace`), and saves
// it to `target`, with a marked call on either side of the save.
int TracedSave(bool inPlace, const std::string& project, const std::string& target, const std::string& work) {
    Orvanta::CDomain::Instance().SetSeparator("/");
    if (!Orvanta::SetUpWorkFolder(work)) {
        return 1;
    }
    CTernFileDocument document;
    if (!document.OpenProjectFolder(project)) {
        return 1;
    }
    if (inPlace) {
        MovePatchesOneSlot(document);
    }
    MarkTrace();
    const bool saved = document.SaveProjectTo(target);
    MarkTrace();
    return saved ? 0 : 1;
}

// System calls of one traced run, split at the marks: before the save (loading) and during it.
struct CallCounts {
    long calls = 0;
    long opens = 0;
    long pathStats = 0; // stat, lstat, statx and the like, and access, on a path (not a descriptor)
    long failedPathStats = 0;
};

// Counts the calls of an strace log (-f -qq, one call a line); `phase` 0 before the first mark, 1
// between the marks, 2 after.
std::map<int, CallCounts> CountTrace(const std::string& logPath) {
    std::map<int, CallCounts> counts;
    std::ifstream log(logPath);
    std::string line;
    int phase = 0;
    while (std::getline(log, line)) {
        std::size_t start = line.find_first_not_of("0123456789 ");
        const std::size_t paren = line.find('(', start);
        if (start == std::string::npos || paren == std::string::npos || line.compare(start, 3, "+++") == 0 ||
            line.compare(start, 3, "---") == 0) {
            continue;
        }
        const std::string name = line.substr(start, paren - start);
        if (line.find(kTraceMark) != std::string::npos) {
            ++phase;
            continue;
        }
        CallCounts& count = counts[phase];
        ++count.calls;
        if (name == "open" || name == "openat" || name == "openat2" || name == "creat") {
            ++count.opens;
        }
        const bool statCall = name == "stat" || name == "lstat" || name == "newfstatat" || name == "statx" ||
                              name == "fstatat64" || name == "access" || name == "faccessat" || name == "faccessat2";
        if (statCall && line.find(", \"\",") == std::string::npos) {
            ++count.pathStats;
            if (line.find(") = -1") != std::string::npos) {
                ++count.failedPathStats;
            }
        }
    }
    return counts;
}

// Runs the traced save of this program under strace; false when strace is missing or it failed.
bool TraceSave(const std::string& self, bool inPlace, const std::string& project, const std::string& target,
               const std::string& work, const std::string& logPath, std::map<int, CallCounts>& counts) {
    const std::string command = "strace -f -qq -o '" + logPath + "' '" + self + "' --traced-save " +
                                (inPlace ? "in-place '" : "as '") + project + "' '" + target + "' '" + work +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    counts = CountTrace(logPath);
    // ORVANTA_BENCH_KEEP_TRACE=FOLDER keeps each log there, to see which calls a save makes.
    if (const char* keep = std::getenv("ORVANTA_BENCH_KEEP_TRACE"); keep != nullptr) {
        std::error_code error;
        fs::copy_file(logPath, fs::path(keep) / (inPlace ? "in-place.log" : "save-as.log"),
                      fs::copy_options::overwrite_existing, error);
    }
    return counts.count(1) != 0;
}

void PrintCounts(const char* label, const CallCounts& counts, double files) {
    std::printf("  %-44s %7ld calls %6.2f/file, %6ld opens %5.2f/file, %6ld path stats %5.2f/file (%ld failing)\n",
                label, counts.calls, static_cast<double>(counts.calls) / files, counts.opens,
                static_cast<double>(counts.opens) / files, counts.pathStats,
                static_cast<double>(counts.pathStats) / files, counts.failedPathStats);
}

void AddCounts(CallCounts& sum, const CallCounts& more) {
    sum.calls += more.calls;
    sum.opens += more.opens;
    sum.pathStats += more.pathStats;
    sum.failedPathStats += more.failedPathStats;
}

// The system calls of each save, per file of the project (512 patches, the waves and 3 system
// files) for Save As and per moved patch for the save in place; whole run = loading and saving.
void PrintTracedCounts(const std::string& self, const std::string& base, const std::string& project) {
    const double projectFiles = 512.0 + static_cast<double>(kWaveCount) + 3.0;
    std::printf("system calls (strace; targets for Save As: at most 8 calls, 2.1 opens, 2.1 path stats per file):\n");
    std::map<int, CallCounts> counts;
    const std::string target = base + "Traced.prj";
    if (!TraceSave(self, false, project, target, base + "work-traced", base + "strace.log", counts)) {
        std::printf("  not traced (is strace installed?)\n");
        return;
    }
    PrintCounts("Save As, the save alone:", counts[1], projectFiles);
    CallCounts whole = counts[0];
    AddCounts(whole, counts[1]);
    AddCounts(whole, counts[2]);
    PrintCounts("Save As, whole run (load and save):", whole, projectFiles);
    if (TraceSave(self, true, target, target, base + "work-traced", base + "strace.log", counts)) {
        PrintCounts("save in place, 512 moved, the save alone:", counts[1], 512.0);
    }
    std::error_code error;
    fs::remove_all(target, error);
}

// What a save in place of the moved patches cannot do with less: every patch file renamed into a
// staging folder and from there to its new name, a journal written and flushed, the folders
// flushed after the parks and after the places, the staging folder removed. Works on `project`'s
// "Patch" folder, moving each file to the name of the next one (the last to the first).
bool FloorOfMovedSave(const std::string& project) {
    const std::string patches = project + "Patch/";
    const std::string staging = project + ".floor/";
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(patches)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    const auto syncPath = [](const std::string& path) {
        const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const bool synced = descriptor >= 0 && ::fsync(descriptor) == 0;
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        return synced;
    };
    if (::mkdir(staging.c_str(), 0777) != 0) {
        return false;
    }
    const std::string journal(names.size() * 64, 'j');
    const int descriptor = ::open((staging + "journal").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const bool written =
        descriptor >= 0 && ::write(descriptor, journal.data(), journal.size()) == static_cast<ssize_t>(journal.size());
    bool ok = written && ::fsync(descriptor) == 0 && ::close(descriptor) == 0 && syncPath(staging);
    for (std::size_t i = 0; ok && i < names.size(); ++i) {
        ok = ::rename((patches + names[i]).c_str(), (staging + std::to_string(i)).c_str()) == 0;
    }
    ok = ok && syncPath(patches) && syncPath(staging);
    for (std::size_t i = 0; ok && i < names.size(); ++i) {
        ok = ::rename((staging + std::to_string(i)).c_str(), (patches + names[(i + 1) % names.size()]).c_str()) == 0;
    }
    ok = ok && syncPath(patches) && ::unlink((staging + "journal").c_str()) == 0 && ::rmdir(staging.c_str()) == 0 &&
         syncPath(project);
    return ok;
}

double Spread(const std::vector<double>& times) {
    const auto [least, most] = std::minmax_element(times.begin(), times.end());
    return (*most - *least) * 1000;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--traced-save") {
        return TracedSave(std::string(argv[2]) == "in-place", argv[3], argv[4], argv[5]);
    }
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
    std::printf("%-48s %8.2f (target at most 1.15)\n",
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
        MovePatchesOneSlot(document);
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

    // The floor on a copy of the project, as many rounds.
    std::vector<double> floorTimes;
    const std::string floorProject = base + "Floor.prj/";
    fs::copy(project, floorProject, fs::copy_options::recursive, error);
    for (int round = 0; round < kRounds; ++round) {
        Settle();
        const auto start = std::chrono::steady_clock::now();
        const bool moved = FloorOfMovedSave(floorProject);
        floorTimes.push_back(Seconds(start));
        if (!moved || !IsComplete(floorProject)) {
            std::fprintf(stderr, "the floor of the save in place failed\n");
            return 1;
        }
    }
    PrintFigure("floor: the same renames and flushes:", floorTimes);
    std::printf("%-48s %8.2f (target at most 1.50)\n",
                "ratio save in place / floor:", Median(moveTimes) / Median(floorTimes));

    PrintTracedCounts(fs::canonical("/proc/self/exe", error).string(), base, project);

    Orvanta::CleanWorkFolder();
    fs::remove_all(base, error);
    return 0;
}
