#pragma once
// The plant archive: one SQLite file per plant that keeps every downloaded or decoded channel
// record of every session, merged record by record. A session is known by its device (hardware
// code, firmware release, network address where known), its start and its assignment table; a
// record by its node and time marker. A record already kept is never replaced: an import that
// brings the same node and marker with other values keeps them as a conflict beside it.
//
// The file carries a schema version (PRAGMA user_version) and is brought up to date when it is
// opened; it runs in WAL mode, and each import is one transaction, so an import that is stopped or
// dies half-way leaves the archive as it was. Functions throw archive::DbError on a database
// failure.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "archive/sqlite_db.h"

namespace archive {

// The current schema version, and the first one (the oldest a file can be migrated from).
inline constexpr int kSchemaVersion = 2;
inline constexpr int kFirstSchemaVersion = 1;
// PRAGMA application_id of a plant archive ("KVAR").
inline constexpr int32_t kApplicationId = 0x4B564152;

// The device a session was recorded by; an empty field is not known.
struct DeviceKey {
    std::string hw;      // hardware code character of the version reply
    std::string fw;      // firmware release text
    std::string address; // network address (a modem number, a bus address) where known
};

// One channel record: node address, time marker and the node's physical values as stored on the
// logger (2 bytes each, little-endian).
struct Record {
    uint8_t node = 0;
    uint32_t marker = 0; // [0.1 s] since the session start
    std::span<const uint8_t> values;
};

// What one import brings for one session.
struct SessionImport {
    DeviceKey device;
    std::string start;          // session start "YYMMDD_hhmmss"
    std::vector<uint8_t> table; // the assignment-table page up to its length
    std::vector<Record> records;
};

// Outcome of one import, per session and in total.
struct ImportCounts {
    int64_t session = 0;   // archive id of the session
    size_t records = 0;    // records brought
    size_t added = 0;      // new records kept
    size_t duplicates = 0; // records the archive already held with the same values
    size_t conflicts = 0;  // records that differ from the kept ones (kept as conflicts)
};
struct ImportReport {
    std::vector<ImportCounts> sessions;
    ImportCounts total() const;
};

// A session of the archive as listed.
struct SessionInfo {
    int64_t id = 0;
    DeviceKey device;
    std::string start;
    std::vector<uint8_t> table;
    int64_t records = 0;
    uint32_t firstMarker = 0, lastMarker = 0; // [0.1 s] (0 without records)
};

// A record kept as a conflict, with the values the archive holds for it.
struct Conflict {
    int64_t session = 0;
    uint8_t node = 0;
    uint32_t marker = 0;
    std::vector<uint8_t> kept, other;
    std::optional<int64_t> importId; // the import that brought it (unknown for old archives)
};

// Progress of a long operation: (done, total); returns false to stop it.
using Progress = std::function<bool(size_t done, size_t total)>;

class Archive {
  public:
    // Opens the archive file, creating it (create = true) when missing, and migrates it to
    // kSchemaVersion. Throws DbError, also for a file that is no plant archive or that was made by
    // a newer version of the program.
    void open(const std::string& path, bool create);
    void close() { db_.close(); }
    int schemaVersion();

    // Merges the sessions' records in one transaction. `source` names where they came from (shown
    // in the import log). Returns false, with the archive unchanged, when `progress` stopped it.
    bool import(const std::vector<SessionImport>& sessions, const std::string& source, ImportReport& report,
                const Progress& progress = nullptr);

    std::vector<SessionInfo> sessions();
    std::optional<SessionInfo> session(int64_t id);
    // Calls `fn` for the session's records with from <= marker <= to, in time-marker order (then
    // node address).
    void records(int64_t session, uint32_t from, uint32_t to, const std::function<void(const Record&)>& fn);
    std::vector<Conflict> conflicts();
    // SQLite's integrity and foreign-key checks, then the archive's own: every record as long as its
    // node's channels in the session table. Returns the problems found (empty: intact).
    std::vector<std::string> check();

    Db& db() { return db_; }

  private:
    int64_t sessionFor(const SessionImport& s);
    Db db_;
};

// Brings a database to schema version `target` (kFirstSchemaVersion..kSchemaVersion), one migration
// step at a time, each in its own transaction. A new, empty database starts at version 0.
void migrate(Db& db, int target);

// Physical channel count per node address of an assignment-table page (0 = no such node).
// Entries that run past the table's length end the list.
std::array<uint8_t, 256> tableChannels(std::span<const uint8_t> table);

} // namespace archive
