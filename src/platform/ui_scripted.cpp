#include "platform/ui_scripted.h"

#include "boards/input_boxes.h"
#include "shell/korvane.h"

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

int ScriptedUi::inputBox(Window, InputBoxKind kind) {
    inputsShown.push_back({kind, TitoloBuf, EditBuf, InputMin, InputMax, MaxEdit});
    if (inputs_.empty()) {
        fail("unexpected input box: [" + TitoloBuf + "] " + EditBuf);
        return 0;
    }
    auto answer = inputs_.front();
    inputs_.pop_front();
    if (!answer) return 0;
    // The text goes through the box's own rules: what "Ok" would accept and write back.
    InputState st = kind == InputBoxKind::Txt    ? inputTxtChanged(*answer)
                    : kind == InputBoxKind::Num2 ? inputNum2Changed(*answer)
                                                 : inputNumChanged(*answer);
    if (!st.okEnabled) {
        fail("input box would not accept [" + *answer + "]");
        return 0;
    }
    EditBuf = kind == InputBoxKind::Num ? inputNumConfirmed(st.text) : st.text;
    return 1;
}

bool ScriptedUi::nextFile(const FileBoxRequest& req, std::string& path) {
    fileBoxes.push_back(req);
    if (files_.empty()) {
        fail("unexpected file box: [" + req.title + "] " + req.filter);
        return false;
    }
    auto answer = files_.front();
    files_.pop_front();
    if (!answer) return false;
    path = *answer;
    return true;
}

bool ScriptedUi::openFileBox(Window, const FileBoxRequest& req, std::string& path) { return nextFile(req, path); }
bool ScriptedUi::saveFileBox(Window, const FileBoxRequest& req, std::string& path) { return nextFile(req, path); }
