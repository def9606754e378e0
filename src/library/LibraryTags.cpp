// Favourites, tags and notes written to and read from a JSON file, through SQLite's JSON functions.

#include "library/CLibrary.h"

#include "model/CDomain.h"
#include "model/CFileSystem.h"

#include <algorithm>
#include <span>

namespace Orvanta::Library {

namespace {

constexpr const char* kFormat = "orvanta-library-marks";

bool IsHexKey(const std::string& key) {
    return key.size() == 32 &&
           std::all_of(key.begin(), key.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

} // namespace

bool CLibrary::ExportTags(const std::string& file, std::string& error) {
    std::string json;
    try {
        CStatement make(m_db, R"(
SELECT json_object('format', ?1, 'version', 1, 'items', (
    SELECT json_group_array(json_object(
        'kind', k.kind, 'key', k.key,
        'favourite', json(CASE WHEN COALESCE(m.favourite, 0) = 1 THEN 'true' ELSE 'false' END),
        'note', COALESCE(m.note, ''),
        'tags', (SELECT json_group_array(t.tag) FROM (SELECT tag FROM tag WHERE kind = k.kind AND key = k.key
                                                      ORDER BY tag) t)))
    FROM (SELECT kind, key FROM mark WHERE favourite = 1 OR note <> '' UNION SELECT kind, key FROM tag
          ORDER BY 1, 2) k
    LEFT JOIN mark m ON m.kind = k.kind AND m.key = k.key)))");
        make.Bind(1, kFormat);
        if (!make.Step()) {
            error = "the marks could not be read";
            return false;
        }
        json = make.Text(0) + "\n";
    } catch (const CSqliteError& failure) {
        error = failure.what();
        return false;
    }
    // Written whole beside the target first, then renamed over it: the old file stays whole until
    // the new one is.
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size());
    for (int n = 1; n < 100; ++n) {
        const std::string temporary = file + ".new-" + std::to_string(n);
        if (fileSystem.Exists(temporary) || fileSystem.IsSymbolicLink(temporary)) {
            continue;
        }
        if (!fileSystem.WriteNewFile(temporary, bytes, true)) {
            break;
        }
        if (!fileSystem.Rename(temporary, file)) {
            static_cast<void>(fileSystem.Delete(temporary));
            break;
        }
        return true;
    }
    error = "cannot write " + file;
    return false;
}

bool CLibrary::ImportTags(const std::string& file, std::size_t& imported, std::string& error) {
    imported = 0;
    CFileSystem& fileSystem = CDomain::Instance().FileSystem();
    const std::unique_ptr<CFile> in = fileSystem.OpenRead(file);
    if (!in) {
        error = "cannot read " + file;
        return false;
    }
    std::string text;
    std::vector<std::uint8_t> buffer(64 * 1024);
    for (;;) {
        const std::int64_t got = in->Read(buffer);
        if (got < 0) {
            error = "cannot read " + file;
            return false;
        }
        if (got == 0) {
            break;
        }
        text.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(got));
        if (text.size() > (std::size_t{256} << 20)) {
            error = file + " is too large for a file of marks";
            return false;
        }
    }
    try {
        CStatement check(m_db, "SELECT json_valid(?1) AND json_extract(?1, '$.format') = ?2 AND "
                               "json_type(?1, '$.items') = 'array'");
        check.Bind(1, text).Bind(2, kFormat);
        if (!check.Step() || check.Int(0) != 1) {
            error = file + " is not a file of marks written by export-tags";
            return false;
        }
        CTransaction transaction(m_db);
        CStatement items(m_db, "SELECT json_extract(value, '$.kind'), json_extract(value, '$.key'), "
                               "COALESCE(json_extract(value, '$.favourite'), 0), "
                               "COALESCE(json_extract(value, '$.note'), ''), json_extract(value, '$.tags') "
                               "FROM json_each(?1, '$.items') WHERE type = 'object'");
        CStatement tags(m_db, "SELECT value FROM json_each(?1) WHERE type = 'text'");
        CStatement favourite(m_db, "INSERT INTO mark(kind, key, favourite) VALUES (?1, ?2, 1) "
                                   "ON CONFLICT(kind, key) DO UPDATE SET favourite = 1");
        CStatement note(m_db, "INSERT INTO mark(kind, key, note) VALUES (?1, ?2, ?3) "
                              "ON CONFLICT(kind, key) DO UPDATE SET note = excluded.note");
        CStatement tag(m_db, "INSERT OR IGNORE INTO tag(kind, key, tag) VALUES (?1, ?2, ?3)");
        items.Bind(1, text);
        while (items.Step()) {
            const std::optional<ItemKind> kind = ParseKind(items.Text(0));
            const std::string key = items.Text(1);
            if (!kind || !IsHexKey(key)) {
                continue;
            }
            const char* kindName = KindName(*kind);
            if (items.Int(2) == 1) {
                favourite.Bind(1, kindName).Bind(2, key).Run();
                favourite.Reset();
            }
            if (const std::string noteText = items.Text(3); !noteText.empty()) {
                note.Bind(1, kindName).Bind(2, key).Bind(3, noteText).Run();
                note.Reset();
            }
            if (!items.IsNull(4)) {
                tags.Bind(1, items.Text(4));
                while (tags.Step()) {
                    const std::string name = tags.Text(0);
                    if (IsValidTag(name)) {
                        tag.Bind(1, kindName).Bind(2, key).Bind(3, name).Run();
                        tag.Reset();
                    }
                }
                tags.Reset();
            }
            ++imported;
        }
        transaction.Commit();
    } catch (const CSqliteError& failure) {
        error = failure.what();
        return false;
    }
    return true;
}

} // namespace Orvanta::Library
