// The project catalogue over a collection of 20 full projects (512 patches and 999 small waves
// each): the first scan against the floor of reading every file whole once, a rescan against the
// floor of listing and looking at every file, a search in the process, the whole "orvanta-cli
// library find" against "orvanta-cli --version", and the peak memory of the scan. Prints figures;
// asserts nothing. The collection is made in a fresh temporary folder (or the folder given as the
// first argument) and removed at the end.

#include "library/CLibrary.h"
#include "model/CDomain.h"
#include "model/CPatch.h"
#include "model/CTernData.h"
#include "storage/CSvdManager.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using namespace Orvanta;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kProjects = 20;
constexpr int kWaveFrames = 600; // 1244-byte mono 16-bit WAV files
// At most five letters each: two words and the slot prefix stay within a slot file's 16 characters.
const char* const kWords[] = {"Pad",   "Bass", "Lead", "Keys", "Str",  "Brass", "Choir", "Bell",  "Pluck", "Organ",
                              "Glass", "Dark", "Warm", "Soft", "Deep", "Saw",   "Sqr",   "Sweep", "Noise", "Piano"};

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Wav(int seed) {
    std::vector<std::uint8_t> bytes;
    const auto put = [&bytes](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    };
    const auto putText = [&bytes](std::string_view text) {
        for (const char c : text) {
            bytes.push_back(static_cast<std::uint8_t>(c));
        }
    };
    const std::uint32_t data = kWaveFrames * 2;
    putText("RIFF");
    put(36 + data, 4);
    putText("WAVEfmt ");
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(44100, 4);
    put(88200, 4);
    put(2, 2);
    put(16, 2);
    putText("data");
    put(data, 4);
    for (int i = 0; i < kWaveFrames; ++i) {
        put(static_cast<std::uint32_t>((i * 31 + seed * 7919) & 0x7fff), 2);
    }
    return bytes;
}

std::string Name(int n) {
    return std::string(kWords[n % 20]) + " " + kWords[(n / 20) % 20];
}

// Project p: every patch and wave slot used. Half the waves are shared by every project (the same
// content in the same slot), so the collection has duplicates.
void MakeProject(const fs::path& project, int p) {
    fs::create_directories(project / "Patch");
    fs::create_directories(project / "Wave");
    for (int n = 1; n <= static_cast<int>(kPatchSlots); ++n) {
        CPatch patch;
        patch.m_osc[0].m_values[18] = 1;
        patch.m_osc[0].SetWaveNumber(0, n);
        std::vector<std::uint8_t> bytes(kPatchHeaderTemplate.begin(), kPatchHeaderTemplate.end());
        bytes.resize(kPatchRecordSize, 0);
        bytes[40] = static_cast<std::uint8_t>(n % 2 == 0 ? 0 : p); // odd patches differ between projects
        CSvdManager().PackPatch(patch, std::span(bytes).subspan(kPatchBlocksOffset).first<kPackedPatchSize>());
        WriteFile(project / "Patch" / (FormatSlotNumber(n) + Name(n + p) + ".p00"), bytes);
    }
    for (int n = 1; n <= static_cast<int>(kWaveSlots); ++n) {
        WriteFile(project / "Wave" / (FormatSlotNumber(n) + Name(n * 3 + p) + ".wav"),
                  Wav(n % 2 == 0 ? n : n * 100 + p));
    }
}

std::vector<fs::path> AllFiles(const fs::path& root) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    return files;
}

// Reads every file under `root` whole once: the least a first scan must do.
double ReadFloor(const fs::path& root) {
    const auto start = Clock::now();
    std::vector<char> buffer(256 * 1024);
    std::size_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
                total += static_cast<std::size_t>(in.gcount());
            }
        }
    }
    const double ms = Millis(Clock::now() - start);
    std::printf("  (floor read %zu bytes)\n", total);
    return ms;
}

// Lists every folder and looks at every file's entry: the least a rescan must do.
double StatFloor(const fs::path& root) {
    const auto start = Clock::now();
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat status {};
        if (::lstat(entry.path().c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            ++files;
        }
    }
    const double ms = Millis(Clock::now() - start);
    std::printf("  (floor looked at %zu files)\n", files);
    return ms;
}

long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

void ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

// Wall time of running `args` with the output thrown away, median of `rounds`.
double RunMillis(const std::vector<std::string>& args, int rounds) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        std::fflush(stdout);
        std::fflush(stdout);
        const auto start = Clock::now();
        const pid_t child = ::fork();
        if (child == 0) {
            std::freopen("/dev/null", "w", stdout);
            std::vector<char*> argv;
            for (const std::string& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        times.push_back(Millis(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    CDomain::Instance().SetSeparator("/");
    const fs::path root =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / ("bench-library-" + std::to_string(::getpid()));
    const fs::path collection = root / "collection";
    const std::string catalogue = (root / "library.sqlite3").string();
    fs::remove_all(root);
    auto start = Clock::now();
    for (int p = 0; p < kProjects; ++p) {
        MakeProject(collection / ("card" + std::to_string(p % 4)) / ("Project " + std::to_string(p) + ".prj"), p);
    }
    std::printf("made %d projects, %zu files, in %.0f ms\n", kProjects, AllFiles(collection).size(),
                Millis(Clock::now() - start));

    Library::CLibrary library;
    std::vector<std::string> messages;
    std::string error;
    if (!library.Open(catalogue, messages, error) || !library.AddFolder(collection.string(), error)) {
        std::fprintf(stderr, "bench_library: %s\n", error.c_str());
        return 1;
    }
    const double readFloor = ReadFloor(collection);
    ResetPeak();
    start = Clock::now();
    const std::clock_t scanCpu = std::clock();
    Library::CScanResult result = library.Scan();
    const double firstScan = Millis(Clock::now() - start);
    std::printf("  (first scan: %.0f ms of processor time; other programs may hold the processor)\n",
                1000.0 * static_cast<double>(std::clock() - scanCpu) / CLOCKS_PER_SEC);
    const long peak = PeakKilobytes();
    std::printf("first scan:  %8.1f ms (%zu files read)   floor, every file read whole once: %8.1f ms   ratio %.1f\n",
                firstScan, result.filesRead, readFloor, firstScan / readFloor);
    std::printf("peak memory during the scan: %ld KB\n", peak);

    const double statFloor = StatFloor(collection);
    start = Clock::now();
    result = library.Scan();
    const double rescan = Millis(Clock::now() - start);
    std::printf(
        "rescan:      %8.1f ms (%zu files read)   floor, every file listed and looked at: %8.1f ms   ratio %.1f\n",
        rescan, result.filesRead, statFloor, rescan / statFloor);

    constexpr int kFinds = 200;
    for (const char* words : {"glass pad", "sw", "piano"}) {
        Library::CFindQuery query;
        query.words = words;
        std::size_t hits = 0;
        start = Clock::now();
        const std::clock_t cpuStart = std::clock();
        for (int i = 0; i < kFinds; ++i) {
            hits = library.Find(query).size();
        }
        const double cpu = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        std::printf("find \"%s\" in the process: %.3f ms per search, %.3f ms of processor time (%zu hits; "
                    "target < 5 ms)\n",
                    words, Millis(Clock::now() - start) / kFinds, cpu / kFinds, hits);
    }
    Library::CFindQuery favourites;
    favourites.favourites = true;
    start = Clock::now();
    static_cast<void>(library.Find(favourites));
    std::printf("find favourites in the process: %.3f ms\n", Millis(Clock::now() - start));

    const std::string cli = ORVANTA_CLI_PATH;
    const double tool = RunMillis({cli, "library", "--library", catalogue, "find", "glass pad"}, 9);
    const double version = RunMillis({cli, "--version"}, 9);
    std::printf("orvanta-cli library find: %.1f ms   orvanta-cli --version: %.1f ms   difference %.1f ms\n", tool,
                version, tool - version);
    if (argc <= 1) {
        fs::remove_all(root);
    }
    return 0;
}
