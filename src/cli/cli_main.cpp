// korvane-cli: the core driven from a terminal, for scripted and scheduled use.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "boards/board_utils.h"
#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "platform/text_cp1252.h"
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
    "  probe                      find and identify the device; print the port and firmware lines\n"
    "  info [-v] [--retries N] [--utf8]\n"
    "                             read the current session and print its summary (-v: with the page\n"
    "                             and register lines); a failed step is retried N times (default 0)\n"
    "  download [-s SECONDS] [-n PAGES|all] [-v] [-d DIR] [--retries N]\n"
    "                             download the session and write its data file (named by the session\n"
    "                             start) in DIR (default: the current folder); -s sample time (default\n"
    "                             1800, a board's own setting for boards), -n how many of the most\n"
    "                             recent data pages (default: all, at most 4 for boards and modems),\n"
    "                             -v also the dump RX41data.txt and the flash image RX41data.bin.\n"
    "                             Prints the data file's path. Exit 0 done, 1 failed, 130 stopped.\n"
    "\n"
    "Texts are printed as Windows-1252 bytes with LF line ends; --utf8 converts them.\n";

ConsoleUi g_console;

int usageError(const std::string& why) {
    std::fprintf(stderr, "korvane-cli: %s\n\n%s", why.c_str(), kUsage);
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
        if (test_hCom(hCom) == 1) return 1;
        closeComPort(hCom);
        return 0;
    }
    return scanComPorts();
}

int reportNoDevice() {
    messageBox(nullptr, deviceNotFoundText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
    return 2;
}

int cmdProbe(const std::vector<std::string>& args) {
    if (!args.empty()) return usageError("probe takes no arguments");
    if (findDevice() != 1) return reportNoDevice();
    std::printf("Porta di comunicazione... %s\n", CommPort.c_str());
    if (Flag.modem == 1) {
        std::printf("Modem.................... OK\n");
    } else {
        const char* label = Flag.MW51 == 1    ? "Versione firmware MW..... "
                            : Flag.VKE15 == 1 ? "Versione firmware VKE15.. "
                                              : "Versione firmware RX4X... ";
        std::printf("%s%s\n", label, Flag.RX43BOOT == 1 ? Flag.bootvers.c_str() : FW_release.c_str());
    }
    return 0;
}

// Reads the current session with the retry questions answered "Yes" `retries` times.
// 0 = ready; otherwise the exit status.
int openSession(long retries) {
    if (findDevice() != 1) return reportNoDevice();
    if (Flag.RX43BOOT == 1) {
        std::fprintf(stderr, "korvane-cli: the device answers from its boot loader (%s)\n", Flag.bootvers.c_str());
        return 1;
    }
    auto asked = std::make_shared<long>(0);
    g_console.setPolicy([asked, retries](const std::string&, const std::string&, MsgButtons b) {
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

int cmdInfo(const std::vector<std::string>& args) {
    bool verbose = false, utf8 = false;
    long retries = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-v") {
            verbose = true;
        } else if (args[i] == "--utf8") {
            utf8 = true;
        } else if (args[i] == "--retries" && i + 1 < args.size()) {
            if (!parseNumber(args[++i], 0, 1000000, retries)) return usageError("--retries takes a number");
        } else {
            return usageError("info: unexpected argument " + args[i]);
        }
    }
    Flag.verbose = verbose ? 1 : 0;
    if (int rc = openSession(retries)) return rc;
    StringTextBox box;
    printInfoSes(&box, Flag.verbose);
    printText(box.text, utf8);
    return 0;
}

int cmdDownload(const std::vector<std::string>& args) {
    long seconds = -1, pages = -1, retries = 0;
    bool verbose = false;
    std::string dir;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "-v") {
            verbose = true;
        } else if (a == "-s" && hasValue) {
            if (!parseNumber(args[++i], 1, 65535, seconds)) return usageError("-s takes 1..65535 seconds");
        } else if (a == "-n" && hasValue) {
            if (args[++i] == "all") pages = 4095;
            else if (!parseNumber(args[i], 0, 4095, pages)) return usageError("-n takes a page count or 'all'");
        } else if (a == "-d" && hasValue) {
            dir = args[++i];
        } else if (a == "--retries" && hasValue) {
            if (!parseNumber(args[++i], 0, 1000000, retries)) return usageError("--retries takes a number");
        } else {
            return usageError("download: unexpected argument " + a);
        }
    }
    if (!dir.empty() && chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "korvane-cli: cannot use folder %s\n", dir.c_str());
        return 1;
    }
    Flag.verbose = verbose ? 1 : 0;
    if (int rc = openSession(retries)) return rc;
    if (Flag.table_error != 0 || Flag.time_error != 0) {
        messageBox(nullptr, "Procedura di scaricamento non completata !", "Warning", MsgButtons::Ok, MsgIcon::Warning);
        return 1;
    }
    if (seconds > 0) {
        Tsample = static_cast<uint16_t>(seconds);
    } else if (Flag.MW51 == 1 || Flag.VKE15 == 1) {
        uint8_t par[2] = {};
        Tsample = get_MW51_par(2, 7, par) == 1 ? static_cast<uint16_t>(par[0] | (par[1] << 8)) : 900;
        if (Tsample == 0) Tsample = 900;
    }
    if (pages >= 0) TotalPagNumDload = static_cast<uint16_t>(pages > TotalPagNum ? TotalPagNum : pages);
    const std::string name = DataTimeSS;
    if (saveFile(nullptr, name) != 1) {
        if (ConsoleUi::interrupted()) return 130;
        if (Com_lost) messageBox(nullptr, lostPortText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
        messageBox(nullptr, "Procedura di scaricamento non completata !", "Warning", MsgButtons::Ok, MsgIcon::Warning);
        return 1;
    }
    std::error_code ec;
    std::printf("%s\n", (std::filesystem::current_path(ec) / name).string().c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    ConsoleUi::installInterruptHandler();
    installUi(&g_console);
    initVAR();
    setProgramNames();

    CliOptions opts;
    std::string err;
    if (!parseCliOptions(argc, argv, opts, err)) return usageError(err);
    if (opts.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (opts.command.empty()) return usageError("no command");

    struct Command {
        const char* name;
        int (*run)(const std::vector<std::string>&);
    };
    static const Command kCommands[] = {{"probe", cmdProbe}, {"info", cmdInfo}, {"download", cmdDownload}};
    const Command* cmd = nullptr;
    for (const auto& c : kCommands)
        if (opts.command == c.name) cmd = &c;
    if (!cmd) return usageError("unknown command '" + opts.command + "'");

    for (const auto& o : opts.options) doCMD(o.letter, o.argument);
    int rc = cmd->run(opts.arguments);
    closeComPort(hCom);
    return rc;
}
