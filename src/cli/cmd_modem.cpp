// Commands of the remote connection: dial (a call around any other command) and phonebook.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/cli.h"
#include "link/korvane_com.h"
#include "link/modem.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "shell/phone_book.h"
#include "shell/startup.h"

namespace {

constexpr int kNoConnection = 3;      // exit status when no call could be made
constexpr uint32_t kPollWaitMs = 200; // longest wait for a line of the modem while dialling [ms]

// Waits for the result of a call: the code (0..20), or -1 on time-out, Ctrl-C or a lost port.
int waitForCallResult(long timeoutS) {
    const uint32_t t0 = nowMs();
    while (nowMs() - t0 < static_cast<uint32_t>(timeoutS) * 1000u && !ConsoleUi::interrupted()) {
        std::string line;
        const int r = modemPollLine(hCom, line);
        if (r < 0) return -1;
        if (r == 0) {
            if (hCom->waitReadable(kPollWaitMs) < 0) return -1;
            continue;
        }
        const int code = modemPollCode(line);
        if (code >= 0) return code;
    }
    return -1;
}

int cmdDial(const CliArgs& args) {
    std::string number;
    long timeoutS = 60;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == "--") {
            ++i;
            break;
        }
        if (args[i] == "--timeout" && i + 1 < args.size()) {
            if (!parseNumber(args[++i], 1, 3600, timeoutS))
                return usageError("--timeout takes 1..3600 seconds");
        } else if (number.empty() && !args[i].empty() && args[i][0] != '-') {
            number = args[i];
        } else {
            return usageError("dial: unexpected argument " + args[i]);
        }
    }
    if (number.empty()) return usageError("dial: the number is missing");
    if (i >= args.size()) return usageError("dial: the command to run over the call is missing after --");
    const CliCommand* inner = findCliCommand(args[i]);
    if (!inner || std::string(inner->name) == "dial")
        return usageError("dial: unknown command '" + args[i] + "'");
    const CliArgs innerArgs(args.begin() + static_cast<long>(i) + 1, args.end());
    if (Flag.modem != 1) return usageError("dial needs the modem option -m");

    std::string dialled = number;
    if (!validPhoneNumber(dialled)) {
        if (lookUpPhoneBook(phoneBookDir(), number, dialled) != 1 || !validPhoneNumber(dialled))
            return usageError("dial: " + number + " is neither a telephone number nor a phone-book entry");
    }

    if (findDevice() != 1) return reportNoDevice(); // the modem, set up from modem.ini
    Ntel = dialled;
    int code = -1;
    if (modemDial(hCom, dialled) == 1) code = waitForCallResult(timeoutS);
    if (code < 0 || !Codifica_risposta_modem(static_cast<unsigned>(code)).connected) {
        const bool interrupted = ConsoleUi::interrupted();
        modemHangUp(hCom, true, 0, 0); // a call still being set up is given up
        std::string why = code >= 0     ? Codifica_risposta_modem(static_cast<unsigned>(code)).text
                          : interrupted ? "Chiamata interrotta"
                                        : "Nessuna risposta dal modem";
        messageBox(nullptr, why, "Modem", MsgButtons::Ok, MsgIcon::Error);
        return kNoConnection;
    }
    std::printf("%s\n", Codifica_risposta_modem(static_cast<unsigned>(code)).text);
    std::fflush(stdout);

    // The call is up: the other command uses this line, and the device behind it is probed.
    modemCallUp(hCom);
    Flag.COM_ext = 1;
    Timeout_rx = deviceTimeout();
    int rc;
    if (test_hCom(hCom) == 1) {
        rc = inner->run(innerArgs);
    } else {
        messageBox(nullptr, modemLineRefused() ? carrierLostText() : "Datalogger non trovato !", "COM Error",
                   MsgButtons::Ok, MsgIcon::Error);
        rc = 2;
    }
    // Hang up on every path: after the command, its failure, a lost call or Ctrl-C.
    modemHangUp(hCom, true);
    return rc;
}

int cmdPhonebook(const CliArgs& args) {
    if (args.empty()) return usageError("phonebook: list, add NAME NUMBER or remove NAME");
    const std::string dir = phoneBookDir();
    const std::string& what = args[0];
    if (what == "list" && args.size() == 1) {
        for (const PhoneBookEntry& e : listPhoneBook(dir))
            std::printf("%s\t%s\n", e.name.c_str(), e.valid ? e.number.c_str() : "(file non valido)");
        return 0;
    }
    if (what == "add" && args.size() == 3) {
        if (!validPhoneBookName(args[1])) return usageError("phonebook: invalid name " + args[1]);
        if (!validPhoneNumber(args[2]))
            return usageError("phonebook: a number is 1..15 digits, * # , with an optional leading +");
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        const std::string path = (std::filesystem::path(dir) / (args[1] + ".tel")).string();
        const std::string kept = Ntel;
        Ntel = args[2];
        save_ini(path);
        Ntel = kept;
        std::string back;
        if (readPhoneBookFile(path, back) != 1 || back != args[2]) {
            messageBox(nullptr, "Salvataggio non effettuato !", "Warning", MsgButtons::Ok, MsgIcon::Warning);
            return 1;
        }
        std::printf("%s\n", path.c_str());
        return 0;
    }
    if (what == "remove" && args.size() == 2) {
        if (!validPhoneBookName(args[1])) return usageError("phonebook: invalid name " + args[1]);
        std::error_code ec;
        if (!std::filesystem::remove(std::filesystem::path(dir) / (args[1] + ".tel"), ec)) {
            messageBox(nullptr, "Numero telefonico non trovato !", "Warning", MsgButtons::Ok,
                       MsgIcon::Warning);
            return 1;
        }
        return 0;
    }
    return usageError("phonebook: list, add NAME NUMBER or remove NAME");
}

const CliCommandRegistrar
    kDial({"dial",
           "dial NUMBER|NAME [--timeout SECONDS] -- COMMAND [ARGS]   (needs -m)\n"
           "                             call the plant through the modem (a number, or a phone-book\n"
           "                             entry), print the connect code's text, run COMMAND over the call,\n"
           "                             then hang up (also after failures and Ctrl-C). Exit: COMMAND's\n"
           "                             status, 3 no connection (the modem's result on stderr).",
           cmdDial, 90});
const CliCommandRegistrar
    kPhonebook({"phonebook",
                "phonebook list|add NAME NUMBER|remove NAME\n"
                "                             the phone book: one NAME.tel file per number in the folder\n"
                "                             korvane/rubrica of the user's configuration folder",
                cmdPhonebook, 91});

} // namespace
