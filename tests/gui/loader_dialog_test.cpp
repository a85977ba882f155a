// The loader screen (dialog 1900): its fields in board and boot-loader mode, file selection, the
// Alt keys, start-up into it when the probe finds the RX43 boot loader, and Alt+W of the panel.
#include <gtest/gtest.h>

#include "boards/input_boxes.h"
#include "firmware/firmware_files.h"
#include "firmware/loader_dialog.h"
#include "gui_helpers.h"
#include "link/korvane_com.h"
#include "platform/clock.h"
#include "shell/gui_screens_dialog.h"
#include "shell/main_dialog.h"
#include "shell/startup.h"
#include "sim/firmware_file.h"
#include "sim/sim.h"
#include "support/fixture.h"
#include "support/flash_image_builder.h"
#include "support/state_guard.h"

namespace {

std::string fw(const std::string& name) {
    return fixturePath("firmware-basic/" + name);
}

class LoaderDialogTest : public KorvaneTest {};

TEST_F(LoaderDialogTest, FieldsFollowTheBootModeAndTheFileLoaded) {
    Flag.RX43BOOT = 1;
    Flag.bootvers = "Boot v.1.8";
    DlgLoader dlg;
    runScripted(dlg, [&] {
        EXPECT_EQ(dlg.windowTitle(), "Loader");
        EXPECT_EQ(textOf(dlg.control(1901)), "Aggiornamento Firmware");
        EXPECT_EQ(textOf(dlg.control(1907)), "Tipo di scheda:");
        EXPECT_EQ(textOf(dlg.control(1902)), "RX43");
        EXPECT_EQ(textOf(dlg.control(1903)), "Boot v.1.8");
        EXPECT_FALSE(dlg.control(1905)->isEnabled());

        ui_.filePath(fw("board.fw"));
        click(dlg.control(1904));
        EXPECT_TRUE(dlg.control(1905)->isEnabled());
        EXPECT_EQ(textOf(dlg.control(1902)), "MW51");
        EXPECT_EQ(textOf(dlg.control(1903)), "3.6");

        ui_.filePath(fw("invalid/odd-count.fw"));
        click(dlg.control(1904));
        EXPECT_EQ(ui_.last()->text, "File sorgente non valido !");
        EXPECT_EQ(ui_.last()->title, "File error");
        EXPECT_FALSE(dlg.control(1905)->isEnabled());
        EXPECT_EQ(textOf(dlg.control(1902)), "");
        click(dlg.control(1906));
    });
    EXPECT_EQ(dlg.result(), 1);
}

TEST_F(LoaderDialogTest, AltKeysCompareDumpAndSetTheFastInterval) {
    DlgLoader dlg;
    runScripted(dlg, [&] {
        EXPECT_EQ(textOf(dlg.control(1902)), ""); // a board: nothing known before a file is loaded
        sendKey(dlg.control(1904), Qt::Key_C, Qt::AltModifier, "c");
        EXPECT_EQ(ui_.last()->text,
                  "Per il eseguire la verifica occorre che siano definiti sia il file .fw che il file .ee !");
        File_fw = fw("board.fw");
        File_ee = fw("expected/dump.ee");
        ui_.expect("Confrontare i dati contenuti nei file\r\n\r\n- " + File_fw + "\r\n- " + File_ee,
                   "Question", MsgAnswer::Yes);
        sendKey(&dlg, Qt::Key_C, Qt::AltModifier, "c");
        EXPECT_EQ(ui_.last()->text, "Dati file identici !");
        File_fw = fw("lf-only.fw");
        ui_.answer(MsgAnswer::Yes);
        sendKey(&dlg, Qt::Key_C, Qt::AltModifier, "c");
        EXPECT_EQ(ui_.last()->text, "Dati file identici !");

        // No port: the dump's first command goes unanswered.
        ui_.expect("Scaricare i dati EEPROM i2c in un apposito file ?", "Question", MsgAnswer::Yes);
        ui_.filePath("/nonexistent/x.ee");
        ui_.answer(MsgAnswer::No);
        sendKey(&dlg, Qt::Key_E, Qt::AltModifier, "e");
        EXPECT_EQ(ui_.last()->text, "Procedura di scaricamento non completata !");

        ui_.inputText("250");
        sendKey(&dlg, Qt::Key_T, Qt::AltModifier, "t");
        EXPECT_EQ(T_updfw_fast, 250);
        const auto& box = ui_.inputsShown.back();
        EXPECT_EQ(box.title, "T(ms) UPD-FW modo FAST");
        EXPECT_EQ(box.initial, "100");
        EXPECT_EQ(box.maxEdit, 3);
        click(dlg.control(1906));
    });
    // The box's own rules with the limits it was given: 5 is refused, 1000 cannot be typed.
    MaxEdit = 3;
    EXPECT_FALSE(inputNum2Changed("5").okEnabled);
    EXPECT_EQ(inputNum2Changed("1000").text, "100");
    EXPECT_TRUE(inputNum2Changed("999").okEnabled);
    EXPECT_TRUE(inputNum2Changed("10").okEnabled);
}

TEST_F(LoaderDialogTest, StartUpRunsTheLoaderOnTheBootLoaderAndTheUpdatedLoggerIdentifiesItself) {
    sim::SimOptions o;
    o.kind = sim::DeviceKind::Boot;
    sim::Simulator sim(o);
    ASSERT_TRUE(sim.start());
    InTempDir dir;
    writeTextFile(dir.dir.file("rx43.fw"), sim::makeFirmwareFile(sim::sampleProgram(8, 2), {11, '2', '1'}));
    OnModal<DlgLoader> loader([&](DlgLoader* dlg) {
        EXPECT_EQ(textOf(dlg->control(1902)), "RX43");
        EXPECT_EQ(textOf(dlg->control(1903)), "Boot v.1.8");
        ui_.filePath(dir.dir.file("rx43.fw"));
        click(dlg->control(1904));
        EXPECT_EQ(textOf(dlg->control(1902)), "RX43");
        EXPECT_EQ(textOf(dlg->control(1903)), "2.1");
        ui_.expect("Il nuovo firmware verra' caricato nel datalogger RX43, continuare ?", "Question",
                   MsgAnswer::Yes);
        click(dlg->control(1905)); // the upload, then the screen closes
        if (dlg->isVisible()) dlg->done(-1);
    });
    GuiScreens screens;
    const std::string cmd = "-p" + sim.slavePath();
    EXPECT_EQ(runStartup(cmd.c_str(), screens), 2);
    EXPECT_EQ(loader.count, 1);
    ASSERT_NE(ui_.last(), nullptr);
    EXPECT_EQ(ui_.last()->text, "Upload terminato correttamente !");

    for (int i = 0; i < 500 && !sim.deviceState().program.bootLeft; ++i) sleepMs(10);
    resetState();
    hCom = openComPort(sim.slavePath());
    initCOM(hCom);
    Timeout_rx = 500;
    ASSERT_EQ(test_hCom(hCom), 1);
    EXPECT_EQ(Flag.RX43BOOT, 0);
    EXPECT_EQ(Flag.RX43, 1);
}

TEST_F(LoaderDialogTest, AltWOfThePanelNeedsVerboseThenAsksFirst) {
    ui_.expect("Errore lettura pagine !\r\nTentare di nuovo ?", "COM Error", MsgAnswer::No);
    DialogMain dlg;
    runScripted(dlg, [&] {
        sendKey(dlg.control(233), Qt::Key_W, Qt::AltModifier, "w");
        EXPECT_TRUE(ui_.shown.size() == 1); // only the session question of the opening
        sendKey(dlg.control(233), Qt::Key_V, Qt::AltModifier, "v");
        ui_.expect("Upload dati nella memoria flash interna ?", "Question", MsgAnswer::No);
        sendKey(dlg.control(233), Qt::Key_W, Qt::AltModifier, "w");
        EXPECT_EQ(ui_.last()->icon, MsgIcon::Warning);
        click(dlg.control(212));
    });
    EXPECT_EQ(ui_.pendingAnswers(), 0u);
}

} // namespace
