// The modem: modem.ini exchanges, result codes and the carrier watch.
#include <gtest/gtest.h>

#include <fstream>

#include "link/korvane_com.h"
#include "link/modem.h"
#include "platform/clock.h"
#include "support/fake_devices.h"
#include "support/sim_session.h"
#include "support/state_guard.h"

namespace {

class ModemIni : public KorvaneTest {
  protected:
    // Probes a modem behind `r` with modem.ini holding `ini` (none when nullopt); the requests
    // the modem received.
    std::vector<std::string> probe(const std::optional<std::string>& ini, PtyPeer::Responder r, int* result) {
        TempDir dir;
        Exe_dir = dir.path();
        if (ini) std::ofstream(dir.file("modem.ini"), std::ios::binary) << *ini;
        Flag.modem = 1;
        PtyPeer peer;
        peer.serve(std::move(r));
        ComHandle h = openComPort(peer.path());
        EXPECT_NE(h, nullptr);
        initCOM(h);
        Timeout_rx = 300;
        *result = test_hCom(h);
        closeComPort(h);
        peer.stop();
        return peer.requests();
    }
};

TEST_F(ModemIni, LinesEndAtCrOrLfEmptyOnesAndAnUnendedLastOneAreNotSentLongOnesAreCut) {
    const std::string longLine = "AT" + std::string(298, 'S'); // 300 characters
    const struct {
        std::optional<std::string> ini;
        std::vector<std::string> sent;
    } cases[] = {
        {std::nullopt, {"ATV0"}},
        {"ATE0", {"ATV0"}}, // the only line has no line end
        {"\r\n\n\r", {"ATV0"}},
        {"ATE0\r\n\r\nAT&F\rATS0=0\nATX3", {"ATE0", "AT&F", "ATS0=0", "ATV0"}},
        {"\nATE0\n\rATQ0\r\r\n", {"ATE0", "ATQ0", "ATV0"}},
        {longLine + "\r\nATE0\r\n", {longLine.substr(0, 258), "ATE0", "ATV0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini.value_or("(no file)"));
        int result = 0;
        EXPECT_EQ(probe(c.ini, fakeModem(), &result), c.sent);
        EXPECT_EQ(result, 1);
    }
}

// A modem that echoes (until "ATE0") and answers verbosely (until "ATV0"), its result code
// arriving a while after the echo: each modem.ini line's reply is taken whole, so the probe's
// "ATV0" gets its own "0" and not what an earlier line left behind.
TEST_F(ModemIni, AnEchoingModemWithLateResultCodesDoesNotDriftOneReplyBehind) {
    auto echo = std::make_shared<bool>(true);
    auto verbose = std::make_shared<bool>(true);
    PtyPeer::Responder slowModem = [echo, verbose](const std::string& r) {
        std::vector<PtyPeer::Chunk> out;
        if (*echo) out.push_back({r + "\r", 0});
        if (r.find("E0") != std::string::npos) *echo = false;
        if (r.find("V0") != std::string::npos) *verbose = false;
        out.push_back({*verbose ? "\r\nOK\r\n" : "0\r", 120});
        return out;
    };
    int result = 0;
    EXPECT_EQ(probe("AT&F\r\nATE0\r\nATX4\r\n", slowModem, &result),
              (std::vector<std::string>{"AT&F", "ATE0", "ATX4", "ATV0"}));
    EXPECT_EQ(result, 1);
}

TEST(ModemCodes, TextsConnectionsAndColoursOfTheResultCodes) {
    const struct {
        unsigned code;
        const char* text;
        bool connected;
        uint32_t colour;
    } cases[] = {{0, "OK", false, 0xFFFFFF},
                 {1, "Connesso", true, 0x00FF00},
                 {2, "Ring", false, 0xFFC000},
                 {3, "Assenza linea", false, 0xFF0000},
                 {7, "Occupato", false, 0xFFC000},
                 {8, "Nessuna risposta", false, 0xFFC000},
                 {9, "Connesso a 600 bps", true, 0x00FF00},
                 {16, "Connesso a 19200 bps", true, 0x00FF00},
                 {19, "Connesso a 115200 bps", true, 0x00FF00},
                 {20, "Stato non definito", true, kButtonFace},
                 {21, "Stato non definito", true, kButtonFace},
                 {255, "Stato non definito", true, kButtonFace}};
    for (const auto& c : cases) {
        const ModemResult& r = Codifica_risposta_modem(c.code);
        EXPECT_STREQ(r.text, c.text) << c.code;
        EXPECT_EQ(r.connected, c.connected) << c.code;
        EXPECT_EQ(r.colour, c.colour) << c.code;
    }
}

TEST(ModemCodes, LinesReadAsResultCodes) {
    // The remote dialog's poll: one or two characters are a code, an empty line "Connesso".
    const std::pair<const char*, int> polled[] = {{"", 1},    {"3", 3},        {"16", 16}, {"21", 20},
                                                  {"99", 20}, {"ATDT123", -1}, {"OK", 0},  {"\n7", 7}};
    for (const auto& [line, code] : polled) EXPECT_EQ(modemPollCode(line), code) << line;
    // The exchanges: numeric and verbose codes; anything else is no result.
    const std::pair<const char*, int> results[] = {{"0", 0},
                                                   {"3", 3},
                                                   {"21", 20},
                                                   {"OK", 0},
                                                   {"CONNECT", 1},
                                                   {"CONNECT 19200", 16},
                                                   {"CONNECT 9600/REL", 12},
                                                   {"CONNECT 33600", 1},
                                                   {"NO CARRIER", 3},
                                                   {"BUSY", 7},
                                                   {"NO ANSWER", 8},
                                                   {"NO DIALTONE", 6},
                                                   {" ERROR \r", 4},
                                                   {"ATV0", -1},
                                                   {"", -1},
                                                   {"123", -1},
                                                   {"+CSQ: 21,0", -1}};
    for (const auto& [line, code] : results) EXPECT_EQ(modemResultCode(line), code) << line;
}

// A call through the simulated modem to a logger.
class ModemCall : public SimSession {
  protected:
    void SetUp() override {
        SimSession::SetUp();
        ASSERT_TRUE(connectModem(fixtureLoggerBehindModem(100)));
    }
    // Dials and waits for the result code.
    int call(const std::string& number) {
        EXPECT_EQ(modemDial(hCom, number), 1);
        const uint32_t t0 = nowMs();
        while (nowMs() - t0 < 5000) {
            std::string line;
            if (modemPollLine(hCom, line) == 1 && modemPollCode(line) >= 0) return modemPollCode(line);
            hCom->waitReadable(50);
        }
        return -1;
    }
};

TEST_F(ModemCall, ALostCarrierStopsTheSessionAndNoDeviceCommandReachesTheModem) {
    ASSERT_EQ(call("0551234567"), 16);
    modemCallUp(hCom);
    ASSERT_EQ(sendCOMMAND(hCom, "ATSR\r", kModeCR), 1);
    EXPECT_EQ(rxText(), "10");

    sim_->dropCarrier();
    EXPECT_EQ(sendCOMMAND(hCom, "ATPT\r", kModeCR), 0) << "the NO CARRIER code is no reply";
    EXPECT_EQ(Com_lost, 1);
    EXPECT_EQ(Modem_line, ModemLine::Lost);
    EXPECT_EQ(lostPortText(), carrierLostText());
    const size_t seen = sim_->commands().size();
    // The logger's date request would make the modem dial: it is never sent.
    EXPECT_EQ(sendCOMMAND(hCom, "ATDT\r", kModeCR), 0);
    uint8_t block[4] = {'A', 'T', 'R', '\r'};
    EXPECT_EQ(sendCOMMAND2(hCom, block, 4, 2, 200), 0);
    sleepMs(200);
    EXPECT_EQ(sim_->commands().size(), seen);

    modemLostAcknowledged();
    EXPECT_EQ(Com_lost, 0);
    EXPECT_EQ(modemHangUp(hCom, true, 0, 0), 0) << "OK: the call was gone already";
    EXPECT_EQ(sim_->commands().back(), "ATH");
    EXPECT_EQ(call("0551234567"), 16) << "the modem dials again";
}

TEST_F(ModemCall, HangUpEscapesWithGuardTimesAndTheNumberDecidesTheResult) {
    EXPECT_EQ(call("0559999999"), 7) << "another number is busy";
    ASSERT_EQ(call("0551234567"), 16);
    modemCallUp(hCom);
    ASSERT_EQ(sendCOMMAND(hCom, "ATVR\r", kModeCR), 1);
    EXPECT_EQ(modemHangUp(hCom, true, 150, 300), 3) << "NO CARRIER after the call";
    EXPECT_EQ(Modem_line, ModemLine::Direct);
    const auto cmds = sim_->commands();
    ASSERT_GE(cmds.size(), 2u);
    EXPECT_EQ(cmds[cmds.size() - 2], "+++");
    EXPECT_EQ(cmds.back(), "ATH");
}

} // namespace
