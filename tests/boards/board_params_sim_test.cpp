// The energy board's parameter set, the display boards and the GSM module over the simulator,
// and the board's misbehaviour through a scripted peer.
#include <gtest/gtest.h>

#include <cstring>

#include "boards/display_board.h"
#include "boards/energy_board.h"
#include "boards/wait_boot.h"
#include "link/korvane_com.h"
#include "support/fixture.h"
#include "support/pty_peer.h"
#include "support/sim_session.h"

namespace {

std::string bytesOf(const uint8_t* p) {
    return std::string(reinterpret_cast<const char*>(p), kEeSize);
}

class BoardParams : public SimSession {
  protected:
    void SetUp() override {
        SimSession::SetUp();
        ASSERT_TRUE(connect(emptyDevice()));
        ASSERT_EQ(Flag.MW51, 1);
        sim_->modifyDeviceState([](sim::DeviceState& d) { d.restartMs = 300; });
        initParcfg();
    }
    std::string boardBytes() { return bytesOf(sim_->deviceState().eeprom.data()); }
    void type(int item, float v) {
        Parcfg[static_cast<size_t>(item)].val = v;
        ASSERT_EQ(testValue(item), 1);
    }
};

TEST_F(BoardParams, EditWriteCommitResetKeepsTheEditedValues) {
    ASSERT_EQ(loadParcfg(), 0);
    EXPECT_EQ(bytesOf(EE.buf), boardBytes());
    EXPECT_EQ(Stato_OP, 0x05);
    EXPECT_EQ(Parcfg[kParKi].val, 1000.0f);
    type(kParPnom, 20000);
    type(kParKi, 1665);
    ASSERT_EQ(write_to_MW51a(), 0);
    EXPECT_EQ(boardBytes(), bytesOf(EE.buf));
    ASSERT_EQ(commitParams(), 1);
    ASSERT_EQ(resetBoard(), 1);
    ASSERT_EQ(wait_boot(nullptr, 0), 1);
    EXPECT_EQ(ui_.waitTexts.back(), "Attendere il ripristino della scheda MW51a");
    EE = ee_buf{};
    ASSERT_EQ(loadParcfg(), 0);
    EXPECT_EQ(+EE.ram.Pnom, 20000u);
    EXPECT_EQ(+EE.ram.Ki, 166);

    // Written but not committed: a reset brings the committed values back.
    type(kParPnom, 30000);
    ASSERT_EQ(write_to_MW51a(), 0);
    ASSERT_EQ(resetBoard(), 1);
    ASSERT_EQ(wait_boot(nullptr, 0), 1);
    ASSERT_EQ(loadParcfg(), 0);
    EXPECT_EQ(+EE.ram.Pnom, 20000u);

    // Factory defaults.
    ASSERT_EQ(restoreDefaults(), 1);
    ASSERT_EQ(wait_boot(nullptr, 0), 1);
    ASSERT_EQ(loadParcfg(), 0);
    EXPECT_EQ(+EE.ram.Pnom, 9900u);
    EXPECT_EQ(sim_->deviceState().eepromSaved, sim_->deviceState().eeprom);
}

TEST_F(BoardParams, ParameterFileRoundTripsThroughTheBoard) {
    ASSERT_EQ(loadParcfg(), 0);
    const std::string path = work_.file("board.mw1");
    ASSERT_EQ(writeParamFile(path, EE), 1);
    const std::string original = boardBytes();
    std::memset(EE.buf, 0x33, kEeSize);
    ASSERT_EQ(write_to_MW51a(), 0);
    ASSERT_NE(boardBytes(), original);
    ASSERT_EQ(readParamFile(path, EE), 3);
    ASSERT_EQ(write_to_MW51a(), 0);
    EXPECT_EQ(boardBytes(), original);
    EXPECT_EQ(readFileBytes(path).substr(9), original);
}

TEST_F(BoardParams, SilentBoardEndsTheBootWaitAfterSixSeconds) {
    sim_->modifyDeviceState([](sim::DeviceState& d) { d.restartMs = 60000; });
    Timeout_rx = 500;
    Flag.VKE15 = 1;
    ASSERT_EQ(resetBoard(), 1);
    EXPECT_EQ(wait_boot(nullptr, 0), 0);
    EXPECT_EQ(ui_.waitTexts.back(), "Attendere il ripristino della scheda VKE15");
    EXPECT_GE(ui_.waitCloses, 1);

    // "Esc" confirmed ends the wait at once.
    ui_.pressEscAfter(1);
    ui_.answer(MsgAnswer::Yes);
    EXPECT_EQ(wait_boot(nullptr, 0), 0);
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

TEST_F(BoardParams, DisplayBoardsAreDetectedReadWrittenAndStored) {
    EXPECT_EQ(detectSlaveBoard(), 1);
    sim_->modifyDeviceState([](sim::DeviceState& d) {
        d.bus.kind = sim::DisplayKind::MW53h;
        for (auto& disp : d.bus.displays) disp.present = true;
    });
    EXPECT_EQ(detectSlaveBoard(), 2);
    sim_->modifyDeviceState([](sim::DeviceState& d) { d.bus.kind = sim::DisplayKind::MW55h; });
    EXPECT_EQ(detectSlaveBoard(), 3);
    sim_->modifyDeviceState([](sim::DeviceState& d) {
        d.bus.kind = sim::DisplayKind::MW51h;
        for (auto& disp : d.bus.displays) disp.present = false;
    });
    EXPECT_EQ(detectSlaveBoard(), 0);

    sim_->modifyDeviceState([](sim::DeviceState& d) {
        d.bus.kind = sim::DisplayKind::MW55h;
        d.bus.displays[1].present = true;
        d.bus.option3[1] = 200;
    });
    Slave_board = 3;
    initParcfgh();
    ASSERT_EQ(loadParcfgh(1), 0);
    EXPECT_EQ(MW51h_fw, 0x21);
    EXPECT_EQ(MW51h[1].Ndigit, 5);
    EXPECT_FLOAT_EQ(Parcfgh[3].val, 20.0f);
    Parcfgh[1].val = 2;
    ASSERT_EQ(testValueh(1, 1), 1);
    Parcfgh[3].val = 25.5f;
    ASSERT_EQ(testValueh(3, 1), 1);
    ASSERT_EQ(write_to_MW51h(1), 0);
    ASSERT_EQ(storeDisplay(1), 1);
    auto st = sim_->deviceState();
    EXPECT_EQ(st.bus.displays[1].regs.dpoint, 2);
    EXPECT_EQ(st.bus.displays[1].regs.option2 & 0x30, 0x10);
    EXPECT_EQ(st.bus.option3Saved[1], 255);
    EXPECT_EQ(st.bus.displays[1].saved, st.bus.displays[1].regs);

    // A reset brings the stored values back once the display answers again.
    CodeD = 1;
    MW51h[1].Dlux = 7;
    ASSERT_EQ(write_to_MW51h(1), 0);
    ASSERT_EQ(resetDisplay(1), 1);
    ASSERT_EQ(wait_boot(nullptr, 1), 1);
    EXPECT_EQ(ui_.waitTexts.back(), "Attendere il ripristino della scheda I2C Slave");
    ASSERT_EQ(loadParcfgh(1), 0);
    EXPECT_EQ(MW51h[1].Dlux, 128);

    // A display that is not there: the record stays as it was.
    const DisplayParams before = MW51h[6];
    EXPECT_EQ(loadParcfgh(6), 1);
    EXPECT_EQ(MW51h[6].Dlux, before.Dlux);
}

TEST_F(BoardParams, WriteSendsTheDisplayQuantitiesAndTheMw55Registers) {
    EE.ram.Display_gra[0] = 0x27; // temperature: 4 digits, point 2
    EE.ram.Display_gra[1] = 0x00;
    EE.ram.Display_gra[2] = 0x02;
    EE.ram.Pnom = 49500;
    sim_->modifyDeviceState([](sim::DeviceState& d) {
        d.bus.kind = sim::DisplayKind::MW55h;
        for (auto& disp : d.bus.displays) disp.present = true;
    });
    EXPECT_EQ(sendDisplayQuantities(nullptr), 0u);
    EXPECT_TRUE(ui_.shown.empty());
    ASSERT_EQ(sendMw55Registers(true), 1);
    const auto st = sim_->deviceState();
    EXPECT_EQ(st.bus.displays[0].regs.option2, 7);
    EXPECT_EQ(st.bus.displays[0].regs.ndigit, 4);
    EXPECT_EQ(st.bus.displays[0].regs.dpoint, 2);
    EXPECT_EQ(st.bus.displays[2].regs.ndigit, 6);
    EXPECT_EQ(st.bus.option3[0] & 0x10, 0x10);
    EXPECT_EQ(st.bus.option3[2], 4950 & 0xFF);
    EXPECT_EQ(st.bus.option3[3], 4950 >> 8);

    sim_->modifyDeviceState([](sim::DeviceState& d) {
        d.bus.displays[5].present = false;
        d.bus.displays[6].present = false;
    });
    EE.ram.Display_gra[5] = 0x01; // in use: its failure is reported; display 6 is off
    EXPECT_EQ(sendDisplayQuantities(nullptr), 1u << 5);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "Errore nella scrittura sulla scheda slave I2C numero 5");
}

TEST_F(BoardParams, GsmFieldStrengthThroughDisplaySlotTwo) {
    unsigned level = 0, ber = 0;
    EXPECT_EQ(gsmQuery(level, ber), GsmResult::Ok);
    EXPECT_EQ(level, 17u);
    EXPECT_EQ(ber, 0u);
    sim_->modifyDeviceState([](sim::DeviceState& d) {
        d.bus.gsmLevel = 7;
        d.bus.gsmBer = 99;
    });
    EXPECT_EQ(gsmQuery(level, ber), GsmResult::Ok);
    EXPECT_EQ(level, 7u);
    EXPECT_EQ(ber, 99u);
    sim_->modifyDeviceState([](sim::DeviceState& d) { d.bus.gsm = false; });
    EXPECT_EQ(gsmQuery(level, ber), GsmResult::NoModem);
}

// A board that answers the block read or the write with something else.
class BoardFaults : public KorvaneTest {
  protected:
    void SetUp() override {
        KorvaneTest::SetUp();
        hCom = openComPort(peer_.path());
        ASSERT_NE(hCom, nullptr);
        initCOM(hCom);
        Timeout_rx = 300;
        initParcfg();
        std::memset(EE.buf, 0x44, kEeSize);
    }
    PtyPeer peer_;
};

TEST_F(BoardFaults, ABadBlockReplyChangesNothing) {
    const std::string good(82, 'A');
    for (const std::string& blockReply :
         {good.substr(0, 80), std::string("ERR"), good.substr(0, 81) + "G", good + "00"}) {
        peer_.serve([blockReply](const std::string& rq) -> std::vector<PtyPeer::Chunk> {
            if (rq == "ATEE") return {{blockReply + "\r", 0}};
            if (rq == "ATOS") return {{"05\r", 0}};
            return {{"OK\r", 0}};
        });
        EXPECT_EQ(loadParcfg(), 1) << blockReply;
        EXPECT_EQ(bytesOf(EE.buf), std::string(kEeSize, '\x44')) << blockReply;
        peer_.stop();
    }
    // A state reply that is not two hex digits: the block read before it is not taken either.
    peer_.serve([good](const std::string& rq) -> std::vector<PtyPeer::Chunk> {
        if (rq == "ATEE") return {{good + "\r", 0}};
        if (rq == "ATOS") return {{"ERR\r", 0}};
        return {{"OK\r", 0}};
    });
    EXPECT_EQ(loadParcfg(), 1);
    EXPECT_EQ(bytesOf(EE.buf), std::string(kEeSize, '\x44'));
}

TEST_F(BoardFaults, AWriteRefusedOnItsSecondPieceIsReadBack) {
    // The board takes the first piece and refuses the second.
    std::string held(82, '0');
    peer_.serve([&held](const std::string& rq) -> std::vector<PtyPeer::Chunk> {
        if (rq.size() == 4 + 58 && rq.rfind("ATEE", 0) == 0) {
            held.replace(0, 58, rq.substr(4));
            return {{"OK\r", 0}};
        }
        if (rq.size() > 4 && rq.rfind("ATEE", 0) == 0) return {{"ERR\r", 0}};
        if (rq == "ATEE") return {{held + "\r", 0}};
        return {{"OK\r", 0}};
    });
    EXPECT_EQ(write_to_MW51a(), 1);
    EXPECT_EQ(LastBoardWrite.piecesAcknowledged, 1);
    ASSERT_TRUE(LastBoardWrite.readBack);
    EXPECT_EQ(bytesOf(LastBoardWrite.held.buf), std::string(29, '\x44') + std::string(12, '\0'));
    EXPECT_EQ(differingFields(EE, LastBoardWrite.held), "Display_gra, N_telefono");
}

} // namespace
