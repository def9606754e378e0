// Scanning the watched folders into the catalogue.

#include "library/CLibrary.h"
#include "library/ContentKey.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"
#include "model/COsc.h"
#include "model/CPatch.h"
#include "model/CTernData.h"
#include "sound/SoundFile.h"
#include "storage/PatchFile.h"
#include "storage/ProjectNaming.h"
#include "storage/SaveJournal.h"
#include "storage/Wildcard.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>

namespace Orvanta::Library {

namespace {

// A test's beforeWrite answered false: the scan stops as a crash would.
struct CScanAborted {};
// The cancel flag was set.
struct CScanCancelled {};

constexpr std::size_t kReferences = CPatch::kOscCount * COsc::kReferenceCount;
constexpr int kMaxDepth = 64;

// One patch or wave row, as catalogued or as read now.
struct CRow {
    ItemKind kind = ItemKind::kPatch;
    int slot = 0;
    std::string name;
    std::string file;
    std::int64_t size = 0;
    std::int64_t modified = 0;
    std::optional<std::string> content; // wave: its key; patch: hash of its data without wave numbers
    std::string refs;                   // patch: its 32 wave numbers
    std::optional<std::string> key;
    int sampleRate = 0;
    int channels = 0;
    int bits = 0;
    std::int64_t frames = 0;
    std::string audioError;
};

bool IsProjectFolderName(const std::string& name) {
    return name.size() > 4 && IsSameTextNoCase(name.substr(name.size() - 4), ".prj");
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string NumbersText(const std::array<int, kReferences>& numbers) {
    std::string text;
    for (const int n : numbers) {
        text += (text.empty() ? "" : " ") + std::to_string(n);
    }
    return text;
}

std::array<int, kReferences> ParseReferences(const std::string& text) {
    std::array<int, kReferences> numbers{};
    std::size_t index = 0;
    int value = 0;
    bool in = false;
    for (std::size_t i = 0; i <= text.size() && index < kReferences; ++i) {
        const char c = i < text.size() ? text[i] : ' ';
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            in = true;
        } else if (in) {
            numbers[index++] = value;
            value = 0;
            in = false;
        }
    }
    return numbers;
}

} // namespace

// The work of one Scan or RescanProject over the catalogue's connection.
class CScanner {
public:
    CScanner(CDatabase& db, const CScanOptions& options, CScanResult& result)
        : m_db(db), m_options(options), m_result(result), m_fileSystem(CDomain::Instance().FileSystem()) {}

    // Every project folder under `folder`, in name order, without following a link or entering a
    // hidden folder or a project.
    void Walk(const std::string& folder, int depth, std::vector<std::string>& projects) {
        if (depth > kMaxDepth) {
            return;
        }
        std::vector<std::string> names = m_fileSystem.ListEntries(folder);
        if (names.empty() && m_fileSystem.OpenFolder(folder + "/") == nullptr) {
            // Unreadable now: the projects catalogued under it are kept.
            m_unreadable.push_back(folder + "/");
            return;
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            CheckCancel();
            if (name.empty() || name.front() == '.') {
                continue;
            }
            const std::string path = Join(folder, name);
            if (m_fileSystem.IsSymbolicLink(path) || !m_fileSystem.IsFolder(path)) {
                continue;
            }
            if (IsProjectFolderName(name) && IsProjectFolder(path)) {
                projects.push_back(path);
                continue;
            }
            Walk(path, depth + 1, projects);
        }
    }

    [[nodiscard]] bool IsProjectFolder(const std::string& path) {
        for (const char* sub : {"Patch", "Wave"}) {
            const std::string subPath = Join(path, sub);
            if (m_fileSystem.IsSymbolicLink(subPath) || !m_fileSystem.IsFolder(subPath)) {
                return false;
            }
        }
        return true;
    }

    // Brings the rows of the project at `path` up to date, in one transaction when anything
    // changed. Throws CScanCancelled before writing when the cancel flag is set.
    void ScanProject(std::int64_t folderId, const std::string& path) {
        if (HasInterruptedSave(path + "/")) {
            m_result.notes.push_back(path + ": holds an interrupted save; kept as catalogued before");
            return;
        }
        std::optional<std::int64_t> projectId;
        {
            CStatement read(m_db, "SELECT id FROM project WHERE path = ?1");
            if (read.Bind(1, path).Step()) {
                projectId = read.Int(0);
            }
        }
        std::map<std::pair<ItemKind, int>, CRow> known;
        if (projectId) {
            CStatement read(m_db, "SELECT kind, slot, name, file, size, modified, content, COALESCE(refs, ''), key, "
                                  "sample_rate, channels, bits, frames, audio_error FROM item WHERE project_id = ?1");
            read.Bind(1, *projectId);
            while (read.Step()) {
                CRow row;
                row.kind = read.Text(0) == "wave" ? ItemKind::kWave : ItemKind::kPatch;
                row.slot = static_cast<int>(read.Int(1));
                row.name = read.Text(2);
                row.file = read.Text(3);
                row.size = read.Int(4);
                row.modified = read.Int(5);
                if (!read.IsNull(6)) {
                    row.content = read.Text(6);
                }
                row.refs = read.Text(7);
                if (!read.IsNull(8)) {
                    row.key = read.Text(8);
                }
                row.sampleRate = static_cast<int>(read.Int(9));
                row.channels = static_cast<int>(read.Int(10));
                row.bits = static_cast<int>(read.Int(11));
                row.frames = read.Int(12);
                row.audioError = read.Text(13);
                known.emplace(std::make_pair(row.kind, row.slot), std::move(row));
            }
        }
        bool changed = !projectId;
        std::vector<CRow> rows;
        const auto& patterns = ProjectFilePatterns();
        for (const ItemKind kind : {ItemKind::kPatch, ItemKind::kWave}) {
            const bool patches = kind == ItemKind::kPatch;
            std::string sub = patterns[patches ? 0 : 1].first;
            sub.pop_back(); // "Patch/" -> "Patch"
            const std::string subPath = Join(path, sub);
            const std::vector<std::string>& wildcards = patterns[patches ? 0 : 1].second;
            const int slotCount = static_cast<int>(patches ? kPatchSlots : kWaveSlots);
            std::unique_ptr<CFolder> folder = m_fileSystem.OpenFolder(subPath + "/");
            std::vector<std::string> names = m_fileSystem.ListEntries(subPath);
            std::sort(names.begin(), names.end());
            std::set<int> filled;
            for (const std::string& name : names) {
                CheckCancel();
                const bool matches = std::any_of(wildcards.begin(), wildcards.end(),
                                                 [&name](const std::string& w) { return MatchesWildcard(name, w); });
                if (!matches || !IsSlotFileName(name)) {
                    continue;
                }
                const int slot = ParseSlotNumber(name);
                if (slot < 1 || slot > slotCount || filled.count(slot) != 0) {
                    continue;
                }
                const std::string filePath = Join(subPath, name);
                // A link is never followed, whether it points into the project or out of it.
                if (m_fileSystem.IsSymbolicLink(filePath)) {
                    continue;
                }
                const CFileStamp stamp = m_fileSystem.Stamp(filePath);
                if (stamp.size < 0) {
                    continue;
                }
                filled.insert(slot);
                const auto found = known.find({kind, slot});
                if (found != known.end() && found->second.file == name && found->second.size == stamp.size &&
                    found->second.modified == stamp.modified && stamp.modified >= 0) {
                    rows.push_back(std::move(found->second));
                    known.erase(found);
                    continue;
                }
                if (found != known.end()) {
                    known.erase(found);
                }
                changed = true;
                CRow row;
                row.kind = kind;
                row.slot = slot;
                row.name = BareName(name);
                row.file = name;
                row.size = stamp.size;
                row.modified = stamp.modified;
                if (folder) {
                    if (patches) {
                        ReadPatch(*folder, filePath, name, row);
                    } else {
                        ReadWave(*folder, filePath, name, row);
                    }
                } else {
                    row.audioError = "the folder could not be opened";
                }
                ++m_result.filesRead;
                rows.push_back(std::move(row));
            }
        }
        changed = changed || !known.empty();
        // Patch fingerprints follow the waves they name: computed again whatever was read.
        std::map<int, std::string> waveKeys;
        for (const CRow& row : rows) {
            if (row.kind == ItemKind::kWave && row.key) {
                waveKeys[row.slot] = *row.key;
            }
        }
        for (CRow& row : rows) {
            if (row.kind != ItemKind::kPatch) {
                continue;
            }
            std::optional<std::string> key;
            if (row.content) {
                std::string text = *row.content;
                for (const int n : ParseReferences(row.refs)) {
                    const auto wave = waveKeys.find(n);
                    text += n == 0 ? ":-" : wave != waveKeys.end() ? ":" + wave->second : ":?";
                }
                key = ContentKeyOfText(text);
            }
            if (key != row.key) {
                row.key = key;
                changed = true;
            }
        }
        if (!changed) {
            return;
        }
        // A project that went away while it was read (a card pulled out) keeps what it had.
        if (!IsProjectFolder(path)) {
            m_result.notes.push_back(path + ": went away while it was read; kept as catalogued before");
            return;
        }
        Write(folderId, path, projectId, rows);
        ++m_result.projectsChanged;
    }

    // Removes the project rows of `folderId` whose paths are not in `found`.
    void DropMissing(std::int64_t folderId, const std::set<std::string>& found) {
        std::vector<std::pair<std::int64_t, std::string>> gone;
        {
            CStatement read(m_db, "SELECT id, path FROM project WHERE folder_id = ?1");
            read.Bind(1, folderId);
            while (read.Step()) {
                const std::string path = read.Text(1);
                const bool unreadable = std::any_of(m_unreadable.begin(), m_unreadable.end(),
                                                    [&path](const std::string& f) { return path.rfind(f, 0) == 0; });
                if (found.count(path) == 0 && !unreadable) {
                    gone.emplace_back(read.Int(0), path);
                }
            }
        }
        for (const auto& [id, path] : gone) {
            CheckCancel();
            CTransaction transaction(m_db);
            BeforeWrite();
            CStatement remove(m_db, "DELETE FROM project WHERE id = ?1");
            remove.Bind(1, id).Run();
            BeforeWrite();
            transaction.Commit();
            ++m_result.projectsDropped;
        }
    }

    void CheckCancel() const {
        if (m_options.cancel != nullptr && m_options.cancel->load()) {
            throw CScanCancelled{};
        }
    }

    void Progress(const CScanProgress& progress) const {
        if (m_options.progress) {
            m_options.progress(progress);
        }
    }

private:
    void BeforeWrite() const {
        if (m_options.beforeWrite && !m_options.beforeWrite()) {
            throw CScanAborted{};
        }
    }

    void ReadPatch(CFolder& folder, const std::string& filePath, const std::string& name, CRow& row) {
        const std::unique_ptr<CFile> file = folder.OpenRead(name);
        CPatch patch;
        std::vector<std::uint8_t> uninterpreted;
        if (!file || !ReadPatchFile(*file, filePath, patch, &uninterpreted)) {
            return;
        }
        std::array<int, kReferences> numbers{};
        CContentKey key;
        key.Add(uninterpreted.data(), uninterpreted.size());
        std::size_t index = 0;
        for (const COsc& osc : patch.m_osc) {
            COsc neutral = osc;
            for (int r = 0; r < static_cast<int>(COsc::kReferenceCount); ++r) {
                numbers[index++] = osc.GetWaveNumber(r);
                static_cast<void>(neutral.SetWaveNumber(r, 0));
            }
            key.Add(neutral.m_values.data(), neutral.m_values.size());
        }
        row.content = key.Hex();
        row.refs = NumbersText(numbers);
    }

    void ReadWave(CFolder& folder, const std::string& filePath, const std::string& name, CRow& row) {
        const std::unique_ptr<CFile> file = folder.OpenRead(name);
        if (!file) {
            row.audioError = "the file could not be opened";
            return;
        }
        // A wave of up to kWholeWave bytes is read once into memory, hashed there and handed to the
        // sound library from there; a larger one is hashed in pieces and read again for its details.
        constexpr std::int64_t kWholeWave = std::int64_t{16} << 20;
        const std::int64_t known = file->Stamp().size;
        const bool whole = known >= 0 && known <= kWholeWave;
        CContentKey key;
        std::vector<std::uint8_t> buffer(whole ? static_cast<std::size_t>(known) + 1 : 256 * 1024);
        std::int64_t total = 0;
        for (;;) {
            const std::span<std::uint8_t> free =
                whole ? std::span(buffer).subspan(static_cast<std::size_t>(
                            std::min<std::int64_t>(total, static_cast<std::int64_t>(buffer.size()) - 1)))
                      : std::span(buffer);
            const std::int64_t got = file->Read(free);
            if (got < 0) {
                row.audioError = "the file could not be read";
                return;
            }
            if (got == 0) {
                break;
            }
            key.Add(free.data(), static_cast<std::size_t>(got));
            total += got;
        }
        row.content = key.Hex();
        row.key = row.content;
        row.size = total;
        SoundAnalysis analysis;
        if (whole && total < static_cast<std::int64_t>(buffer.size())) {
            if (IsInstrumentWavePath(filePath)) {
                analysis.reason = kInstrumentWaveReason;
            } else {
                analysis = AnalyseSoundData(buffer.data(), static_cast<std::size_t>(total), 0);
            }
        } else {
            if (!file->Seek(0)) {
                row.audioError = "the file could not be read again";
                return;
            }
            analysis = AnalyseSound(*file, total, filePath, 0);
        }
        if (analysis.details) {
            row.sampleRate = analysis.details->sampleRate;
            row.channels = analysis.details->channels;
            row.bits = analysis.details->bits;
            row.frames = analysis.details->frames;
        } else {
            row.audioError = analysis.reason;
        }
    }

    void Write(std::int64_t folderId, const std::string& path, std::optional<std::int64_t> projectId,
               const std::vector<CRow>& rows) {
        CTransaction transaction(m_db);
        if (projectId) {
            BeforeWrite();
            CStatement clear(m_db, "DELETE FROM item WHERE project_id = ?1");
            clear.Bind(1, *projectId).Run();
            BeforeWrite();
            CStatement clearUses(m_db, "DELETE FROM uses WHERE project_id = ?1");
            clearUses.Bind(1, *projectId).Run();
        } else {
            BeforeWrite();
            CStatement insert(m_db, "INSERT INTO project(folder_id, path, name) VALUES (?1, ?2, ?3)");
            insert.Bind(1, folderId).Bind(2, path).Bind(3, ProjectFolderName(path)).Run();
            projectId = m_db.LastInsertId();
        }
        CStatement insert(m_db, "INSERT INTO item(project_id, kind, slot, name, file, size, modified, content, refs, "
                                "key, sample_rate, channels, bits, frames, audio_error) "
                                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
        CStatement use(m_db, "INSERT OR IGNORE INTO uses(project_id, wave_slot, patch_slot) VALUES (?1, ?2, ?3)");
        for (const CRow& row : rows) {
            BeforeWrite();
            insert.Bind(1, *projectId).Bind(2, KindName(row.kind)).Bind(3, row.slot).Bind(4, row.name);
            insert.Bind(5, row.file).Bind(6, row.size).Bind(7, row.modified).BindOptional(8, row.content);
            if (row.kind == ItemKind::kPatch) {
                insert.Bind(9, row.refs);
            }
            insert.BindOptional(10, row.key).Bind(11, row.sampleRate).Bind(12, row.channels).Bind(13, row.bits);
            insert.Bind(14, row.frames).Bind(15, row.audioError);
            insert.Run();
            insert.Reset();
            if (row.kind == ItemKind::kPatch) {
                for (const int n : ParseReferences(row.refs)) {
                    if (IsWaveSlotNumber(n)) {
                        use.Bind(1, *projectId).Bind(2, n).Bind(3, row.slot);
                        use.Run();
                        use.Reset();
                    }
                }
            }
        }
        BeforeWrite();
        transaction.Commit();
    }

    // Folders met in the walk that could not be read.
    std::vector<std::string> m_unreadable;
    CDatabase& m_db;
    const CScanOptions& m_options;
    CScanResult& m_result;
    CFileSystem& m_fileSystem;
};

namespace {

// Holds the catalogue's scan lock: an exclusive SQLite lock on a file beside the catalogue, which
// the system releases when the process ends, however it ends.
class CScanLock {
public:
    bool Take(const std::string& catalogue) {
        try {
            m_db.Open(catalogue + "-scan", true);
            sqlite3_busy_timeout(m_db.Handle(), 0);
            m_db.Execute("BEGIN EXCLUSIVE");
            return true;
        } catch (const CSqliteError&) {
            m_db.Close();
            return false;
        }
    }
    ~CScanLock() {
        if (m_db.IsOpen()) {
            try {
                m_db.Execute("ROLLBACK");
            } catch (const CSqliteError&) {
            }
        }
    }

private:
    CDatabase m_db;
};

} // namespace

CScanResult CLibrary::Scan(const CScanOptions& options) {
    CScanResult result;
    CScanLock lock;
    if (!lock.Take(m_path)) {
        result.outcome = CScanResult::Outcome::kBusy;
        result.error = "a scan of this catalogue is running already";
        return result;
    }
    CScanner scanner(m_db, options, result);
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    try {
        std::vector<std::pair<std::int64_t, std::string>> folders;
        {
            CStatement read(m_db, "SELECT id, path FROM folder ORDER BY path");
            while (read.Step()) {
                folders.emplace_back(read.Int(0), read.Text(0 + 1));
            }
        }
        CScanProgress progress;
        std::set<std::string> seen; // projects of an earlier folder (nested watched folders)
        for (const auto& [folderId, folder] : folders) {
            // A folder that is not there or cannot be read keeps its projects: an empty listing
            // must not drop them.
            if (fileSystem.IsSymbolicLink(folder) || !fileSystem.IsFolder(folder) ||
                fileSystem.OpenFolder(folder + "/") == nullptr) {
                result.notes.push_back(folder + ": cannot be reached; its projects are kept as catalogued");
                continue;
            }
            std::vector<std::string> projects;
            scanner.Walk(folder, 0, projects);
            progress.projectsFound += projects.size();
            std::set<std::string> found;
            for (const std::string& project : projects) {
                found.insert(project);
                if (!seen.insert(project).second) {
                    continue;
                }
                progress.project = project;
                scanner.Progress(progress);
                scanner.CheckCancel();
                scanner.ScanProject(folderId, project);
                ++progress.projectsDone;
                progress.filesRead = result.filesRead;
                ++result.projects;
            }
            scanner.DropMissing(folderId, found);
        }
        progress.project.clear();
        scanner.Progress(progress);
    } catch (const CScanCancelled&) {
        result.outcome = CScanResult::Outcome::kCancelled;
        result.error = "the scan was cancelled";
    } catch (const CScanAborted&) {
        result.outcome = CScanResult::Outcome::kFailed;
        result.error = "the scan was stopped";
    } catch (const CSqliteError& failure) {
        result.outcome = CScanResult::Outcome::kFailed;
        result.error = std::string("the catalogue could not be written: ") + failure.what();
    }
    return result;
}

bool CLibrary::RescanProject(const std::string& projectPath, std::string& error) {
    std::string path = projectPath;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    CScanResult result;
    const CScanOptions options;
    CScanner scanner(m_db, options, result);
    try {
        const std::optional<std::string> folder = WatchedFolderOf(path);
        if (!folder) {
            error = path + " is not under a watched folder";
            return false;
        }
        CStatement read(m_db, "SELECT id FROM folder WHERE path = ?1");
        if (!read.Bind(1, *folder).Step()) {
            error = "the watched folder went away";
            return false;
        }
        const std::int64_t folderId = read.Int(0);
        // Every step from the watched folder down must be a real folder, not a link.
        CFileSystem& fileSystem = CDomain::Instance().FileSystem();
        for (std::size_t end = path.find('/', folder->size() + 1);; end = path.find('/', end + 1)) {
            if (fileSystem.IsSymbolicLink(path.substr(0, end))) {
                error = path + " is reached through a link";
                return false;
            }
            if (end == std::string::npos) {
                break;
            }
        }
        if (fileSystem.IsSymbolicLink(path) || !scanner.IsProjectFolder(path)) {
            error = path + " is not a project folder";
            return false;
        }
        scanner.ScanProject(folderId, path);
    } catch (const CSqliteError& failure) {
        error = std::string("the catalogue could not be written: ") + failure.what();
        return false;
    } catch (const CScanAborted&) {
        error = "stopped";
        return false;
    } catch (const CScanCancelled&) {
        error = "cancelled";
        return false;
    }
    return true;
}

} // namespace Orvanta::Library
