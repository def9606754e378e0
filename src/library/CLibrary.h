#pragma once

#include "library/CSqlite.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Orvanta::Library {

// The catalogue of every project under the user's watched folders, in one SQLite file: the projects
// found by the last scan with their patches and waves (names, slots, sizes, content keys, sound
// details), and the user's favourites, tags and notes keyed by content, so that they follow a patch
// or wave into every copy and survive rescans. Everything but the marks is derived from the project
// folders and is rebuilt by a scan. Project folders are only read, never written, locked or marked.
//
// Content keys: a wave's is the 128-bit hash (XXH3) of its file's bytes; a patch's (its fingerprint)
// hashes its file's bytes after the container header, with the wave numbers in its oscillator blocks
// replaced by the content keys of the waves they name, so that a patch copied into another project
// with its waves in other slots keeps its key. The name is in neither: it is the file's name.

enum class ItemKind { kPatch, kWave };
[[nodiscard]] const char* KindName(ItemKind kind); // "patch" or "wave"
[[nodiscard]] std::optional<ItemKind> ParseKind(const std::string& text);

// One patch or wave of a catalogued project.
struct CItem {
    std::string project; // the project folder's path
    ItemKind kind = ItemKind::kPatch;
    int number = 0; // slot, from 1
    std::string name;
    std::string file; // file name in Patch/ or Wave/
    std::int64_t bytes = 0;
    std::string key; // content key (hex); empty when the file could not be read
    bool favourite = false;
    std::vector<std::string> tags;
    std::string note;
    // Waves: what the sound library read from the file (zero when it could not), or why not.
    int sampleRate = 0;
    int channels = 0;
    int bits = 0;
    std::int64_t frames = 0;
    std::string audioError;
    // Patches: the wave slots their oscillators use, ascending, each once.
    std::vector<int> waves;
};

// What a search selects. Empty `words` select by the filters alone.
struct CFindQuery {
    std::string words; // words of the names, each matching the start of a word (any letter case)
    std::optional<ItemKind> kind;
    std::string tag; // only items carrying this tag
    bool favourites = false;
    std::string project;      // only this project (its path)
    bool unusedWaves = false; // only waves that no patch of their project uses
    std::size_t limit = 0;    // 0: no limit
};

// A wave or patch and every copy of it in the collection.
struct CCopies {
    CItem item;
    // Every item with the same content key, the item itself included, in project then slot order;
    // for waves, `users` holds the patch slots of that project that use each copy.
    std::vector<CItem> copies;
    std::vector<std::vector<int>> users;
};

// Items sharing one content key across the collection.
struct CDuplicateGroup {
    ItemKind kind = ItemKind::kWave;
    std::string key;
    std::int64_t totalBytes = 0; // of all copies
    std::vector<CItem> members;
};

struct CScanProgress {
    std::size_t projectsFound = 0; // so far
    std::size_t projectsDone = 0;
    std::string project; // the one being read
    std::size_t filesRead = 0;
};

struct CScanOptions {
    std::function<void(const CScanProgress&)> progress;
    const std::atomic<bool>* cancel = nullptr; // checked between files and projects
    // Called before each statement that writes the catalogue; answering false aborts the scan there
    // (its transaction rolled back), as a crash at that moment would. For tests.
    std::function<bool()> beforeWrite;
};

struct CScanResult {
    enum class Outcome { kDone, kCancelled, kBusy, kFailed };
    Outcome outcome = Outcome::kDone;
    std::size_t projects = 0;        // found
    std::size_t projectsChanged = 0; // whose rows were written
    std::size_t projectsDropped = 0; // gone from their watched folders
    std::size_t filesRead = 0;
    std::vector<std::string> notes; // projects or folders passed over, and why
    std::string error;
};

// Favourites, tags and notes of one content key, as exported.
struct CMarks {
    ItemKind kind = ItemKind::kPatch;
    std::string key;
    bool favourite = false;
    std::vector<std::string> tags;
    std::string note;
};

class CLibrary {
public:
    CLibrary();
    ~CLibrary();
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    // The catalogue file of the user: "library.sqlite3" in the application's data folder
    // ($XDG_DATA_HOME, else ~/.local/share, then "Veltrane/Orvanta Librarian"; %APPDATA% on Windows).
    [[nodiscard]] static std::string DefaultPath();

    // Opens the catalogue at `path`, creating it (and its folder) when missing, and brings its
    // schema up to date. A file that is not SQLite or that SQLite finds damaged is renamed aside
    // ("NAME.damaged-N"), never deleted, and a new catalogue is made; the marks still readable in
    // the old file are taken over. `messages` receives what the user should be told.
    bool Open(const std::string& path, std::vector<std::string>& messages, std::string& error);
    [[nodiscard]] const std::string& Path() const { return m_path; }

    // Watched folders, as absolute paths.
    bool AddFolder(const std::string& folder, std::string& error);
    // Removes the folder and the projects found under it; marks stay.
    bool RemoveFolder(const std::string& folder, std::string& error);
    [[nodiscard]] std::vector<std::string> Folders();
    // The watched folder that holds `path`, if any.
    [[nodiscard]] std::optional<std::string> WatchedFolderOf(const std::string& path);

    // Finds every project under the watched folders and brings the catalogue up to date: a file
    // is read only when it is new or its size, modification time or name changed; projects that
    // went away are dropped (not those of a watched folder that cannot be reached now). Each
    // project is written in one transaction. A second scan of the same catalogue while one runs
    // answers kBusy.
    CScanResult Scan(const CScanOptions& options = {});
    // Brings the rows of the one project at `projectPath` up to date (after a save), when it lies
    // under a watched folder; false with `error` when it could not.
    bool RescanProject(const std::string& projectPath, std::string& error);

    [[nodiscard]] std::vector<CItem> Find(const CFindQuery& query);
    [[nodiscard]] std::vector<std::string> Projects();
    // The project path the user meant by `text`: a catalogued path (made absolute by the caller),
    // else the one project whose folder name is `text`.
    [[nodiscard]] std::optional<std::string> ResolveProject(const std::string& text);
    [[nodiscard]] std::optional<CItem> Item(const std::string& project, ItemKind kind, int number);
    [[nodiscard]] std::optional<CCopies> WhereUsed(const std::string& project, ItemKind kind, int number);
    // Groups of two or more items with one content key, waves first, largest total first.
    [[nodiscard]] std::vector<CDuplicateGroup> Duplicates();

    // Marks of the item's content; false with `error` when the item is not catalogued or its file
    // could not be read (it has no content key).
    bool AddTags(const std::string& project, ItemKind kind, int number, const std::vector<std::string>& tags,
                 std::string& error);
    bool RemoveTags(const std::string& project, ItemKind kind, int number, const std::vector<std::string>& tags,
                    std::string& error);
    bool SetFavourite(const std::string& project, ItemKind kind, int number, bool favourite, std::string& error);
    bool SetNote(const std::string& project, ItemKind kind, int number, const std::string& note, std::string& error);
    [[nodiscard]] std::vector<CMarks> AllMarks();
    // Writes every mark to `file` as JSON (replacing it by rename once written whole).
    bool ExportTags(const std::string& file, std::string& error);
    // Adds the marks of a file ExportTags wrote: tags are added, favourites set, notes set where
    // the file has one; `imported` receives the number of keys read.
    bool ImportTags(const std::string& file, std::size_t& imported, std::string& error);

    [[nodiscard]] CDatabase& Database() { return m_db; }

private:
    void Migrate();
    void TakeOverMarks(const std::string& damagedPath, std::vector<std::string>& messages);
    bool OpenFile(const std::string& path, bool create);
    std::optional<std::string> KeyOf(const std::string& project, ItemKind kind, int number, std::string& error);
    bool WithItemKey(const std::string& project, ItemKind kind, int number, std::string& error,
                     const std::function<void(const std::string& key)>& change);
    void ReadMarks(std::vector<CItem>& items);

    std::string m_path;
    CDatabase m_db;
};

// Checks a tag given by the user: UTF-8, not empty, no control characters, at most 100 bytes.
[[nodiscard]] bool IsValidTag(const std::string& tag);

} // namespace Orvanta::Library
