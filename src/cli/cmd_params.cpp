// Commands on the energy board's parameter set, the display boards behind it and the GSM
// field strength.
#include <cstdio>
#include <string>
#include <vector>

#include "boards/display_board.h"
#include "boards/energy_board.h"
#include "boards/param_edit.h"
#include "boards/wait_boot.h"
#include "cli/cli.h"
#include "link/korvane_com.h"
#include "platform/clock.h"
#include "platform/text_cp1252.h"
#include "shell/screen_rules.h"

namespace {

// Finds the device and checks that it is an energy or interface board. 0 = ready, else the exit status.
int openBoard() {
    if (findDevice() != 1) return reportNoDevice();
    if (!deviceIsBoard()) {
        std::fprintf(stderr, "korvane-cli: the device is not an energy or interface board\n");
        return 2;
    }
    return 0;
}

int commFailure() {
    messageBox(nullptr, boardCommText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
    return 1;
}

// The lines of `after` that differ from `before` (both descriptions), LF ended.
std::string changedLines(const std::string& before, const std::string& after) {
    auto lines = [](const std::string& t) {
        std::vector<std::string> v;
        size_t p = 0;
        for (size_t e; (e = t.find("\r\n", p)) != std::string::npos; p = e + 2)
            v.push_back(t.substr(p, e - p));
        return v;
    };
    const auto a = lines(before), b = lines(after);
    std::string out;
    for (size_t i = 0; i < b.size(); ++i)
        if (i >= a.size() || a[i] != b[i]) out += b[i] + "\r\n";
    return out;
}

// Writes EE and reports what the board holds when the write did not go through.
int writeBlock() {
    if (write_to_MW51a() == 0) return 0;
    commFailure();
    if (LastBoardWrite.readBack) {
        const std::string diff = differingFields(EE, LastBoardWrite.held);
        std::fprintf(stderr, "korvane-cli: read back after the write: %s\n",
                     diff.empty() ? "the board holds the values written"
                                  : ("the board still holds other values for " + diff).c_str());
    } else {
        std::fprintf(stderr, "korvane-cli: the block could not be read back; %d of 2 pieces acknowledged\n",
                     LastBoardWrite.piecesAcknowledged);
    }
    return 1;
}

int commit() {
    if (commitParams() == 1) return 0;
    messageBox(nullptr, "Errore nel salvataggio dei parametri in EEPROM !", "COM Error", MsgButtons::Ok,
               MsgIcon::Error);
    return 1;
}

int paramsGet(const CliArgs& args) {
    bool raw = false, utf8 = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--format" && i + 1 < args.size() && (args[i + 1] == "text" || args[i + 1] == "raw"))
            raw = args[++i] == "raw";
        else if (args[i] == "--utf8")
            utf8 = true;
        else
            return usageError("params get [--format text|raw] [--utf8]");
    }
    if (int rc = openBoard()) return rc;
    if (loadParcfg() != 0) return commFailure();
    if (raw) {
        for (uint8_t b : EE.buf) std::printf("%02X", b);
        std::printf("\n");
    } else {
        printText(describeMW51a(EE), utf8);
    }
    return 0;
}

int paramsSet(const CliArgs& args) {
    std::vector<std::string> edits;
    bool doCommit = false, utf8 = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--commit")
            doCommit = true;
        else if (args[i] == "--utf8")
            utf8 = true;
        else
            edits.push_back(args[i]);
    }
    if (edits.empty()) return usageError("params set NAME=VALUE... [--commit]");
    if (utf8)
        for (auto& e : edits) e = utf8ToCp1252(e);
    if (int rc = openBoard()) return rc;
    if (loadParcfg() != 0) return commFailure();
    const std::string before = describeMW51a(EE);
    std::vector<ParamRefusal> refused;
    if (!applyParamEdits(EE, edits, refused)) {
        for (const auto& r : refused) {
            const std::string msg = "korvane-cli: refused " + r.name + ": " + r.reason + "\n";
            std::fputs(utf8 ? cp1252ToUtf8(msg).c_str() : msg.c_str(), stderr);
        }
        std::fprintf(stderr, "korvane-cli: nothing written\n");
        return 1;
    }
    if (writeBlock() != 0) return 1;
    if (doCommit && commit() != 0) return 1;
    printText(changedLines(before, describeMW51a(EE)), utf8);
    return 0;
}

int paramsSave(const CliArgs& args) {
    if (args.size() != 2) return usageError("params save FILE.mw1");
    if (int rc = openBoard()) return rc;
    if (loadParcfg() != 0) return commFailure();
    if (writeParamFile(args[1], EE) != 1) {
        messageBox(nullptr, "Dati non salvati nel file d'uscita !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
        return 1;
    }
    std::printf("%s\n", args[1].c_str());
    return 0;
}

int paramsLoad(const CliArgs& args) {
    std::string file;
    bool doWrite = false, doCommit = false, utf8 = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--write")
            doWrite = true;
        else if (args[i] == "--commit")
            doCommit = true;
        else if (args[i] == "--utf8")
            utf8 = true;
        else if (file.empty())
            file = args[i];
        else
            return usageError("params load FILE.mw1 [--write] [--commit]");
    }
    if (file.empty() || (doCommit && !doWrite))
        return usageError("params load FILE.mw1 [--write [--commit]]");
    ee_buf loaded{};
    const int r = readParamFile(file, loaded);
    if (r != 3) {
        messageBox(nullptr, r == 2 ? "File non valido !" : "File non trovato !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
        return 1;
    }
    if (doWrite) {
        if (int rc = openBoard()) return rc;
        EE = loaded;
        if (writeBlock() != 0) return 1;
        if (doCommit && commit() != 0) return 1;
    }
    printText(describeMW51a(loaded), utf8);
    return 0;
}

// "ATCM13" or "ATCM0F", then the wait for the restart and a fresh read.
int paramsRestart(bool defaults) {
    if (int rc = openBoard()) return rc;
    const char* failText =
        defaults ? "Errore nel ripristino dei parametri di default !" : "Errore nel ripristino da Reset !";
    if ((defaults ? restoreDefaults() : resetBoard()) != 1 || wait_boot(nullptr, 0) != 1) {
        messageBox(nullptr, failText, "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    if (loadParcfg() != 0) return commFailure();
    printText(describeMW51a(EE), false);
    return 0;
}

int cmdParams(const CliArgs& args) {
    const std::string sub = args.empty() ? "" : args[0];
    if (sub == "get") return paramsGet(args);
    if (sub == "set") return paramsSet(args);
    if (sub == "save") return paramsSave(args);
    if (sub == "load") return paramsLoad(args);
    if ((sub == "default" || sub == "reset") && args.size() == 1) return paramsRestart(sub == "default");
    return usageError("params get|set|save|load|default|reset");
}

// ---------------------------------------------------------------------------------------------

// The display slots that answer with a firmware version.
std::vector<int> presentDisplays() {
    std::vector<int> v;
    for (int d = 0; d < static_cast<int>(kDisplays); ++d) {
        int fw = 0;
        if (txrx_MW51h(kOpVersion, d, &fw) == 0 && fw != 0) v.push_back(d);
    }
    return v;
}

bool setFlag(uint8_t& reg, unsigned bit, const std::string& value) {
    if (value != "0" && value != "1") return false;
    reg = static_cast<uint8_t>((reg & ~(1u << bit)) | ((value == "1" ? 1u : 0u) << bit));
    return true;
}

// One "NAME=VALUE" on display cd; empty when accepted, else the reason.
std::string displayEdit(int cd, const std::string& name, const std::string& value) {
    DisplayParams& d = MW51h[static_cast<size_t>(cd)];
    const bool mw55 = Slave_board == 3;
    auto number = [&](int item) -> std::string {
        char* end = nullptr;
        const float v = std::strtof(value.c_str(), &end);
        if (value.empty() || *end != 0) return "not a number";
        if (value.size() > static_cast<size_t>(Parcfgh[static_cast<size_t>(item)].n_dec))
            return "too many characters";
        Parcfgh[static_cast<size_t>(item)].val = v;
        return testValueh(item, cd) == 1 ? "" : "out of range";
    };
    auto choice = [&](unsigned n) -> std::string { return n >= 4 ? "not in the list" : ""; };
    if (name == "Numero cifre" && !mw55) return number(0);
    if (name == "Posizione punto decimale") return number(1);
    if (name == "Luminosit\xE0 display" || name == "Luminosita display") return number(2);
    if (name == "Baud Rate") return choice(upd_Option_BaudRateh(value, cd));
    if (name == "Display OFF") return setFlag(d.Option, 5, value) ? "" : "0 or 1";
    if (name == "Auto Lum") return setFlag(d.Option, 6, value) ? "" : "0 or 1";
    if (name == "Blinking") return setFlag(d.Option, 7, value) ? "" : "0 or 1";
    if (mw55) {
        if (name == "Scansione") return number(3);
        if (name == "Colore didascalia") return choice(upd_Option_ColDid(value, cd));
        if (name == "Colore cifre") return choice(upd_Option2_ColGra(value, cd));
        if (name == "Mode") return choice(upd_Option3_Mode(value));
        if (name == "Scansione OFF") return setFlag(Option3[0], 3, value) ? "" : "0 or 1";
        if (name == "Night OFF") return setFlag(Option3[0], 5, value) ? "" : "0 or 1";
    }
    return "unknown name";
}

int cmdDisplays(const CliArgs& args) {
    const std::string sub = args.empty() ? "get" : args[0];
    if (sub != "get" && sub != "set") return usageError("displays [get|set SLOT NAME=VALUE... [--store]]");
    long slot = -1;
    std::vector<std::string> edits;
    bool store = false;
    if (sub == "set") {
        if (args.size() < 3 || !parseNumber(args[1], 0, 7, slot))
            return usageError("displays set SLOT NAME=VALUE...");
        for (size_t i = 2; i < args.size(); ++i) {
            if (args[i] == "--store")
                store = true;
            else
                edits.push_back(utf8ToCp1252(args[i]));
        }
    } else if (args.size() > 1) {
        return usageError("displays get takes no arguments");
    }
    if (int rc = openBoard()) return rc;
    detectSlaveBoard();
    initParcfgh();
    const char* i2cFail = "Errore di comunicazione con la scheda slave I2C !";
    if (sub == "get") {
        std::printf("Scheda slave: %s\n", slaveBoardName(Slave_board));
        for (int d : presentDisplays()) {
            if (loadParcfgh(d) != 0) {
                messageBox(nullptr, i2cFail, "COM Error", MsgButtons::Ok, MsgIcon::Error);
                return 1;
            }
            printText(describeDisplay(d), false);
        }
        return 0;
    }
    const int cd = static_cast<int>(slot);
    if (loadParcfgh(cd) != 0) {
        messageBox(nullptr, "Scheda slave I2C non trovata !", "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    const DisplayParams before = MW51h[static_cast<size_t>(cd)];
    const auto before3 = Option3;
    int refused = 0;
    for (const std::string& e : edits) {
        const size_t eq = e.find('=');
        const std::string why = eq == std::string::npos ? "no value (NAME=VALUE)"
                                                        : displayEdit(cd, e.substr(0, eq), e.substr(eq + 1));
        if (why.empty()) continue;
        ++refused;
        std::fprintf(stderr, "korvane-cli: refused %s: %s\n", cp1252ToUtf8(e.substr(0, eq)).c_str(),
                     why.c_str());
    }
    if (refused) {
        MW51h[static_cast<size_t>(cd)] = before;
        Option3 = before3;
        std::fprintf(stderr, "korvane-cli: nothing written\n");
        return 1;
    }
    if (write_to_MW51h(cd) != 0 || (store && storeDisplay(cd) != 1)) {
        messageBox(nullptr, i2cFail, "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    printText(describeDisplay(cd), false);
    return 0;
}

// ---------------------------------------------------------------------------------------------

int cmdGsm(const CliArgs& args) {
    long count = 1;
    if (!(args.empty() ||
          (args.size() == 2 && args[0] == "--count" && parseNumber(args[1], 1, 86400, count))))
        return usageError("gsm [--count N]");
    if (int rc = openBoard()) return rc;
    for (long i = 0; i < count; ++i) {
        if (i > 0) sleepMs(1000);
        if (ConsoleUi::interrupted()) return 130;
        unsigned level = 0, ber = 0;
        const GsmResult r = gsmQuery(level, ber);
        if (r == GsmResult::NoBoard || r == GsmResult::NoModem) {
            messageBox(nullptr, gsmFailureText(r), "Data Error", MsgButtons::Ok, MsgIcon::Error);
            return 1;
        }
        if (r == GsmResult::Ok)
            std::printf("Campo Rx: %u  BER: %u\n", level, ber);
        else
            std::printf("Campo Rx: -\n");
        std::fflush(stdout);
    }
    return 0;
}

const CliCommandRegistrar kParams(
    {"params",
     "params get [--format text|raw] [--utf8]\n"
     "                             the board's parameter set as its description (or the 41 bytes in hex)\n"
     "  params set NAME=VALUE... [--commit] [--utf8]\n"
     "                             change parameters named as `params get` prints them, range-checked;\n"
     "                             nothing is written when a value is refused; --commit makes it permanent\n"
     "  params save FILE.mw1       read the set from the board into a parameter file\n"
     "  params load FILE.mw1 [--write [--commit]]\n"
     "                             print a parameter file's description; --write sends it to the board\n"
     "  params default|reset       factory defaults / reset of the board, wait for it, print the set\n"
     "                             Exit 0 done, 1 refused or failed, 2 no device or not a board",
     cmdParams, 80});
const CliCommandRegistrar kDisplays(
    {"displays",
     "displays [get|set SLOT NAME=VALUE... [--store]]\n"
     "                             the display boards behind the energy board: their kind and parameters;\n"
     "                             set changes display SLOT (0..7), --store keeps it across power cycles.\n"
     "                             Exit 0 done, 1 refused or failed, 2 no device or not a board",
     cmdDisplays, 81});
const CliCommandRegistrar
    kGsm({"gsm",
          "gsm [--count N]            GSM field strength (signal level and bit error rate), "
          "N readings one\n"
          "                             second apart. Exit 0 read, 1 no answer, 2 no device "
          "or not a board",
          cmdGsm, 82});

} // namespace
