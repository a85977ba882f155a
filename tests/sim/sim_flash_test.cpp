// The simulated logger's flash, registers and clock, its recorded state, and the generated
// scenarios laid out in the flash as their records say.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "sim/sim.h"
#include "sim_client.h"
#include "support/env_guard.h"
#include "support/fixture.h"

namespace {

using namespace std::chrono_literals;
using std::string_literals::operator""s;

template <class Bytes> std::string bytesOf(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// Reads the current page in 11 requests of one block each.
std::string readPageSlow(SimClient& cl) {
    std::string page;
    for (size_t b = 0; b < sim::kBlocksPerPage; ++b) {
        cl.purge();
        cl.send("ATRD\r");
        page += cl.readN(sim::kBlockSize);
    }
    return page;
}

// Reads the current page with one request (fast mode).
std::string readPageFast(SimClient& cl) {
    cl.purge();
    cl.send("ATRD\r");
    return cl.readN(sim::kPageSize);
}

sim::SimOptions loggerWith(const std::string& scenario) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = scenario;
    return o;
}

} // namespace

TEST(SimFlash, ServesTheRecordedFixtureExactly) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX41; // the recorded version reply wins
    o.stateDir = fixturePath("logger-basic");
    sim::Simulator s(o);
    std::string err;
    ASSERT_TRUE(s.start(&err)) << err;
    SimClient cl(s.slavePath());
    for (const char* rq : {"ATVR", "ATSR", "ATER", "ATPT", "ATPL", "ATDT", "ATTM"})
        EXPECT_EQ(cl.ask(rq + "\r"s), fixtureDeviceField("logger-basic", rq) + "\r") << rq;

    // The temporary buffer: its length, then two blocks, the last one padded.
    EXPECT_EQ(cl.ask("ATRB\r"), "0054\r");
    const std::string temp = bytesOf(hexBytes(fixtureDeviceField("logger-basic", "temporary_buffer_hex")));
    EXPECT_EQ(readPageSlow(cl).substr(0, 96), temp + std::string(12, '\xFF'));

    std::this_thread::sleep_for(1100ms);
    EXPECT_EQ(cl.ask("ATTM\r"), "003419\r") << "the recorded clock stands still";
}

TEST(SimFlash, RefusesBrokenStateDirectories) {
    TempDir dir;
    sim::DeviceState st;
    std::string err;
    EXPECT_FALSE(sim::loadDeviceState(dir.path(), st, err)) << "no flash.bin";
    std::ofstream(dir.file("flash.bin"), std::ios::binary) << std::string(1000, '\xFF');
    EXPECT_FALSE(sim::loadDeviceState(dir.path(), st, err)) << "short flash.bin";
    std::ofstream(dir.file("flash.bin"), std::ios::binary) << std::string(sim::kFlashSize, '\xFF');
    for (const char* json : {"{\"ATPT\": \"1000\"}", "{\"ATDT\": \"161301\"}", "{\"ATRB_length\": -1}",
                             "{\"temporary_buffer_hex\": \"ABC\"}", "[1]", "{\"ATVR\" \"B018\"}"}) {
        std::ofstream(dir.file("device.json"), std::ios::binary) << json;
        EXPECT_FALSE(sim::loadDeviceState(dir.path(), st, err)) << json;
        EXPECT_FALSE(err.empty()) << json;
    }
    std::ofstream(dir.file("device.json"), std::ios::binary)
        << "{ \"ATPL\" : \"0FFF\", \"ATRB_length\": 1024 }";
    ASSERT_TRUE(sim::loadDeviceState(dir.path(), st, err)) << err;
    EXPECT_EQ(st.pageLast, 0xFFF);
    EXPECT_EQ(st.tempLength, 1024);
}

TEST(SimFlash, PageReadingAdvancesAndWraps) {
    sim::Simulator s(loggerWith("normal"));
    ASSERT_TRUE(s.start());
    s.modifyDeviceState([](sim::DeviceState& st) {
        std::fill_n(st.page(0xFFF).begin(), 528, uint8_t{0xAB});
        std::fill_n(st.page(0x000).begin(), 528, uint8_t{0xCD});
    });
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATRD7FFF\r"), "OK\r"); // bits 12-14 do not count
    EXPECT_EQ(readPageSlow(cl), std::string(528, '\xAB'));
    EXPECT_EQ(readPageSlow(cl), std::string(528, '\xCD')) << "on after 11 blocks, past the last page";
    EXPECT_EQ(cl.ask("ATRD8FFF\r"), "OK\r");
    EXPECT_EQ(readPageFast(cl), std::string(528, '\xAB'));
    EXPECT_EQ(readPageFast(cl), std::string(528, '\xCD'));
    EXPECT_EQ(cl.readQuiet(100), "") << "one request, one page";
    EXPECT_EQ(s.deviceState().read.page, 1);
}

TEST(SimFlash, RegistersAndTheRunningClock) {
    sim::Simulator s(loggerWith("empty"));
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    const struct {
        const char *rq, *reply;
    } steps[] = {
        {"ATPT0123", "OK"},    {"ATPL0FFF", "OK"},    {"ATPT", "0123"},      {"ATPL", "0FFF"},
        {"ATOS", "05"},        {"ATCM05", "OK"},      {"ATOS", "00"},        {"ATMY", "0001"},
        {"ATMY00A5", "OK"},    {"ATMY", "00A5"},      {"ATST0384", "OK"},    {"ATDT230229", "ERR"},
        {"ATDT241301", "ERR"}, {"ATDT240100", "ERR"}, {"ATTM240000", "ERR"}, {"ATTM006000", "ERR"},
        {"ATTM12345", "ERR"},  {"ATDT240229", "OK"},  {"ATTM235959", "OK"},  {"ATDT", "240229"},
    };
    for (const auto& c : steps) EXPECT_EQ(cl.ask(c.rq + "\r"s), c.reply + "\r"s) << c.rq;
    EXPECT_EQ(s.deviceState().sampleTimer, 900);
    std::this_thread::sleep_for(1200ms); // across midnight and a leap day
    EXPECT_EQ(cl.ask("ATDT\r"), "240301\r");
    const std::string tm = cl.ask("ATTM\r");
    EXPECT_TRUE(tm == "000000\r" || tm == "000001\r") << tm;
}

TEST(SimScenario, EverySessionSitsInTheFlashAsItsRecordsSay) {
    for (const std::string& name : sim::scenarioNames()) {
        for (uint32_t seed : {1u, 77u}) {
            SCOPED_TRACE(name + " seed " + std::to_string(seed));
            sim::Scenario sc;
            std::string err;
            ASSERT_TRUE(sim::buildScenario(name, seed, sc, err)) << err;
            const sim::DeviceState& st = sc.state;
            EXPECT_EQ(st.pageTab, sc.current().tablePage);
            EXPECT_EQ(st.pageLast, sc.current().lastPage());
            EXPECT_EQ((st.status & 0x08) != 0, sc.wrapped);
            EXPECT_EQ(sc.wrapped, name == "wrapped" || name == "tablepage");
            EXPECT_EQ(st.status & 0x10, 0x10) << "READY";

            std::vector<bool> used(4096);
            for (const sim::ScenarioSession& ses : sc.sessions) {
                EXPECT_EQ(bytesOf(st.page(ses.tablePage)), bytesOf(sim::encodeTablePage(ses)));
                used[ses.tablePage] = true;
                size_t records = 0;
                for (const sim::ScenarioPage& pg : ses.pages) {
                    std::string expect;
                    for (size_t k = pg.firstRecord; k < pg.firstRecord + pg.recordCount; ++k) {
                        expect += bytesOf(sim::encodeRecord(ses.records[k]));
                        EXPECT_GE(ses.records[k].marker, ses.records[k ? k - 1 : 0].marker);
                    }
                    EXPECT_GT(pg.recordCount, 0u);
                    EXPECT_EQ(bytesOf(st.page(pg.page)).substr(0, expect.size()), expect)
                        << "page " << pg.page;
                    EXPECT_FALSE(used[pg.page]) << "page " << pg.page << " used twice";
                    used[pg.page] = true;
                    records += pg.recordCount;
                }
                EXPECT_EQ(records, ses.records.size());
            }
            // The current session's pages run from past the table page (past the last page once the
            // ring wrapped) to the last page, stepping over the table page.
            std::vector<uint16_t> ring, listed;
            for (const sim::ScenarioPage& pg : sc.current().pages) listed.push_back(pg.page);
            const uint16_t from = sc.wrapped ? st.pageLast : st.pageTab;
            for (uint16_t p = (from + 1) & 0xFFF; ring.size() < listed.size(); p = (p + 1) & 0xFFF)
                if (p != st.pageTab) ring.push_back(p);
            EXPECT_EQ(ring, listed);
            if (!sc.wrapped && !listed.empty()) {
                EXPECT_EQ(listed.back(), st.pageLast);
            }
            // The temporary buffer holds less than a page of the newest records.
            std::string temp;
            for (const sim::ScenarioRecord& r : sc.tempRecords) temp += bytesOf(sim::encodeRecord(r));
            EXPECT_EQ(bytesOf(st.tempBuffer), temp);
            EXPECT_EQ(st.tempLength, temp.size());
            EXPECT_GT(temp.size(), 0u);
            EXPECT_LT(temp.size(), 528u);
            for (uint16_t p = 0; p < 4096 && !sc.wrapped; ++p) {
                EXPECT_TRUE(used[p] || bytesOf(st.page(p)) == std::string(528, '\xFF')) << "stray page " << p;
            }
        }
    }
}

TEST(SimScenario, DayAndNightAndDeterminism) {
    sim::Scenario a, b, c;
    std::string err;
    ASSERT_TRUE(sim::buildScenario("normal", 9, a, err));
    ASSERT_TRUE(sim::buildScenario("normal", 9, b, err));
    ASSERT_TRUE(sim::buildScenario("normal", 10, c, err));
    EXPECT_EQ(a.state.flash, b.state.flash);
    EXPECT_EQ(a.state.tempBuffer, b.state.tempBuffer);
    EXPECT_NE(a.state.flash, c.state.flash);
    EXPECT_FALSE(sim::buildScenario("nonsense", 1, c, err));
    EXPECT_FALSE(err.empty());

    // Irradiance of the weather node: dark nights, bright days; the inverters follow the sun.
    const sim::ScenarioSession& s = a.current();
    ASSERT_EQ(s.nodes[0].conf[0] & 0x1F, sim::kQtyIrradiance);
    ASSERT_EQ(s.nodes[1].conf[5] & 0x1F, sim::kQtyPowerActive);
    int dark = 0, bright = 0, producing = 0, idle = 0, pressureErr = 0;
    for (const sim::ScenarioRecord& r : s.records) {
        if (r.node == s.nodes[0].address) {
            dark += r.values[0] == 0;
            bright += r.values[0] > 4000; // 400 W/m2
            pressureErr += r.values[4] == -1;
        } else if (r.node == s.nodes[1].address) {
            producing += r.values[5] > 1000;
            idle += r.values[5] == 0;
        }
    }
    EXPECT_GT(dark, 500);
    EXPECT_GT(bright, 100);
    EXPECT_GT(producing, 200);
    EXPECT_GT(idle, 500);
    EXPECT_GT(pressureErr, 5) << "a while without a pressure reading";
}
