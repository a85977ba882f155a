#include "shell/remote.h"

#include "boards/input_boxes.h"
#include "link/korvane_com.h"
#include "link/modem.h"
#include "shell/korvane.h"
#include "shell/phone_book.h"

namespace {

void showStatus(RemoteView& v, const std::string& text) {
    v.setText(kRemoteStatus, text);
    v.statusChanged();
}

void showExitText(RemoteView& v) {
    v.setText(kRemoteExit, Codifica_pulsante_rexit(Stato_OPM));
}

// A code or an empty line arrived while dialling (or after a hang-up).
void codeReceived(RemoteView& v, int code) {
    Modem_fback = static_cast<uint8_t>(code > 20 ? 20 : code);
    showStatus(v, Codifica_risposta_modem(Modem_fback).text);
    if (Codifica_risposta_modem(Modem_fback).connected) {
        Stato_OPM = 2;
        v.stopPoll();
        modemCallUp(hCom);
        v.enable(kRemoteReadData, true);
        v.enable(kRemotePhoneBook, false);
        v.enable(kRemoteNumber, false);
    } else {
        Stato_OPM = 0;
        v.enable(kRemoteConnect, true);
    }
    showExitText(v);
}

// Back to idle after a hang-up or a lost call. After a hang-up "Connessione" waits for the
// modem's final result code, so that it cannot be taken for the result of the next call.
void idle(RemoteView& v, bool connectEnabled) {
    Modem_fback = 20;
    showStatus(v, "");
    Stato_OPM = 0;
    showExitText(v);
    if (connectEnabled) v.enable(kRemoteConnect, true);
    v.enable(kRemotePhoneBook, true);
    v.enable(kRemoteNumber, true);
    v.enable(kRemoteReadData, false);
}

} // namespace

const char* Codifica_pulsante_rexit(uint8_t stato) {
    static const char* const kTexts[] = {"Exit", "Stop", "Disconnessione"};
    return kTexts[stato < 3 ? stato : 0];
}

void remoteOpen(RemoteView& v) {
    loadRemoteIni();
    Modem_fback = 20;
    Stato_OPM = 0;
    v.setText(kRemoteNumber, Ntel);
    v.setText(kRemoteLabel, "N. telefonico impianto");
    v.setText(kRemoteConnect, "Connessione");
    v.setText(kRemoteReadData, "Lettura dati");
    v.setText(kRemotePhoneBook, "Rubrica");
    showStatus(v, "");
    showExitText(v);
    v.enable(kRemoteReadData, false);
}

void remotePhoneBook(RemoteView& v) {
    if (loadFileRub(v.owner()) == 0) {
        messageBox(v.owner(), "Numero telefonico non trovato !", "Warning", MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    Ntel = EditBuf.substr(0, kNtelMax);
    v.setText(kRemoteNumber, Ntel);
}

void remoteNumber(RemoteView& v) {
    MaxEdit = static_cast<int>(kNtelMax);
    TitoloBuf = "Inserire un numero telefonico";
    EditBuf = Ntel;
    if (DlgInputTxt(v.owner()) != 1) return;
    Ntel = EditBuf.substr(0, kNtelMax);
    v.setText(kRemoteNumber, Ntel);
    if (messageBox(v.owner(), "Salvare il numero in rubrica ?", "Question", MsgButtons::YesNo,
                   MsgIcon::Question) == MsgAnswer::Yes &&
        saveFileRub(v.owner()) == 0) {
        messageBox(v.owner(), "Salvataggio non effettuato !", "Warning", MsgButtons::Ok, MsgIcon::Warning);
    }
}

void remoteConnect(RemoteView& v) {
    v.startPoll();
    v.enable(kRemoteConnect, false);
    // The request is not waited for: the echo and the result code are read by the poll, so a
    // code that comes quickly is not lost in the dial request's own reply.
    modemDial(hCom, Ntel);
    Modem_fback = 20;
    showStatus(v, "Connessione in corso...");
    Stato_OPM = 1;
    showExitText(v);
}

void remoteTick(RemoteView& v) {
    std::string line;
    if (modemPollLine(hCom, line) != 1) return;
    const int code = modemPollCode(line);
    if (code < 0) return; // an echo or other text
    if (line.empty()) clearRxBuf(hCom);
    codeReceived(v, code);
}

void remoteReadData(RemoteView& v) {
    v.enable(kRemoteReadData, false);
    Flag.modem = 0;
    const int found = test_hCom(hCom);
    Flag.modem = 1;
    if (found == 1) {
        v.mainDialog();
    } else if (!modemLineRefused()) {
        messageBox(v.owner(), "Datalogger non trovato !", "COM Error", MsgButtons::Ok, MsgIcon::Error);
    }
    if (modemLineRefused()) {
        // The call dropped: the modem is back in command mode and the line is gone.
        messageBox(v.owner(), carrierLostText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
        modemLostAcknowledged();
        idle(v, true);
        Modem_fback = 3;
        showStatus(v, Codifica_risposta_modem(Modem_fback).text);
        return;
    }
    v.enable(kRemoteReadData, true);
}

bool remoteExit(RemoteView& v) {
    switch (Stato_OPM) {
    case 1: // dialling: any byte makes the modem give up the call
        if (sendCOMMAND(hCom, "ATH\r", kModeCR) == 1) {
            Modem_fback = 20;
            showStatus(v, "");
            Stato_OPM = 0;
            showExitText(v);
            v.enable(kRemoteConnect, true);
        }
        return false;
    case 2:
        v.enable(kRemoteExit, false);
        modemHangUp(hCom, false);
        idle(v, false);
        v.startPoll(); // the modem's final result code is shown
        v.enable(kRemoteExit, true);
        return false;
    default:
        return true;
    }
}

void remoteClosing(RemoteView& v) {
    v.stopPoll();
    if (Stato_OPM == 1) {
        sendCOMMAND(hCom, "ATH\r", kModeCR);
    } else if (Stato_OPM == 2) {
        modemHangUp(hCom, true);
    }
    Stato_OPM = 0;
}
