// The inverter listing against the energy board of the simulator and its inverters.
#include <gtest/gtest.h>

#include <functional>

#include "boards/energy_board.h"
#include "inverter/inverter_list.h"
#include "link/korvane_com.h"
#include "support/sim_session.h"

namespace {

struct TextListing : InverterListView {
    TextBox& listBox() override { return box; }
    void setTotal(const std::string& text) override {
        total = text;
        ++totals;
    }
    StringTextBox box;
    std::string total = "(untouched)";
    int totals = 0;
};

const char kHeader3[] =
    "Numero di inverter: 3\r\nCampo indirizzi: 2...4\r\n-------------------------------------\r\n";
const char kInverter2[] = "(002)-SN:531204-Aurora 3.3kW new\r\n- Pin1: 1650 W\r\n- Pin2: 1588 W\r\n\r\n";
const char kInverter3[] = "(003)-SN:531205-Aurora 3.6kW new\r\n- Pin1: 1803 W\r\n- Pin2: 1755 W\r\n\r\n";
const char kInverter4[] = "(004)-SN:X45210-Aurora 10.0kW new\r\n- Pin1: 4981 W\r\n- Pin2: 5011 W\r\n\r\n";

class InverterListing : public SimSession {
  protected:
    void SetUp() override {
        SimSession::SetUp();
        sim::SimOptions o;
        o.kind = sim::DeviceKind::MW51;
        o.scenario = "empty";
        ASSERT_TRUE(connect(o));
        setRange(3, 2);
    }
    static void setRange(unsigned n, unsigned first) {
        EE.buf[kEeComReg2] = static_cast<uint8_t>(n);
        EE.buf[kEeComReg2 + 1] = static_cast<uint8_t>(first);
    }
    // The inverter at `address` on the board's line.
    void onInverter(uint8_t address, const std::function<void(sim::SimInverter&)>& fn) {
        sim_->modifyDeviceState([&](sim::DeviceState& d) {
            for (auto& i : d.inverters)
                if (i.address == address) fn(i);
        });
    }
    TextListing list_;
};

TEST_F(InverterListing, ListsEveryInverterAndTheTotalInputPower) {
    EXPECT_EQ(refresh_dati_inv(nullptr, list_), 1);
    EXPECT_EQ(list_.box.text, std::string(kHeader3) + kInverter2 + kInverter3 + kInverter4);
    EXPECT_EQ(list_.total, "Pin: 16788 W");
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(InverterListing, NoInvertersListsOnlyTheCountAndAZeroTotal) {
    setRange(0, 2);
    EXPECT_EQ(refresh_dati_inv(nullptr, list_), 1);
    EXPECT_EQ(list_.box.text, "Numero di inverter: 0\r\n-------------------------------------\r\n");
    EXPECT_EQ(list_.total, "Pin: 0 W");
    for (const auto& c : sim_->commands()) EXPECT_NE(c.rfind("ATDI", 0), 0u) << c;
}

TEST_F(InverterListing, FailedQueriesAreRetriedIgnoredOrEndTheListing) {
    // Inverter 3 answers with damaged packets only; inverter 4 shows an unknown model letter.
    onInverter(3, [](sim::SimInverter& i) { i.badReplies = -1; });
    onInverter(4, [](sim::SimInverter& i) { i.model = 'Z'; });
    const std::string box = "Errore lettura inverter 3";

    // Retry, then Ignore on each of its four queries: its powers add nothing to the total.
    ui_.expect(box, "Com Error", MsgAnswer::Retry);
    for (int k = 0; k < 4; ++k) ui_.expect(box, "Com Error", MsgAnswer::Ignore);
    EXPECT_EQ(refresh_dati_inv(nullptr, list_), 1);
    EXPECT_EQ(list_.box.text, std::string(kHeader3) + kInverter2 +
                                  "(003)-SN:Error-Error\r\n- Pin1: Error\r\n- Pin2: Error\r\n\r\n" +
                                  "(004)-SN:X45210-Unknown\r\n- Pin1: 4981 W\r\n- Pin2: 5011 W\r\n\r\n");
    EXPECT_EQ(list_.total, "Pin: 13230 W");
    ASSERT_FALSE(ui_.shown.empty());
    EXPECT_EQ(ui_.shown[0].buttons, MsgButtons::AbortRetryIgnore);
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Error);

    // Abort: the listing stops where it was, without a total.
    ui_.expect(box, "Com Error", MsgAnswer::Abort);
    TextListing again;
    EXPECT_EQ(refresh_dati_inv(nullptr, again), 0);
    EXPECT_EQ(again.box.text, std::string(kHeader3) + kInverter2 + "(003)-SN:");
    EXPECT_EQ(again.total, "");
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(InverterListing, ARangePast255KeepsCountingAndSendsTheLowByte) {
    Timeout_rx = 150; // nobody answers at 255 and 0
    setRange(3, 254);
    sim_->modifyDeviceState([](sim::DeviceState& d) {
        d.inverters = {{254, "AAAAAA", '6', 100.0f, 200.0f, 0}};
    });
    for (int k = 0; k < 8; ++k) ui_.answer(MsgAnswer::Ignore);
    EXPECT_EQ(refresh_dati_inv(nullptr, list_), 1);
    const std::string missing = "-SN:Error-Error\r\n- Pin1: Error\r\n- Pin2: Error\r\n\r\n";
    EXPECT_EQ(list_.box.text, "Numero di inverter: 3\r\nCampo indirizzi: 254...256\r\n"
                              "-------------------------------------\r\n"
                              "(254)-SN:AAAAAA-Aurora 6kW\r\n- Pin1: 100 W\r\n- Pin2: 200 W\r\n\r\n"
                              "(255)" +
                                  missing + "(256)" + missing);
    EXPECT_EQ(list_.total, "Pin: 300 W");
    ASSERT_EQ(ui_.shown.size(), 8u);
    EXPECT_EQ(ui_.shown[4].text, "Errore lettura inverter 0"); // the address as it went on the line
    bool sentZero = false;
    for (const auto& c : sim_->commands()) sentZero = sentZero || c.rfind("ATDI003F", 0) == 0;
    EXPECT_TRUE(sentZero);
}

} // namespace
