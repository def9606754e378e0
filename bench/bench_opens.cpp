// How often reading a full project (512 patches, 999 waves of 50 MB in all: instrument waves, WAV
// files, and sound files the sound library cannot read; some waves byte-identical) touches each of
// its files: in process, through a file system that counts every open by path (loading, the wave
// memory and source check, the preview of a save in place); and for whole runs of orvanta-cli
// ("info", "duplicates" when the tool has it, and a script that opens the project and previews its
// save) under strace: every system call of the process, the opens and the path look-ups (stat,
// lstat, access, ...) of project files, per file. Last, the whole "info --json" process timed
// against a floor process that reads each patch file once and opens each wave file once, and beside
// it that floor reading the sound files whole (as info must, for their peaks) and a bare start.
//
//   bench_opens [ORVANTA-CLI]     (default: ../src/cli/orvanta-cli beside this program)
//   bench_opens --floor PROJECT   (the floor process itself; --floor-sounds also reads the WAV files)
//   bench_opens --generate FOLDER (only writes the project, as FOLDER/Full.prj)

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CPatch.h"
#include "storage/CSvdManager.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"
#include "storage/WaveImport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <spawn.h>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace Orvanta;

namespace {

// 999 waves of this size stay just under the 50 MB a project may hold.
constexpr std::size_t kWaveBytes = 52000;
constexpr int kTimedRuns = 11;

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A mono 16-bit WAV file of `size` bytes at 44100 Hz whose samples are the bytes already there.
void MakeWav(std::vector<std::uint8_t>& bytes) {
    const auto size = static_cast<std::uint32_t>(bytes.size());
    std::memcpy(bytes.data(), "RIFF....WAVEfmt ", 16);
    PutLittleEndian(bytes, 4, size - 8, 4);
    PutLittleEndian(bytes, 16, 16, 4);        // format chunk size
    PutLittleEndian(bytes, 20, 1, 2);         // PCM
    PutLittleEndian(bytes, 22, 1, 2);         // channels
    PutLittleEndian(bytes, 24, 44100, 4);     // frames per second
    PutLittleEndian(bytes, 28, 44100 * 2, 4); // bytes per second
    PutLittleEndian(bytes, 32, 2, 2);         // bytes per frame
    PutLittleEndian(bytes, 34, 16, 2);        // bits
    std::memcpy(bytes.data() + 36, "data", 4);
    PutLittleEndian(bytes, 40, size - 44, 4);
}

// Every slot used; patch n uses waves n and n + 487; every tenth wave repeats the one before. Of four
// waves one is the instrument's own (".w00"), one a WAV file, and two are files the sound library
// cannot read (".aif" and, alternately, ".vpw" or ".wav").
fs::path GenerateProject(const fs::path& parent) {
    const fs::path project = parent / "Full.prj";
    fs::create_directories(project / "Patch");
    fs::create_directories(project / "Wave");
    for (int n = 1; n <= static_cast<int>(kPatchSlots); ++n) {
        CPatch patch;
        for (std::size_t osc = 0; osc < 2; ++osc) {
            patch.m_osc[osc].m_values[18] = 1;
            (void)patch.m_osc[osc].SetWaveNumber(0, n + static_cast<int>(osc) * 487);
        }
        std::vector<std::uint8_t> bytes(kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end());
        bytes.resize(kPatchRecordSize, 0);
        CSvdManager().PackPatch(patch, std::span(bytes).subspan(kPatchBlocksOffset).first<kPackedPatchSize>());
        WriteFile(project / "Patch" / (FormatSlotNumber(n) + "Patch " + std::to_string(n) + ".p00"), bytes);
    }
    std::mt19937 random(7);
    std::vector<std::uint8_t> wave(kWaveBytes);
    for (int n = 1; n <= static_cast<int>(kWaveSlots); ++n) {
        if (n % 10 != 0) {
            for (std::uint8_t& byte : wave) {
                byte = static_cast<std::uint8_t>(random());
            }
        }
        const char* extension = n % 4 == 0   ? ".w00"
                                : n % 4 == 1 ? ".wav"
                                : n % 4 == 2 ? ".aif"
                                : n % 8 == 3 ? ".vpw"
                                             : ".wav";
        std::vector<std::uint8_t> bytes = wave;
        if (n % 4 == 1) {
            MakeWav(bytes);
        }
        WriteFile(project / "Wave" / (FormatSlotNumber(n) + "Wave " + std::to_string(n) + extension), bytes);
    }
    return project;
}

// The native file system, counting every call that opens a file, by path.
class CCountingFileSystem : public CFileSystem {
public:
    explicit CCountingFileSystem(CFileSystem& inner) : m_inner(inner) {}

    std::unique_ptr<CFile> OpenRead(const std::string& path) override { return Count(path), m_inner.OpenRead(path); }
    bool CanOpenForReading(const std::string& path) override { return Count(path), m_inner.CanOpenForReading(path); }
    std::unique_ptr<CFile> OpenReadWrite(const std::string& path) override {
        return Count(path), m_inner.OpenReadWrite(path);
    }
    bool CopyWholeFile(const std::string& from, const std::string& to) override {
        return Count(from), Count(to), m_inner.CopyWholeFile(from, to);
    }
    bool Rename(const std::string& from, const std::string& to) override { return m_inner.Rename(from, to); }
    bool Delete(const std::string& path) override { return m_inner.Delete(path); }
    FolderCreation CreateFolder(const std::string& path) override { return m_inner.CreateFolder(path); }
    bool RemoveFolder(const std::string& path) override { return m_inner.RemoveFolder(path); }
    std::vector<std::string> ListFolder(const std::string& folder, const std::string& pattern) override {
        return m_inner.ListFolder(folder, pattern);
    }
    std::vector<std::string> ListFolderMatchingAny(const std::string& folder,
                                                   const std::vector<std::string>& patterns) override {
        return m_inner.ListFolderMatchingAny(folder, patterns);
    }
    bool CopyToNewFile(const std::string& from, const std::string& to, bool durable) override {
        return Count(from), Count(to), m_inner.CopyToNewFile(from, to, durable);
    }
    bool WriteNewFile(const std::string& path, std::span<const std::uint8_t> data, bool durable) override {
        return Count(path), m_inner.WriteNewFile(path, data, durable);
    }
    bool Sync(const std::string& path) override { return m_inner.Sync(path); }
    bool SyncFileSystem(const std::string& path) override { return m_inner.SyncFileSystem(path); }
    bool IsLinked(const std::string& path) override { return m_inner.IsLinked(path); }
    bool IsSymbolicLink(const std::string& path) override { return m_inner.IsSymbolicLink(path); }
    std::int64_t FileSystemOf(const std::string& path) override { return m_inner.FileSystemOf(path); }
    CLockAttempt TryLock(const std::string& path) override { return m_inner.TryLock(path); }
    bool MoveToTrash(const std::string& path) override { return m_inner.MoveToTrash(path); }
    bool UsesTrash() override { return m_inner.UsesTrash(); }
    std::vector<std::string> ListEntries(const std::string& folder) override { return m_inner.ListEntries(folder); }
    std::int64_t FileSize(const std::string& path) override { return Count(path), m_inner.FileSize(path); }
    CFileStamp Stamp(const std::string& path) override { return m_inner.Stamp(path); }
    bool IsFolder(const std::string& path) override { return m_inner.IsFolder(path); }
    bool Exists(const std::string& path) override { return m_inner.Exists(path); }
    bool IsSameEntry(const std::string& first, const std::string& second) override {
        return m_inner.IsSameEntry(first, second);
    }

    // Opens since the last call, and the most any one file was opened.
    std::pair<std::size_t, int> Take() {
        std::size_t total = 0;
        int most = 0;
        for (const auto& [path, count] : m_opens) {
            total += static_cast<std::size_t>(count);
            most = std::max(most, count);
        }
        m_opens.clear();
        return {total, most};
    }

private:
    void Count(const std::string& path) { ++m_opens[path]; }

    CFileSystem& m_inner;
    std::map<std::string, int> m_opens;
};

void PrintLine(const char* what, std::size_t opens, int most, std::size_t files) {
    std::printf("  %-44s %6zu opens  %5.2f per file  at most %d of one file\n", what, opens,
                static_cast<double>(opens) / static_cast<double>(files), most);
}

// What strace saw of a whole run.
struct CTrace {
    long calls = -1;    // every system call of the process and its children
    long opens = 0;     // opens of project files and folders
    long pathStats = 0; // look-ups of project paths that open nothing (stat, lstat, access, ...)
};

// The name of the system call a line of `strace -f` shows, or "" for a line that is none (a signal,
// an exit, the second half of a call that was interrupted). The process number before it is padded
// with spaces to five places.
std::string CallName(const std::string& line) {
    const std::size_t pid = line.find(' ');
    const std::size_t start = pid == std::string::npos ? pid : line.find_first_not_of(' ', pid);
    if (start == std::string::npos || line.compare(start, 4, "<...") == 0) {
        return {};
    }
    const std::size_t end = line.find('(', start);
    return end == std::string::npos ? std::string() : line.substr(start, end - start);
}

// A whole run of `command` under strace; calls -1 when it could not be traced. Paths of descriptors
// are shown (-y), so that an open relative to a folder's descriptor still names the project.
CTrace Trace(const std::string& command, const fs::path& project, const fs::path& log) {
    CTrace trace;
    const std::string line = "strace -f -qq -y -o '" + log.string() + "' " + command + " >/dev/null 2>&1";
    if (std::system(line.c_str()) == -1) {
        return trace;
    }
    std::ifstream file(log);
    if (!file) {
        return trace;
    }
    static const std::vector<std::string> kOpens = {"open", "openat", "openat2", "creat"};
    static const std::vector<std::string> kLookUps = {"stat",     "lstat",      "newfstatat", "fstatat64",
                                                      "statx",    "access",     "faccessat",  "faccessat2",
                                                      "readlink", "readlinkat", "stat64",     "lstat64"};
    const std::string projectText = project.string();
    trace.calls = 0;
    for (std::string text; std::getline(file, text);) {
        const std::string name = CallName(text);
        if (name.empty() || name == "execve") {
            trace.calls += name == "execve" ? 1 : 0;
            continue;
        }
        ++trace.calls;
        const bool inProject =
            text.find(projectText) != std::string::npos && text.find(kSaveStagingFolder) == std::string::npos;
        if (!inProject) {
            continue;
        }
        if (std::find(kOpens.begin(), kOpens.end(), name) != kOpens.end()) {
            ++trace.opens;
        } else if (std::find(kLookUps.begin(), kLookUps.end(), name) != kLookUps.end() &&
                   text.find("AT_EMPTY_PATH") == std::string::npos) {
            ++trace.pathStats;
        }
    }
    return trace;
}

void PrintTrace(const char* label, const CTrace& trace, std::size_t files) {
    if (trace.calls < 0) {
        std::printf("  %-30s not traced (is strace installed?)\n", label);
        return;
    }
    const auto perFile = [files](long count) { return static_cast<double>(count) / static_cast<double>(files); };
    std::printf("  %-30s %6ld calls %5.2f per file   %5ld opens %5.2f per file   %5ld path stats %5.2f per file\n",
                label, trace.calls, perFile(trace.calls), trace.opens, perFile(trace.opens), trace.pathStats,
                perFile(trace.pathStats));
}

// Wall-clock milliseconds of one run of `arguments`, its output thrown away; -1 when it failed.
double TimeRun(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The floor process: lists "Patch" and "Wave", reads each patch file once and opens each wave file
// once, by path, with the C library's plain calls.
int RunFloor(const std::string& project, bool readSounds) {
    std::size_t bytes = 0;
    for (const char* folder : {"/Patch/", "/Wave/"}) {
        const std::string path = project + folder;
        DIR* directory = ::opendir(path.c_str());
        if (directory == nullptr) {
            return 1;
        }
        const bool read = std::strcmp(folder, "/Patch/") == 0;
        while (const dirent* entry = ::readdir(directory)) {
            if (entry->d_name[0] == '.') {
                continue;
            }
            const int descriptor = ::open((path + entry->d_name).c_str(), O_RDONLY | O_CLOEXEC);
            if (descriptor < 0) {
                return 1;
            }
            char buffer[2048];
            bytes +=
                read ? static_cast<std::size_t>(std::max<ssize_t>(0, ::read(descriptor, buffer, sizeof buffer))) : 0U;
            // The sound files info reads whole, for their peaks: those libsndfile decodes.
            if (readSounds && std::string_view(entry->d_name).ends_with(".wav")) {
                static char sound[64 * 1024];
                while (::read(descriptor, sound, sizeof sound) > 0) {
                }
            }
            ::close(descriptor);
        }
        ::closedir(directory);
    }
    return bytes == kPatchSlots * kPatchRecordSize ? 0 : 1;
}

struct CSpread {
    double median = 0;
    double least = 0;
    double most = 0;
};

CSpread SpreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

bool CliHas(const std::string& cli, const std::string& command) {
    const std::string line = "'" + cli + "' --help 2>&1 | grep -q '^ *" + command + " '";
    return std::system(line.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && (std::string(argv[1]) == "--floor" || std::string(argv[1]) == "--floor-sounds")) {
        return RunFloor(argv[2], std::string(argv[1]) == "--floor-sounds");
    }
    if (argc == 3 && std::string(argv[1]) == "--generate") {
        return GenerateProject(argv[2]).empty() ? 1 : 0;
    }
    const fs::path self = fs::absolute(argv[0]);
    const std::string cli =
        argc > 1 ? argv[1] : (self.parent_path() / "../src/cli/orvanta-cli").lexically_normal().string();
    const fs::path folder = fs::temp_directory_path() / ("bench_opens-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path project = GenerateProject(folder);
    const std::size_t files = kPatchSlots + kWaveSlots;
    std::printf("A full project: %zu patch files, %zu wave files of %zu bytes (%zu files)\n", kPatchSlots, kWaveSlots,
                kWaveBytes, files);

    std::printf("In process, counted by path:\n");
    CCountingFileSystem counting(NativeFileSystem());
    CDomain::Instance().SetFileSystem(&counting);
    {
        CTernFileDocument document;
        if (!document.OpenProjectFolder(project.string())) {
            std::fprintf(stderr, "the project does not load\n");
            return 1;
        }
        auto [opens, most] = counting.Take();
        PrintLine("open the project", opens, most, files);
        (void)TotalWaveSize(document.Data());
        (void)CTernFileDocument::CheckSourceFiles(document.Data());
        std::tie(opens, most) = counting.Take();
        PrintLine("wave memory and source check", opens, most, files);
        CSavePreview preview;
        std::string reason;
        if (!document.PreviewSave(project.string(), preview, reason)) {
            std::fprintf(stderr, "no preview: %s\n", reason.c_str());
            return 1;
        }
        std::tie(opens, most) = counting.Take();
        PrintLine("preview of a save in place", opens, most, files);
    }
    CDomain::Instance().SetFileSystem(nullptr);

    std::printf("Whole runs under strace (targets for info: at most 3 calls, 1.05 opens, 1.05 path stats per "
                "file):\n");
    const fs::path log = folder / "strace.log";
    const fs::path script = folder / "preview.txt";
    std::ofstream(script) << "open P \"" << project.string() << "\"\npreview P\n";
    struct Run {
        const char* label;
        std::string command;
    };
    std::vector<Run> runs = {{"floor", "'" + self.string() + "' --floor '" + project.string() + "'"},
                             {"info PROJECT --json", "'" + cli + "' info '" + project.string() + "' --json"}};
    if (CliHas(cli, "duplicates")) {
        runs.push_back({"duplicates PROJECT --json", "'" + cli + "' duplicates '" + project.string() + "' --json"});
    } else {
        std::printf("  (this orvanta-cli has no \"duplicates\" command)\n");
    }
    runs.push_back({"run: open PROJECT, preview", "'" + cli + "' run '" + script.string() + "'"});
    for (const Run& run : runs) {
        PrintTrace(run.label, Trace(run.command, project, log), files);
    }

    // Rounds alternate, after one untimed run of each that warms the caches alike.
    const std::vector<std::string> floorRun = {self.string(), "--floor", project.string()};
    const std::vector<std::string> infoRun = {cli, "info", project.string(), "--json"};
    (void)TimeRun(floorRun);
    (void)TimeRun(infoRun);
    // Where the rest goes: a floor that also reads the sound files whole, and orvanta-cli starting
    // (loading its libraries) without a project.
    const std::vector<std::string> soundFloorRun = {self.string(), "--floor-sounds", project.string()};
    const std::vector<std::string> startRun = {cli, "--version"};
    std::vector<double> floors;
    std::vector<double> infos;
    std::vector<double> ratios;
    std::vector<double> soundFloors;
    std::vector<double> starts;
    for (int round = 0; round < kTimedRuns; ++round) {
        floors.push_back(TimeRun(floorRun));
        infos.push_back(TimeRun(infoRun));
        ratios.push_back(infos.back() / floors.back());
        soundFloors.push_back(TimeRun(soundFloorRun));
        starts.push_back(TimeRun(startRun));
        if (floors.back() < 0 || infos.back() < 0 || soundFloors.back() < 0 || starts.back() < 0) {
            std::fprintf(stderr, "a timed run failed\n");
            return 1;
        }
    }
    fs::remove_all(folder);
    const CSpread floor = SpreadOf(floors);
    const CSpread info = SpreadOf(infos);
    const CSpread ratio = SpreadOf(ratios);
    std::printf("Whole processes, wall clock, %d runs each (median, least to most):\n", kTimedRuns);
    std::printf("  %-30s %8.2f ms  (%.2f to %.2f)\n", "floor", floor.median, floor.least, floor.most);
    std::printf("  %-30s %8.2f ms  (%.2f to %.2f)\n", "info PROJECT --json", info.median, info.least, info.most);
    std::printf("  %-30s %8.2f     (%.2f to %.2f per round)   (target at most 2.00)\n", "ratio",
                info.median / floor.median, ratio.least, ratio.most);
    for (const auto& [label, times] :
         {std::pair{"floor, sound files read whole", &soundFloors}, std::pair{"orvanta-cli --version", &starts}}) {
        const CSpread spread = SpreadOf(*times);
        std::printf("  %-30s %8.2f ms  (%.2f to %.2f)\n", label, spread.median, spread.least, spread.most);
    }
    return 0;
}
