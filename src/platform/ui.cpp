#include "platform/ui.h"

#include "platform/ui_console.h"

namespace {
ConsoleUi& consoleUi() {
    static ConsoleUi c;
    return c;
}
UiServices* g_ui = nullptr;
bool g_waitOpen = false; // the wait window's existence is the abort signal
unsigned g_waitBar = 0;
} // namespace

UiServices& ui() {
    return g_ui ? *g_ui : consoleUi();
}

void installUi(UiServices* backend) {
    g_waitOpen = false;
    g_ui = backend;
}

MsgAnswer messageBox(Window owner, const std::string& text, const std::string& title, MsgButtons buttons,
                     MsgIcon icon) {
    return ui().messageBox(owner, text, title, buttons, icon);
}

void Show_wait_msg(Window owner, const std::string& szTxt) {
    if (g_waitOpen) return;
    g_waitOpen = true;
    g_waitBar = 0;
    ui().waitOpen(owner, szTxt);
}

void Print_wait_msg(const std::string& szTxt) {
    if (g_waitOpen) ui().waitText(szTxt);
}

void Setbar_wait_msg(unsigned cur, unsigned end) {
    if (!g_waitOpen || end == 0) return;
    g_waitBar = static_cast<unsigned>(static_cast<uint32_t>(cur * 100u) / end);
    ui().waitBar(g_waitBar);
}

int Test_wait_msg() {
    if (!g_waitOpen) return 0;
    switch (ui().waitPump()) {
    case WaitEvent::None:
        break;
    case WaitEvent::Esc:
        if (ui().messageBox(ui().waitWindow(), "Confermare l'abbandono dell'operazione ?", "Warning",
                            MsgButtons::YesNo, MsgIcon::Warning) == MsgAnswer::Yes)
            Close_wait_msg();
        break;
    case WaitEvent::EscConfirmed:
        Close_wait_msg();
        break;
    }
    return 1;
}

void Close_wait_msg() {
    if (!g_waitOpen) return;
    g_waitOpen = false;
    ui().waitClose();
}

bool waitMsgOpen() {
    return g_waitOpen;
}
unsigned waitBarValue() {
    return g_waitBar;
}
