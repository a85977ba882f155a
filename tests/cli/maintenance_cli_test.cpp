// korvane-cli's service commands against the simulated logger: idle, erase, address, pointers.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "sim/sim.h"
#include "support/fixture.h"
#include "support/process.h"

namespace {

// The fixture logger; `more` changes the options.
std::unique_ptr<sim::Simulator> fixtureSim(const std::function<void(sim::SimOptions&)>& more = {}) {
    sim::SimOptions o;
    o.stateDir = fixturePath("logger-basic");
    o.eraseMs = 300;
    if (more) more(o);
    auto s = std::make_unique<sim::Simulator>(o);
    EXPECT_TRUE(s->start());
    return s;
}

ProcessResult cliOn(const sim::Simulator& s, std::vector<std::string> args) {
    args.insert(args.begin(), {KORVANE_CLI_PATH, "-p", s.slavePath()});
    return runProcess(args, {"KORVANE_PORTS=", "KORVANE_DEV_DIR=/nonexistent/korvane-test-dev"});
}

// Only the identification that opening the -p port makes was sent from request `from` on.
bool onlyIdentifiedSince(const sim::Simulator& s, size_t from) {
    const auto all = s.commands();
    return std::all_of(all.begin() + static_cast<std::ptrdiff_t>(from), all.end(),
                       [](const std::string& c) { return c == "ATVR"; });
}

// The requests after the probe of one run (which ends with "ATVR").
std::vector<std::string> afterProbe(const sim::Simulator& s) {
    const auto all = s.commands();
    const auto vr = std::find(all.rbegin(), all.rend(), "ATVR");
    return {vr.base(), all.end()};
}

TEST(CliMaintenance, IdleOnAndOff) {
    auto s = fixtureSim();
    auto r = cliOn(*s, {"idle", "on"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Ingresso in stato IDLE\n");
    EXPECT_EQ(afterProbe(*s), (std::vector<std::string>{"ATCM05"}));
    EXPECT_EQ(s->deviceState().operatingState, 0x00);
    r = cliOn(*s, {"idle", "off"});
    EXPECT_EQ(r.out, "Uscita dallo stato IDLE\n");
    EXPECT_EQ(s->deviceState().operatingState, 0x05);
    EXPECT_EQ(cliOn(*s, {"idle"}).status, 64);
    EXPECT_EQ(cliOn(*s, {"idle", "maybe"}).status, 64);
}

TEST(CliMaintenance, EraseNeedsYesThenLeavesAnEmptySessionForInfo) {
    auto s = fixtureSim();
    const size_t before = s->commands().size();
    auto r = cliOn(*s, {"erase"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--yes"), std::string::npos);
    EXPECT_TRUE(onlyIdentifiedSince(*s, before)); // nothing reaches the logger's state

    r = cliOn(*s, {"erase", "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("flash memory erased\n", 0), 0u);
    const auto sent = afterProbe(*s);
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 4),
              (std::vector<std::string>{"ATOS", "ATCM05", "ATCM09", "ATCM06"}));
    EXPECT_EQ(s->deviceState().operatingState, 0x05);

    r = cliOn(*s, {"info", "-v"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Table page........ 0x0000\nFirst page........ 0x0000\nLast page......... 0x0000\n"
                         "Total data pages.. 0\nStatus Register... 0x00\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("Nodo"), std::string::npos);
}

TEST(CliMaintenance, EraseWhoseEndNeverComesFails) {
    auto s = fixtureSim([](sim::SimOptions& o) { o.eraseEndLost = true; });
    auto r = cliOn(*s, {"erase", "--yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("COM Error: La procedura non \xC3\xA8 stata correttamente completata !"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(afterProbe(*s), (std::vector<std::string>{"ATOS", "ATCM05", "ATCM09"}));
}

TEST(CliMaintenance, AddressReadsChecksAndWrites) {
    auto s = fixtureSim();
    auto r = cliOn(*s, {"address"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "network address 1\n");

    r = cliOn(*s, {"address", "65535"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "network address 1\nnetwork address 65535\n");
    EXPECT_EQ(r.err, "Info: Nuovo indirizzo = 65535\n");
    EXPECT_EQ(s->deviceState().netAddress, 0xFFFF);

    const size_t before = s->commands().size();
    for (const char* bad : {"65536", "-1", "x"}) {
        r = cliOn(*s, {"address", bad});
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_EQ(r.err, "Data Error: Indirizzo di rete non valido ! (Range: 0 ... 65535)\n") << bad;
    }
    EXPECT_TRUE(onlyIdentifiedSince(*s, before));

    auto old = fixtureSim([](sim::SimOptions& o) { o.fw = 0x12; });
    r = cliOn(*old, {"address", "7"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Com Error: Impossibile leggere l'indirizzo di rete del datalogger (e' necessaria una "
                     "versione firmware >= 1.3)\n");
    EXPECT_EQ(afterProbe(*old), (std::vector<std::string>{"ATMY"}));
}

TEST(CliMaintenance, PointersAreSetWithinTheirRangeAndPrinted) {
    auto s = fixtureSim();
    auto r = cliOn(*s, {"pointers"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "table page 0x0FF6\nlast page 0x000A\n");

    r = cliOn(*s, {"pointers", "--last", "5"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "table page 0x0FF6\nlast page 0x0005\n");
    EXPECT_EQ(afterProbe(*s).front(), "ATPL0005");

    const size_t before = s->commands().size();
    r = cliOn(*s, {"pointers", "--table", "4096", "--last", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Data Error: Indirizzo PAGE_TAB non valido ! (Range: 0 ... 4095)\n");
    EXPECT_TRUE(onlyIdentifiedSince(*s, before));
    EXPECT_EQ(cliOn(*s, {"pointers", "--first", "1"}).status, 64);

    // The next session read uses them.
    r = cliOn(*s, {"info", "-v"});
    EXPECT_NE(r.out.find("Last page......... 0x0005\nTotal data pages.. 15\n"), std::string::npos) << r.out;
}

} // namespace
