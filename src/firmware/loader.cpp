// The loader screen's actions: firmware file selection, the upload for the connected device and
// its follow-up, the EEPROM dump, the comparison and the fast-mode interval.
#include "firmware/loader.h"

#include <cstdio>
#include <cstdlib>

#include "boards/input_boxes.h"
#include "firmware/firmware_files.h"
#include "firmware/upload.h"
#include "link/lost_port.h"
#include "shell/korvane.h"

void loaderOpen(LoaderView& view) {
    if (Flag.RX43BOOT == 1)
        view.setBoard("RX43", Flag.bootvers);
    else
        view.setBoard("", "");
    view.enableUpload(false);
}

int loaderSelectFile(Window owner, LoaderView& view) {
    if (loadFileFW() == 1) {
        view.enableUpload(true);
        view.setBoard(Lista_schede[FW.scheda & 15], FW.ver.data());
        return 1;
    }
    messageBox(owner, "File sorgente non valido !", "File error", MsgButtons::Ok, MsgIcon::Error);
    view.enableUpload(false);
    view.setBoard("", "");
    return 0;
}

int loaderAfterUpload(Window owner, int result) {
    if (result != 1) {
        reportLostPort(owner);
        messageBox(owner, "Upload non completato !", "Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    if (Flag.RX43BOOT == 1) {
        messageBox(owner, "Upload terminato correttamente !", "Info", MsgButtons::Ok, MsgIcon::Info);
        bootLoaderExit();
        return 2;
    }
    if (messageBox(owner,
                   "Upload terminato. Per completare l'aggiornamento occorre effettuare un reset del "
                   "dispositivo.\r\nProcedere adesso ?",
                   "Question", MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes)
        boardResetProgress(owner);
    return 1;
}

int loaderExecute(Window owner) {
    const bool boot = Flag.RX43BOOT == 1;
    const char* q = boot ? "Il nuovo firmware verra' caricato nel datalogger RX43, continuare ?"
                         : "Il nuovo programma verra' caricato nella EEPROM i2c, continuare ?";
    if (messageBox(owner, q, "Question", MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes) return 0;
    return loaderAfterUpload(owner, boot ? uploadFW2(owner) : uploadFW(owner));
}

void loaderDumpKey(Window owner) {
    if (messageBox(owner, "Scaricare i dati EEPROM i2c in un apposito file ?", "Question", MsgButtons::YesNo,
                   MsgIcon::Question) != MsgAnswer::Yes)
        return;
    if (loadFileEeprom(owner) == 1)
        messageBox(owner, "Dati salvati nel file " + File_ee, "Info", MsgButtons::Ok, MsgIcon::Info);
    else
        messageBox(owner, "Procedura di scaricamento non completata !", "Error", MsgButtons::Ok,
                   MsgIcon::Error);
}

void loaderCompareKey(Window owner) {
    if (File_ee.empty() || File_fw.empty()) {
        messageBox(owner,
                   "Per il eseguire la verifica occorre che siano definiti sia il file .fw che il file .ee !",
                   "Error", MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    const std::string q = "Confrontare i dati contenuti nei file\r\n\r\n- " + File_fw + "\r\n- " + File_ee;
    if (messageBox(owner, q, "Question", MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes) return;
    if (fileCompare() == 1)
        messageBox(owner, "Dati file identici !", "Info", MsgButtons::Ok, MsgIcon::Info);
    else
        messageBox(owner, "File non coincidenti !", "Error", MsgButtons::Ok, MsgIcon::Error);
}

void loaderIntervalKey(Window owner) {
    TitoloBuf = "T(ms) UPD-FW modo FAST";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(T_updfw_fast));
    EditBuf = buf;
    InputMin = 10;
    InputMax = 1000;
    Ndec = 0;
    const int savedMax = MaxEdit;
    MaxEdit = 3;
    const int ok = DlgInputNum2_(owner);
    MaxEdit = savedMax;
    if (ok != 1) return;
    const long v = std::strtol(EditBuf.c_str(), nullptr, 10);
    if (v >= 10 && v <= 1000) T_updfw_fast = static_cast<uint16_t>(v);
}
