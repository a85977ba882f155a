// The plant archive: opening and migrating the file, merging imports, reading sessions back.
#include "archive/archive.h"

#include <algorithm>
#include <ctime>

namespace archive {

namespace {

constexpr size_t kProgressStep = 4096; // records between two progress calls

bool compatible(const std::string& a, const std::string& b) {
    return a.empty() || b.empty() || a == b;
}

std::string nowText() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

} // namespace

ImportCounts ImportReport::total() const {
    ImportCounts t;
    for (const auto& s : sessions) {
        t.records += s.records;
        t.added += s.added;
        t.duplicates += s.duplicates;
        t.conflicts += s.conflicts;
    }
    return t;
}

std::array<uint8_t, 256> tableChannels(std::span<const uint8_t> table) {
    std::array<uint8_t, 256> ch{};
    if (table.size() < 16) return ch;
    const size_t length = std::min<size_t>(table.size(), table[2] | (table[3] << 8));
    size_t off = 16;
    while (off + 6 <= length) {
        const uint8_t node = table[off], chanu = table[off + 1];
        const size_t entry = 6 + 2u * chanu;
        if (off + entry > length) break;
        ch[node] = chanu;
        off += entry;
    }
    return ch;
}

void Archive::open(const std::string& path, bool create) {
    db_.open(path, create);
    try {
        const int64_t app = db_.scalar("PRAGMA application_id");
        const int64_t version = db_.scalar("PRAGMA user_version");
        const int64_t objects = db_.scalar("SELECT COUNT(*) FROM sqlite_master");
        if (app != kApplicationId && (app != 0 || objects != 0))
            throw DbError(path + ": not a plant archive", 0);
        if (version > kSchemaVersion)
            throw DbError(path + ": made by a newer version of the program (schema " +
                              std::to_string(version) + ", this one knows up to " +
                              std::to_string(kSchemaVersion) + ")",
                          0);
        db_.exec("PRAGMA journal_mode = WAL");
        db_.exec("PRAGMA synchronous = FULL");
        db_.exec("PRAGMA foreign_keys = ON");
        migrate(db_, kSchemaVersion);
    } catch (...) {
        db_.close();
        throw;
    }
}

int Archive::schemaVersion() {
    return static_cast<int>(db_.scalar("PRAGMA user_version"));
}

int64_t Archive::sessionFor(const SessionImport& s) {
    Stmt find(db_, "SELECT s.id, d.hw, d.fw, d.address FROM session s JOIN device d ON d.id = s.device_id "
                   "WHERE s.start = ? AND s.tabass = ? ORDER BY s.id");
    find.bind(1, s.start).bind(2, s.table);
    int64_t exact = 0, near = 0;
    while (find.step()) {
        const DeviceKey d{find.text(1), find.text(2), find.text(3)};
        if (d.hw == s.device.hw && d.fw == s.device.fw && d.address == s.device.address) {
            if (!exact) exact = find.integer(0);
        } else if (!near && compatible(d.hw, s.device.hw) && compatible(d.fw, s.device.fw) &&
                   compatible(d.address, s.device.address)) {
            near = find.integer(0);
        }
    }
    if (exact) return exact;
    if (near) return near;
    Stmt dev(db_, "INSERT INTO device(hw, fw, address) VALUES(?, ?, ?) ON CONFLICT DO NOTHING");
    dev.bind(1, s.device.hw).bind(2, s.device.fw).bind(3, s.device.address).run();
    Stmt devId(db_, "SELECT id FROM device WHERE hw = ? AND fw = ? AND address = ?");
    devId.bind(1, s.device.hw).bind(2, s.device.fw).bind(3, s.device.address);
    if (!devId.step()) db_.fail("device", 0);
    const int64_t device = devId.integer(0);
    Stmt ses(db_, "INSERT INTO session(device_id, start, tabass) VALUES(?, ?, ?)");
    ses.bind(1, device).bind(2, s.start).bind(3, s.table).run();
    return db_.scalar("SELECT last_insert_rowid()");
}

bool Archive::import(const std::vector<SessionImport>& sessions, const std::string& source,
                     ImportReport& report, const Progress& progress) {
    report = ImportReport{};
    size_t total = 0, done = 0;
    for (const auto& s : sessions) total += s.records.size();

    Transaction t(db_);
    Stmt log(
        db_,
        "INSERT INTO import(at, source, records, added, duplicates, conflicts) VALUES(?, ?, 0, 0, 0, 0)");
    log.bind(1, nowText()).bind(2, source).run();
    const int64_t importId = db_.scalar("SELECT last_insert_rowid()");

    Stmt ins(db_,
             "INSERT INTO record(session_id, marker, node, data) VALUES(?, ?, ?, ?) ON CONFLICT DO NOTHING");
    Stmt kept(db_, "SELECT data FROM record WHERE session_id = ? AND marker = ? AND node = ?");
    Stmt conflict(db_,
                  "INSERT INTO conflict(session_id, marker, node, data, import_id) VALUES(?, ?, ?, ?, ?) "
                  "ON CONFLICT DO NOTHING");
    if (progress && !progress(0, total)) return false;
    for (const auto& s : sessions) {
        ImportCounts c;
        c.session = sessionFor(s);
        c.records = s.records.size();
        for (const Record& r : s.records) {
            ins.bind(1, c.session)
                .bind(2, static_cast<int64_t>(r.marker))
                .bind(3, int64_t{r.node})
                .bind(4, r.values);
            ins.run();
            if (db_.changes() == 1) {
                ++c.added;
            } else {
                kept.bind(1, c.session).bind(2, static_cast<int64_t>(r.marker)).bind(3, int64_t{r.node});
                const bool same = kept.step() && std::ranges::equal(kept.blob(0), r.values);
                kept.reset();
                if (same) {
                    ++c.duplicates;
                } else {
                    ++c.conflicts;
                    conflict.bind(1, c.session)
                        .bind(2, static_cast<int64_t>(r.marker))
                        .bind(3, int64_t{r.node});
                    conflict.bind(4, r.values).bind(5, importId).run();
                }
            }
            if (++done % kProgressStep == 0 && progress && !progress(done, total)) return false;
        }
        report.sessions.push_back(c);
    }
    if (progress && !progress(total, total)) return false;
    const ImportCounts all = report.total();
    Stmt upd(db_, "UPDATE import SET records = ?, added = ?, duplicates = ?, conflicts = ? WHERE id = ?");
    upd.bind(1, static_cast<int64_t>(all.records)).bind(2, static_cast<int64_t>(all.added));
    upd.bind(3, static_cast<int64_t>(all.duplicates)).bind(4, static_cast<int64_t>(all.conflicts));
    upd.bind(5, importId).run();
    t.commit();
    return true;
}

namespace {

constexpr const char* kSessionQuery = "SELECT s.id, d.hw, d.fw, d.address, s.start, s.tabass,"
                                      " (SELECT COUNT(*) FROM record r WHERE r.session_id = s.id),"
                                      " (SELECT MIN(marker) FROM record r WHERE r.session_id = s.id),"
                                      " (SELECT MAX(marker) FROM record r WHERE r.session_id = s.id)"
                                      " FROM session s JOIN device d ON d.id = s.device_id";

SessionInfo sessionRow(const Stmt& st) {
    SessionInfo i;
    i.id = st.integer(0);
    i.device = {st.text(1), st.text(2), st.text(3)};
    i.start = st.text(4);
    const auto t = st.blob(5);
    i.table.assign(t.begin(), t.end());
    i.records = st.integer(6);
    i.firstMarker = static_cast<uint32_t>(st.integer(7));
    i.lastMarker = static_cast<uint32_t>(st.integer(8));
    return i;
}

} // namespace

std::vector<SessionInfo> Archive::sessions() {
    Stmt st(db_, std::string(kSessionQuery) + " ORDER BY s.start, s.id");
    std::vector<SessionInfo> out;
    while (st.step()) out.push_back(sessionRow(st));
    return out;
}

std::optional<SessionInfo> Archive::session(int64_t id) {
    Stmt st(db_, std::string(kSessionQuery) + " WHERE s.id = ?");
    st.bind(1, id);
    if (!st.step()) return std::nullopt;
    return sessionRow(st);
}

void Archive::records(int64_t session, uint32_t from, uint32_t to,
                      const std::function<void(const Record&)>& fn) {
    Stmt st(db_, "SELECT marker, node, data FROM record WHERE session_id = ? AND marker BETWEEN ? AND ? "
                 "ORDER BY marker, node");
    st.bind(1, session).bind(2, int64_t{from}).bind(3, int64_t{to});
    while (st.step())
        fn(Record{static_cast<uint8_t>(st.integer(1)), static_cast<uint32_t>(st.integer(0)), st.blob(2)});
}

std::vector<Conflict> Archive::conflicts() {
    Stmt st(db_,
            "SELECT c.session_id, c.node, c.marker, r.data, c.data, c.import_id FROM conflict c "
            "LEFT JOIN record r ON r.session_id = c.session_id AND r.marker = c.marker AND r.node = c.node "
            "ORDER BY c.session_id, c.marker, c.node, c.import_id");
    std::vector<Conflict> out;
    while (st.step()) {
        Conflict c;
        c.session = st.integer(0);
        c.node = static_cast<uint8_t>(st.integer(1));
        c.marker = static_cast<uint32_t>(st.integer(2));
        const auto k = st.blob(3), o = st.blob(4);
        c.kept.assign(k.begin(), k.end());
        c.other.assign(o.begin(), o.end());
        if (!st.isNull(5)) c.importId = st.integer(5);
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<std::string> Archive::check() {
    std::vector<std::string> problems;
    {
        Stmt st(db_, "PRAGMA integrity_check");
        while (st.step())
            if (const std::string s = st.text(0); s != "ok") problems.push_back(s);
    }
    {
        Stmt st(db_, "PRAGMA foreign_key_check");
        while (st.step())
            problems.push_back("table " + st.text(0) + " row " + std::to_string(st.integer(1)) +
                               " refers to a missing " + st.text(2));
    }
    if (!problems.empty()) return problems; // the rest reads what may be damaged
    Stmt lengths(db_, "SELECT node, length(data), COUNT(*) FROM record WHERE session_id = ? "
                      "GROUP BY node, length(data)");
    for (const SessionInfo& s : sessions()) {
        const auto channels = tableChannels(s.table);
        lengths.bind(1, s.id);
        while (lengths.step()) {
            const int64_t node = lengths.integer(0), bytes = lengths.integer(1), count = lengths.integer(2);
            if (node < 0 || node > 255 || channels[static_cast<size_t>(node)] == 0)
                problems.push_back("session " + std::to_string(s.id) + ": " + std::to_string(count) +
                                   " records of node " + std::to_string(node) +
                                   ", which its table does not list");
            else if (bytes != 2 * channels[static_cast<size_t>(node)])
                problems.push_back("session " + std::to_string(s.id) + ": " + std::to_string(count) +
                                   " records of node " + std::to_string(node) + " hold " +
                                   std::to_string(bytes) + " bytes of values instead of " +
                                   std::to_string(2 * channels[static_cast<size_t>(node)]));
        }
        lengths.reset();
    }
    return problems;
}

} // namespace archive
