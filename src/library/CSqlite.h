#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace Orvanta::Library {

// A failed SQLite call: the library's code (SQLITE_BUSY, SQLITE_CORRUPT, ...) and its message.
// Thrown inside the library only; the catalogue's public calls answer errors as values.
class CSqliteError : public std::runtime_error {
public:
    CSqliteError(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}
    [[nodiscard]] int Code() const { return m_code; }

private:
    int m_code;
};

// One connection to a database file, closed when destroyed.
class CDatabase {
public:
    CDatabase() = default;
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Opens (and with `create` creates) the file at `path`; never through a symbolic link.
    void Open(const std::string& path, bool create, bool readOnly = false);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_db != nullptr; }
    // Runs SQL text of our own, which takes no parameters (schema, pragmas, BEGIN/COMMIT).
    void Execute(const char* sql);
    [[nodiscard]] sqlite3* Handle() const { return m_db; }
    [[nodiscard]] std::int64_t LastInsertId() const;
    [[nodiscard]] int Changes() const;

private:
    sqlite3* m_db = nullptr;
};

// A prepared statement. Values are always bound, never spliced into the SQL text.
class CStatement {
public:
    CStatement(CDatabase& db, std::string_view sql);
    ~CStatement();
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    // Parameters count from 1.
    CStatement& Bind(int index, std::string_view text);
    CStatement& Bind(int index, std::int64_t value);
    CStatement& Bind(int index, int value) { return Bind(index, static_cast<std::int64_t>(value)); }
    CStatement& BindNull(int index);
    CStatement& Bind(int index, const std::string& text) { return Bind(index, std::string_view(text)); }
    CStatement& Bind(int index, const char* text) { return Bind(index, std::string_view(text)); }
    CStatement& BindOptional(int index, const std::optional<std::string>& text) {
        return text ? Bind(index, std::string_view(*text)) : BindNull(index);
    }
    // True while a row is there to read; false when done.
    bool Step();
    // Step for a statement that returns no rows.
    void Run();
    // Ready to bind and step again.
    void Reset();

    [[nodiscard]] std::string Text(int column) const;
    [[nodiscard]] std::int64_t Int(int column) const;
    [[nodiscard]] bool IsNull(int column) const;

private:
    CDatabase& m_db;
    sqlite3_stmt* m_statement = nullptr;
};

// A transaction that is rolled back unless committed. BEGIN IMMEDIATE: the write lock is taken at
// the start, so that a busy database is found before anything is done.
class CTransaction {
public:
    explicit CTransaction(CDatabase& db);
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;
    void Commit();

private:
    CDatabase& m_db;
    bool m_open = true;
};

} // namespace Orvanta::Library
