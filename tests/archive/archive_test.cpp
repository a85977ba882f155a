// The plant archive on its own: merging imports record by record, session identity, stopped and
// killed imports, the checks, migrations from the first schema version, and period bounds.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "archive/archive.h"
#include "archive/archive_session.h"
#include "archive/archive_test_support.h"
#include "logger/download.h"
#include "logger/tab_ass.h"
#include "support/env_guard.h"
#include "support/state_guard.h"

namespace {

using namespace archive;

SessionImport import(const Records& r, const std::string& fw = "7018", const std::string& address = "") {
    return SessionImport{{fw.substr(0, 1), fw, address}, "151231_224730", smallTable(), r.list};
}

class ArchiveTest : public KorvaneTest {
  protected:
    std::string file() const { return dir_.file("plant.db"); }
    ImportReport importInto(Archive& a, const std::vector<SessionImport>& s) {
        ImportReport rep;
        EXPECT_TRUE(a.import(s, "test", rep));
        return rep;
    }
    // Every record of every session as "session/node/marker=values".
    static std::vector<std::string> contents(Archive& a) {
        std::vector<std::string> out;
        for (const auto& s : a.sessions())
            a.records(s.id, 0, UINT32_MAX, [&](const Record& r) {
                std::string v;
                for (uint8_t b : r.values) v += std::to_string(b) + ".";
                out.push_back(std::to_string(s.id) + "/" + std::to_string(r.node) + "/" +
                              std::to_string(r.marker) + "=" + v);
            });
        return out;
    }
    TempDir dir_;
};

TEST_F(ArchiveTest, OverlappingImportsKeepEachRecordOnceAndConflictsBeside) {
    Archive a;
    a.open(file(), true);
    EXPECT_EQ(a.schemaVersion(), kSchemaVersion);
    const Records first(0, 36000), second(18000, 72000); // one hour, then from the half hour on
    ImportReport rep = importInto(a, {import(first)});
    ASSERT_EQ(rep.sessions.size(), 1u);
    EXPECT_EQ(rep.total().added, first.list.size());
    rep = importInto(a, {import(second)});
    const size_t shared = Records(18000, 36000).list.size();
    EXPECT_EQ(rep.total().duplicates, shared);
    EXPECT_EQ(rep.total().added, second.list.size() - shared);
    EXPECT_EQ(rep.total().conflicts, 0u);
    auto sessions = a.sessions();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].records, static_cast<int64_t>(Records(0, 72000).list.size()));
    EXPECT_EQ(sessions[0].firstMarker, 0u);
    EXPECT_EQ(sessions[0].lastMarker, 72000u);

    // A record that differs from the kept one at the same node and marker: kept beside it, reported.
    Records changed(24000, 24000);
    changed.values[0][0] ^= 0x01;
    const auto before = contents(a);
    rep = importInto(a, {import(changed), import(changed)}); // twice in one import: kept once
    EXPECT_EQ(rep.total().conflicts, 2u);
    EXPECT_EQ(rep.total().duplicates, 2u); // node 9's record at the same marker
    EXPECT_EQ(contents(a), before);        // the archived values stay
    const auto conflicts = a.conflicts();
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0].node, 4);
    EXPECT_EQ(conflicts[0].marker, 24000u);
    EXPECT_EQ(conflicts[0].kept, Records(24000, 24000).values[0]);
    EXPECT_EQ(conflicts[0].other, changed.values[0]);
    EXPECT_TRUE(conflicts[0].importId.has_value());
    EXPECT_TRUE(a.check().empty());

    // The import log counts every import.
    EXPECT_EQ(a.db().scalar("SELECT COUNT(*) FROM import"), 3);
    EXPECT_EQ(a.db().scalar("SELECT conflicts FROM import WHERE id = 3"), 2);
    // WAL mode.
    Stmt mode(a.db(), "PRAGMA journal_mode");
    ASSERT_TRUE(mode.step());
    EXPECT_EQ(mode.text(0), "wal");
}

TEST_F(ArchiveTest, SessionsAreTheDeviceTheStartAndTheTable) {
    Archive a;
    a.open(file(), true);
    const Records r(0, 6000);
    auto otherTable = import(r);
    otherTable.table[18] = 90; // node 4's sample timer
    auto otherStart = import(r);
    otherStart.start = "160101_000000";
    const struct {
        SessionImport s;
        int64_t session;
    } cases[] = {
        {import(r, "7018", ""), 1},
        {import(r, "7018", "+39 0471 000000"), 1}, // an address learnt later: the same logger
        {import(r, "7018", ""), 1},
        {import(r, "7019", ""), 2}, // another firmware release: another device
        {otherTable, 3},
        {otherStart, 4},
    };
    for (const auto& c : cases) {
        ImportReport rep = importInto(a, {c.s});
        EXPECT_EQ(rep.sessions.at(0).session, c.session) << c.s.device.fw << " " << c.s.device.address;
    }
    EXPECT_EQ(a.sessions().size(), 4u);
}

TEST_F(ArchiveTest, StoppedOrKilledImportLeavesTheArchiveAsItWas) {
    {
        Archive a;
        a.open(file(), true);
        importInto(a, {import(Records(0, 36000))});
    }
    Archive a;
    a.open(file(), false);
    const auto before = contents(a);
    const Records big(0, 600u * 20000); // more records than one progress step
    ImportReport rep;
    size_t calls = 0;
    EXPECT_FALSE(a.import({import(big)}, "stopped", rep, [&](size_t, size_t) { return ++calls < 3; }));
    EXPECT_EQ(contents(a), before);
    a.close();

    // A process that dies half-way through its transaction (its records partly written).
    EXPECT_EXIT(
        {
            Archive b;
            b.open(file(), false);
            b.db().exec("PRAGMA cache_size = 8"); // pages spill into the log before the end
            ImportReport r;
            size_t n = 0;
            b.import({import(big)}, "killed", r, [&](size_t, size_t) {
                if (++n == 4) std::raise(SIGKILL);
                return true;
            });
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_GT(std::filesystem::file_size(file() + "-wal"), 0u); // the dead import's pages
    a.open(file(), false);
    EXPECT_EQ(contents(a), before);
    EXPECT_TRUE(a.check().empty());
    EXPECT_EQ(a.db().scalar("SELECT COUNT(*) FROM import"), 1);
}

TEST_F(ArchiveTest, CheckFindsRecordsThatDoNotFitTheirTable) {
    Archive a;
    a.open(file(), true);
    importInto(a, {import(Records(0, 6000))});
    EXPECT_TRUE(a.check().empty());
    a.db().exec("INSERT INTO record VALUES(1, 99999, 4, x'0102')");  // one value instead of two
    a.db().exec("INSERT INTO record VALUES(1, 99999, 77, x'0102')"); // a node the table lacks
    const auto problems = a.check();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("node 4 hold 2 bytes of values instead of 4"), std::string::npos)
        << problems[0];
    EXPECT_NE(problems[1].find("node 77, which its table does not list"), std::string::npos) << problems[1];
}

TEST_F(ArchiveTest, FilesThatAreNoArchiveOrNewerAreRefusedUntouched) {
    {
        std::ofstream(dir_.file("text.db")) << "Time[s]: 900\r\n";
        Db other;
        other.open(dir_.file("other.db"), true);
        other.exec("CREATE TABLE t(x)");
        Db newer;
        newer.open(dir_.file("newer.db"), true);
        newer.exec("PRAGMA application_id = " + std::to_string(kApplicationId) +
                   "; PRAGMA user_version = 99");
    }
    for (const auto& [name, why] : {std::pair{"text.db", "not a database"},
                                    {"other.db", "not a plant archive"},
                                    {"newer.db", "newer version"},
                                    {"missing/x.db", "unable to open"}}) {
        Archive a;
        try {
            a.open(dir_.file(name), true);
            ADD_FAILURE() << name;
        } catch (const DbError& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(std::filesystem::file_size(dir_.file("text.db")), 14u);
}

TEST_F(ArchiveTest, FirstSchemaVersionIsMigratedWithItsContents) {
    {
        Db db;
        db.open(file(), true);
        migrate(db, kFirstSchemaVersion);
        db.exec("INSERT INTO device VALUES(1, '7', '7018', '')");
        Stmt s(db, "INSERT INTO session VALUES(1, 1, '151231_224730', ?)");
        s.bind(1, smallTable()).run();
        db.exec("INSERT INTO record VALUES(1, 0, 4, x'01000200'), (1, 600, 4, x'03000400');"
                "INSERT INTO conflict VALUES(1, 600, 4, x'05000600')");
        EXPECT_EQ(db.scalar("PRAGMA user_version"), 1);
    }
    Archive a;
    a.open(file(), false);
    EXPECT_EQ(a.schemaVersion(), kSchemaVersion);
    auto sessions = a.sessions();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].records, 2);
    auto conflicts = a.conflicts();
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_FALSE(conflicts[0].importId.has_value());
    EXPECT_EQ(conflicts[0].kept, (std::vector<uint8_t>{3, 0, 4, 0}));
    EXPECT_TRUE(a.check().empty());
    // The migrated archive takes new imports into the same session.
    Records r(0, 1200);
    ImportReport rep = importInto(a, {import(r, "7018")});
    EXPECT_EQ(rep.sessions.at(0).session, 1);
    EXPECT_EQ(rep.total().conflicts, 2u); // the old test values differ from these
    EXPECT_EQ(a.conflicts().back().importId, 1);
}

TEST_F(ArchiveTest, GapsAreNodesSilentForOverTwiceTheirSampleTimer) {
    Archive a;
    a.open(file(), true);
    Records r(0, 6000), late(36000, 40800);
    r.list.erase(r.list.begin() + 2); // node 4 silent for 120 s: not over twice its 60 s
    importInto(a, {import(r), import(late)});
    const SessionInfo s = a.sessions().at(0);
    ASSERT_TRUE(loadSession(s));
    const auto gaps = sessionGaps(a, s);
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_EQ(gaps[0].node, 4);
    EXPECT_EQ(gaps[0].from, 6000u);
    EXPECT_EQ(gaps[0].to, 36000u);
    EXPECT_EQ(gaps[1].node, 9);
}

// The averaging shared by downloads and the archive reports a data file the disk did not take.
TEST_F(ArchiveTest, DataFileOnAFullDiskIsReportedNotWritten) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Archive a;
    a.open(file(), true);
    importInto(a, {import(Records(0, 600u * 2000))});
    const SessionInfo s = a.sessions().at(0);
    ASSERT_TRUE(loadSession(s));
    Tsample = 60;
    ui_.expect("/dev/full non puo' essere scritto !", "Warning", MsgAnswer::Ok);
    EXPECT_EQ(writeArchivedDataFile(a, s, s.firstMarker, s.lastMarker, "/dev/full"), 0);
    EXPECT_EQ(writeArchivedDataFile(a, s, s.firstMarker, s.lastMarker, dir_.file("ok")), 1);
}

TEST_F(ArchiveTest, PeriodBoundsAreTimesAtOrAfterTheStartOrMarkers) {
    std::copy_n(smallTable().begin(), 34, TabAss);
    decodeSessionStart(TabAss); // 151231_224730
    const struct {
        const char* text;
        std::optional<uint32_t> marker;
    } cases[] = {
        {"151231_224730", 0u},
        {"151231_224731", 10u},
        {"160101_000000", 43500u},
        {"160301_000000", (31u + 29) * 864000 + 43500}, // 2016 is a leap year
        {"151231_224729", {}},
        {"151331_000000", {}},
        {"150230_000000", {}},
        {"12345", 12345u},
        {"4294967295", 4294967295u},
        {"4294967296", {}},
        {"", {}},
        {"1512310_22473", {}},
        {"-5", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(periodBound(c.text), c.marker) << c.text;
    EXPECT_EQ(markerTime(43500), "160101_000000");
}

} // namespace
