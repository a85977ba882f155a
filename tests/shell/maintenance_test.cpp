// The service functions of the main panel's hidden keys against the simulated logger: IDLE in
// and out, the flash erase with its end byte, the network address and the page pointers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "boards/input_boxes.h"
#include "link/korvane_com.h"
#include "logger/session.h"
#include "shell/maintenance.h"
#include "support/sim_session.h"

namespace {

const char kTableRetry[] = "Errore analisi Tabella di Assegnazione !\r\nTentare di nuovo ?";

class MaintenanceOnSim : public SimSession {
  protected:
    // The fixture logger with a short erase; `more` changes the options.
    bool connectLogger(const std::function<void(sim::SimOptions&)>& more = {}) {
        sim::SimOptions o = fixtureLogger();
        o.eraseMs = 200;
        if (more) more(o);
        return connect(o);
    }
    std::vector<std::string> commandsOf(const std::function<void()>& action) {
        const size_t from = sim_->commands().size();
        action();
        const auto all = sim_->commands();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }
    // Rounds of 10 ms: a lost end byte is given up quickly.
    static constexpr EraseTiming kQuickRounds{40, 10, 100};
};

TEST_F(MaintenanceOnSim, IdleKeysSendTheirCommandAndSayWhyWhenNotAcknowledged) {
    // The probe takes 4 requests; the device answers two more, then falls silent.
    ASSERT_TRUE(connectLogger([](sim::SimOptions& o) { o.fault.silenceAfter = 6; }));
    EXPECT_EQ(commandsOf([] { EXPECT_EQ(setIdleState(nullptr, true), 1); }),
              (std::vector<std::string>{"ATCM05"}));
    EXPECT_EQ(sim_->deviceState().operatingState, 0x00);
    EXPECT_EQ(setIdleState(nullptr, false), 1);
    EXPECT_EQ(sim_->deviceState().operatingState, 0x05);
    EXPECT_TRUE(ui_.shown.empty());

    Timeout_rx = 200;
    EXPECT_EQ(setIdleState(nullptr, true), 0);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text,
              "Ingresso in stato IDLE non riuscito !\r\n(Nessuna risposta dal datalogger)");
    EXPECT_EQ(ui_.shown[0].title, "Com Error");
    EXPECT_EQ(idleRefusedText(false, "ERR"),
              "Uscita dallo stato IDLE non riuscita !\r\n(Risposta del datalogger: ERR)");
}

TEST_F(MaintenanceOnSim, EraseEmptiesTheFlashLeavesIdleAndReadsTheEmptySessionAgain) {
    ASSERT_TRUE(connectLogger());
    ASSERT_EQ(initPages(), 1);
    ASSERT_GT(TotalPagNum, 0);
    ui_.expect(kEraseQuestion, "Question", MsgAnswer::Yes);
    // An erased memory has no assignment table yet.
    ui_.expect(kTableRetry, "Com Error", MsgAnswer::No);
    const auto sent = commandsOf([] { EXPECT_EQ(eraseFlashMemory(nullptr, nullptr), 1); });
    ASSERT_GE(sent.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 5),
              (std::vector<std::string>{"ATOS", "ATCM05", "ATCM09", "ATCM06", "ATSR"}));

    const sim::DeviceState d = sim_->deviceState();
    EXPECT_TRUE(std::all_of(d.flash.begin(), d.flash.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(d.operatingState, 0x05); // recording again
    EXPECT_EQ(Flag.pages_error, 0);
    EXPECT_EQ(PageTab, "0000");
    EXPECT_EQ(PageLast, "0000");
    EXPECT_EQ(TotalPagNum, 0);
    EXPECT_EQ(ui_.waitTexts.front(), kEraseWaitText);
    EXPECT_FALSE(waitMsgOpen());
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(MaintenanceOnSim, EraseDeclinedErasesNothingAndPutsTheLoggerBackAsItWas) {
    ASSERT_TRUE(connectLogger());
    const std::vector<uint8_t> flash = sim_->deviceState().flash;
    const struct {
        uint8_t before;
        std::vector<std::string> sent;
    } cases[] = {
        {0x05, {"ATOS", "ATCM05", "ATCM06"}}, // recording: it records again
        {0x00, {"ATOS", "ATCM05"}},           // already IDLE: it stays so
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.before));
        sim_->modifyDeviceState([&](sim::DeviceState& d) { d.operatingState = c.before; });
        ui_.expect(kEraseQuestion, "Question", MsgAnswer::No);
        EXPECT_EQ(commandsOf([] { EXPECT_EQ(eraseFlashMemory(nullptr, nullptr), -1); }), c.sent);
        EXPECT_EQ(sim_->deviceState().operatingState, c.before);
    }
    EXPECT_TRUE(sim_->deviceState().flash == flash);
    EXPECT_EQ(ui_.shown.size(), 2u); // the two questions, nothing else
    EXPECT_TRUE(ui_.waitTexts.empty());
}

TEST_F(MaintenanceOnSim, EraseWhoseEndByteNeverComesStopsAfterFortyRounds) {
    ASSERT_TRUE(connectLogger([](sim::SimOptions& o) { o.eraseEndLost = true; }));
    ui_.expect(kEraseQuestion, "Question", MsgAnswer::Yes);
    const auto sent = commandsOf([] { EXPECT_EQ(eraseFlashMemory(nullptr, nullptr, kQuickRounds), 0); });
    EXPECT_EQ(sent, (std::vector<std::string>{"ATOS", "ATCM05", "ATCM09"})); // never left IDLE
    EXPECT_EQ(ui_.waitPumps, 40);
    EXPECT_EQ(ui_.lastBar, 39u * 100u / 40u);
    ASSERT_NE(ui_.last(), nullptr);
    EXPECT_EQ(ui_.last()->text, kEraseFailedText);
    EXPECT_EQ(ui_.last()->title, "COM Error");
    EXPECT_FALSE(waitMsgOpen());
    EXPECT_EQ(ui_.waitCloses, 1);
}

TEST_F(MaintenanceOnSim, EraseThatCannotEnterIdleAsksNothing) {
    ASSERT_TRUE(connectLogger([](sim::SimOptions& o) { o.fault.silenceAfter = 5; })); // "ATOS" answered
    Timeout_rx = 200;
    EXPECT_EQ(eraseFlashMemory(nullptr, nullptr, kQuickRounds), 0);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, kEraseFailedText);
    EXPECT_TRUE(ui_.waitTexts.empty());
    EXPECT_EQ(sim_->commands().back(), "ATCM05");
}

TEST_F(MaintenanceOnSim, NetworkAddressIsReadCheckedAgainstItsWholeRangeAndWritten) {
    ASSERT_TRUE(connectLogger());
    const struct {
        std::optional<std::string> typed; // nullopt: the box is cancelled
        int result;
        std::vector<std::string> sent; // after "ATMY"
        const char* message;           // the box after the input, "" none
        uint16_t address;              // on the device afterwards
    } cases[] = {
        {"65535", 1, {"ATMYFFFF"}, "Nuovo indirizzo = 65535", 0xFFFF},
        {"70000", 0, {}, "Indirizzo di rete non valido !\r\n(Range: 0 ... 65535)", 0xFFFF},
        {"-5", 0, {}, "Indirizzo di rete non valido !\r\n(Range: 0 ... 65535)", 0xFFFF},
        {"12.5", 0, {}, "Indirizzo di rete non valido !\r\n(Range: 0 ... 65535)", 0xFFFF},
        {std::nullopt, -1, {}, "", 0xFFFF},
        {"0", 1, {"ATMY0000"}, "Nuovo indirizzo = 0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.value_or("(cancel)"));
        const uint16_t before = sim_->deviceState().netAddress;
        ui_.shown.clear();
        ui_.expect(kNetAddressQuestion, "Question", MsgAnswer::Yes);
        c.typed ? ui_.inputText(*c.typed) : ui_.inputCancel();
        auto sent = commandsOf([&] { EXPECT_EQ(netAddressAction(nullptr), c.result); });
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), "ATMY");
        EXPECT_EQ(std::vector<std::string>(sent.begin() + 1, sent.end()), c.sent);
        EXPECT_EQ(ui_.shown.size(), *c.message ? 2u : 1u);
        if (*c.message) {
            EXPECT_EQ(ui_.last()->text, c.message);
        }
        EXPECT_EQ(sim_->deviceState().netAddress, c.address);
        // The box shows the address read and takes five characters.
        ASSERT_FALSE(ui_.inputsShown.empty());
        EXPECT_EQ(ui_.inputsShown.back().initial, std::to_string(before));
        EXPECT_EQ(ui_.inputsShown.back().maxEdit, 5);
        EXPECT_EQ(ui_.inputsShown.back().kind, InputBoxKind::Num);
        EXPECT_EQ(ui_.inputsShown.back().title, "Indirizzo di rete");
    }
}

TEST_F(MaintenanceOnSim, PagePointersAreWrittenAndInUseAfterTheSessionIsReadAgain) {
    ASSERT_TRUE(connectLogger());
    initSession(nullptr);
    ASSERT_EQ(PageLast, "000A");
    ui_.expect(kPointersQuestion, "Question", MsgAnswer::Yes);
    ui_.inputCancel();  // PAGE_TAB kept
    ui_.inputText("5"); // PAGE_LAST
    EXPECT_EQ(commandsOf([] { EXPECT_EQ(pagePointersAction(nullptr, nullptr), 1); }).front(), "ATPL0005");
    EXPECT_EQ(sim_->deviceState().pageLast, 5);
    EXPECT_EQ(PageLast, "0005");
    EXPECT_EQ(TotalPagNum, 15); // 0x0FF7 .. 0x0005
    ASSERT_EQ(ui_.inputsShown.size(), 2u);
    EXPECT_EQ(ui_.inputsShown[0].title, kPageTabTitle);
    EXPECT_EQ(ui_.inputsShown[0].initial, "4086");
    EXPECT_EQ(ui_.inputsShown[1].title, kPageLastTitle);
    EXPECT_EQ(ui_.inputsShown[1].initial, "10");
    for (const auto& box : ui_.inputsShown) {
        EXPECT_EQ(box.kind, InputBoxKind::Num2);
        EXPECT_EQ(box.max, 4095.f);
        EXPECT_EQ(box.maxEdit, 4);
    }

    // Declined: nothing is sent; a refused write says so.
    ui_.expect(kPointersQuestion, "Question", MsgAnswer::No);
    EXPECT_TRUE(commandsOf([] { EXPECT_EQ(pagePointersAction(nullptr, nullptr), -1); }).empty());
    sim_->stop(); // no answer at all
    Timeout_rx = 200;
    EXPECT_EQ(writePagePointer(nullptr, PagePointer::Table, 1), 0);
    EXPECT_EQ(ui_.last()->text, kOperationFailedText);
    EXPECT_EQ(ui_.last()->title, "Data Error");
}

TEST(MaintenanceRules, WholeNumbersWithinTheirRange) {
    const struct {
        const char* text;
        unsigned max;
        bool ok;
        unsigned value;
    } cases[] = {{"0", 4095, true, 0},       {"4095", 4095, true, 4095},
                 {"4096", 4095, false, 0},   {"65535", 65535, true, 65535},
                 {"65536", 65535, false, 0}, {"", 10, false, 0},
                 {"-1", 10, false, 0},       {"1.0", 10, false, 0},
                 {" 5", 10, false, 0},       {"99999999999999999999", 65535, false, 0}};
    for (const auto& c : cases) {
        unsigned v = 0;
        EXPECT_EQ(wholeNumberIn(c.text, c.max, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

} // namespace
