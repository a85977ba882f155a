// The service commands of the main panel's hidden keys: IDLE in and out, erasing the flash
// memory, the network address and the page pointers. They run the panel's own functions, so
// the checks and messages are the same; the options answer the panel's questions.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "link/korvane_com.h"
#include "logger/session.h"
#include "shell/maintenance.h"

namespace {

int cmdIdle(const CliArgs& args) {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) return usageError("idle takes on or off");
    const bool enter = args[0] == "on";
    if (findDevice() != 1) return reportNoDevice();
    if (setIdleState(nullptr, enter) != 1) return 1;
    std::printf("%s\n", std::string(enter ? kIdleEnteredStatus : kIdleLeftStatus).substr(1).c_str());
    return 0;
}

int cmdErase(const CliArgs& args) {
    bool yes = false;
    for (const std::string& a : args) {
        if (a != "--yes") return usageError("erase: unexpected argument " + a);
        yes = true;
    }
    if (!yes) {
        // Nothing is sent: not even the logger's state is touched.
        std::fprintf(stderr, "korvane-cli: erase deletes every measurement in the logger's flash memory; "
                             "confirm with --yes\n");
        return 1;
    }
    if (findDevice() != 1) return reportNoDevice();
    // The erase question is answered by --yes; the session read afterwards is not retried.
    cliConsole().setPolicy([](const std::string& text, const std::string&, MsgButtons) {
        return text == kEraseQuestion ? MsgAnswer::Yes : MsgAnswer::No;
    });
    const int erased = eraseFlashMemory(nullptr, nullptr);
    if (erased != 1) {
        if (Com_lost) messageBox(nullptr, lostPortText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return ConsoleUi::interrupted() ? 130 : 1;
    }
    std::printf("flash memory erased\n");
    if (Flag.pages_error == 0) {
        StringTextBox box;
        printInfoSes(&box, Flag.verbose);
        printText(box.text, false);
    }
    return 0;
}

int cmdAddress(const CliArgs& args) {
    if (args.size() > 1) return usageError("address takes at most one value");
    unsigned value = 0;
    if (!args.empty() && !wholeNumberIn(args[0], kNetAddressMax, value)) {
        messageBox(nullptr, outOfRangeText("Indirizzo di rete", kNetAddressMax), "Data Error", MsgButtons::Ok,
                   MsgIcon::Error);
        return 1;
    }
    if (findDevice() != 1) return reportNoDevice();
    uint16_t address = 0;
    if (readNetAddress(nullptr, address) != 1) return 1;
    std::printf("network address %u\n", static_cast<unsigned>(address));
    if (args.empty()) return 0;
    if (writeNetAddress(nullptr, static_cast<uint16_t>(value)) != 1) return 1;
    if (readNetAddress(nullptr, address) != 1) return 1;
    std::printf("network address %u\n", static_cast<unsigned>(address));
    return 0;
}

int cmdPointers(const CliArgs& args) {
    struct Wanted {
        PagePointer which;
        const char* option;
        const char* title;
        bool set = false;
        unsigned value = 0;
    } wanted[] = {{PagePointer::Table, "--table", kPageTabTitle},
                  {PagePointer::Last, "--last", kPageLastTitle}};
    for (size_t i = 0; i < args.size(); ++i) {
        Wanted* w = nullptr;
        for (Wanted& c : wanted)
            if (args[i] == c.option) w = &c;
        if (!w || i + 1 >= args.size()) return usageError("pointers: unexpected argument " + args[i]);
        if (!wholeNumberIn(args[++i], kPagePointerMax, w->value)) {
            messageBox(nullptr, outOfRangeText(w->title, kPagePointerMax), "Data Error", MsgButtons::Ok,
                       MsgIcon::Error);
            return 1;
        }
        w->set = true;
    }
    if (findDevice() != 1) return reportNoDevice();
    bool refused = false;
    for (const Wanted& w : wanted)
        if (w.set && writePagePointer(nullptr, w.which, static_cast<uint16_t>(w.value)) != 1) refused = true;
    if (initPages() != 1) {
        messageBox(nullptr, "Errore lettura pagine !", "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    std::printf("table page 0x%s\nlast page 0x%s\n", PageTab.c_str(), PageLast.c_str());
    return refused ? 1 : 0;
}

const CliCommandRegistrar
    kIdle({"idle",
           "idle on|off                put the logger into the IDLE state or take it "
           "out of it. Exit 0\n"
           "                             acknowledged, 1 refused (the reason on stderr)",
           cmdIdle, 74});
const CliCommandRegistrar kErase(
    {"erase",
     "erase --yes                erase the logger's whole flash memory (every measurement is lost;\n"
     "                             refused without --yes, nothing is sent), wait for its end (at most\n"
     "                             40 rounds of 0.5 s), read the session again and print its summary.\n"
     "                             Exit 0 erased, 1 refused or failed, 130 stopped with Ctrl-C",
     cmdErase, 75});
const CliCommandRegistrar
    kAddress({"address",
              "address [VALUE]            print the logger's network address; with VALUE (0..65535) set it\n"
              "                             and print it again. Exit 0 done, 1 refused or unreadable",
              cmdAddress, 76});
const CliCommandRegistrar kPointers(
    {"pointers",
     "pointers [--table N] [--last N]\n"
     "                             set the table page and/or the last page pointer (0..4095), then\n"
     "                             print both as the logger reports them; the next session read uses\n"
     "                             them. Exit 0 done, 1 refused",
     cmdPointers, 77});

} // namespace
