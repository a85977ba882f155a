#pragma once
// A small owner of one SQLite connection and its prepared statements: every handle is finalised
// or closed when its owner goes, and every failure carries SQLite's own text.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace archive {

// A failed SQLite call; what() is "<what we did>: <SQLite's message>".
class DbError : public std::runtime_error {
  public:
    DbError(const std::string& what, int code) : std::runtime_error(what), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
};

class Db;

// One prepared statement. Parameters are numbered from 1, columns from 0.
class Stmt {
  public:
    Stmt(Db& db, std::string_view sql);
    ~Stmt();
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& bind(int i, int64_t v);
    Stmt& bind(int i, std::string_view text);
    Stmt& bind(int i, std::span<const uint8_t> blob);
    Stmt& bindNull(int i);
    // Runs one step: true while a row is there, false when done.
    bool step();
    // Runs a statement that returns no rows (or ignores them) and resets it for the next use.
    void run();
    void reset();

    int64_t integer(int col) const;
    std::string text(int col) const;
    std::span<const uint8_t> blob(int col) const; // valid until the next step
    bool isNull(int col) const;

  private:
    Db& db_;
    sqlite3_stmt* st_ = nullptr;
};

class Db {
  public:
    Db() = default;
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // Opens (create = also creates) the database file. Throws DbError.
    void open(const std::string& path, bool create);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    // Runs one or more statements without parameters.
    void exec(std::string_view sql);
    // The first column of the first row of a query as a number (0 when there is no row).
    int64_t scalar(std::string_view sql);
    int changes() const;
    sqlite3* handle() const { return db_; }
    // "<context>: <SQLite's latest message>" as a DbError.
    [[noreturn]] void fail(const std::string& context, int code) const;

  private:
    sqlite3* db_ = nullptr;
};

// BEGIN IMMEDIATE now; ROLLBACK when the owner goes without commit().
class Transaction {
  public:
    explicit Transaction(Db& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

  private:
    Db& db_;
    bool open_ = false;
};

} // namespace archive
