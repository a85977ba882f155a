// The plant archive fed by downloads from a simulated logger: overlapping downloads of a wrapped
// session, a record changed on the logger, and re-averaging that gives the download's own file.
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/archive_ops.h"
#include "archive/archive_session.h"
#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "support/fixture.h"
#include "support/sim_session.h"

namespace {

using namespace archive;

class ArchiveSim : public SimSession {
  protected:
    void TearDown() override {
        KeepDownloadedRecords = false;
        DownloadedRecords.clear();
        SimSession::TearDown();
    }
    // Connects to the simulated plant and reads its session.
    void openPlant(const char* scenario) {
        sim::SimOptions o;
        o.kind = sim::DeviceKind::RX43;
        o.scenario = scenario;
        o.seed = 3;
        ASSERT_TRUE(connect(o));
        initSession(nullptr);
        ASSERT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error, 0);
        KeepDownloadedRecords = true;
    }
    // Downloads the newest `pages` data pages into `name` and merges them into the archive.
    ImportReport download(unsigned pages, const std::string& name) {
        TotalPagNumDload = static_cast<uint16_t>(std::min<unsigned>(pages, TotalPagNum));
        if (TotalPagNumDload < TotalPagNum) ui_.answer(MsgAnswer::Yes);
        EXPECT_EQ(saveFile(nullptr, name), 1);
        ImportReport rep;
        std::string error;
        EXPECT_EQ(importCurrentSession(archive(), "download", rep, error), ImportOutcome::Done) << error;
        return rep;
    }
    std::string archive() const { return work_.file("plant.db"); }
    // (node, marker) of every record the scenario put in the newest `pages` pages and the buffer.
    std::vector<std::pair<int, uint32_t>> scenarioRecords(unsigned pages) const {
        const auto& sc = *sim_->scenario();
        const auto& cur = sc.current();
        std::vector<std::pair<int, uint32_t>> out;
        for (size_t p = cur.pages.size() - pages; p < cur.pages.size(); ++p)
            for (size_t k = 0; k < cur.pages[p].recordCount; ++k) {
                const auto& r = cur.records[cur.pages[p].firstRecord + k];
                out.emplace_back(r.node, r.marker);
            }
        for (const auto& r : sc.tempRecords) out.emplace_back(r.node, r.marker);
        return out;
    }
};

TEST_F(ArchiveSim, OverlappingDownloadsOfAWrappedSessionKeepEachRecordOnce) {
    openPlant("wrapped");
    ASSERT_EQ(StatusReg & 0x08, 0x08);
    const ImportReport first = download(30, "first");
    EXPECT_EQ(first.total().added, scenarioRecords(30).size());
    const ImportReport second = download(50, "second");
    EXPECT_EQ(second.total().duplicates, first.total().records);
    EXPECT_EQ(second.total().added, scenarioRecords(50).size() - scenarioRecords(30).size());
    EXPECT_EQ(second.total().conflicts, 0u);
    EXPECT_EQ(second.sessions.at(0).session, first.sessions.at(0).session);

    Archive a;
    a.open(archive(), false);
    auto want = scenarioRecords(50);
    std::sort(want.begin(), want.end(),
              [](auto& x, auto& y) { return std::tie(x.second, x.first) < std::tie(y.second, y.first); });
    std::vector<std::pair<int, uint32_t>> got;
    const auto sessions = a.sessions();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].start, DataTimeSS);
    EXPECT_EQ(sessions[0].device.fw, FW_release);
    a.records(sessions[0].id, 0, UINT32_MAX, [&](const Record& r) { got.emplace_back(r.node, r.marker); });
    EXPECT_EQ(got, want);
    EXPECT_TRUE(a.check().empty());
}

TEST_F(ArchiveSim, ReaveragingGivesTheDownloadsDataFileAtTwoSampleTimes) {
    openPlant("wrapped");
    for (uint16_t t : {300, 900}) {
        Tsample = t;
        download(25, "download" + std::to_string(t));
    }
    Archive a;
    a.open(archive(), false);
    const SessionInfo s = a.sessions().at(0);
    for (uint16_t t : {300, 900}) {
        resetSessionState();
        ASSERT_TRUE(loadSession(s));
        Tsample = t;
        const std::string name = "archive" + std::to_string(t);
        ASSERT_EQ(writeArchivedDataFile(a, s, s.firstMarker, s.lastMarker, name), 1);
        const std::string want = readWorkFile("download" + std::to_string(t));
        EXPECT_GT(std::count(want.begin(), want.end(), '\n'), 8);
        EXPECT_EQ(readWorkFile(name), want) << t;
    }
}

TEST_F(ArchiveSim, RecordChangedOnTheLoggerIsReportedAndBothAreKept) {
    openPlant("normal");
    download(6, "first");
    uint8_t node = 0;
    uint32_t marker = 0;
    sim_->modifyDeviceState([&](sim::DeviceState& st) {
        auto p = st.page(st.pageLast);
        node = p[0];
        marker = p[1] | (p[2] << 8) | (p[3] << 16) | (static_cast<uint32_t>(p[4]) << 24);
        p[5] ^= 0x01; // the first value of the newest page's first record
    });
    const ImportReport second = download(6, "second");
    EXPECT_EQ(second.total().conflicts, 1u);
    EXPECT_EQ(second.total().added, 0u);
    EXPECT_EQ(second.total().duplicates, second.total().records - 1);

    Archive a;
    a.open(archive(), false);
    const auto conflicts = a.conflicts();
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0].node, node);
    EXPECT_EQ(conflicts[0].marker, marker);
    EXPECT_EQ(conflicts[0].kept[0] ^ conflicts[0].other[0], 0x01);
    EXPECT_TRUE(a.check().empty());
}

} // namespace
