#pragma once
// What the loader screen (dialog 1900) does, without its widgets: the board type and version it
// shows, its two buttons and its Alt+E / Alt+C / Alt+T keys. The dialog and korvane-cli call these.
#include <string>

#include "platform/ui.h"

// The loader screen's value fields and its upload button, as the core sets them.
class LoaderView {
  public:
    virtual ~LoaderView() = default;
    virtual void setBoard(const std::string& type, const std::string& version) = 0; // 1902, 1903
    virtual void enableUpload(bool on) = 0;                                         // 1905
};

// The texts when the screen opens: "RX43" and the boot loader's version in boot mode, else
// empty; the upload button disabled.
void loaderOpen(LoaderView& view);
// "Selezione file *.fw": loads a firmware file. 1 = loaded (button enabled, the file's board type
// and version shown); 0 = "File sorgente non valido !" (button disabled, values emptied) or no file.
int loaderSelectFile(Window owner, LoaderView& view);
// "Esegui aggiornamento": the question, the upload for the connected device and what follows it.
// 2 = an RX43 was updated and the screen closes; 1 = the board was updated; 0 = not.
int loaderExecute(Window owner);
// The follow-up of a finished upload: a board is offered its reset (Yes: "ATCM0F" and 5 s of
// progress); an RX43 boot loader gets its closing sequence. `result` is the upload's result.
// 2 = the screen closes, 1 = done, 0 = failed ("Upload non completato !").
int loaderAfterUpload(Window owner, int result);
// Alt+E: the EEPROM dump of the board into a file chosen by the user.
void loaderDumpKey(Window owner);
// Alt+C: compares File_fw with File_ee.
void loaderCompareKey(Window owner);
// Alt+T: the fast-mode interval T_updfw_fast in the range box (10..1000, at most 3 digits).
void loaderIntervalKey(Window owner);
