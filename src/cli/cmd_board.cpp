// Commands on the device's clock and state: clock synchronisation, the boards' alarm register,
// the inverters behind the energy board, the logger's sample timer.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "inverter/inverter_list.h"
#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "logger/sample_timer.h"
#include "logger/session.h"
#include "logger/time_marks.h"
#include "shell/main_actions.h"
#include "shell/screen_rules.h"

namespace {

int notABoard() {
    std::fprintf(stderr, "korvane-cli: the device is not an energy or interface board\n");
    return 1;
}

int cmdClockSync(const CliArgs& args) {
    if (!args.empty()) return usageError("clock-sync takes no arguments");
    if (findDevice() != 1) return reportNoDevice();
    if (clockSync() != 1) {
        messageBox(nullptr, kClockSyncFailed, "Com Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    std::printf("ATDT%s\nATTM%s\n", DataTimePC.substr(0, 6).c_str(), DataTimePC.substr(7, 6).c_str());
    return 0;
}

const AlarmRow* rowNamed(const std::string& name) {
    static const char* const names[] = {"inverter", "efficiency", "intrusion", "aux"};
    for (size_t i = 0; i < kAlarmRows.size(); ++i)
        if (name == names[i]) return &kAlarmRows[i];
    return nullptr;
}

int cmdAlarms(const CliArgs& args) {
    std::vector<const AlarmRow*> resets;
    for (size_t i = 0; i < args.size(); ++i) {
        const AlarmRow* row = args[i] == "--reset" && i + 1 < args.size() ? rowNamed(args[++i]) : nullptr;
        if (!row) return usageError("alarms: --reset takes inverter, efficiency, intrusion or aux");
        resets.push_back(row);
    }
    if (findDevice() != 1) return reportNoDevice();
    if (!deviceIsBoard()) return notABoard();
    bool read = upd_Alarm(nullptr) == 1;
    for (const AlarmRow* row : resets)
        if (read) read = resetAlarmRow(nullptr, *row) == 1;
    if (!read) {
        messageBox(nullptr, "Errore lettura registro allarmi !", "Com Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    std::printf("alarm register 0x%02X\n", static_cast<unsigned>(Alarm));
    for (const AlarmRow& row : kAlarmRows) {
        const std::string label = row.labelId == kAlarmRows[0].labelId   ? LastAlarmRows.inverterLabel
                                  : row.labelId == kAlarmRows[3].labelId ? LastAlarmRows.auxLabel
                                                                         : row.label;
        std::printf("%-5s  %c  %s\n", alarmLampColour(row, Alarm, 0) == kLampRed ? "red" : "green",
                    (Alarm >> row.smsBit) & 1u ? 'R' : '-', label.c_str());
    }
    return 0;
}

// The inverter screen as text: the listing box and the total label.
class TextListing : public InverterListView {
  public:
    TextBox& listBox() override { return box; }
    void setTotal(const std::string& text) override { total = text; }
    StringTextBox box;
    std::string total;
};

int cmdInverters(const CliArgs& args) {
    MsgAnswer onError = MsgAnswer::Ignore;
    bool utf8 = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--utf8") {
            utf8 = true;
        } else if (args[i] == "--on-error" && i + 1 < args.size()) {
            const std::string& a = args[++i];
            if (a == "abort")
                onError = MsgAnswer::Abort;
            else if (a == "retry")
                onError = MsgAnswer::Retry;
            else if (a == "ignore")
                onError = MsgAnswer::Ignore;
            else
                return usageError("--on-error takes abort, retry or ignore");
        } else {
            return usageError("inverters: unexpected argument " + args[i]);
        }
    }
    cliConsole().setPolicy([onError](const std::string&, const std::string&, MsgButtons b) {
        if (b != MsgButtons::AbortRetryIgnore) return MsgAnswer::Cancel;
        return ConsoleUi::interrupted() ? MsgAnswer::Abort : onError; // Ctrl-C ends a retrying listing
    });
    if (findDevice() != 1) return reportNoDevice();
    if (!deviceIsBoard()) return notABoard();
    if (readInverterRange(nullptr) != 1) return 1;
    TextListing view;
    const int complete = refresh_dati_inv(nullptr, view);
    printText(view.box.text, utf8);
    if (complete != 1) return ConsoleUi::interrupted() ? 130 : 1;
    printText(view.total + "\n", utf8);
    return 0;
}

int cmdSampleTimer(const CliArgs& args) {
    long value = 0;
    if (args.size() != 1 || !parseNumber(args[0], 0, 0x7FFFFFFF, value))
        return usageError("sample-timer takes one whole number of seconds");
    if (findDevice() != 1) return reportNoDevice();
    if (deviceIsBoard()) {
        std::fprintf(stderr, "korvane-cli: the sample timer belongs to the data loggers\n");
        return 1;
    }
    if (initPages() != 1) { // the status register tells the logger's state
        messageBox(nullptr, "Errore lettura pagine !", "COM Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    if (sampleTimerBegin(nullptr) != 1) return 1;
    const unsigned v = saTmrClamp(args[0]);
    saTmrApply(nullptr, v);
    std::string sent = saTmrCommand(v);
    sent.pop_back(); // the CR
    std::printf("%s\n", sent.c_str());
    sampleTimerEnd();
    return 0;
}

const CliCommandRegistrar
    kClockSync({"clock-sync",
                "clock-sync                 set the device clock to the PC clock; print the "
                "date and time\n"
                "                             commands sent. Exit 0 done, 1 refused",
                cmdClockSync, 40});
const CliCommandRegistrar
    kAlarms({"alarms",
             "alarms [--reset ROW]...    board alarm register and its four rows: lamp (red/green), R when\n"
             "                             latched, label; --reset acknowledges a latched alarm first (ROW:\n"
             "                             inverter, efficiency, intrusion, aux). Exit 0 read, 1 failed",
             cmdAlarms, 50});
const CliCommandRegistrar kInverters(
    {"inverters",
     "inverters [--on-error abort|retry|ignore] [--utf8]\n"
     "                             list the inverters behind the energy board and the total "
     "input\n"
     "                             power; a failed query is answered as chosen (default ignore;\n"
     "                             retry repeats until Ctrl-C). Exit 0 listed, 1 failed or aborted",
     cmdInverters, 60});
const CliCommandRegistrar
    kSampleTimer({"sample-timer",
                  "sample-timer SECONDS       set the logger's sample timer (clamped to 0..65535) as the "
                  "desktop\n"
                  "                             program does; print the command sent. Exit 0 sent, 1 refused",
                  cmdSampleTimer, 70});

} // namespace
