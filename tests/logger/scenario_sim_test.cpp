// Sessions and downloads of the simulator's generated plants, checked against what the
// scenario itself says it recorded.
#include <gtest/gtest.h>

#include <cstring>

#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "support/fixture.h"
#include "support/sim_session.h"

namespace {

class ScenarioRun : public SimSession {
  protected:
    bool open(const std::string& scenario, int fast, const std::string& fault = "") {
        sim::SimOptions o;
        o.kind = sim::DeviceKind::RX43;
        o.scenario = scenario;
        o.seed = 3;
        if (!fault.empty()) {
            std::string err;
            if (!sim::FaultSpec::parse(fault, o.fault, err)) return false;
        }
        if (!connect(o)) return false;
        Flag.fast_read = fast;
        return true;
    }
    const sim::Scenario& scenario() { return *sim_->scenario(); }

    // The summary's node lines as the scenario's current session defines them.
    static std::string expectedNodeLines(const sim::ScenarioSession& s) {
        std::string out;
        char buf[256];
        for (const auto& n : s.nodes) {
            std::snprintf(buf, sizeof buf, "- Nodo %u (SaTmr= %u s, Vbat= %1.2f V)\r\n", n.address, n.sampleTimer,
                          n.vbat / 100.0);
            out += buf;
            int ch = 0;
            for (size_t i = 0; i < n.conf.size(); ++i) {
                int code = n.conf[i] & 0x1F;
                if (code == 0) continue;
                std::snprintf(buf, sizeof buf, "  - Ch %u (%s)\r\n", ++ch, Lista_Grandezze[code]);
                out += buf;
            }
            out += "\r\n";
        }
        return out;
    }
};

TEST_F(ScenarioRun, SummaryDescribesTheRecordedSession) {
    for (const char* name : {"normal", "wrapped", "empty", "multi"}) {
        for (int fast : {1, 0}) {
            ASSERT_TRUE(open(name, fast)) << name;
            const auto& sc = scenario();
            const auto& cur = sc.current();
            initSession(nullptr);
            ASSERT_EQ(Flag.pages_error + Flag.table_error + Flag.time_error, 0) << name;
            EXPECT_EQ(PagTab, cur.tablePage) << name;
            EXPECT_EQ(StatusReg & 0x08 ? 1 : 0, sc.wrapped ? 1 : 0) << name;
            char start[32];
            std::snprintf(start, sizeof start, "%02d%02d%02d_%02d%02d%02d", cur.start.year % 100, cur.start.month,
                          cur.start.day, cur.start.hour, cur.start.minute, cur.start.second);
            EXPECT_EQ(DataTimeSS, start) << name;
            uint32_t first = cur.records.empty() ? 0 : cur.records.front().marker;
            uint32_t last = cur.records.empty() ? 0 : cur.records.back().marker;
            if (cur.pages.empty()) first = last = 0;
            EXPECT_EQ(DurataSessione, sessionDuration(first, last)) << name;
            StringTextBox box;
            printInfoSes(&box, 0);
            size_t nodes = box.text.find("- Nodo");
            ASSERT_NE(nodes, std::string::npos) << name;
            EXPECT_EQ(box.text.substr(nodes), expectedNodeLines(cur)) << name;
            if (std::string(name) == "empty") {
                EXPECT_EQ(TotalPagNum, 0) << name;
            }
            closeComPort(hCom);
            sim_->stop();
            resetState();
        }
    }
}

// Writes the records the scenario put in the chosen pages and the temporary buffer into an
// intermediate file and averages it: the data file a faultless download must produce.
std::string predictedDataFile(const sim::Scenario& sc, unsigned pagesWanted, const std::string& name) {
    const auto& cur = sc.current();
    std::vector<sim::ScenarioRecord> recs;
    size_t firstPage = cur.pages.size() > pagesWanted ? cur.pages.size() - pagesWanted : 0;
    for (size_t p = firstPage; p < cur.pages.size(); ++p)
        for (size_t k = 0; k < cur.pages[p].recordCount; ++k) recs.push_back(cur.records[cur.pages[p].firstRecord + k]);
    FirstTimeMarkerDload = recs.empty() ? (sc.tempRecords.empty() ? 0 : sc.tempRecords.front().marker)
                                        : recs.front().marker;
    recs.insert(recs.end(), sc.tempRecords.begin(), sc.tempRecords.end());
    if (!recs.empty()) LastTimeMarker = recs.back().marker;
    FILE* hex = std::fopen(kIntermediateFile, "wb");
    for (const auto& r : recs) {
        auto bytes = sim::encodeRecord(r);
        std::fwrite(bytes.data(), 1, bytes.size(), hex);
    }
    std::fclose(hex);
    writeDataFile(name);
    std::remove(kIntermediateFile);
    return readFileBytes(name);
}

TEST_F(ScenarioRun, DownloadsGiveWhatTheScenarioRecorded) {
    struct Case {
        const char* scenario;
        int fast;
        unsigned pages;
    } cases[] = {{"normal", 1, 0xFFFF}, {"normal", 0, 5}, {"wrapped", 1, 40}, {"tablepage", 1, 0xFFFF}};
    for (const auto& c : cases) {
        ASSERT_TRUE(open(c.scenario, c.fast)) << c.scenario;
        initSession(nullptr);
        Tsample = 300;
        TotalPagNumDload = static_cast<uint16_t>(std::min<unsigned>(c.pages, TotalPagNum));
        if (TotalPagNumDload < TotalPagNum) ui_.answer(MsgAnswer::Yes);
        ASSERT_EQ(saveFile(nullptr, "downloaded"), 1) << c.scenario;
        const std::string got = readWorkFile("downloaded");
        const uint32_t firstDl = FirstTimeMarkerDload, lastDl = LastTimeMarker;
        const std::string want = predictedDataFile(scenario(), TotalPagNumDload, "predicted");
        EXPECT_EQ(firstDl, FirstTimeMarkerDload) << c.scenario;
        EXPECT_EQ(lastDl, LastTimeMarker) << c.scenario;
        EXPECT_EQ(got, want) << c.scenario << " pages " << c.pages;
        EXPECT_GT(InfoSES.nItem, 0u) << c.scenario;
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
}

TEST_F(ScenarioRun, BoardDownloadsAtMostFourPages) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::MW51;
    o.scenario = "normal";
    ASSERT_TRUE(connect(o));
    initSession(nullptr);
    ASSERT_GT(TotalPagNum, 4);
    EXPECT_EQ(TotalPagNumDload, 4);
    ui_.expect("Numero di pagine dati prelevate: 4 (" + std::to_string(TotalPagNum) +
                   " tot)\r\n\r\nProcedere allo scaricamento adesso ?",
               "Question", MsgAnswer::Yes);
    Tsample = 900;
    ASSERT_EQ(saveFile(nullptr, "board"), 1);
    EXPECT_EQ(readWorkFile("board"), predictedDataFile(*sim_->scenario(), 4, "predicted"));
}

TEST_F(ScenarioRun, FaultyLineEitherGivesTheSameFileOrFailsCleanly) {
    int completed = 0;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        ASSERT_TRUE(open("normal", 1));
        initSession(nullptr);
        ASSERT_EQ(Flag.pages_error, 0);
        Tsample = 300;
        const std::string want = predictedDataFile(scenario(), 8, "predicted");
        closeComPort(hCom);
        sim_->stop();
        resetState();

        ASSERT_TRUE(open("normal", 1, "drop=0.0003,seed=" + std::to_string(seed)));
        Timeout_rx = 300;
        initSession(nullptr); // a lost reply makes a step ask; the scripted answer is "No"
        ui_.failures.clear();
        if (Flag.pages_error + Flag.table_error + Flag.time_error == 0) {
            Tsample = 300;
            TotalPagNumDload = 8;
            ui_.answer(MsgAnswer::Yes);
            int ok = saveFile(nullptr, "faulty");
            ui_.failures.clear();
            EXPECT_FALSE(workFileExists(kIntermediateFile));
            if (ok == 1) {
                EXPECT_EQ(readWorkFile("faulty"), want) << "seed " << seed;
                ++completed;
            } else {
                EXPECT_FALSE(workFileExists("faulty"));
            }
        }
        closeComPort(hCom);
        sim_->stop();
        resetState();
    }
    RecordProperty("completed", completed);
}

} // namespace
