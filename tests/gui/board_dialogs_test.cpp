// The board screens over the simulated energy board: the parameter screen (1400) with its
// enabling rules, the checklist and the description of a file, the display details (1500),
// the GSM screen (2000) and the board keys of the main panel.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "boards/board_keys_dialog.h"
#include "boards/display_board.h"
#include "boards/display_cfg_dialog.h"
#include "boards/energy_board.h"
#include "boards/mw51_cfg_dialog.h"
#include "firmware/loader_dialog.h"
#include "gui_helpers.h"
#include "link/korvane_com.h"
#include "platform/ui_qt_dialog.h"
#include "sim/sim.h"
#include "support/fixture.h"
#include "support/state_guard.h"

namespace {

class BoardDialogs : public KorvaneTest {
  protected:
    void start(sim::DeviceKind kind = sim::DeviceKind::MW51) {
        sim::SimOptions o;
        o.kind = kind;
        o.scenario = "empty";
        sim_ = std::make_unique<sim::Simulator>(o);
        ASSERT_TRUE(sim_->start());
        sim_->modifyDeviceState([](sim::DeviceState& d) { d.restartMs = 200; });
        hCom = openComPort(sim_->slavePath());
        ASSERT_NE(hCom, nullptr);
        initCOM(hCom);
        Timeout_rx = 2000;
        ASSERT_EQ(test_hCom(hCom), 1);
    }
    void TearDown() override {
        if (hCom) closeComPort(hCom);
        if (sim_) sim_->stop();
        KorvaneTest::TearDown();
    }
    // Gives `field` the focus in its shown window and types `text` over its content.
    static void typeInto(QDialog& dlg, QWidget* field, const QString& text) {
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        field->setFocus();
        QApplication::processEvents();
        static_cast<QLineEdit*>(field)->selectAll();
        sendKey(field, Qt::Key_Backspace);
        typeText(field, text);
    }
    std::unique_ptr<sim::Simulator> sim_;
};

TEST_F(BoardDialogs, ParameterScreenEditsWritesAndCommits) {
    start();
    detectSlaveBoard();
    DlgMW51cfg dlg;
    ASSERT_TRUE(dlg.begin());
    EXPECT_EQ(dlg.windowTitle(), "Configurazione parametri MW51a/MW51h");
    EXPECT_EQ(textOf(dlg.control(1415)), "9900");
    EXPECT_EQ(textOf(dlg.control(1421)), "0.53");
    EXPECT_EQ(textOf(dlg.control(1471)), "+390000000001");
    EXPECT_EQ(textOf(dlg.control(1468)), "REC");
    EXPECT_FALSE(dlg.control(1402)->isEnabled());
    EXPECT_FALSE(dlg.control(1401)->isEnabled());
    // "Aggiornamento Firmware" opens the firmware loader over the screen.
    ASSERT_TRUE(dlg.control(1477)->isEnabled());
    OnModal<DlgLoader> loader([](DlgLoader* l) { l->done(0); });
    click(dlg.control(1477));
    EXPECT_EQ(loader.count, 1);
    EXPECT_FALSE(dlg.control(1406)->isEnabled()); // display 3 is off
    EXPECT_TRUE(dlg.control(1405)->isEnabled());
    EXPECT_EQ(static_cast<QGroupBox*>(dlg.control(1439))->title(), "Display 1  (LAN)");

    typeInto(dlg, dlg.control(1418), "12.5");
    EXPECT_EQ(+EE.ram.Ki, 1);
    EXPECT_TRUE(dlg.control(1402)->isEnabled());
    typeInto(dlg, dlg.control(1421), "0.09");
    EXPECT_EQ(Parcfg[kParKco2].val_err, 1);
    EXPECT_FALSE(dlg.control(1402)->isEnabled());
    EXPECT_EQ(+EE.ram.Kco2, 53);
    typeInto(dlg, dlg.control(1421), "0.5");
    typeInto(dlg, dlg.control(1415), "12345678");
    EXPECT_EQ(textOf(dlg.control(1415)), "1234567");
    EXPECT_EQ(+EE.ram.Pnom, 1234567u);
    typeInto(dlg, dlg.control(1471), "+39a");
    EXPECT_EQ(textOf(dlg.control(1471)), "");

    // Source RS232 (Com3) while display 3 is off: warning, back to the pulse input.
    auto* source = static_cast<QComboBox*>(dlg.control(1432));
    source->setCurrentIndex(3);
    emit source->activated(3);
    EXPECT_EQ(source->currentIndex(), 0);
    ASSERT_NE(ui_.last(), nullptr);
    EXPECT_EQ(ui_.last()->text, "Attenzione, il Display 3 non e' abilitato !");

    // The wireless-aux box from 0 shows 250.
    click(dlg.control(1486));
    EXPECT_EQ(textOf(dlg.control(1487)), "250");
    EXPECT_TRUE(dlg.control(1487)->isEnabled());

    click(dlg.control(1402));
    EXPECT_FALSE(dlg.control(1402)->isEnabled());
    EXPECT_TRUE(dlg.control(1401)->isEnabled());
    EXPECT_EQ(sim_->deviceState().eeprom[13], 1234567 & 0xFF);
    ui_.expect("Salvare in modo non volatile i valori attuali dei parametri di MW51a ?", "Question",
               MsgAnswer::Yes);
    click(dlg.control(1401));
    EXPECT_FALSE(dlg.control(1401)->isEnabled());
    EXPECT_EQ(sim_->deviceState().eepromSaved, sim_->deviceState().eeprom);
    EXPECT_EQ(sim_->deviceState().bus.displays[0].regs.option2, 1); // the display quantity was sent

    // Displays 4-7.
    click(dlg.control(1482));
    EXPECT_EQ(static_cast<QGroupBox*>(dlg.control(1405))->title(), "Display 4");
    dlg.hide();
}

TEST_F(BoardDialogs, InterfaceBoardScreenDisablesWhatItLacks) {
    start(sim::DeviceKind::VKE15);
    ASSERT_EQ(Flag.VKE15, 1);
    DlgMW51cfg dlg;
    ASSERT_TRUE(dlg.begin());
    EXPECT_EQ(dlg.windowTitle(), "Configurazione parametri VKE15");
    EXPECT_EQ(textOf(dlg.control(1428)), "Indirizzi Dest / My");
    EXPECT_EQ(textOf(dlg.control(1485)), "/ 1");
    for (int id : {1410, 1471, 1469, 1477, 1436, 1405, 1447, 1482, 1486})
        EXPECT_FALSE(dlg.control(id)->isEnabled()) << id;
}

TEST_F(BoardDialogs, ChecklistAndDescriptionOfAParameterFile) {
    ui_.filePath(fixturePath("board-params/expected/mw51a-farm.mw1"));
    DlgMW51cfg dlg(nullptr, DlgMW51cfg::Mode::Checklist);
    ASSERT_TRUE(dlg.begin());
    EXPECT_EQ(dlg.windowTitle(), "Valori parametri di configurazione MW51a per checklist");
    EXPECT_EQ(textOf(dlg.control(1477)), "Versione testuale");
    EXPECT_EQ(textOf(dlg.control(1415)), "49500");
    EXPECT_EQ(static_cast<QGroupBox*>(dlg.control(1439))->title(), "Display 1 (WEB)");
    for (int id : {1402, 1403, 1401, 1480, 1481, 1460}) EXPECT_FALSE(dlg.control(id)->isEnabled()) << id;
    DlgMW51txt txt(&dlg);
    EXPECT_EQ(textOf(txt.control(2101)),
              qtText(readFileBytes(fixturePath("board-params/expected/mw51a-farm.txt"))));

    ui_.filePath(fixturePath("board-params/mw51a-farm.bin"));
    DlgMW51cfg bad(nullptr, DlgMW51cfg::Mode::Checklist);
    EXPECT_FALSE(bad.begin());
    EXPECT_EQ(ui_.last()->text, "File non valido !");
}

TEST_F(BoardDialogs, DisplayDetailsAndGsmScreens) {
    start();
    Slave_board = detectSlaveBoard();
    CodeD = 1;
    DlgMW51hcfg details;
    ASSERT_TRUE(details.begin());
    EXPECT_EQ(details.windowTitle(), "Scheda Slave I2C - Display 1 (rev.2.1)");
    EXPECT_TRUE(details.control(1527)->isHidden());
    EXPECT_EQ(textOf(details.control(1512)), "128");
    EXPECT_FALSE(details.control(1509)->isEnabled());
    typeInto(details, details.control(1512), "200");
    EXPECT_TRUE(details.control(1509)->isEnabled());
    click(details.control(1509));
    EXPECT_EQ(sim_->deviceState().bus.displays[1].regs.dlux, 200);
    details.hide();

    CodeD = 5;
    DlgMW51hcfg missing;
    EXPECT_FALSE(missing.begin());
    EXPECT_EQ(ui_.last()->text, "Scheda slave I2C non trovata !");

    DlgCampoGSM gsm;
    EXPECT_TRUE(gsm.timerActive());
    EXPECT_TRUE(gsm.tick());
    EXPECT_EQ(textOf(gsm.control(2003)), "17");
    EXPECT_EQ(textOf(gsm.control(2004)), "0");
    sim_->modifyDeviceState([](sim::DeviceState& d) { d.bus.gsm = false; });
    EXPECT_FALSE(gsm.tick());
    EXPECT_FALSE(gsm.timerActive());
    EXPECT_EQ(ui_.last()->text, "Nessuna risposta da modem GSM !");
    EXPECT_EQ(ui_.last()->title, "Data Error");
}

TEST_F(BoardDialogs, BoardKeysOnlyUnderTheirConditions) {
    start();
    QWidget panel;
    EXPECT_FALSE(boardKey(&panel, Qt::Key_G)); // not verbose
    Flag.MW51 = 0;
    EXPECT_FALSE(boardKey(&panel, Qt::Key_O));
    EXPECT_FALSE(boardKey(&panel, Qt::Key_C));
    Flag.MW51 = 1;
    ui_.inputCancel(); // the energy counter box; firmware 1.8 has no production-day box
    EXPECT_TRUE(boardKey(&panel, Qt::Key_C));
    ASSERT_EQ(ui_.inputsShown.size(), 1u);
    EXPECT_EQ(ui_.inputsShown[0].title, "Contatore energia (kWh)");
    ui_.inputText("4321");
    EXPECT_TRUE(boardKey(&panel, Qt::Key_O));
    EXPECT_EQ(ui_.inputsShown.back().initial, "4257"); // 0x10A1
    EXPECT_EQ(sim_->deviceState().eeprom[21], 4321 & 0xFF);
    EXPECT_EQ(ui_.last()->title, "Info");
}

} // namespace
