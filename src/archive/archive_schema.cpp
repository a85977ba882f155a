// Schema versions of the plant archive and the migrations between them.
#include "archive/archive.h"

namespace archive {

namespace {

// Version 1: devices, sessions with their assignment table, records keyed by session, time marker
// and node (stored in that order, so a period of a session is one range of the key), and the
// records that differed from a kept one.
constexpr const char* kVersion1 = R"(
CREATE TABLE device(
    id INTEGER PRIMARY KEY,
    hw TEXT NOT NULL,
    fw TEXT NOT NULL,
    address TEXT NOT NULL,
    UNIQUE(hw, fw, address));
CREATE TABLE session(
    id INTEGER PRIMARY KEY,
    device_id INTEGER NOT NULL REFERENCES device(id),
    start TEXT NOT NULL,
    tabass BLOB NOT NULL);
CREATE INDEX session_start ON session(start);
CREATE TABLE record(
    session_id INTEGER NOT NULL REFERENCES session(id),
    marker INTEGER NOT NULL,
    node INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(session_id, marker, node)) WITHOUT ROWID;
CREATE TABLE conflict(
    session_id INTEGER NOT NULL REFERENCES session(id),
    marker INTEGER NOT NULL,
    node INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(session_id, marker, node, data)) WITHOUT ROWID;
)";

// Version 2: a log of the imports, and which import brought each conflict.
constexpr const char* kVersion2 = R"(
CREATE TABLE import(
    id INTEGER PRIMARY KEY,
    at TEXT NOT NULL,
    source TEXT NOT NULL,
    records INTEGER NOT NULL,
    added INTEGER NOT NULL,
    duplicates INTEGER NOT NULL,
    conflicts INTEGER NOT NULL);
ALTER TABLE conflict ADD COLUMN import_id INTEGER REFERENCES import(id);
)";

constexpr const char* kSteps[] = {kVersion1, kVersion2};
static_assert(std::size(kSteps) == kSchemaVersion);

} // namespace

void migrate(Db& db, int target) {
    if (target < kFirstSchemaVersion || target > kSchemaVersion)
        throw DbError("no schema version " + std::to_string(target), 0);
    for (;;) {
        Transaction t(db);
        const int version = static_cast<int>(db.scalar("PRAGMA user_version"));
        if (version >= target) return; // the transaction has nothing to keep
        if (version == 0) db.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
        db.exec(kSteps[version]);
        db.exec("PRAGMA user_version = " + std::to_string(version + 1));
        t.commit();
    }
}

} // namespace archive
