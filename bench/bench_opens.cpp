// How often reading a full project (512 patches, 999 waves, some waves byte-identical) opens each
// of its files: in process, through a file system that counts every open by path (loading, the
// wave memory and source check, the preview of a save in place); and for whole runs of orvanta-cli
// ("info", "duplicates" when the tool has it, and a script that opens the project and previews its
// save), by counting the open system calls on project files under strace.
//
//   bench_opens [ORVANTA-CLI]     (default: ../src/cli/orvanta-cli beside this program)

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/CPatch.h"
#include "storage/CSvdManager.h"
#include "storage/CTernFileDocument.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"
#include "storage/WaveImport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace Orvanta;

namespace {

constexpr std::size_t kWaveBytes = 4096;

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every slot used; patch n uses waves n and n + 487; every tenth wave repeats the one before.
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
        WriteFile(project / "Wave" / (FormatSlotNumber(n) + "Wave " + std::to_string(n) + ".w00"), wave);
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

// Open system calls of a whole orvanta-cli run on files below `project`, counted with strace;
// -1 when the run could not be traced.
long TracedOpens(const std::string& command, const fs::path& project, const fs::path& log) {
    const std::string line =
        "strace -f -qq -e trace=open,openat -o '" + log.string() + "' " + command + " >/dev/null 2>&1";
    if (std::system(line.c_str()) == -1) {
        return -1;
    }
    std::ifstream file(log);
    if (!file) {
        return -1;
    }
    long opens = 0;
    const std::string needle = "\"" + project.string() + "/";
    for (std::string text; std::getline(file, text);) {
        // Files of "Patch" and "Wave"; not the folders themselves (listing opens them), not the
        // staging folder.
        const bool inProject = text.find("Patch/") != std::string::npos || text.find("Wave/") != std::string::npos;
        if (inProject && text.find(needle) != std::string::npos && text.find(kSaveStagingFolder) == std::string::npos &&
            text.find("/\", O_") == std::string::npos) {
            ++opens;
        }
    }
    return opens;
}

bool CliHas(const std::string& cli, const std::string& command) {
    const std::string line = "'" + cli + "' --help 2>&1 | grep -q '^ *" + command + " '";
    return std::system(line.c_str()) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path self = fs::absolute(argv[0]).parent_path();
    const std::string cli = argc > 1 ? argv[1] : (self / "../src/cli/orvanta-cli").lexically_normal().string();
    const fs::path folder = fs::temp_directory_path() / ("bench_opens-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path project = GenerateProject(folder);
    const std::size_t files = kPatchSlots + kWaveSlots;
    std::printf("A full project: %zu patch files, %zu wave files (%zu files)\n", kPatchSlots, kWaveSlots, files);

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

    std::printf("Whole runs of %s, open calls on project files (strace):\n", cli.c_str());
    const fs::path log = folder / "strace.log";
    const fs::path script = folder / "preview.txt";
    std::ofstream(script) << "open P \"" << project.string() << "\"\npreview P\n";
    struct Run {
        const char* label;
        std::string command;
    };
    std::vector<Run> runs = {{"info PROJECT --json", "'" + cli + "' info '" + project.string() + "' --json"}};
    if (CliHas(cli, "duplicates")) {
        runs.push_back({"duplicates PROJECT --json", "'" + cli + "' duplicates '" + project.string() + "' --json"});
    } else {
        std::printf("  (this orvanta-cli has no \"duplicates\" command)\n");
    }
    runs.push_back({"run: open PROJECT, preview", "'" + cli + "' run '" + script.string() + "'"});
    for (const Run& run : runs) {
        const long opens = TracedOpens(run.command, project, log);
        if (opens < 0) {
            std::printf("  %-44s not traced (is strace installed?)\n", run.label);
            continue;
        }
        std::printf("  %-44s %6ld opens  %5.2f per file\n", run.label, opens,
                    static_cast<double>(opens) / static_cast<double>(files));
    }
    fs::remove_all(folder);
    return 0;
}
