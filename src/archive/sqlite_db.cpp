// The SQLite connection and statement owners of the plant archive.
#include "archive/sqlite_db.h"

#include <sqlite3.h>

namespace archive {

Stmt::Stmt(Db& db, std::string_view sql) : db_(db) {
    const int rc = sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &st_, nullptr);
    if (rc != SQLITE_OK) db.fail("prepare \"" + std::string(sql.substr(0, 60)) + "\"", rc);
}

Stmt::~Stmt() {
    sqlite3_finalize(st_);
}

Stmt& Stmt::bind(int i, int64_t v) {
    if (int rc = sqlite3_bind_int64(st_, i, v); rc != SQLITE_OK) db_.fail("bind", rc);
    return *this;
}

Stmt& Stmt::bind(int i, std::string_view text) {
    if (int rc = sqlite3_bind_text(st_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        rc != SQLITE_OK)
        db_.fail("bind", rc);
    return *this;
}

Stmt& Stmt::bind(int i, std::span<const uint8_t> blob) {
    // A zero-length blob is still a blob, not NULL.
    static const uint8_t empty = 0;
    const void* p = blob.empty() ? &empty : blob.data();
    if (int rc = sqlite3_bind_blob(st_, i, p, static_cast<int>(blob.size()), SQLITE_TRANSIENT);
        rc != SQLITE_OK)
        db_.fail("bind", rc);
    return *this;
}

Stmt& Stmt::bindNull(int i) {
    if (int rc = sqlite3_bind_null(st_, i); rc != SQLITE_OK) db_.fail("bind", rc);
    return *this;
}

bool Stmt::step() {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(st_);
    db_.fail("step", rc);
}

void Stmt::run() {
    while (step()) {
    }
    reset();
}

void Stmt::reset() {
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

int64_t Stmt::integer(int col) const {
    return sqlite3_column_int64(st_, col);
}

std::string Stmt::text(int col) const {
    const auto* p = sqlite3_column_text(st_, col);
    const int n = sqlite3_column_bytes(st_, col);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

std::span<const uint8_t> Stmt::blob(int col) const {
    const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(st_, col));
    const int n = sqlite3_column_bytes(st_, col);
    return p ? std::span<const uint8_t>(p, static_cast<size_t>(n)) : std::span<const uint8_t>();
}

bool Stmt::isNull(int col) const {
    return sqlite3_column_type(st_, col) == SQLITE_NULL;
}

Db::~Db() {
    close();
}

void Db::open(const std::string& path, bool create) {
    close();
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        close();
        throw DbError(path + ": " + msg, rc);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 10000); // another program reading or importing: wait for it
}

void Db::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void Db::exec(std::string_view sql) {
    const std::string s(sql);
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, s.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const std::string msg = err ? err : sqlite3_errstr(rc);
        sqlite3_free(err);
        throw DbError(msg, rc);
    }
}

int64_t Db::scalar(std::string_view sql) {
    Stmt st(*this, sql);
    return st.step() ? st.integer(0) : 0;
}

int Db::changes() const {
    return sqlite3_changes(db_);
}

void Db::fail(const std::string& context, int code) const {
    throw DbError(context + ": " + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code)), code);
}

Transaction::Transaction(Db& db) : db_(db) {
    db_.exec("BEGIN IMMEDIATE");
    open_ = true;
}

Transaction::~Transaction() {
    if (!open_) return;
    // A failed statement may already have ended the transaction; then there is nothing to undo.
    if (!sqlite3_get_autocommit(db_.handle()))
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    db_.exec("COMMIT");
    open_ = false;
}

} // namespace archive
