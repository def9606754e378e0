#include "library/CLibrary.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <set>

namespace Orvanta::Library {

namespace {

// The schema, one step per version; a catalogue of version N runs the steps after N in one
// transaction. Kinds are "patch" and "wave"; keys are content keys in hex.
const char* const kMigrations[] = {
    // Version 1.
    R"(
CREATE TABLE folder (
    id INTEGER PRIMARY KEY,
    path TEXT NOT NULL UNIQUE
);
CREATE TABLE project (
    id INTEGER PRIMARY KEY,
    folder_id INTEGER NOT NULL REFERENCES folder(id) ON DELETE CASCADE,
    path TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL
);
CREATE INDEX project_folder ON project(folder_id);
CREATE TABLE item (
    id INTEGER PRIMARY KEY,
    project_id INTEGER NOT NULL REFERENCES project(id) ON DELETE CASCADE,
    kind TEXT NOT NULL CHECK (kind IN ('patch', 'wave')),
    slot INTEGER NOT NULL,
    name TEXT NOT NULL,
    file TEXT NOT NULL,
    size INTEGER NOT NULL,
    modified INTEGER NOT NULL,
    content TEXT,
    refs TEXT,
    key TEXT,
    sample_rate INTEGER NOT NULL DEFAULT 0,
    channels INTEGER NOT NULL DEFAULT 0,
    bits INTEGER NOT NULL DEFAULT 0,
    frames INTEGER NOT NULL DEFAULT 0,
    audio_error TEXT NOT NULL DEFAULT '',
    UNIQUE (project_id, kind, slot)
);
CREATE INDEX item_key ON item(kind, key);
CREATE TABLE uses (
    project_id INTEGER NOT NULL REFERENCES project(id) ON DELETE CASCADE,
    wave_slot INTEGER NOT NULL,
    patch_slot INTEGER NOT NULL,
    PRIMARY KEY (project_id, wave_slot, patch_slot)
) WITHOUT ROWID;
CREATE TABLE mark (
    kind TEXT NOT NULL,
    key TEXT NOT NULL,
    favourite INTEGER NOT NULL DEFAULT 0,
    note TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (kind, key)
) WITHOUT ROWID;
CREATE TABLE tag (
    kind TEXT NOT NULL,
    key TEXT NOT NULL,
    tag TEXT NOT NULL,
    PRIMARY KEY (kind, key, tag)
) WITHOUT ROWID;
CREATE INDEX tag_name ON tag(tag);
CREATE VIRTUAL TABLE item_name USING fts5(name, content='item', content_rowid='id', tokenize='unicode61',
                                          prefix='1 2 3');
CREATE TRIGGER item_added AFTER INSERT ON item BEGIN
    INSERT INTO item_name(rowid, name) VALUES (new.id, new.name);
END;
CREATE TRIGGER item_removed AFTER DELETE ON item BEGIN
    INSERT INTO item_name(item_name, rowid, name) VALUES ('delete', old.id, old.name);
END;
CREATE TRIGGER item_renamed AFTER UPDATE OF name ON item BEGIN
    INSERT INTO item_name(item_name, rowid, name) VALUES ('delete', old.id, old.name);
    INSERT INTO item_name(rowid, name) VALUES (new.id, new.name);
END;
)",
};
constexpr int kSchemaVersion = static_cast<int>(std::size(kMigrations));

// Between the tags of one item in a search's rows (a tag holds no control character).
const char kTagSeparator = '\x1f';

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::vector<std::string> SplitTags(const std::string& text) {
    std::vector<std::string> tags;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(kTagSeparator, start);
        tags.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    std::sort(tags.begin(), tags.end());
    return tags;
}

std::vector<int> ParseNumbers(const std::string& text) {
    std::vector<int> numbers;
    int value = 0;
    bool in = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            in = true;
        } else {
            if (in) {
                numbers.push_back(value);
            }
            value = 0;
            in = false;
        }
    }
    if (in) {
        numbers.push_back(value);
    }
    return numbers;
}

// Creates `folder` and its missing parents.
bool MakeFolders(CFileSystem& fileSystem, const std::string& folder) {
    if (folder.empty() || fileSystem.IsFolder(folder)) {
        return true;
    }
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(fileSystem, folder.substr(0, slash))) {
        return false;
    }
    return fileSystem.CreateFolder(folder) != FolderCreation::kFailed;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The columns CItem needs, after "SELECT ": read by ReadItem.
constexpr const char* kItemColumns =
    "p.path, i.kind, i.slot, i.name, i.file, i.size, COALESCE(i.key, ''), i.sample_rate, i.channels, i.bits, "
    "i.frames, i.audio_error, COALESCE(i.refs, ''), COALESCE(m.favourite, 0), COALESCE(m.note, ''), "
    "(SELECT group_concat(t.tag, char(31)) FROM tag t WHERE t.kind = i.kind AND t.key = i.key)";
constexpr const char* kItemTables =
    " FROM item i JOIN project p ON p.id = i.project_id LEFT JOIN mark m ON m.kind = i.kind AND m.key = i.key";

CItem ReadItem(const CStatement& row) {
    CItem item;
    item.project = row.Text(0);
    item.kind = row.Text(1) == "wave" ? ItemKind::kWave : ItemKind::kPatch;
    item.number = static_cast<int>(row.Int(2));
    item.name = row.Text(3);
    item.file = row.Text(4);
    item.bytes = row.Int(5);
    item.key = row.Text(6);
    item.sampleRate = static_cast<int>(row.Int(7));
    item.channels = static_cast<int>(row.Int(8));
    item.bits = static_cast<int>(row.Int(9));
    item.frames = row.Int(10);
    item.audioError = row.Text(11);
    if (item.kind == ItemKind::kPatch) {
        std::vector<int> waves = ParseNumbers(row.Text(12));
        waves.erase(std::remove(waves.begin(), waves.end(), 0), waves.end());
        std::sort(waves.begin(), waves.end());
        waves.erase(std::unique(waves.begin(), waves.end()), waves.end());
        item.waves = std::move(waves);
    }
    item.favourite = row.Int(13) != 0;
    item.note = row.Text(14);
    item.tags = SplitTags(row.Text(15));
    return item;
}

bool IsValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xe  ? 3
                                   : (lead >> 3) == 0x1e ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// True when the file at `path` is empty or begins as every SQLite database does.
bool LooksLikeSqlite(CFileSystem& fileSystem, const std::string& path) {
    const std::unique_ptr<CFile> file = fileSystem.OpenRead(path);
    if (!file) {
        return true; // missing: made new; unreadable: the open says why
    }
    static constexpr char kHeader[] = "SQLite format 3";
    std::array<std::uint8_t, sizeof kHeader> header{};
    const std::size_t got = file->ReadUntilFull(header);
    return got == 0 || (got == header.size() && std::equal(header.begin(), header.end(), kHeader));
}

// A search's words as an FTS5 query: each word a quoted string, matching word starts. Words with
// no letter or digit (which the tokenizer drops), and words that are not valid UTF-8, are returned in `literal` to be
// matched as text.
std::string FtsQuery(const std::string& words, std::vector<std::string>& literal) {
    std::string query;
    std::size_t start = 0;
    while (start < words.size()) {
        while (start < words.size() && (words[start] == ' ' || words[start] == '\t')) {
            ++start;
        }
        std::size_t end = start;
        while (end < words.size() && words[end] != ' ' && words[end] != '\t') {
            ++end;
        }
        if (end > start) {
            const std::string word = words.substr(start, end - start);
            const bool hasWordCharacter =
                IsValidUtf8(word) && std::any_of(word.begin(), word.end(), [](char c) {
                    const auto byte = static_cast<unsigned char>(c);
                    return byte >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
                });
            if (hasWordCharacter) {
                std::string quoted = "\"";
                for (const char c : word) {
                    quoted += c;
                    if (c == '"') {
                        quoted += '"';
                    }
                }
                query += (query.empty() ? "" : " ") + quoted + "\"*";
            } else {
                literal.push_back(word);
            }
        }
        start = end;
    }
    return query;
}

} // namespace

const char* KindName(ItemKind kind) {
    return kind == ItemKind::kWave ? "wave" : "patch";
}

std::optional<ItemKind> ParseKind(const std::string& text) {
    if (text == "patch") {
        return ItemKind::kPatch;
    }
    if (text == "wave") {
        return ItemKind::kWave;
    }
    return std::nullopt;
}

bool IsValidTag(const std::string& tag) {
    return !tag.empty() && tag.size() <= 100 && IsValidUtf8(tag) && std::none_of(tag.begin(), tag.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

CLibrary::CLibrary() = default;
CLibrary::~CLibrary() = default;

std::string CLibrary::DefaultPath() {
    std::string base;
#if defined(_WIN32)
    base = EnvironmentValue("APPDATA");
#else
    base = EnvironmentValue("XDG_DATA_HOME");
    if (base.empty() || base.front() != '/') {
        const std::string home = EnvironmentValue("HOME");
        base = home.empty() ? std::string() : home + "/.local/share";
    }
#endif
    if (base.empty()) {
        return "library.sqlite3";
    }
    return base + "/Veltrane/Orvanta Librarian/library.sqlite3";
}

bool CLibrary::OpenFile(const std::string& path, bool create) {
    m_db.Open(path, create);
    sqlite3_busy_timeout(m_db.Handle(), 5000);
    // A file that is not SQLite fails at its first read; quick_check reads every page.
    CStatement check(m_db, "PRAGMA quick_check");
    bool ok = check.Step() && check.Text(0) == "ok";
    while (ok && check.Step()) {
        ok = false;
    }
    return ok;
}

bool CLibrary::Open(const std::string& path, std::vector<std::string>& messages, std::string& error) {
    m_path = path;
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    if (!MakeFolders(fileSystem, FolderOf(path))) {
        error = "cannot create the folder of the catalogue " + path;
        return false;
    }
    std::string damagedPath;
    bool healthy = false;
    try {
        healthy = LooksLikeSqlite(fileSystem, path) && OpenFile(path, true);
    } catch (const CSqliteError& failure) {
        if (failure.Code() != SQLITE_NOTADB && failure.Code() != SQLITE_CORRUPT) {
            m_db.Close();
            error = "cannot open the catalogue " + path + ": " + failure.what();
            return false;
        }
    }
    if (!healthy) {
        m_db.Close();
        // Moved aside with its journal files, so that the new catalogue does not take them up.
        for (int n = 1; damagedPath.empty() && n < 1000; ++n) {
            const std::string candidate = path + ".damaged-" + std::to_string(n);
            if (!fileSystem.Exists(candidate) && !fileSystem.IsSymbolicLink(candidate)) {
                damagedPath = candidate;
            }
        }
        if (damagedPath.empty() || !fileSystem.Rename(path, damagedPath)) {
            error = "the catalogue " + path + " is damaged and could not be moved aside";
            return false;
        }
        for (const char* suffix : {"-wal", "-shm"}) {
            if (fileSystem.Exists(path + suffix)) {
                static_cast<void>(fileSystem.Rename(path + suffix, damagedPath + suffix));
            }
        }
        messages.push_back("The catalogue " + path + " was damaged: it was moved to " + damagedPath +
                           " and a new one is made; scan again to fill it.");
        try {
            if (!OpenFile(path, true)) {
                error = "cannot make a new catalogue at " + path;
                return false;
            }
        } catch (const CSqliteError& failure) {
            error = "cannot make a new catalogue at " + path + ": " + failure.what();
            return false;
        }
    }
    try {
        m_db.Execute("PRAGMA journal_mode = WAL");
        m_db.Execute("PRAGMA synchronous = NORMAL");
        m_db.Execute("PRAGMA foreign_keys = ON");
        // Searches touch rows all over the file: read through a mapping and a larger page cache, not
        // one system call per page.
        m_db.Execute("PRAGMA mmap_size = 268435456");
        m_db.Execute("PRAGMA cache_size = -16384");
        Migrate();
    } catch (const CSqliteError& failure) {
        error = "cannot prepare the catalogue " + path + ": " + failure.what();
        m_db.Close();
        return false;
    }
    if (!damagedPath.empty()) {
        TakeOverMarks(damagedPath, messages);
    }
    return true;
}

void CLibrary::Migrate() {
    CStatement version(m_db, "PRAGMA user_version");
    const int current = version.Step() ? static_cast<int>(version.Int(0)) : 0;
    version.Reset();
    if (current > kSchemaVersion) {
        throw CSqliteError(SQLITE_ERROR, "the catalogue was made by a newer version of this program");
    }
    if (current == kSchemaVersion) {
        return;
    }
    CTransaction transaction(m_db);
    for (int step = current; step < kSchemaVersion; ++step) {
        m_db.Execute(kMigrations[step]);
    }
    // PRAGMA takes no bound parameter; the number is our own constant.
    m_db.Execute(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
    transaction.Commit();
}

void CLibrary::TakeOverMarks(const std::string& damagedPath, std::vector<std::string>& messages) {
    std::vector<CMarks> marks;
    try {
        CDatabase old;
        old.Open(damagedPath, false, true);
        std::map<std::pair<std::string, std::string>, CMarks> byKey;
        // Each table on its own and row by row: whatever reads before a damaged page is kept.
        try {
            CStatement read(old, "SELECT kind, key, favourite, note FROM mark");
            while (read.Step()) {
                CMarks& entry = byKey[{read.Text(0), read.Text(1)}];
                entry.favourite = read.Int(2) != 0;
                entry.note = read.Text(3);
            }
        } catch (const CSqliteError&) {
        }
        try {
            CStatement read(old, "SELECT kind, key, tag FROM tag");
            while (read.Step()) {
                byKey[{read.Text(0), read.Text(1)}].tags.push_back(read.Text(2));
            }
        } catch (const CSqliteError&) {
        }
        for (auto& [id, entry] : byKey) {
            const std::optional<ItemKind> kind = ParseKind(id.first);
            if (kind && !id.second.empty()) {
                entry.kind = *kind;
                entry.key = id.second;
                marks.push_back(std::move(entry));
            }
        }
    } catch (const CSqliteError&) {
    }
    if (marks.empty()) {
        messages.push_back("No favourites, tags or notes could be read from the damaged catalogue.");
        return;
    }
    try {
        CTransaction transaction(m_db);
        CStatement mark(m_db, "INSERT OR REPLACE INTO mark(kind, key, favourite, note) VALUES (?1, ?2, ?3, ?4)");
        CStatement tag(m_db, "INSERT OR IGNORE INTO tag(kind, key, tag) VALUES (?1, ?2, ?3)");
        for (const CMarks& entry : marks) {
            mark.Bind(1, KindName(entry.kind)).Bind(2, entry.key).Bind(3, entry.favourite ? 1 : 0);
            mark.Bind(4, IsValidUtf8(entry.note) ? entry.note : std::string());
            mark.Run();
            mark.Reset();
            for (const std::string& name : entry.tags) {
                if (IsValidTag(name)) {
                    tag.Bind(1, KindName(entry.kind)).Bind(2, entry.key).Bind(3, name);
                    tag.Run();
                    tag.Reset();
                }
            }
        }
        transaction.Commit();
        messages.push_back("The favourites, tags and notes of " + std::to_string(marks.size()) +
                           " items were taken over from the damaged catalogue.");
    } catch (const CSqliteError& failure) {
        messages.push_back(std::string("The marks of the damaged catalogue could not be taken over: ") +
                           failure.what());
    }
}

bool CLibrary::AddFolder(const std::string& folder, std::string& error) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (path.empty() || path.front() != '/') {
#if !defined(_WIN32)
        error = "a watched folder must be an absolute path: " + folder;
        return false;
#endif
    }
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    // Scans never go through a link, this one included: the folder it leads to is the one to add.
    if (fileSystem.IsSymbolicLink(path)) {
        error = folder + " is a symbolic link: add the folder it leads to";
        return false;
    }
    if (!fileSystem.IsFolder(path)) {
        error = folder + " is not a folder";
        return false;
    }
    try {
        CStatement insert(m_db, "INSERT OR IGNORE INTO folder(path) VALUES (?1)");
        insert.Bind(1, path).Run();
        if (m_db.Changes() == 0) {
            error = folder + " is watched already";
            return false;
        }
    } catch (const CSqliteError& failure) {
        error = failure.what();
        return false;
    }
    return true;
}

bool CLibrary::RemoveFolder(const std::string& folder, std::string& error) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    try {
        CTransaction transaction(m_db);
        CStatement remove(m_db, "DELETE FROM folder WHERE path = ?1");
        remove.Bind(1, path).Run();
        if (m_db.Changes() == 0) {
            error = folder + " is not a watched folder";
            return false;
        }
        transaction.Commit();
    } catch (const CSqliteError& failure) {
        error = failure.what();
        return false;
    }
    return true;
}

std::vector<std::string> CLibrary::Folders() {
    std::vector<std::string> folders;
    CStatement read(m_db, "SELECT path FROM folder ORDER BY path");
    while (read.Step()) {
        folders.push_back(read.Text(0));
    }
    return folders;
}

std::optional<std::string> CLibrary::WatchedFolderOf(const std::string& path) {
    for (const std::string& folder : Folders()) {
        if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            (path[folder.size()] == '/' || folder == "/")) {
            return folder;
        }
    }
    return std::nullopt;
}

std::vector<CItem> CLibrary::Find(const CFindQuery& query) {
    std::vector<std::string> literal;
    const std::string fts = FtsQuery(query.words, literal);
    std::string sql = std::string("SELECT ") + kItemColumns + kItemTables + " WHERE 1";
    if (!fts.empty()) {
        sql += " AND i.id IN (SELECT rowid FROM item_name WHERE item_name MATCH ?1)";
    }
    if (query.kind) {
        sql += " AND i.kind = ?2";
    }
    if (!query.tag.empty()) {
        sql += " AND EXISTS (SELECT 1 FROM tag t WHERE t.kind = i.kind AND t.key = i.key AND t.tag = ?3)";
    }
    if (query.favourites) {
        sql += " AND m.favourite = 1";
    }
    if (!query.project.empty()) {
        sql += " AND p.path = ?4";
    }
    if (query.unusedWaves) {
        sql += " AND i.kind = 'wave' AND NOT EXISTS (SELECT 1 FROM uses u WHERE u.project_id = i.project_id AND "
               "u.wave_slot = i.slot)";
    }
    for (std::size_t n = 0; n < literal.size(); ++n) {
        sql += " AND instr(i.name, ?" + std::to_string(10 + n) + ") > 0";
    }
    sql += " ORDER BY p.path, i.kind, i.slot";
    if (query.limit > 0) {
        sql += " LIMIT " + std::to_string(query.limit);
    }
    CStatement read(m_db, sql);
    if (!fts.empty()) {
        read.Bind(1, fts);
    }
    if (query.kind) {
        read.Bind(2, KindName(*query.kind));
    }
    if (!query.tag.empty()) {
        read.Bind(3, query.tag);
    }
    if (!query.project.empty()) {
        read.Bind(4, query.project);
    }
    for (std::size_t n = 0; n < literal.size(); ++n) {
        read.Bind(static_cast<int>(10 + n), literal[n]);
    }
    std::vector<CItem> items;
    while (read.Step()) {
        items.push_back(ReadItem(read));
    }
    return items;
}

std::vector<std::string> CLibrary::Projects() {
    std::vector<std::string> projects;
    CStatement read(m_db, "SELECT path FROM project ORDER BY path");
    while (read.Step()) {
        projects.push_back(read.Text(0));
    }
    return projects;
}

std::optional<std::string> CLibrary::ResolveProject(const std::string& text) {
    std::string path = text;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    CStatement exact(m_db, "SELECT path FROM project WHERE path = ?1");
    if (exact.Bind(1, path).Step()) {
        return exact.Text(0);
    }
    CStatement named(m_db, "SELECT path FROM project WHERE name = ?1 LIMIT 2");
    named.Bind(1, path);
    std::vector<std::string> found;
    while (named.Step()) {
        found.push_back(named.Text(0));
    }
    if (found.size() == 1) {
        return found.front();
    }
    return std::nullopt;
}

std::optional<CItem> CLibrary::Item(const std::string& project, ItemKind kind, int number) {
    CStatement read(m_db, std::string("SELECT ") + kItemColumns + kItemTables +
                              " WHERE p.path = ?1 AND i.kind = ?2 AND i.slot = ?3");
    read.Bind(1, project).Bind(2, KindName(kind)).Bind(3, number);
    if (!read.Step()) {
        return std::nullopt;
    }
    return ReadItem(read);
}

std::optional<CCopies> CLibrary::WhereUsed(const std::string& project, ItemKind kind, int number) {
    std::optional<CItem> item = Item(project, kind, number);
    if (!item) {
        return std::nullopt;
    }
    CCopies copies;
    copies.item = *item;
    if (item->key.empty()) {
        copies.copies.push_back(*item);
    } else {
        CStatement read(m_db, std::string("SELECT ") + kItemColumns + kItemTables +
                                  " WHERE i.kind = ?1 AND i.key = ?2 ORDER BY p.path, i.slot");
        read.Bind(1, KindName(kind)).Bind(2, item->key);
        while (read.Step()) {
            copies.copies.push_back(ReadItem(read));
        }
    }
    if (kind == ItemKind::kWave) {
        CStatement users(m_db, "SELECT u.patch_slot FROM uses u JOIN project p ON p.id = u.project_id "
                               "WHERE p.path = ?1 AND u.wave_slot = ?2 ORDER BY u.patch_slot");
        for (const CItem& copy : copies.copies) {
            std::vector<int>& slots = copies.users.emplace_back();
            users.Bind(1, copy.project).Bind(2, copy.number);
            while (users.Step()) {
                slots.push_back(static_cast<int>(users.Int(0)));
            }
            users.Reset();
        }
    }
    return copies;
}

std::vector<CDuplicateGroup> CLibrary::Duplicates() {
    std::vector<CDuplicateGroup> groups;
    CStatement keys(m_db, "SELECT kind, key, SUM(size) AS total FROM item WHERE key IS NOT NULL "
                          "GROUP BY kind, key HAVING COUNT(*) > 1 "
                          "ORDER BY kind = 'patch', total DESC, key");
    CStatement members(m_db, std::string("SELECT ") + kItemColumns + kItemTables +
                                 " WHERE i.kind = ?1 AND i.key = ?2 ORDER BY p.path, i.slot");
    while (keys.Step()) {
        CDuplicateGroup& group = groups.emplace_back();
        group.kind = keys.Text(0) == "wave" ? ItemKind::kWave : ItemKind::kPatch;
        group.key = keys.Text(1);
        group.totalBytes = keys.Int(2);
        members.Bind(1, keys.Text(0)).Bind(2, group.key);
        while (members.Step()) {
            group.members.push_back(ReadItem(members));
        }
        members.Reset();
    }
    return groups;
}

std::optional<std::string> CLibrary::KeyOf(const std::string& project, ItemKind kind, int number, std::string& error) {
    CStatement read(m_db, "SELECT COALESCE(i.key, '') FROM item i JOIN project p ON p.id = i.project_id "
                          "WHERE p.path = ?1 AND i.kind = ?2 AND i.slot = ?3");
    read.Bind(1, project).Bind(2, KindName(kind)).Bind(3, number);
    if (!read.Step()) {
        error = std::string("no ") + KindName(kind) + " " + std::to_string(number) + " in the catalogue for " + project;
        return std::nullopt;
    }
    std::string key = read.Text(0);
    if (key.empty()) {
        error = std::string("the file of ") + KindName(kind) + " " + std::to_string(number) +
                " could not be read when scanned: it cannot be marked";
        return std::nullopt;
    }
    return key;
}

bool CLibrary::WithItemKey(const std::string& project, ItemKind kind, int number, std::string& error,
                           const std::function<void(const std::string& key)>& change) {
    try {
        const std::optional<std::string> key = KeyOf(project, kind, number, error);
        if (!key) {
            return false;
        }
        CTransaction transaction(m_db);
        change(*key);
        transaction.Commit();
    } catch (const CSqliteError& failure) {
        error = failure.what();
        return false;
    }
    return true;
}

bool CLibrary::AddTags(const std::string& project, ItemKind kind, int number, const std::vector<std::string>& tags,
                       std::string& error) {
    for (const std::string& tag : tags) {
        if (!IsValidTag(tag)) {
            error = "a tag must be 1 to 100 bytes without control characters";
            return false;
        }
    }
    return WithItemKey(project, kind, number, error, [&](const std::string& key) {
        CStatement insert(m_db, "INSERT OR IGNORE INTO tag(kind, key, tag) VALUES (?1, ?2, ?3)");
        for (const std::string& tag : tags) {
            insert.Bind(1, KindName(kind)).Bind(2, key).Bind(3, tag);
            insert.Run();
            insert.Reset();
        }
    });
}

bool CLibrary::RemoveTags(const std::string& project, ItemKind kind, int number, const std::vector<std::string>& tags,
                          std::string& error) {
    return WithItemKey(project, kind, number, error, [&](const std::string& key) {
        CStatement remove(m_db, "DELETE FROM tag WHERE kind = ?1 AND key = ?2 AND tag = ?3");
        for (const std::string& tag : tags) {
            remove.Bind(1, KindName(kind)).Bind(2, key).Bind(3, tag);
            remove.Run();
            remove.Reset();
        }
    });
}

bool CLibrary::SetFavourite(const std::string& project, ItemKind kind, int number, bool favourite, std::string& error) {
    return WithItemKey(project, kind, number, error, [&](const std::string& key) {
        CStatement upsert(m_db, "INSERT INTO mark(kind, key, favourite) VALUES (?1, ?2, ?3) "
                                "ON CONFLICT(kind, key) DO UPDATE SET favourite = excluded.favourite");
        upsert.Bind(1, KindName(kind)).Bind(2, key).Bind(3, favourite ? 1 : 0).Run();
    });
}

bool CLibrary::SetNote(const std::string& project, ItemKind kind, int number, const std::string& note,
                       std::string& error) {
    // Exported as JSON text: UTF-8 only.
    if (!IsValidUtf8(note) || note.size() > 10000) {
        error = "a note must be UTF-8 text of at most 10000 bytes";
        return false;
    }
    return WithItemKey(project, kind, number, error, [&](const std::string& key) {
        CStatement upsert(m_db, "INSERT INTO mark(kind, key, note) VALUES (?1, ?2, ?3) "
                                "ON CONFLICT(kind, key) DO UPDATE SET note = excluded.note");
        upsert.Bind(1, KindName(kind)).Bind(2, key).Bind(3, note).Run();
    });
}

std::vector<CMarks> CLibrary::AllMarks() {
    std::map<std::pair<std::string, std::string>, CMarks> byKey;
    CStatement marks(m_db, "SELECT kind, key, favourite, note FROM mark WHERE favourite = 1 OR note <> ''");
    while (marks.Step()) {
        CMarks& entry = byKey[{marks.Text(0), marks.Text(1)}];
        entry.favourite = marks.Int(2) != 0;
        entry.note = marks.Text(3);
    }
    CStatement tags(m_db, "SELECT kind, key, tag FROM tag ORDER BY kind, key, tag");
    while (tags.Step()) {
        byKey[{tags.Text(0), tags.Text(1)}].tags.push_back(tags.Text(2));
    }
    std::vector<CMarks> all;
    for (auto& [id, entry] : byKey) {
        entry.kind = id.first == "wave" ? ItemKind::kWave : ItemKind::kPatch;
        entry.key = id.second;
        all.push_back(std::move(entry));
    }
    return all;
}

} // namespace Orvanta::Library
