// The simulated logger's flash erase: only in IDLE, acknowledged at once, busy for its duration,
// its end reported by one byte (or never, as a fault).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "sim/sim.h"
#include "sim_client.h"

namespace {

using namespace std::chrono_literals;

bool erased(const sim::DeviceState& d) {
    return std::all_of(d.flash.begin(), d.flash.end(), [](uint8_t b) { return b == 0xFF; });
}

sim::SimOptions loggerErasingIn(uint32_t ms, bool endLost = false) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "normal";
    o.eraseMs = ms;
    o.eraseEndLost = endLost;
    return o;
}

TEST(SimErase, OnlyInIdleThenBusyUntilItsEndByte) {
    sim::Simulator s(loggerErasingIn(300));
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATCM09\r"), "ERR\r"); // recording: refused
    EXPECT_FALSE(erased(s.deviceState()));

    EXPECT_EQ(cl.ask("ATCM05\r"), "OK\r");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(cl.ask("ATCM09\r"), "OK\r");
    cl.send("ATOS\r"); // answered only once the erase is over
    EXPECT_EQ(cl.readN(4, 10000), "\r00\r");
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 300ms);
    const sim::DeviceState d = s.deviceState();
    EXPECT_TRUE(erased(d));
    EXPECT_EQ(d.pageTab, 0);
    EXPECT_EQ(d.pageLast, 0);
    EXPECT_EQ(d.status, 0x00);
    EXPECT_EQ(cl.ask("ATCM06\r"), "OK\r");
}

TEST(SimErase, LostEndByteNeverComes) {
    sim::Simulator s(loggerErasingIn(50, true));
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    EXPECT_EQ(cl.ask("ATCM05\r"), "OK\r");
    EXPECT_EQ(cl.ask("ATCM09\r"), "OK\r");
    EXPECT_EQ(cl.readQuiet(400), "");
    EXPECT_TRUE(erased(s.deviceState()));
}

} // namespace
