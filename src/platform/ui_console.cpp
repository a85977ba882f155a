#include "platform/ui_console.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "boards/input_boxes.h"
#include "platform/text_cp1252.h"

namespace {
volatile std::sig_atomic_t g_interrupted = 0;
void onSigint(int) {
    g_interrupted = 1;
}
} // namespace

void ConsoleUi::installInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = onSigint;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
}
bool ConsoleUi::interrupted() {
    return g_interrupted != 0;
}
void ConsoleUi::clearInterrupt() {
    g_interrupted = 0;
}

std::string consoleText(const std::string& text) {
    std::string flat;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            while (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n')) ++i;
            if (!flat.empty() && flat.back() != ' ') flat += ' ';
            continue;
        }
        flat += c;
    }
    return cp1252ToUtf8(flat);
}

MsgAnswer ConsoleUi::messageBox(Window, const std::string& text, const std::string& title, MsgButtons buttons,
                                MsgIcon) {
    if (drawn_) {
        std::fputs("\n", stderr);
        drawn_ = false;
    }
    if (!quiet_) std::fprintf(stderr, "%s: %s\n", title.c_str(), consoleText(text).c_str());
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    if (policy_) return policy_(text, title, buttons);
    switch (buttons) {
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Cancel;
    case MsgButtons::AbortRetryIgnore:
        return MsgAnswer::Ignore;
    default:
        return MsgAnswer::No;
    }
}

void ConsoleUi::drawBar() {
    if (quiet_ || !isatty(STDERR_FILENO)) return;
    char bar[31];
    unsigned filled = percent_ > 100 ? 30 : percent_ * 30 / 100;
    for (unsigned i = 0; i < 30; ++i) bar[i] = i < filled ? '#' : '.';
    bar[30] = 0;
    std::fprintf(stderr, "\r%-40.40s [%s] %3u%%", consoleText(text_).c_str(), bar, percent_);
    std::fflush(stderr);
    drawn_ = true;
}

void ConsoleUi::waitOpen(Window, const std::string& text) {
    text_ = text;
    percent_ = 0;
    drawBar();
}
void ConsoleUi::waitText(const std::string& text) {
    text_ = text;
    drawBar();
}
void ConsoleUi::waitBar(unsigned percent) {
    if (percent == percent_) return;
    percent_ = percent;
    drawBar();
}
WaitEvent ConsoleUi::waitPump() {
    return g_interrupted ? WaitEvent::EscConfirmed : WaitEvent::None;
}
void ConsoleUi::waitClose() {
    if (drawn_) std::fputs("\n", stderr);
    drawn_ = false;
}

int ConsoleUi::inputBox(Window, InputBoxKind kind) {
    std::string text = EditBuf;
    if (!inputPolicy_ || !inputPolicy_(kind, text)) return 0;
    EditBuf = text;
    return 1;
}

bool ConsoleUi::openFileBox(Window, const FileBoxRequest& req, std::string& path) {
    return filePolicy_ && filePolicy_(req, false, path);
}

bool ConsoleUi::saveFileBox(Window, const FileBoxRequest& req, std::string& path) {
    return filePolicy_ && filePolicy_(req, true, path);
}
