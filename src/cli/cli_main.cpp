// korvane-cli: the core driven from a terminal, for scripted and scheduled use.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/cli_options.h"
#include "link/korvane_com.h"
#include "link/verified_reply.h"
#include "logger/session.h"
#include "platform/text_cp1252.h"
#include "shell/startup.h"

namespace {

std::vector<CliCommand>& registry() {
    static std::vector<CliCommand> r;
    return r;
}

std::string usageText() {
    std::string u =
        "usage: korvane-cli [options] COMMAND [arguments]\n"
        "\n"
        "options (as on the desktop program's command line; argument attached or separate):\n"
        "  -p PORT   port to use: COMn or a device path (default: scan the ports)\n"
        "  -b BAUD   baud rate: 1200 2400 4800 9600 14400 19200 38400 56000 57600 115200 128000 256000\n"
        "  -k N      1 = hold DTR and RTS on while the port is open\n"
        "  -l        slow page reading (no fast reading)\n"
        "  -m        the port leads to a modem (19200 baud)\n"
        "  -t MS     reply time-out once the device is found (default 2000)\n"
        "  -o N      export choices: bit 0 decimal comma, bit 1 file format B\n"
        "\n"
        "commands:\n";
    auto cmds = registry();
    std::sort(cmds.begin(), cmds.end(),
              [](const CliCommand& a, const CliCommand& b) { return a.order < b.order; });
    for (const auto& c : cmds) u += std::string("  ") + c.usage + "\n";
    u += "\nTexts are printed as Windows-1252 bytes with LF line ends; --utf8 converts them.\n";
    return u;
}

} // namespace

void registerCliCommand(const CliCommand& c) {
    registry().push_back(c);
}

const CliCommand* findCliCommand(const std::string& name) {
    for (const auto& c : registry())
        if (name == c.name) return &c;
    return nullptr;
}

ConsoleUi& cliConsole() {
    static ConsoleUi c;
    return c;
}

int usageError(const std::string& why) {
    std::fprintf(stderr, "korvane-cli: %s\n\n%s", why.c_str(), usageText().c_str());
    return 64;
}

// Prints text written for a text box: CR LF becomes LF, optionally converted to UTF-8.
void printText(const std::string& text, bool utf8) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    if (utf8) out = cp1252ToUtf8(out);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// Finds the device as the desktop program does: the -p port, or the scan. 1 = found.
int findDevice() {
    if (Flag.COM_ext == 1) {
        Timeout_rx = deviceTimeout();
        // Over a line known to be faulty (verified reading) a probe that met a lost or changed
        // byte is tried again.
        for (int probe = 0; probe < (Verify.on ? 3 : 1) && !Com_lost; ++probe)
            if (test_hCom(hCom) == 1) return 1;
        closeComPort(hCom);
        return 0;
    }
    return scanComPorts();
}

int reportNoDevice() {
    messageBox(nullptr, deviceNotFoundText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
    return reportPortProblems();
}

// Reads the current session with the retry questions answered "Yes" `retries` times.
// 0 = ready; otherwise the exit status.
int openSession(long retries) {
    if (findDevice() != 1) return reportNoDevice();
    if (Flag.RX43BOOT == 1) {
        std::fprintf(stderr, "korvane-cli: the device answers from its boot loader (%s)\n",
                     Flag.bootvers.c_str());
        return 1;
    }
    auto asked = std::make_shared<long>(0);
    cliConsole().setPolicy([asked, retries](const std::string&, const std::string&, MsgButtons b) {
        if (b == MsgButtons::YesNoCancel) return MsgAnswer::Yes; // the download's page-count question
        if (b != MsgButtons::YesNo) return MsgAnswer::Cancel;
        return (*asked)++ < retries ? MsgAnswer::Yes : MsgAnswer::No;
    });
    initSession(nullptr);
    if (Com_lost) {
        messageBox(nullptr, lostPortText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    if (ConsoleUi::interrupted()) return 130;
    return Flag.pages_error != 0 ? 1 : 0;
}

bool parseNumber(const std::string& s, long lo, long hi, long& out) {
    char* end = nullptr;
    out = std::strtol(s.c_str(), &end, 10);
    return !s.empty() && *end == 0 && out >= lo && out <= hi;
}

int main(int argc, char** argv) {
    ConsoleUi::installInterruptHandler();
    installUi(&cliConsole());
    initVAR();
    setProgramNames();

    CliOptions opts;
    std::string err;
    if (!parseCliOptions(argc, argv, opts, err)) return usageError(err);
    if (opts.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (opts.command.empty()) return usageError("no command");
    const CliCommand* cmd = findCliCommand(opts.command);
    if (!cmd) return usageError("unknown command '" + opts.command + "'");

    for (const auto& o : opts.options) doCMD(o.letter, o.argument);
    int rc = cmd->run(opts.arguments);
    closeComPort(hCom);
    return rc;
}
