#pragma once
// UI services: the only way core code talks to the person. One backend is installed at a time:
// the Qt dialogs of the desktop program, the console of korvane-cli, or the scripted backend of
// the tests. Texts are Windows-1252 bytes; a backend converts them where it shows them.

#include <string>

// Owner window of a box; null = no owner. The Qt backend takes it as a QWidget*.
using Window = void*;

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore };
enum class MsgIcon { None, Error, Warning, Question, Info };
enum class MsgAnswer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

// The small input boxes; they work on the shared globals of src/boards/input_boxes.h.
enum class InputBoxKind {
    Num,  // numeric box (dialog 1000)
    Num2, // numeric box with a range (dialog 1600)
    Txt   // text box (dialog 1800)
};

// An open or save file box.
struct FileBoxRequest {
    std::string title;
    std::string filter;      // e.g. "Data Export File (*.csv)"; several separated by ";;"
    std::string defaultExt;  // added when the name typed has no extension ("csv")
    std::string initialName; // proposed file name or path
    bool mustExist = false;  // open box: only existing files
    bool askOverwrite = false; // save box: ask before replacing a file
};

// What the wait window saw during one pump.
enum class WaitEvent {
    None,        // nothing for the window, or a message it handled itself
    Esc,         // "Esc" was pressed: the user is asked to confirm
    EscConfirmed // an abort that needs no confirmation (Ctrl-C on the console)
};

class UiServices {
  public:
    virtual ~UiServices() = default;

    // A modal message box; returns the button chosen.
    virtual MsgAnswer messageBox(Window owner, const std::string& text, const std::string& title,
                                 MsgButtons buttons, MsgIcon icon) = 0;

    // Wait window (dialog 300): the backend shows it; its open/closed state lives in the core.
    virtual void waitOpen(Window owner, const std::string& text) { (void)owner, (void)text; }
    virtual void waitText(const std::string& text) { (void)text; }
    virtual void waitBar(unsigned percent) { (void)percent; }
    // Lets the window handle at most one pending event.
    virtual WaitEvent waitPump() { return WaitEvent::None; }
    virtual void waitClose() {}
    // The wait window as an owner for its own confirmation box (null when it has none).
    virtual Window waitWindow() { return nullptr; }

    // Runs an input box on EditBuf & co.: 1 = confirmed (EditBuf holds the result), 0 = cancelled.
    virtual int inputBox(Window owner, InputBoxKind kind) {
        (void)owner, (void)kind;
        return 0;
    }

    // File boxes: true with the chosen path, false when cancelled.
    virtual bool openFileBox(Window owner, const FileBoxRequest& req, std::string& path) {
        (void)owner, (void)req, (void)path;
        return false;
    }
    virtual bool saveFileBox(Window owner, const FileBoxRequest& req, std::string& path) {
        (void)owner, (void)req, (void)path;
        return false;
    }

    virtual void beep() {}
};

// The installed backend (the console backend until another is installed).
UiServices& ui();
// Installs a backend; nullptr puts the console backend back. The caller keeps ownership.
void installUi(UiServices* backend);

MsgAnswer messageBox(Window owner, const std::string& text, const std::string& title,
                     MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None);

// Wait window operations: open with a text (nothing when one is open already), replace its
// text, set its bar to cur*100/end, let it handle one event (0 = no window open, i.e. never
// opened or closed by a confirmed "Esc"), close it.
void Show_wait_msg(Window owner, const std::string& szTxt);
void Print_wait_msg(const std::string& szTxt);
void Setbar_wait_msg(unsigned cur, unsigned end);
int Test_wait_msg();
void Close_wait_msg();
bool waitMsgOpen();
// Bar value last set [percent] (for the window and the tests).
unsigned waitBarValue();
