// Command transactions against a scripted peer on a real pseudo-terminal.
#include <gtest/gtest.h>

#include <cstring>

#include "link/korvane_com.h"
#include "platform/clock.h"
#include "support/pty_peer.h"
#include "support/state_guard.h"

namespace {

class Transaction : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        port_ = openComPort(peer_.path());
        ASSERT_NE(port_, nullptr);
        initCOM(port_);
        Timeout_rx = 300;
    }
    void TearDown() override {
        closeComPort(port_);
        KorvaneTest::TearDown();
    }
    std::string reply() const {
        return std::string(reinterpret_cast<const char*>(Rx_buf), static_cast<size_t>(iRx));
    }
    // Answers every request with the given chunks.
    void answer(std::vector<PtyPeer::Chunk> chunks) {
        peer_.serve([chunks](const std::string&) { return chunks; });
    }
    PtyPeer peer_;
    ComHandle port_ = nullptr;
};

TEST_F(Transaction, LineEndingAtTerminatorIsCompleteAndZeroTerminated) {
    struct Case {
        std::string sent;
        std::string text;
    } cases[] = {{"OK\r", "OK"},
                 {"\r", ""},
                 {"B018\rjunk", "B018"},
                 {std::string(270, 'A') + "\r", std::string(270, 'A')}};
    for (const auto& c : cases) {
        answer({{c.sent, 0}});
        ASSERT_EQ(sendCOMMAND(port_, "ATVR\r", kModeCR), 1) << c.text.size();
        EXPECT_EQ(iRx, static_cast<int>(c.text.size()));
        EXPECT_EQ(reply(), c.text);
        EXPECT_EQ(Rx_buf[iRx], 0);
        peer_.stop();
    }
}

TEST_F(Transaction, TheTwoHundredSeventySecondByteFails) {
    answer({{std::string(271, 'x') + "y", 0}});
    EXPECT_EQ(sendCOMMAND(port_, "ATRB\r", kModeCR), 0);
    EXPECT_EQ(iRx, kRxOverflow);
    peer_.stop();
    answer({{std::string(400, 'x'), 0}}); // silence mode is bounded by the buffer too
    EXPECT_EQ(sendCOMMAND(port_, "X\r", kModeSilence), 0);
    EXPECT_EQ(iRx, kRxOverflow);
}

TEST_F(Transaction, SilenceTimeOutRestartsWithEveryByte) {
    Timeout_rx = 150;
    // Six bytes 100 ms apart: 600 ms in all, never 150 ms of silence.
    answer({{"1", 0}, {"2", 100}, {"3", 100}, {"4", 100}, {"5", 100}, {"\r", 100}});
    EXPECT_EQ(sendCOMMAND(port_, "ATSE\r", kModeCR), 1);
    EXPECT_EQ(reply(), "12345");
}

TEST_F(Transaction, SilenceLongerThanTimeOutFailsAndKeepsPartialReply) {
    Timeout_rx = 100;
    answer({{"12", 0}, {"34\r", 400}});
    EXPECT_EQ(sendCOMMAND(port_, "ATSE\r", kModeCR), 0);
    EXPECT_EQ(reply(), "12");
}

TEST_F(Transaction, EmptyPollReturnsAtOnceWhenNothingWaits) {
    Timeout_rx = 5000;
    uint32_t t0 = nowMs();
    EXPECT_EQ(sendCOMMAND(port_, "", kModeCR), 0);
    EXPECT_LT(nowMs() - t0, 2500u); // far below the 5 s time-out
    EXPECT_EQ(iRx, 0);
    EXPECT_EQ(peer_.receive(30), ""); // nothing was written
}

TEST_F(Transaction, EmptyPollReadsAWaitingLineWithoutDiscardingIt) {
    peer_.send("3\r");
    sleepMs(50);
    EXPECT_EQ(sendCOMMAND(port_, "", kModeCR), 1);
    EXPECT_EQ(reply(), "3");
}

TEST_F(Transaction, NonEmptyRequestDiscardsStaleInput) {
    peer_.send("stale\r");
    sleepMs(50);
    answer({{"OK\r", 0}});
    EXPECT_EQ(sendCOMMAND(port_, "ATCM00\r", kModeCR), 1);
    EXPECT_EQ(reply(), "OK");
}

TEST_F(Transaction, SilenceModeCollectsEverythingAndAlwaysSucceeds) {
    Timeout_rx = 100;
    EXPECT_EQ(sendCOMMAND(port_, "ATH\r", kModeSilence), 1);
    EXPECT_EQ(iRx, 0);
    EXPECT_EQ(peer_.receive(), "ATH\r");
    answer({{"\r\nNO CARRIER\r\n", 0}, {"0\r", 30}});
    EXPECT_EQ(sendCOMMAND(port_, "ATH\r", kModeSilence), 1);
    EXPECT_EQ(reply(), "\r\nNO CARRIER\r\n0\r");
}

TEST_F(Transaction, RawModesTakeExactlyTheirLengthWhateverTheBytes) {
    std::string block;
    for (int i = 0; i < 48; ++i) block += static_cast<char>(i % 2 ? '\r' : 'L'); // terminator-like bytes
    answer({{block + "more", 0}});
    ASSERT_EQ(sendCOMMAND(port_, "ATRD\r", kModeRaw48), 1);
    EXPECT_EQ(iRx, 48);
    EXPECT_EQ(reply(), block);
    EXPECT_EQ(sendCOMMAND(port_, "", kModeCR), 0); // "more" is still waiting, without a CR
    EXPECT_EQ(reply(), "more");
    peer_.stop();

    std::string big(64, 'U');
    answer({{big, 0}});
    ASSERT_EQ(sendCOMMAND(port_, "ATRD\r", kModeRaw64), 1);
    EXPECT_EQ(reply(), big);
    peer_.stop();

    answer({{std::string(47, 'x'), 0}});
    EXPECT_EQ(sendCOMMAND(port_, "ATRD\r", kModeRaw48), 0); // one byte short: time-out
    EXPECT_EQ(iRx, 47);
}

TEST_F(Transaction, BlockModesWriteFixedLengthsAndNoReplyModeDoesNotWait) {
    uint8_t block[48];
    for (int i = 0; i < 48; ++i) block[i] = static_cast<uint8_t>(i == 5 ? 0 : 0xA0 + i); // a zero inside
    const char* raw = reinterpret_cast<const char*>(block);

    EXPECT_EQ(sendCOMMAND(port_, raw, kModeBlock34NoReply), 1);
    EXPECT_EQ(peer_.receive(), std::string(raw, 34));

    EXPECT_EQ(sendCOMMAND(port_, "ATSA00\r", kModeNoReply), 1);
    EXPECT_EQ(iRx, 0);
    EXPECT_EQ(peer_.receive(), "ATSA00\r");

    Timeout_rx = 100;
    EXPECT_EQ(sendCOMMAND(port_, raw, kModeBlock48), 0); // nobody answers the CR line
    EXPECT_EQ(peer_.receive(), std::string(raw, 48));
    peer_.send("OK\r");
    EXPECT_EQ(sendCOMMAND(port_, raw, kModeBlock34), 0); // the waiting "OK" was purged first
}

TEST_F(Transaction, OverlongTextFailsWithoutWriting) {
    std::string text(274, 'A');
    EXPECT_EQ(sendCOMMAND(port_, text, kModeCR), 0);
    EXPECT_EQ(peer_.receive(30), "");
    std::string fits(273, 'A');
    Timeout_rx = 50;
    sendCOMMAND(port_, fits, kModeCR);
    EXPECT_EQ(peer_.receive().size(), 273u);
}

TEST_F(Transaction, HangUpEndsTheWaitAtOnce) {
    Timeout_rx = 5000;
    std::thread hanger;
    peer_.serve([this, &hanger](const std::string&) {
        hanger = std::thread([this] { peer_.hangup(); });
        return std::vector<PtyPeer::Chunk>{};
    });
    uint32_t t0 = nowMs();
    EXPECT_EQ(sendCOMMAND(port_, "ATVR\r", kModeCR), 0);
    EXPECT_LT(nowMs() - t0, 2500u);
    EXPECT_EQ(Com_lost, 1);
    EXPECT_TRUE(port_->lost());
    EXPECT_EQ(sendCOMMAND(port_, "ATVR\r", kModeCR), 0); // and stays failed
    if (hanger.joinable()) hanger.join();
}

TEST_F(Transaction, RawByteTransaction) {
    answer({{"\x12\xB3", 0}});
    uint8_t star = '*';
    // The peer only answers after a CR or "***": send the attention sequence byte by byte.
    EXPECT_EQ(sendCOMMAND2(port_, &star, 1, 0, 0), 1); // send without waiting
    EXPECT_EQ(sendCOMMAND2(port_, &star, 1, 0, 0), 1);
    EXPECT_EQ(sendCOMMAND2(port_, &star, 1, 2, 500), 1);
    EXPECT_EQ(iRx, 2);
    EXPECT_EQ(Rx_buf[0], 0x12);
    EXPECT_EQ(Rx_buf[1], 0xB3);
    EXPECT_EQ(sendCOMMAND2(port_, nullptr, 0, 1, 100), 0); // only wait: nothing comes
}

} // namespace
