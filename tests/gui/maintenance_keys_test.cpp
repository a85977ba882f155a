// The maintenance keys of the main panel on a simulated logger: Alt+I and Alt+U always, Alt+F,
// Alt+A and Alt+P only in verbose mode; the erase's "Esc", the network address of an old
// firmware, and the page pointers with their range.
#include <gtest/gtest.h>

#include <memory>

#include "gui_helpers.h"
#include "link/korvane_com.h"
#include "logger/session.h"
#include "shell/main_dialog.h"
#include "shell/maintenance.h"
#include "shell/startup.h"
#include "sim/sim.h"
#include "support/fixture.h"
#include "support/state_guard.h"

namespace {

class KeysOnSim : public KorvaneTest {
  protected:
    // The fixture logger (firmware 1.8) with a flash erase of `eraseMs`.
    void start(uint16_t fw = 0x18, uint32_t eraseMs = 200) {
        sim::SimOptions o;
        o.stateDir = KORVANE_FIXTURES_DIR "/logger-basic";
        o.fw = fw;
        o.eraseMs = eraseMs;
        sim_ = std::make_unique<sim::Simulator>(o);
        std::string err;
        ASSERT_TRUE(sim_->start(&err)) << err;
        if (fw != 0x18) sim_->modifyDeviceState([](sim::DeviceState& d) { d.versionReply.clear(); });
        Timeout_rx = 1000;
        ASSERT_EQ(openAndProbe(sim_->slavePath()), 1);
    }
    void TearDown() override {
        KorvaneTest::TearDown(); // closes the port
        sim_.reset();
    }
    // The commands the device receives while Alt+`letter` is handled.
    std::vector<std::string> altKey(DialogMain& dlg, int key, const char* letter) {
        const size_t from = sim_->commands().size();
        sendKey(dlg.control(228), key, Qt::AltModifier, letter);
        auto all = sim_->commands();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }
    QString statusPart2(DialogMain& dlg) { return textOf(dlg.findChild<QLabel*>("id240_2")); }
    InTempDir dir_;
    std::unique_ptr<sim::Simulator> sim_;
};

TEST_F(KeysOnSim, IdleKeysAlwaysWorkTheOthersOnlyInVerboseMode) {
    start();
    DialogMain dlg;
    runScripted(dlg, [&] {
        for (const auto& [key, letter] : {std::pair{Qt::Key_F, "f"}, {Qt::Key_A, "a"}, {Qt::Key_P, "p"}}) {
            EXPECT_TRUE(altKey(dlg, key, letter).empty()) << letter;
        }
        EXPECT_TRUE(ui_.shown.empty());

        EXPECT_EQ(altKey(dlg, Qt::Key_I, "i"), (std::vector<std::string>{"ATCM05"}));
        EXPECT_EQ(statusPart2(dlg), " Ingresso in stato IDLE");
        EXPECT_EQ(sim_->deviceState().operatingState, 0x00);
        EXPECT_EQ(altKey(dlg, Qt::Key_U, "u"), (std::vector<std::string>{"ATCM06"}));
        EXPECT_EQ(statusPart2(dlg), " Uscita dallo stato IDLE");
        EXPECT_EQ(sim_->deviceState().operatingState, 0x05);

        // Verbose on: Alt+F asks first; "No" leaves the recording logger recording.
        altKey(dlg, Qt::Key_V, "v");
        ui_.expect(kEraseQuestion, "Question", MsgAnswer::No);
        EXPECT_EQ(altKey(dlg, Qt::Key_F, "f"), (std::vector<std::string>{"ATOS", "ATCM05", "ATCM06"}));
        EXPECT_EQ(sim_->deviceState().operatingState, 0x05);

        // A refusal says why and leaves no stale state text.
        sim_->stop();
        Timeout_rx = 200;
        altKey(dlg, Qt::Key_I, "i");
        EXPECT_EQ(statusPart2(dlg), "");
        ASSERT_NE(ui_.last(), nullptr);
        EXPECT_EQ(ui_.last()->text, idleRefusedText(true, ""));
    });
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(KeysOnSim, EscDuringTheEraseWaitEndsWithTheFailureMessage) {
    start(0x18, 60000); // an erase that outlasts the test
    DialogMain dlg;
    runScripted(dlg, [&] {
        altKey(dlg, Qt::Key_V, "v");
        const QString summary = textOf(dlg.control(228));
        ui_.expect(kEraseQuestion, "Question", MsgAnswer::Yes);
        ui_.pressEscAfter(2);
        ui_.expect("Confermare l'abbandono dell'operazione ?", "Warning", MsgAnswer::Yes);
        EXPECT_EQ(altKey(dlg, Qt::Key_F, "f"), (std::vector<std::string>{"ATOS", "ATCM05", "ATCM09"}));
        EXPECT_EQ(ui_.waitPumps, 2);
        ASSERT_NE(ui_.last(), nullptr);
        EXPECT_EQ(ui_.last()->text, kEraseFailedText);
        EXPECT_EQ(ui_.last()->title, "COM Error");
        EXPECT_FALSE(waitMsgOpen());
        EXPECT_EQ(textOf(dlg.control(228)), summary); // the session was not read again
    });
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(KeysOnSim, EraseReadsTheEmptySessionIntoTheSummary) {
    start();
    DialogMain dlg;
    runScripted(dlg, [&] {
        altKey(dlg, Qt::Key_V, "v");
        ui_.expect(kEraseQuestion, "Question", MsgAnswer::Yes);
        ui_.expect("Errore analisi Tabella di Assegnazione !\r\nTentare di nuovo ?", "Com Error",
                   MsgAnswer::No);
        altKey(dlg, Qt::Key_F, "f");
        const QString summary = textOf(dlg.control(228));
        EXPECT_TRUE(summary.contains("Table page........ 0x0000\n")) << summary.toStdString();
        EXPECT_TRUE(summary.contains("Total data pages.. 0\n"));
        EXPECT_FALSE(summary.contains("Nodo")); // the nodes went with the memory
    });
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(KeysOnSim, NetworkAddressOnOldFirmwareShowsTheFirmwareMessageWithoutAsking) {
    start(0x12);
    DialogMain dlg;
    runScripted(dlg, [&] {
        altKey(dlg, Qt::Key_V, "v");
        EXPECT_EQ(altKey(dlg, Qt::Key_A, "a"), (std::vector<std::string>{"ATMY"}));
    });
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, kNetAddressUnreadableText);
    EXPECT_EQ(ui_.shown[0].title, "Com Error");
    EXPECT_TRUE(ui_.inputsShown.empty());
}

TEST_F(KeysOnSim, PagePointersRefuseOutOfRangeAndTheSummaryShowsTheNewOnes) {
    start();
    DialogMain dlg;
    runScripted(dlg, [&] {
        altKey(dlg, Qt::Key_V, "v");
        QWidget* box = dlg.control(228);
        ASSERT_TRUE(textOf(box).contains("Last page......... 0x000A\n"));

        // 4096 is out of the box's range: it cannot be confirmed, nothing is sent for PAGE_TAB.
        ui_.expect(kPointersQuestion, "Question", MsgAnswer::Yes);
        ui_.inputText("4096");
        ui_.inputText("4095");
        auto sent = altKey(dlg, Qt::Key_P, "p");
        ASSERT_EQ(ui_.failures.size(), 1u);
        EXPECT_EQ(ui_.failures[0], "input box would not accept [4096]");
        ui_.failures.clear();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), "ATPL0FFF");
        EXPECT_EQ(sim_->deviceState().pageTab, 0x0FF6);

        // Both pointers; the session is read again and the summary shows them.
        ui_.expect(kPointersQuestion, "Question", MsgAnswer::Yes);
        ui_.inputText("4086");
        ui_.inputText("5");
        sent = altKey(dlg, Qt::Key_P, "p");
        ASSERT_GE(sent.size(), 3u);
        EXPECT_EQ(sent[0], "ATPT0FF6");
        EXPECT_EQ(sent[1], "ATPL0005");
        EXPECT_EQ(sent[2], "ATSR");
        const QString summary = textOf(box);
        EXPECT_TRUE(summary.contains("Table page........ 0x0FF6\nFirst page........ 0x0FF7\n"
                                     "Last page......... 0x0005\nTotal data pages.. 15\n"))
            << summary.toStdString();
        EXPECT_TRUE(summary.contains("- Nodo 4 "));
    });
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
    for (const auto& s : ui_.shown)
        if (s.text != kPointersQuestion) ADD_FAILURE() << "unexpected box: " << s.text;
}

} // namespace
