// The real-time monitor's core: packet lines, their log text, the export periods and rows, the
// bounded packet log, the port drain and closing, checked against the golden monitor-basic
// fixture (the packets of the logger-basic session).
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "link/korvane_com.h"
#include "logger/channel_select.h"
#include "logger/download.h"
#include "logger/monitor.h"
#include "logger/tab_ass.h"
#include "platform/serial_port.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/pty_peer.h"
#include "support/state_guard.h"

namespace {

const std::string kTod = "@@hh:mm:ss@@";

std::vector<std::string> fixturePackets() {
    const std::string all = readFileBytes(fixturePath("monitor-basic/packets.txt"));
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t cr; (cr = all.find('\r', start)) != std::string::npos; start = cr + 1)
        out.push_back(all.substr(start, cr - start));
    return out;
}

struct ExportGroup {
    std::string time;
    std::vector<int> packets;
};

// The rows of groups.json, and the packets after the last row (time "").
std::vector<ExportGroup> fixtureGroups() {
    const std::string json = readFileBytes(fixturePath("monitor-basic/groups.json"));
    std::vector<ExportGroup> out;
    const std::regex row(
        "\"time\": \"([0-9_]+)\", \"packets\": \\[([^\\]]*)\\]|\"after_last_row\": \\[([^\\]]*)\\]");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), row); it != std::sregex_iterator(); ++it) {
        ExportGroup g;
        g.time = (*it)[1].str();
        const std::string list = (*it)[1].matched ? (*it)[2].str() : (*it)[3].str();
        const std::regex num("[0-9]+");
        for (auto n = std::sregex_iterator(list.begin(), list.end(), num); n != std::sregex_iterator(); ++n)
            g.packets.push_back(std::stoi(n->str()));
        out.push_back(g);
    }
    return out;
}

// Seconds since 1970 of a local "YYMMDD_hhmmss".
time_t localStamp(const std::string& s) {
    struct tm t {};
    t.tm_year = 100 + std::stoi(s.substr(0, 2));
    t.tm_mon = std::stoi(s.substr(2, 2)) - 1;
    t.tm_mday = std::stoi(s.substr(4, 2));
    t.tm_hour = std::stoi(s.substr(7, 2));
    t.tm_min = std::stoi(s.substr(9, 2));
    t.tm_sec = std::stoi(s.substr(11, 2));
    t.tm_isdst = -1;
    return std::mktime(&t);
}

// Records what the monitor writes into the data windows.
struct RecordingViews : MonitorViews {
    bool windows[kMaxSelected] = {};
    std::vector<std::pair<int, std::string>> values;
    std::vector<std::string> elapsed;
    bool dataWindow(int slot) const override { return windows[slot]; }
    void showValue(int slot, const std::string& text) override { values.emplace_back(slot, text); }
    void showElapsed(const std::string& text) override { elapsed.push_back(text); }
};

class MonitorCore : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        const auto flash = fixtureFlash("logger-basic");
        const auto table = flashPage(flash, 0x0FF6);
        ASSERT_EQ(table.size(), kTabAssSize);
        std::memcpy(TabAss, table.data(), kTabAssSize);
        ASSERT_EQ(decodeTabAss(), 1);
    }
    std::string exportPath() const { return work_.file("export.csv"); }
    TempDir work_;
};

TEST_F(MonitorCore, LogOfTheFixtureSessionIsGolden) {
    MonitorLog log;
    const auto buffer = hexBytes(fixtureDeviceField("logger-basic", "temporary_buffer_hex"));
    logTempBuffer(buffer.data(), 84, log);
    for (const std::string& p : fixturePackets()) handleMonitorLine(p, kTod, log, nullptr);
    const std::string path = work_.file("RX41mon.txt");
    ASSERT_EQ(saveMonitorLog(log, path), 1);
    EXPECT_EQ(readFileBytes(path), readFileBytes(fixturePath("monitor-basic/expected/log.txt")));
}

TEST_F(MonitorCore, PacketLinesAreParsedByKindAndLength) {
    const struct {
        const char* line;
        MonitorPacket::Kind kind;
        size_t values;
        unsigned node, temp, vbat;
    } cases[] = {
        {"ATUC04000100020003ABCD0160", MonitorPacket::Measure, 3, 4, 0xABCD, 0x160}, // 14 + 4 x 3
        {"ATUC0400010002000300D90160X", MonitorPacket::Measure, 3, 4, 0xD9, 0x160},  // a stray character
        {"ATUC040001", MonitorPacket::None, 0, 0, 0, 0},                             // too short
        {"ATUC04000G00D90160", MonitorPacket::None, 0, 0, 0, 0},                     // not hexadecimal
        {"ATBC0402001400010002014B", MonitorPacket::Config, 2, 4, 0, 0x14B},
        {"ATBC04030014000100020142", MonitorPacket::None, 0, 0, 0, 0}, // announces more words than it has
        {"ATNA04OK", MonitorPacket::Test, 0, 4, 0, 0},
        {"ATUS0400FF", MonitorPacket::None, 0, 0, 0, 0},
        {"OK", MonitorPacket::None, 0, 0, 0, 0},
        {"", MonitorPacket::None, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const MonitorPacket p = parseMonitorLine(c.line);
        EXPECT_EQ(p.kind, c.kind) << c.line;
        if (p.kind == MonitorPacket::None) continue;
        EXPECT_EQ(p.values.size(), c.values) << c.line;
        EXPECT_EQ(p.node, c.node) << c.line;
        EXPECT_EQ(p.vbat, c.vbat) << c.line;
        if (p.kind == MonitorPacket::Measure) {
            EXPECT_EQ(p.temp, c.temp) << c.line;
        }
    }
    EXPECT_EQ(parseMonitorLine("ATNA04OK").test, "OK");
}

// The export of the fixture's packets over periods of 10 s, with the clock injected: rows come
// strictly after each period's end, "Err" where a period had no reading, sums in double.
TEST_F(MonitorCore, ExportRowsAreGolden) {
    const auto packets = fixturePackets();
    const auto groups = fixtureGroups();
    ASSERT_EQ(groups.size(), 8u);
    for (int comma = 0; comma <= 1; ++comma) {
        Flag.comma = comma;
        Exportfile = std::fopen(exportPath().c_str(), "wb");
        ASSERT_NE(Exportfile, nullptr);
        Tsample_exp = 10;
        MonitorLog log;
        const time_t start = localStamp("160101_003430");
        startExport(start);
        time_t now = start;
        for (const ExportGroup& g : groups) {
            for (int k : g.packets) handleMonitorLine(packets.at(static_cast<size_t>(k)), kTod, log, nullptr);
            if (g.time.empty()) break; // closed before the next row was due
            const time_t due = localStamp(g.time);
            for (; now < due; ++now) EXPECT_EQ(exportRowIfDue(now, nullptr), 0) << now - start;
            EXPECT_EQ(exportRowIfDue(now, nullptr), 1) << g.time;
        }
        std::fclose(Exportfile);
        Exportfile = nullptr;
        EXPECT_EQ(readFileBytes(exportPath()),
                  readFileBytes(fixturePath(comma ? "monitor-basic/expected/export-P10-comma.txt"
                                                  : "monitor-basic/expected/export-P10.txt")))
            << "comma " << comma;
    }
}

TEST_F(MonitorCore, SelectedChannelsFeedTheirWindowsAndTheBattery) {
    initSELCH();
    ASSERT_EQ(selchClick(0, 6), 1); // node 4, pressure
    ASSERT_EQ(selchClick(1, 2), 1); // node 254, peak current
    RecordingViews views;
    views.windows[0] = views.windows[1] = true;
    MonitorLog log;
    handleMonitorLine("ATUC040799003F9D3808FB731AA25800D9015E", kTod, log, &views);
    handleMonitorLine("ATUC040799003F9D44090E744AFFFF00C70164", kTod, log, &views); // pressure "Err"
    handleMonitorLine("ATUCFE018D6E136D5A00CE014E", kTod, log, &views);
    const std::vector<std::pair<int, std::string>> want = {{0, "1015.60"}, {0, "Err"}, {1, "39.7"}};
    EXPECT_EQ(views.values, want);
    EXPECT_FLOAT_EQ(Dataset[0], 1015.60f); // the missing reading leaves the last value
    EXPECT_FLOAT_EQ(Dataset[1], 39.7f);
    EXPECT_EQ(Vbat_curr[1], 0x164);
    EXPECT_EQ(Vbat_curr[2], 0x14E);
    handleMonitorLine("ATUCFE018D6E136D5A000100CE014E", kTod, log, &views); // raw: nothing changes
    EXPECT_EQ(views.values.size(), 3u);
}

TEST_F(MonitorCore, ExportTimingWithAPeriodOfTenSeconds) {
    Exportfile = std::fopen(exportPath().c_str(), "wb");
    ASSERT_NE(Exportfile, nullptr);
    Tsample_exp = 10;
    const time_t start = 1700000000;
    startExport(start);
    RecordingViews views;
    std::vector<long> rows;
    for (time_t t = start; t <= start + 35; ++t)
        if (exportRowIfDue(t, &views)) rows.push_back(static_cast<long>(t - start));
    EXPECT_EQ(rows, (std::vector<long>{11, 21, 31}));
    EXPECT_EQ(views.elapsed, (std::vector<std::string>{"0 00:00:11", "0 00:00:21", "0 00:00:31"}));
    // A late clock catches up one row per tick, each for the time it is written.
    EXPECT_EQ(exportRowIfDue(start + 60, nullptr), 1);
    EXPECT_EQ(RefExpTime, static_cast<uint32_t>(start + 50));
}

TEST_F(MonitorCore, LogDropsItsOldestLinesWhenFull) {
    MonitorLog log(100);
    std::vector<std::string> seen;
    log.onLine = [&](const std::string& l) { seen.push_back(l); };
    for (int i = 0; i < 30; ++i) log.append("line " + std::to_string(i) + "\r\n");
    EXPECT_LE(log.characters(), 100u);
    EXPECT_EQ(log.lines().back(), "line 29");
    EXPECT_EQ(log.lines().front(), "line " + std::to_string(30 - log.lines().size()));
    EXPECT_EQ(log.takeDropped(), 30 - log.lines().size());
    EXPECT_EQ(seen.size(), 30u);
    log.append("half ");
    log.append("line\r\n");
    EXPECT_EQ(log.lines().back(), "half line");

    MonitorLog big;
    big.append(std::string(2500, 'x') + "\r\n");
    const std::string path = work_.file("RX41mon.txt");
    ASSERT_EQ(saveMonitorLog(big, path), 1);
    EXPECT_EQ(readFileBytes(path), std::string(2000, 'x') + "\r\n");
}

TEST_F(MonitorCore, ClosingWithAnOpenExportAsksFirst) {
    Exportfile = std::fopen(exportPath().c_str(), "wb");
    ASSERT_NE(Exportfile, nullptr);
    ui_.expect("Il file di esportazione dati verra' chiuso. Procedere ?", "Warning", MsgAnswer::No);
    EXPECT_EQ(confirmMonitorClose(nullptr), 0);
    EXPECT_NE(Exportfile, nullptr);
    ui_.expect("Il file di esportazione dati verra' chiuso. Procedere ?", "Warning", MsgAnswer::Yes);
    EXPECT_EQ(confirmMonitorClose(nullptr), 1);
    EXPECT_EQ(Exportfile, nullptr);
    EXPECT_EQ(confirmMonitorClose(nullptr), 1); // nothing to ask any more
}

// A logger streaming faster than lines can be read: each drain ends within its bound and the
// lines it left wait for the next one.
TEST_F(MonitorCore, DrainIsBoundedWhenPacketsNeverStop) {
    PtyPeer peer;
    hCom = openComPort(peer.path());
    ASSERT_NE(hCom, nullptr);
    std::string burst;
    for (int i = 0; i < 600; ++i) burst += "ATNA04OK\r";
    peer.send(burst);
    int total = 0, drains = 0;
    for (; drains < 10 && total < 600; ++drains) {
        const int n = drainMonitorPort(hCom, [](const std::string& l) { EXPECT_EQ(l, "ATNA04OK"); });
        EXPECT_LE(n, kMonitorDrainMaxLines);
        total += n;
    }
    EXPECT_EQ(total, 600);
    EXPECT_GE(drains, 3);
    EXPECT_EQ(drainMonitorPort(hCom, [](const std::string&) {}), 0);
    EXPECT_EQ(Timeout_rx, 100); // the link's time-out is given back
}

} // namespace
