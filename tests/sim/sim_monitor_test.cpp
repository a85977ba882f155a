// The simulated logger's monitor mode: packet lines of the session's nodes at their sample
// timers (sped up), occasional configuration, test and mismatched packets, and silence outside
// the mode.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sim/monitor_stream.h"
#include "sim/sim.h"
#include "sim/sim_client.h"
#include "support/fixture.h"

namespace {

std::vector<std::string> splitLines(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t cr; (cr = s.find('\r', start)) != std::string::npos; start = cr + 1)
        out.push_back(s.substr(start, cr - start));
    return out;
}

TEST(SimMonitor, StreamsTheSessionNodesOnlyInMonitorMode) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.stateDir = fixturePath("logger-basic");
    o.monitorSpeed = 50; // node 4 every 300 ms, node 254 every 400 ms
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient c(s.slavePath());
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.readQuiet(300), ""); // nothing unasked

    EXPECT_EQ(c.ask("ATCM07\r"), "OK\r");
    const std::vector<std::string> lines = splitLines(c.readLines(20, 20000));
    std::map<std::string, int> kinds;
    int node4 = 0, node254 = 0, mismatched = 0;
    for (const std::string& l : lines) {
        ASSERT_GE(l.size(), 8u) << l;
        kinds[l.substr(0, 4)]++;
        if (l.rfind("ATUC04", 0) == 0) {
            ++node4;
            if (l.size() != 14 + 4 * 6) ++mismatched; // node 4 has 6 physical channels
        }
        if (l.rfind("ATUCFE", 0) == 0) {
            ++node254;
            if (l.size() != 14 + 4 * 3) ++mismatched;
        }
    }
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_GE(node4, 4);
    EXPECT_GE(node254, 3);
    EXPECT_GE(kinds["ATBC"], 1);
    EXPECT_GE(kinds["ATNA"], 1);
    EXPECT_GE(mismatched, 1);
    const std::vector<std::string> sent = s.deviceState().monitorSent;
    ASSERT_GE(sent.size(), lines.size());
    EXPECT_EQ(lines, std::vector<std::string>(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(lines.size())));

    // Commands are still answered between the packets.
    c.send("ATOS\r");
    std::string l;
    for (int k = 0; k < 50 && l != "05\r"; ++k) l = c.readLine(3000);
    EXPECT_EQ(l, "05\r");

    c.send("ATCM08\r");
    for (int k = 0; k < 50 && l != "OK\r"; ++k) l = c.readLine(3000);
    EXPECT_EQ(l, "OK\r");
    EXPECT_EQ(c.readQuiet(800), ""); // nothing after the acknowledgement
}

TEST(SimMonitor, TableNodesComeFromTheCurrentSessionTable) {
    sim::DeviceState st;
    std::string err;
    ASSERT_TRUE(sim::loadDeviceState(fixturePath("logger-basic"), st, err)) << err;
    const auto nodes = sim::tableNodes(st);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0].address, 4);
    EXPECT_EQ(nodes[0].satmr, 15);
    EXPECT_EQ(nodes[0].conf.size(), 6u);
    EXPECT_EQ(nodes[1].address, 254);
    st.flash.assign(st.flash.size(), 0xFF);
    st.flash[static_cast<size_t>(st.pageTab) * sim::kPageSize + 2] = 0x10; // a page without a table
    st.flash[static_cast<size_t>(st.pageTab) * sim::kPageSize + 0] = 0x00;
    EXPECT_TRUE(sim::tableNodes(st).empty());
}

} // namespace
