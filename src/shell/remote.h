#pragma once
// What the remote-connection dialog (1700) does, without its widgets: the state of the call
// (Stato_OPM), its controls' texts and enabling, the poll of the modem's result codes, the
// main dialog over the line and the hang-up. The dialog implements RemoteView and forwards its
// buttons and its timer to these functions.
#include <cstdint>
#include <string>

#include "platform/ui.h"

// Controls of dialog 1700.
enum RemoteControl : int {
    kRemoteLabel = 1701,     // "N. telefonico impianto"
    kRemoteNumber = 1702,    // button showing Ntel
    kRemoteConnect = 1703,   // "Connessione"
    kRemoteStatus = 1704,    // result text, painted in the code's colour
    kRemoteReadData = 1705,  // "Lettura dati"
    kRemoteExit = 1706,      // "Exit" / "Stop" / "Disconnessione"
    kRemotePhoneBook = 1707, // "Rubrica"
};
inline constexpr int kRemoteTimerId = 10001;
inline constexpr int kRemoteTimerMs = 500;
inline constexpr char kRemoteTitle[] = "Collegamento remoto";

// What the functions need from the dialog.
class RemoteView {
  public:
    virtual ~RemoteView() = default;
    virtual void setText(int id, const std::string& text) = 0;
    virtual void enable(int id, bool on) = 0;
    // The poll timer (10001, every 500 ms).
    virtual void startPoll() = 0;
    virtual void stopPoll() = 0;
    // Status field 1704 is to be painted with the colour of Modem_fback.
    virtual void statusChanged() {}
    // Runs the main control dialog (200) modally; its result.
    virtual int mainDialog() = 0;
    virtual Window owner() { return nullptr; }
};

// Text of the exit button for a connection state: "Exit", "Stop", "Disconnessione".
const char* Codifica_pulsante_rexit(uint8_t stato);

// Opening: VAruzizu.ini, Modem_fback = 20, Stato_OPM = 0, the texts, "Lettura dati" disabled.
void remoteOpen(RemoteView& v);
// "Rubrica": a number from a phone-book file.
void remotePhoneBook(RemoteView& v);
// The number button: the text input box, then the question whether to save it.
void remoteNumber(RemoteView& v);
// "Connessione": dial Ntel and start the poll.
void remoteConnect(RemoteView& v);
// One tick of the poll timer.
void remoteTick(RemoteView& v);
// "Lettura dati": probe the device through the line and run the main dialog over it.
void remoteReadData(RemoteView& v);
// The exit button; true when the dialog ends (with 1).
bool remoteExit(RemoteView& v);
// The window is being closed: a call still being set up or up is hung up first, so that no
// call is left open and nothing meant for the modem goes to the device.
void remoteClosing(RemoteView& v);
