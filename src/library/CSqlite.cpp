#include "library/CSqlite.h"

#include <sqlite3.h>

namespace Orvanta::Library {

namespace {

[[noreturn]] void Fail(sqlite3* db, int code) {
    throw CSqliteError(code, db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

} // namespace

CDatabase::~CDatabase() {
    Close();
}

void CDatabase::Open(const std::string& path, bool create, bool readOnly) {
    Close();
    int flags = SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX;
    flags |= readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (create && !readOnly) {
        flags |= SQLITE_OPEN_CREATE;
    }
    sqlite3* db = nullptr;
    const int code = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (code != SQLITE_OK) {
        const std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
        sqlite3_close(db);
        throw CSqliteError(code, message);
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 0);
}

void CDatabase::Close() {
    if (m_db != nullptr) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void CDatabase::Execute(const char* sql) {
    char* message = nullptr;
    const int code = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (code != SQLITE_OK) {
        const std::string text = message != nullptr ? message : sqlite3_errstr(code);
        sqlite3_free(message);
        throw CSqliteError(code, text);
    }
}

std::int64_t CDatabase::LastInsertId() const {
    return sqlite3_last_insert_rowid(m_db);
}

int CDatabase::Changes() const {
    return sqlite3_changes(m_db);
}

CStatement::CStatement(CDatabase& db, std::string_view sql) : m_db(db) {
    const int code = sqlite3_prepare_v2(db.Handle(), sql.data(), static_cast<int>(sql.size()), &m_statement, nullptr);
    if (code != SQLITE_OK) {
        Fail(db.Handle(), code);
    }
}

CStatement::~CStatement() {
    sqlite3_finalize(m_statement);
}

CStatement& CStatement::Bind(int index, std::string_view text) {
    const int code = sqlite3_bind_text64(m_statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (code != SQLITE_OK) {
        Fail(m_db.Handle(), code);
    }
    return *this;
}

CStatement& CStatement::Bind(int index, std::int64_t value) {
    const int code = sqlite3_bind_int64(m_statement, index, value);
    if (code != SQLITE_OK) {
        Fail(m_db.Handle(), code);
    }
    return *this;
}

CStatement& CStatement::BindNull(int index) {
    const int code = sqlite3_bind_null(m_statement, index);
    if (code != SQLITE_OK) {
        Fail(m_db.Handle(), code);
    }
    return *this;
}

bool CStatement::Step() {
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code == SQLITE_DONE) {
        return false;
    }
    sqlite3_reset(m_statement);
    Fail(m_db.Handle(), code);
}

void CStatement::Run() {
    while (Step()) {
    }
    sqlite3_reset(m_statement);
}

void CStatement::Reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

std::string CStatement::Text(int column) const {
    const auto* text = sqlite3_column_text(m_statement, column);
    const int bytes = sqlite3_column_bytes(m_statement, column);
    return text == nullptr ? std::string()
                           : std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
}

std::int64_t CStatement::Int(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

bool CStatement::IsNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

CTransaction::CTransaction(CDatabase& db) : m_db(db) {
    m_db.Execute("BEGIN IMMEDIATE");
}

CTransaction::~CTransaction() {
    if (m_open) {
        try {
            m_db.Execute("ROLLBACK");
        } catch (const CSqliteError&) {
            // A failed statement may have ended the transaction already.
        }
    }
}

void CTransaction::Commit() {
    m_db.Execute("COMMIT");
    m_open = false;
}

} // namespace Orvanta::Library
