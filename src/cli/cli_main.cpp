// korvane-cli: the core driven from a terminal, for scripted and scheduled use.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "link/korvane_com.h"
#include "platform/ui_console.h"
#include "shell/startup.h"

namespace {

const char kUsage[] =
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
    "commands:\n"
    "  probe     find and identify the device; print the port and firmware lines\n";

// Port name and firmware line of the session summary, with LF line ends.
void printIdentity() {
    std::printf("Porta di comunicazione... %s\n", CommPort.c_str());
    if (Flag.modem == 1) {
        std::printf("Modem.................... OK\n");
        return;
    }
    const char* label = Flag.MW51 == 1    ? "Versione firmware MW..... "
                        : Flag.VKE15 == 1 ? "Versione firmware VKE15.. "
                                          : "Versione firmware RX4X... ";
    std::printf("%s%s\n", label, Flag.RX43BOOT == 1 ? Flag.bootvers.c_str() : FW_release.c_str());
}

// Finds the device as the desktop program does: the -p port, or the scan. 1 = found.
int findDevice() {
    if (Flag.COM_ext == 1) {
        Timeout_rx = deviceTimeout();
        if (test_hCom(hCom) == 1) return 1;
        closeComPort(hCom);
        return 0;
    }
    return scanComPorts();
}

} // namespace

int main(int argc, char** argv) {
    ConsoleUi::installInterruptHandler();
    initVAR();
    setProgramNames();

    CliOptions opts;
    std::string err;
    if (!parseCliOptions(argc, argv, opts, err)) {
        std::fprintf(stderr, "korvane-cli: %s\n\n%s", err.c_str(), kUsage);
        return 64;
    }
    if (opts.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (opts.command.empty()) {
        std::fputs(kUsage, stderr);
        return 64;
    }
    if (opts.command != "probe") {
        std::fprintf(stderr, "korvane-cli: unknown command '%s'\n\n%s", opts.command.c_str(), kUsage);
        return 64;
    }
    if (!opts.arguments.empty()) {
        std::fprintf(stderr, "korvane-cli: probe takes no arguments\n");
        return 64;
    }

    for (const auto& o : opts.options) doCMD(o.letter, o.argument);

    if (findDevice() != 1) {
        messageBox(nullptr, deviceNotFoundText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return 2;
    }
    printIdentity();
    closeComPort(hCom);
    return 0;
}
