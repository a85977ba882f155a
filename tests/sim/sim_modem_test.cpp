// The simulated modem's dialling: the answering number and its connect code, other numbers'
// results, verbose and numeric forms, RING, the GSM module's queries and a call that drops.
#include <gtest/gtest.h>

#include "sim/sim.h"
#include "sim_client.h"

namespace {

sim::SimOptions modemOptions() {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::RX43;
    o.scenario = "empty";
    o.modem = true;
    o.modemDialMs = 50;
    o.modemNumber = "0551234567";
    return o;
}

TEST(SimModemDial, TheConfiguredNumberConnectsWithItsCodeOthersGetTheFailCode) {
    const struct {
        uint8_t connect;
        int fail;
        bool gsm;
        const char* verboseConnect;
        const char* verboseOther;
        const char* numericOther;
    } cases[] = {{1, -1, false, "CONNECT", "BUSY", "7"},
                 {16, 8, false, "CONNECT 19200", "NO ANSWER", "8"},
                 {12, -1, true, "CONNECT 9600", "NO CARRIER", "3"},
                 {5, 6, false, "CONNECT 1200", "NO DIALTONE", "6"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.verboseConnect);
        sim::SimOptions o = modemOptions();
        o.modemConnectCode = c.connect;
        o.modemFailCode = c.fail;
        o.modemGsm = c.gsm;
        sim::Simulator s(o);
        ASSERT_TRUE(s.start());
        SimClient cl(s.slavePath());
        cl.send("ATE0\r");
        cl.readQuiet(100);
        cl.send("ATDT0550000000\r");
        EXPECT_EQ(cl.readQuiet(300), std::string("\r\n") + c.verboseOther + "\r\n");
        cl.send("ATV0\r");
        cl.readQuiet(100);
        EXPECT_EQ(cl.ask("ATD0550000000\r"), std::string(c.numericOther) + "\r");
        EXPECT_EQ(cl.ask("ATDT0551234567\r"), std::to_string(c.connect) + "\r");
        EXPECT_EQ(cl.ask("ATVR\r"), "B018\r") << "the logger behind the call";
    }
}

TEST(SimModemDial, RingGsmQueriesAndADroppedCall) {
    sim::SimOptions o = modemOptions();
    o.modemGsm = true;
    o.modemRingMs = 150;
    o.modemDropAfter = 2;
    sim::Simulator s(o);
    ASSERT_TRUE(s.start());
    SimClient cl(s.slavePath());
    cl.send("ATE0V0\r");
    EXPECT_EQ(cl.readQuiet(100), "ATE0V0\r0\r") << "the echo stops after this line";
    EXPECT_EQ(cl.readLine(1000), "2\r") << "RING while idle";
    cl.send("AT+CSQ\r");
    EXPECT_EQ(cl.readQuiet(100), "\r\n+CSQ: 21,0\r\n0\r");
    cl.send("AT+CPIN?\r");
    EXPECT_EQ(cl.readQuiet(100), "\r\n+CPIN: READY\r\n0\r");

    EXPECT_EQ(cl.ask("ATD0551234567\r"), "1\r");
    EXPECT_EQ(cl.readQuiet(300), "") << "no RING during a call";
    EXPECT_EQ(cl.ask("ATSR\r"), "10\r");
    EXPECT_EQ(cl.ask("ATDT\r"), "3\r") << "the second request drops the call: NO CARRIER";
    const size_t seen = s.commands().size();
    EXPECT_EQ(cl.ask("ATDT\r"), "4\r") << "command mode: the logger's date request is a dial without digits";
    EXPECT_EQ(s.commands().size(), seen + 1);
    EXPECT_EQ(cl.ask("ATD0551234567\r"), "1\r") << "a new call";
    s.dropCarrier();
    EXPECT_EQ(cl.ask("ATVR\r"), "3\r");
}

} // namespace
