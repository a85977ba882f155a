// The simulated logger's flash, registers, temporary buffer and clock, the recorded device
// state, and the generated scenarios checked by an independent decoder.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <thread>

#include "sim/sim.h"
#include "sim_client.h"

namespace {

using namespace std::chrono_literals;

const std::string kFixture = std::string(KORVANE_FIXTURES_DIR) + "/logger-basic";

std::string readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string pageBytes(const sim::DeviceState& st, uint16_t page) {
    const auto p = st.page(page);
    return std::string(reinterpret_cast<const char*>(p.data()), p.size());
}

std::string hex4(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v);
    return b;
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

sim::SimOptions loggerWith(const std::string& scenario, uint32_t seed = 1) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = scenario;
    o.seed = seed;
    return o;
}

// ---- an independent reading of the flash layout ----

struct Node {
    uint8_t addr = 0, chanu = 0;
    uint16_t satmr = 0, vbat = 0;
    std::vector<uint16_t> conf;
};
struct Table {
    uint8_t tag = 0;
    uint16_t length = 0;
    int32_t pnom = 0;
    std::string start; // YYMMDD_hhmmss
    std::vector<Node> nodes;
};
struct Rec {
    uint8_t node;
    uint32_t marker;
    std::vector<int16_t> values;
};

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A table page whose node entries fill exactly its length.
bool parseTable(std::span<const uint8_t> p, Table& t, std::string& why) {
    if (p[0] != 0xFF) return why = "marker", false;
    t.tag = p[1];
    t.length = le16(&p[2]);
    if (t.length > 528 || t.length < 16) return why = "length " + std::to_string(t.length), false;
    t.pnom = static_cast<int32_t>(le32(&p[4]));
    char s[16];
    std::snprintf(s, sizeof s, "%02x%02x%02x_%02x%02x%02x", p[13], p[12], p[11], p[10], p[9], p[8]);
    t.start = s;
    size_t off = 16;
    while (off < t.length) {
        if (off + 6 > t.length) return why = "node entry cut", false;
        Node n;
        n.addr = p[off];
        n.chanu = p[off + 1];
        n.satmr = le16(&p[off + 2]);
        if (off + 6 + 2u * n.chanu > t.length) return why = "node entry past the length", false;
        for (size_t i = 0; i < n.chanu; ++i) n.conf.push_back(le16(&p[off + 4 + 2 * i]));
        n.vbat = le16(&p[off + 4 + 2u * n.chanu]);
        off += 6 + 2u * n.chanu;
        t.nodes.push_back(n);
    }
    return true;
}

const Node* findNode(const Table& t, uint8_t addr) {
    for (const Node& n : t.nodes)
        if (n.addr == addr) return &n;
    return nullptr;
}

// Records back to back from offset 0 while the byte is a node of the table and the record fits.
std::vector<Rec> walk(std::span<const uint8_t> p, const Table& t) {
    std::vector<Rec> out;
    size_t off = 0;
    while (off < p.size()) {
        const Node* n = findNode(t, p[off]);
        if (!n || off + 5 + 2u * n->chanu > p.size()) break;
        Rec r{p[off], le32(&p[off + 1]), {}};
        for (size_t i = 0; i < n->chanu; ++i)
            r.values.push_back(static_cast<int16_t>(le16(&p[off + 5 + 2 * i])));
        out.push_back(r);
        off += 5 + 2u * n->chanu;
    }
    return out;
}

bool sameRecords(const std::vector<Rec>& a, const std::vector<sim::ScenarioRecord>& b, std::string& why) {
    if (a.size() != b.size())
        return why = std::to_string(a.size()) + " vs " + std::to_string(b.size()), false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].node != b[i].node || a[i].marker != b[i].marker || a[i].values != b[i].values) {
            return why = "record " + std::to_string(i), false;
        }
    }
    return true;
}

// The data pages of the current session, oldest first.
std::vector<uint16_t> sessionPages(const sim::DeviceState& st) {
    std::vector<uint16_t> pages;
    if (st.status & 0x08) {
        for (uint16_t p = (st.pageLast + 1) & 0xFFF; pages.size() < 4095; p = (p + 1) & 0xFFF)
            if (p != st.pageTab) pages.push_back(p);
    } else {
        for (uint16_t p = st.pageTab; p != st.pageLast;) {
            p = (p + 1) & 0xFFF;
            pages.push_back(p);
        }
    }
    return pages;
}

} // namespace

// ---- the recorded fixture ----

TEST(SimFlash, ServesRecordedFixtureExactly) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX41; // the recorded version reply wins
    o.stateDir = kFixture;
    sim::Simulator s(o);
    std::string err;
    ASSERT_TRUE(s.start(&err)) << err;
    EXPECT_EQ(s.scenario(), nullptr);
    const std::string flash = readAll(kFixture + "/flash.bin");
    ASSERT_EQ(flash.size(), sim::kFlashSize);
    SimClient cl(s.slavePath());

    const std::map<std::string, std::string> replies = {
        {"ATVR", "B018"}, {"ATSR", "10"},     {"ATER", "04"},     {"ATPT", "0FF6"},
        {"ATPL", "000A"}, {"ATDT", "160101"}, {"ATTM", "003419"},
    };
    for (const auto& [rq, reply] : replies) EXPECT_EQ(cl.ask(rq + "\r"), reply + "\r") << rq;

    // The table page, the way the session start reads it: address, then block after block.
    EXPECT_EQ(cl.ask("ATRD0FF6\r"), "OK\r");
    EXPECT_EQ(readPageSlow(cl), flash.substr(0xFF6 * 528, 528));
    // The last data page, fast.
    EXPECT_EQ(cl.ask("ATRD800A\r"), "OK\r");
    EXPECT_EQ(readPageFast(cl), flash.substr(0x00A * 528, 528));

    // The temporary buffer: its length, then two blocks, the last one padded.
    EXPECT_EQ(cl.ask("ATRB\r"), "0054\r");
    std::string buf = readPageSlow(cl).substr(0, 96);
    std::string expect;
    const std::string hex = "FE60F1000091013D6DDD6B048BF1000065073F002F9DDE0864743BA20422F2000079073F00329D17"
                            "099B733FA2FE29F200008F0162"
                            "6D216C04B8F2000097073F00359D37096E7447A2FEF4F200009501DA6DD46C";
    for (size_t i = 0; i < hex.size(); i += 2)
        expect += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    expect += std::string(12, '\xFF');
    EXPECT_EQ(buf, expect);

    // The recorded clock stands still until it is set.
    std::this_thread::sleep_for(1100ms);
    EXPECT_EQ(cl.ask("ATTM\r"), "003419\r");
    s.stop();
    EXPECT_EQ(pageBytes(s.deviceState(), 0x123), flash.substr(0x123 * 528, 528));
}

TEST(SimFlash, RefusesBrokenStateDirectories) {
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("korvane_sim_state_" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
    sim::DeviceState st;
    std::string err;
    EXPECT_FALSE(sim::loadDeviceState(dir, st, err)) << "no flash.bin";
    std::ofstream(dir + "/flash.bin", std::ios::binary) << std::string(1000, '\xFF');
    EXPECT_FALSE(sim::loadDeviceState(dir, st, err)) << "short flash.bin";
    std::ofstream(dir + "/flash.bin", std::ios::binary) << std::string(sim::kFlashSize, '\xFF');
    for (const char* json :
         {"{\"ATPT\": \"1000\"}", "{\"ATSR\": \"1\"}", "{\"ATDT\": \"161301\"}", "{\"ATRB_length\": -1}",
          "{\"temporary_buffer_hex\": \"ABC\"}", "{\"ATVR\": {}}", "[1]", "{\"ATVR\" \"B018\"}"}) {
        std::ofstream(dir + "/device.json", std::ios::binary) << json;
        EXPECT_FALSE(sim::loadDeviceState(dir, st, err)) << json;
        EXPECT_FALSE(err.empty()) << json;
    }
    std::ofstream(dir + "/device.json", std::ios::binary) << "{ \"ATPL\" : \"0FFF\", \"ATRB_length\": 1024 }";
    ASSERT_TRUE(sim::loadDeviceState(dir, st, err)) << err;
    EXPECT_EQ(st.pageLast, 0xFFF);
    EXPECT_EQ(st.tempLength, 1024);
    std::filesystem::remove_all(dir);
}

// ---- page reading ----

TEST(SimFlash, FastAndSlowPageReadingAdvanceThePage) {
    sim::Simulator s(loggerWith("normal", 3));
    ASSERT_TRUE(s.start());
    const sim::DeviceState st = s.deviceState();
    SimClient cl(s.slavePath());
    const uint16_t p = (st.pageTab + 5) & 0xFFF;

    EXPECT_EQ(cl.ask("ATRD" + hex4(p) + "\r"), "OK\r");
    EXPECT_EQ(readPageSlow(cl), pageBytes(st, p));
    EXPECT_EQ(readPageSlow(cl), pageBytes(st, p + 1)) << "the address moved on after 11 blocks";

    EXPECT_EQ(cl.ask("ATRD" + hex4(p | 0x8000) + "\r"), "OK\r");
    EXPECT_EQ(readPageFast(cl), pageBytes(st, p));
    EXPECT_EQ(readPageFast(cl), pageBytes(st, p + 1));
    EXPECT_EQ(cl.readQuiet(100), "") << "one request, one page";
    EXPECT_EQ(s.deviceState().read.page, (p + 2) & 0xFFF);

    // A page read only in part: a new address starts afresh at block 0.
    EXPECT_EQ(cl.ask("ATRD" + hex4(p) + "\r"), "OK\r");
    cl.send("ATRD\r");
    EXPECT_EQ(cl.readN(48), pageBytes(st, p).substr(0, 48));
    EXPECT_EQ(cl.ask("ATRD" + hex4(st.pageTab) + "\r"), "OK\r");
    EXPECT_EQ(readPageSlow(cl), pageBytes(st, st.pageTab));
}

TEST(SimFlash, PageAddressWrapsAfterTheLastPage) {
    sim::Simulator s(loggerWith("normal"));
    ASSERT_TRUE(s.start());
    s.modifyDeviceState([](sim::DeviceState& st) {
        std::fill_n(st.page(0xFFF).begin(), 528, uint8_t{0xAB});
        std::fill_n(st.page(0x000).begin(), 528, uint8_t{0xCD});
    });
    SimClient cl(s.slavePath());
    for (const char* addr : {"ATRD0FFF\r", "ATRD7FFF\r"}) { // bits 12-14 do not count
        EXPECT_EQ(cl.ask(addr), "OK\r");
        EXPECT_EQ(readPageSlow(cl), std::string(528, '\xAB')) << addr;
        EXPECT_EQ(readPageSlow(cl), std::string(528, '\xCD')) << addr;
    }
    EXPECT_EQ(cl.ask("ATRD8FFF\r"), "OK\r");
    EXPECT_EQ(readPageFast(cl), std::string(528, '\xAB'));
    EXPECT_EQ(readPageFast(cl), std::string(528, '\xCD'));
    EXPECT_EQ(s.deviceState().read.page, 1);
}

TEST(SimFlash, TemporaryBufferInPaddedBlocks) {
    sim::Simulator s(loggerWith("normal", 5));
    ASSERT_TRUE(s.start());
    const sim::DeviceState st = s.deviceState();
    ASSERT_GT(st.tempBuffer.size(), 0u);
    ASSERT_LT(st.tempBuffer.size(), 528u);
    SimClient cl(s.slavePath());

    EXPECT_EQ(cl.ask("ATRD" + hex4(st.pageTab) + "\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATRB\r"), hex4(static_cast<unsigned>(st.tempBuffer.size())) + "\r");
    const size_t blocks = (st.tempBuffer.size() + 47) / 48;
    std::string got;
    for (size_t b = 0; b < blocks; ++b) {
        cl.send("ATRD\r");
        got += cl.readN(48);
    }
    std::string expect(st.tempBuffer.begin(), st.tempBuffer.end());
    expect.resize(blocks * 48, '\xFF');
    EXPECT_EQ(got, expect);
    // After the buffer, "ATRD" reads the flash page again.
    cl.send("ATRD\r");
    EXPECT_EQ(cl.readN(48), pageBytes(st, st.pageTab).substr(0, 48));

    // An announced length beyond a page, and an empty buffer.
    s.modifyDeviceState([](sim::DeviceState& d) { d.tempLength = 0x400; });
    EXPECT_EQ(cl.ask("ATRB\r"), "0400\r");
    std::string long_ = readPageSlow(cl);
    EXPECT_EQ(long_.substr(0, st.tempBuffer.size()), std::string(st.tempBuffer.begin(), st.tempBuffer.end()));
    s.modifyDeviceState([](sim::DeviceState& d) { d.tempLength = 0; });
    EXPECT_EQ(cl.ask("ATRB\r"), "0000\r");
    EXPECT_EQ(cl.ask("ATRD" + hex4(st.pageTab) + "\r"), "OK\r");
    cl.send("ATRD\r");
    EXPECT_EQ(cl.readN(48), pageBytes(st, st.pageTab).substr(0, 48));
}

TEST(SimFlash, RegistersPointersAndClock) {
    sim::Simulator s(loggerWith("empty"));
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATPT0123\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATPL0FFF\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATPT\r"), "0123\r");
    EXPECT_EQ(cl.ask("ATPL\r"), "0FFF\r");
    EXPECT_EQ(cl.ask("ATOS\r"), "05\r");
    EXPECT_EQ(cl.ask("ATCM05\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATOS\r"), "00\r");
    EXPECT_EQ(cl.ask("ATCM06\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATMY\r"), "0001\r");
    EXPECT_EQ(cl.ask("ATMY00A5\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATMY\r"), "00A5\r");
    EXPECT_EQ(cl.ask("ATST0384\r"), "OK\r");
    EXPECT_EQ(s.deviceState().sampleTimer, 900);

    // The clock runs from the moment it was set, across midnight and a leap day.
    EXPECT_EQ(cl.ask("ATDT240229\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATTM235959\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATDT\r"), "240229\r");
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(cl.ask("ATDT\r"), "240301\r");
    const std::string tm = cl.ask("ATTM\r");
    EXPECT_TRUE(tm == "000000\r" || tm == "000001\r") << tm;
    for (const char* bad : {"ATDT230229\r", "ATDT241301\r", "ATDT240100\r", "ATTM240000\r", "ATTM006000\r",
                            "ATTM12345\r", "ATDT2402291\r"}) {
        EXPECT_EQ(cl.ask(bad), "ERR\r") << bad;
    }
}

TEST(SimFlash, EraseAndUpload) {
    sim::Simulator s(loggerWith("normal"));
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATCM05\r"), "OK\r");
    const auto t = std::chrono::steady_clock::now();
    EXPECT_EQ(cl.ask("ATCM09\r"), "OK\r");
    EXPECT_EQ(cl.readLine(3000), "OK\r") << "a second line when the erase is done";
    EXPECT_GE(std::chrono::steady_clock::now() - t, 900ms);
    EXPECT_EQ(cl.ask("ATSR\r"), "00\r");
    EXPECT_EQ(cl.ask("ATPT\r"), "0000\r");
    EXPECT_EQ(cl.ask("ATRB\r"), "0000\r");
    const sim::DeviceState erased = s.deviceState();
    EXPECT_EQ(std::count(erased.flash.begin(), erased.flash.end(), uint8_t{0xFF}),
              static_cast<std::ptrdiff_t>(sim::kFlashSize));

    // Upload: raw 48-byte blocks (a CR inside a block is data), each acknowledged.
    EXPECT_EQ(cl.ask("ATCM14\r"), "OK\r");
    std::string blocks;
    for (int i = 0; i < 96; ++i) blocks += static_cast<char>(i == 7 ? '\r' : i);
    EXPECT_EQ(cl.ask(blocks.substr(0, 48)), "OK\r");
    EXPECT_EQ(cl.ask(blocks.substr(48, 48)), "OK\r");
    EXPECT_EQ(cl.ask("ATCM15\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATVR\r"), "B018\r");
    const sim::DeviceState up = s.deviceState();
    EXPECT_EQ(std::string(up.flash.begin(), up.flash.begin() + 96), blocks);
    EXPECT_EQ(up.flash[96], 0xFF);

    sim::SimOptions old = loggerWith("empty");
    old.fw = 0x17;
    sim::Simulator s2(old);
    ASSERT_TRUE(s2.start());
    SimClient c2(s2.slavePath());
    EXPECT_EQ(c2.ask("ATCM14\r"), "ERR\r") << "no upload mode before firmware 1.8";
}

TEST(SimFlash, BoardsAddAlarmAndEnergy) {
    sim::SimOptions o = loggerWith("empty");
    o.kind = sim::DeviceKind::MW51;
    o.fw = 0x20;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    s.modifyDeviceState([](sim::DeviceState& d) {
        d.alarm = 0xA5;
        d.alarmInverter = 3;
        d.alarmRmin = 0x50;
        d.alarmAux = 0x0A;
    });
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATSA\r"), "A503500A\r");
    EXPECT_EQ(cl.ask("ATSA05\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATSE0000ABCD\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATSE\r"), "0000ABCD\r");
    EXPECT_EQ(s.deviceState().alarm, 0x05);
}

// ---- scenarios ----

TEST(SimScenario, FlashLayoutDecodesToTheScenario) {
    for (const std::string& name : sim::scenarioNames()) {
        for (uint32_t seed : {1u, 2u, 77u}) {
            SCOPED_TRACE(name + " seed " + std::to_string(seed));
            sim::Scenario sc;
            std::string err, why;
            ASSERT_TRUE(sim::buildScenario(name, seed, sc, err)) << err;
            const sim::DeviceState& st = sc.state;
            const sim::ScenarioSession& cur = sc.current();
            EXPECT_EQ(st.pageTab, cur.tablePage);
            EXPECT_EQ((st.status & 0x08) != 0, sc.wrapped);
            EXPECT_EQ(st.status & 0x10, 0x10) << "READY";
            EXPECT_EQ(sc.wrapped, name == "wrapped" || name == "tablepage");

            // Every session's table page, as written.
            std::vector<Table> tables;
            for (const sim::ScenarioSession& ses : sc.sessions) {
                Table t;
                ASSERT_TRUE(parseTable(st.page(ses.tablePage), t, why)) << why;
                ASSERT_EQ(t.nodes.size(), ses.nodes.size());
                for (size_t k = 0; k < t.nodes.size(); ++k) {
                    EXPECT_EQ(t.nodes[k].addr, ses.nodes[k].address);
                    EXPECT_EQ(t.nodes[k].satmr, ses.nodes[k].sampleTimer);
                    EXPECT_EQ(t.nodes[k].vbat, ses.nodes[k].vbat);
                    EXPECT_EQ(t.nodes[k].conf, ses.nodes[k].conf);
                    EXPECT_NE(t.nodes[k].addr, 0);
                    EXPECT_NE(t.nodes[k].addr, 0xFF);
                    // A high half is always followed by the channel that gives its quantity.
                    for (size_t i = 0; i < t.nodes[k].chanu; ++i)
                        if ((t.nodes[k].conf[i] & 0x1F) == 0) {
                            ASSERT_LT(i + 1, t.nodes[k].chanu);
                            EXPECT_NE(t.nodes[k].conf[i + 1] & 0x1F, 0);
                        }
                }
                char start[16];
                std::snprintf(start, sizeof start, "%02d%02d%02d_%02d%02d%02d", ses.start.year % 100,
                              ses.start.month, ses.start.day, ses.start.hour, ses.start.minute,
                              ses.start.second);
                EXPECT_EQ(t.start, start);
                EXPECT_EQ(t.pnom, ses.pnom);
                if (!tables.empty()) {
                    EXPECT_GT(t.start, tables.back().start) << "sessions in time order";
                }
                tables.push_back(t);
            }
            // Exactly those table pages are in the memory.
            size_t tablePages = 0;
            for (uint16_t p = 0; p < 4096; ++p) {
                Table t;
                if (parseTable(st.page(p), t, why)) ++tablePages;
            }
            EXPECT_EQ(tablePages, sc.sessions.size());

            // The current session's pages hold its records, in order.
            const std::vector<uint16_t> pages = sessionPages(st);
            ASSERT_EQ(pages.size(), cur.pages.size());
            std::vector<Rec> recs;
            for (size_t i = 0; i < pages.size(); ++i) {
                EXPECT_EQ(pages[i], cur.pages[i].page);
                const auto r = walk(st.page(pages[i]), tables.back());
                EXPECT_EQ(r.size(), cur.pages[i].recordCount);
                EXPECT_GT(r.size(), 0u);
                recs.insert(recs.end(), r.begin(), r.end());
            }
            EXPECT_TRUE(sameRecords(recs, cur.records, why)) << why;
            // The older sessions' pages too.
            for (size_t k = 0; k + 1 < sc.sessions.size(); ++k) {
                std::vector<Rec> older;
                for (const sim::ScenarioPage& pg : sc.sessions[k].pages) {
                    const auto r = walk(st.page(pg.page), tables[k]);
                    older.insert(older.end(), r.begin(), r.end());
                }
                EXPECT_TRUE(sameRecords(older, sc.sessions[k].records, why))
                    << "session " << k << ": " << why;
            }
            // The temporary buffer holds less than a page of the newest records.
            const std::vector<Rec> temp =
                walk(std::span<const uint8_t>(st.tempBuffer.data(), st.tempBuffer.size()), tables.back());
            EXPECT_TRUE(sameRecords(temp, sc.tempRecords, why)) << why;
            EXPECT_EQ(st.tempLength, st.tempBuffer.size());
            EXPECT_LT(st.tempBuffer.size(), 528u);
            EXPECT_GT(temp.size(), 0u);
            recs.insert(recs.end(), temp.begin(), temp.end());

            // Markers never go back; 32-bit energy counters never decrease.
            std::map<uint8_t, int64_t> energy;
            for (size_t i = 0; i < recs.size(); ++i) {
                if (i > 0) {
                    EXPECT_GE(recs[i].marker, recs[i - 1].marker) << i;
                }
                const Node* n = findNode(tables.back(), recs[i].node);
                for (size_t c = 0; c + 1 < n->chanu; ++c) {
                    if ((n->conf[c] & 0x1F) != 0 || (n->conf[c + 1] & 0x1F) != sim::kQtyEnergy) continue;
                    const int64_t e = static_cast<int64_t>(static_cast<uint16_t>(recs[i].values[c])) << 16 |
                                      static_cast<uint16_t>(recs[i].values[c + 1]);
                    if (energy.count(n->addr)) {
                        EXPECT_GE(e, energy[n->addr]);
                    }
                    energy[n->addr] = e;
                }
            }
            if (name == "empty") {
                EXPECT_EQ(st.pageLast, st.pageTab);
            }
            if (name == "tablepage") {
                // The newest four data pages run across the table page.
                EXPECT_EQ(st.pageLast, (st.pageTab + 2) & 0xFFF);
            }
            if (!sc.wrapped) {
                // Nothing else was written.
                std::vector<bool> used(4096);
                for (const auto& ses : sc.sessions) {
                    used[ses.tablePage] = true;
                    for (const auto& pg : ses.pages) used[pg.page] = true;
                }
                for (uint16_t p = 0; p < 4096; ++p) {
                    if (used[p]) continue;
                    const auto pg = st.page(p);
                    ASSERT_EQ(std::count(pg.begin(), pg.end(), uint8_t{0xFF}), 528) << "page " << p;
                }
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
    const uint8_t weather = s.nodes[0].address, inverter = s.nodes[1].address;
    ASSERT_EQ(s.nodes[0].conf[0] & 0x1F, sim::kQtyIrradiance);
    ASSERT_EQ(s.nodes[1].conf[5] & 0x1F, sim::kQtyPowerActive);
    int dark = 0, bright = 0, producing = 0, idle = 0, pressureErr = 0;
    for (const sim::ScenarioRecord& r : s.records) {
        if (r.node == weather) {
            if (r.values[0] == 0) ++dark;
            if (r.values[0] > 4000) ++bright; // 400 W/m2
            if (r.values[4] == -1) ++pressureErr;
        } else if (r.node == inverter) {
            if (r.values[5] > 1000) ++producing;
            if (r.values[5] == 0) ++idle;
        }
    }
    EXPECT_GT(dark, 500);
    EXPECT_GT(bright, 100);
    EXPECT_GT(producing, 200);
    EXPECT_GT(idle, 500);
    EXPECT_GT(pressureErr, 5) << "a while without a pressure reading";
}

TEST(SimScenario, ProgramSavesFlashAndState) {
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("korvane_sim_save_" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
    const std::string image = dir + "/image.bin", state = dir + "/state";
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(p[1], 1);
        close(p[0]);
        execl(KORVANE_SIM_PATH, KORVANE_SIM_PATH, "rx43", "--scenario", "multi", "--seed", "3",
              "--save-flash", image.c_str(), "--save-state", state.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(p[1]);
    char line[256] = {};
    FILE* out = fdopen(p[0], "r");
    ASSERT_NE(fgets(line, sizeof line, out), nullptr) << "the path comes after the files are written";
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    fclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sim::buildScenario("multi", 3, sc, err));
    const std::string bytes = readAll(image);
    EXPECT_TRUE(bytes == std::string(sc.state.flash.begin(), sc.state.flash.end()));

    // The saved state serves the same session.
    sim::SimOptions o;
    o.stateDir = state;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start(&err)) << err;
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATVR\r"), "B018\r");
    EXPECT_EQ(cl.ask("ATPT\r"), hex4(sc.state.pageTab) + "\r");
    EXPECT_EQ(cl.ask("ATPL\r"), hex4(sc.state.pageLast) + "\r");
    EXPECT_EQ(cl.ask("ATRB\r"), hex4(sc.state.tempLength) + "\r");
    EXPECT_EQ(s.deviceState().tempBuffer, sc.state.tempBuffer);
    std::filesystem::remove_all(dir);
}
