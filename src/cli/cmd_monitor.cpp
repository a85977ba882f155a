// korvane-cli monitor: the real-time monitor unattended. Prints the temporary buffer's records
// and then every packet's log line, writes the periodic export file, and always takes the
// logger out of monitor mode before it exits.
#include <cstdio>
#include <ctime>
#include <string>

#include "cli/cli.h"
#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/monitor.h"
#include "platform/clock.h"
#include "platform/stop_signal.h"

namespace {

// The packet log printed as it grows.
class PrintedLog : public TextBox {
  public:
    explicit PrintedLog(bool utf8) : utf8_(utf8) {}
    void clear() override {}
    void append(std::string_view text) override {
        printText(std::string(text), utf8_);
        std::fflush(stdout);
    }

  private:
    bool utf8_;
};

int cmdMonitor(const CliArgs& args) {
    long duration = -1, period = -1;
    bool comma = false, utf8 = false;
    std::string exportPath;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--duration" && hasValue) {
            if (!parseNumber(args[++i], 1, 100000000, duration))
                return usageError("--duration takes seconds");
        } else if (a == "--period" && hasValue) {
            if (!parseNumber(args[++i], 1, 65535, period))
                return usageError("--period takes 1..65535 seconds");
        } else if (a == "--export" && hasValue) {
            exportPath = args[++i];
        } else if (a == "-c") {
            comma = true;
        } else if (a == "--utf8") {
            utf8 = true;
        } else {
            return usageError("monitor: unexpected argument " + a);
        }
    }
    if (int rc = openSession(0)) return rc;
    installStopSignals();
    PrintedLog log(utf8);
    int rc = initMonitor(hCom, nullptr, log, nullptr, std::time(nullptr)) == 1 ? 0 : 1;
    if (rc == 0 && !exportPath.empty()) {
        Exportfile = std::fopen(exportPath.c_str(), "wb");
        if (!Exportfile) {
            warnFile(exportPath, "non puo' essere scritto !");
            rc = 1;
        } else {
            Flag.comma = comma ? 1 : 0;
            if (period > 0) Tsample_exp = static_cast<uint16_t>(period);
            startExport(std::time(nullptr));
        }
    }
    const uint32_t t0 = nowMs();
    uint32_t next = t0;
    while (rc == 0 && !stopSignalled() && !ConsoleUi::interrupted()) {
        if (duration > 0 && nowMs() - t0 >= static_cast<uint32_t>(duration) * 1000u) break;
        next += kMonitorTickMs;
        const uint32_t now = nowMs();
        if (static_cast<int32_t>(next - now) > 0) sleepMs(next - now);
        monitorTick(hCom, std::time(nullptr), log, nullptr);
        if (Com_lost) {
            messageBox(nullptr, lostPortText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
            rc = 1;
        }
    }
    if (rc == 0) { // the lines already waiting are printed (and summed into a period never written)
        const std::string tod = timeOfDayText(std::time(nullptr));
        drainMonitorPort(hCom, [&](const std::string& l) { handleMonitorLine(l, tod, log, nullptr); });
    }
    if (Exportfile) {
        std::fclose(Exportfile);
        Exportfile = nullptr;
    }
    // Every path ends here: the logger must not stay in monitor mode.
    if (finishMonitor(hCom) != 1) rc = 1;
    return rc;
}

const CliCommandRegistrar
    kMonitor({"monitor",
              "monitor [--duration S] [--export FILE] [--period S] [-c] [--utf8]\n"
              "                             real-time monitor: the temporary buffer, then every packet\n"
              "                             line; --export writes the periodic export (-c decimal comma;\n"
              "                             --period default: the session's sample time); ends after\n"
              "                             --duration seconds, on Ctrl-C or SIGTERM",
              cmdMonitor, 45});

} // namespace
