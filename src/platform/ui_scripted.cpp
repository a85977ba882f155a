#include "platform/ui_scripted.h"

void ScriptedUi::fail(const std::string& why) {
    failures.push_back(why);
    if (onFailure) onFailure(why);
}

MsgAnswer ScriptedUi::messageBox(Window owner, const std::string& text, const std::string& title,
                                 MsgButtons buttons, MsgIcon icon) {
    MsgAnswer a = MsgAnswer::Ok;
    if (buttons != MsgButtons::Ok) {
        if (expected_.empty()) {
            fail("unexpected question: [" + title + "] " + text);
            a = buttons == MsgButtons::AbortRetryIgnore ? MsgAnswer::Abort
                : buttons == MsgButtons::YesNo          ? MsgAnswer::No
                                                        : MsgAnswer::Cancel;
        } else {
            Expected e = expected_.front();
            expected_.pop_front();
            if (e.title && *e.title != title) fail("expected title [" + *e.title + "], got [" + title + "]");
            if (e.text && *e.text != text) fail("expected text [" + *e.text + "], got [" + text + "]");
            a = e.answer;
        }
    }
    shown.push_back({owner, text, title, buttons, icon, a});
    return a;
}

void ScriptedUi::waitOpen(Window, const std::string& text) {
    waitTexts.push_back(text);
    lastBar = 0;
}

WaitEvent ScriptedUi::waitPump() {
    ++waitPumps;
    if (escAfter_ > 0 && --escAfter_ == 0) {
        escAfter_ = -1;
        return WaitEvent::Esc;
    }
    return WaitEvent::None;
}
