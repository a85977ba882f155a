// korvane-sim: serves one simulated device on a pseudo-terminal until SIGINT or SIGTERM.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <string>

#include "sim/sim.h"

namespace {

const char kUsage[] =
    "usage: korvane-sim DEVICE [options]\n"
    "\n"
    "Serves one simulated device on a pseudo-terminal and prints the terminal's path.\n"
    "DEVICE: rx41, rx42, rx43, mw51, vke15, boot\n"
    "\n"
    "  --link PATH         also make PATH a symbolic link to the terminal\n"
    "  --baud N            pace the replies at N bit/s (10 bit times a byte); 0 = no pacing\n"
    "  --latency MS        reply latency in milliseconds\n"
    "  --fw XX             firmware version, two hex digits (default 18)\n"
    "  --modem             a Hayes modem in front of the device\n"
    "  --erase-ms MS       time a flash erase takes (default 8000)\n"
    "  --erase-no-end      a flash erase never reports its end\n"
    "  --modem-number NR   only this number answers a call (default: every number)\n"
    "  --modem-connect C   result code of a call that connects: 1, 5, 9..19 (default 1)\n"
    "  --modem-fail C      result code for other numbers: 3, 6, 7, 8 (default 7, GSM 3)\n"
    "  --modem-dial-ms MS  time from the dial command to its result (default 500)\n"
    "  --modem-guard-ms MS guard time of the +++ escape (default 1000)\n"
    "  --modem-gsm         a GSM module (answers +CSQ, +CPIN?, +CREG?)\n"
    "  --modem-ring MS     an unsolicited RING this often while idle\n"
    "  --modem-drop N      the carrier is lost at the N-th request of a call\n"
    "  --fault LIST        faults, e.g. drop=0.01,corrupt=0.02,silence=3,hangup=10,seed=7;\n"
    "                      hostile=P: that share of the replies is garbage, cut, over-long or stray\n"
    "  --transcript FILE   write a log of requests and replies\n"
    "  --scenario NAME     flash contents: normal, multi, wrapped, empty, tablepage, pages=N\n"
    "  --seed N            scenario seed (default 1)\n"
    "  --monitor-speed N   monitor mode: the nodes send N times faster than their sample timers\n"
    "  --state DIR         load DIR/device.json and DIR/flash.bin instead of a scenario\n"
    "  --save-flash FILE   write the flash image (4096 x 528 bytes) before serving\n"
    "  --save-state DIR    write DIR/device.json and DIR/flash.bin before serving\n"
    "  --help              this text\n";

bool parseUnsigned(const char* s, unsigned long max, unsigned long& v, int base = 10) {
    if (!*s || *s == '-' || *s == '+') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(s, &end, base);
    if (*end != 0 || errno != 0 || n > max) return false;
    v = static_cast<unsigned long>(n);
    return true;
}

int usageError(const std::string& msg) {
    std::fprintf(stderr, "korvane-sim: %s\n\n%s", msg.c_str(), kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    sim::SimOptions opts;
    std::string saveFlash, saveState;
    bool haveDevice = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        unsigned long n = 0;
        if (a == "--modem") {
            opts.modem = true;
        } else if (a == "--erase-no-end") {
            opts.eraseEndLost = true;
        } else if (a == "--modem-gsm") {
            opts.modem = opts.modemGsm = true;
        } else if (a == "--modem-number") {
            if (!value(v) || !*v) return usageError(a + " needs a number");
            opts.modem = true;
            opts.modemNumber = v;
        } else if (a == "--modem-connect" || a == "--modem-fail" || a == "--modem-dial-ms" ||
                   a == "--modem-guard-ms" || a == "--modem-ring" || a == "--modem-drop") {
            if (!value(v) || !parseUnsigned(v, 0x7FFFFFFFul, n)) return usageError(a + " needs a number");
            opts.modem = true;
            if (a == "--modem-connect") {
                if (n != 1 && n != 5 && (n < 9 || n > 19))
                    return usageError("--modem-connect: 1, 5 or 9..19");
                opts.modemConnectCode = static_cast<uint8_t>(n);
            } else if (a == "--modem-fail") {
                if (n != 3 && n != 4 && n != 6 && n != 7 && n != 8)
                    return usageError("--modem-fail: 3, 4, 6, 7 or 8");
                opts.modemFailCode = static_cast<int>(n);
            } else if (a == "--modem-dial-ms") {
                opts.modemDialMs = static_cast<uint32_t>(n);
            } else if (a == "--modem-guard-ms") {
                opts.modemGuardMs = static_cast<uint32_t>(n);
            } else if (a == "--modem-ring") {
                opts.modemRingMs = static_cast<uint32_t>(n);
            } else {
                opts.modemDropAfter = static_cast<int>(n);
            }
        } else if (a == "--link" || a == "--transcript" || a == "--scenario" || a == "--state" ||
                   a == "--save-flash" || a == "--save-state") {
            if (!value(v)) return usageError(a + " needs a value");
            if (a == "--link")
                opts.linkPath = v;
            else if (a == "--transcript")
                opts.transcriptPath = v;
            else if (a == "--scenario")
                opts.scenario = v;
            else if (a == "--state")
                opts.stateDir = v;
            else if (a == "--save-flash")
                saveFlash = v;
            else
                saveState = v;
        } else if (a == "--baud" || a == "--latency" || a == "--seed" || a == "--erase-ms") {
            if (!value(v) || !parseUnsigned(v, 0xFFFFFFFFul, n)) return usageError(a + " needs a number");
            if (a == "--baud")
                opts.baud = static_cast<uint32_t>(n);
            else if (a == "--latency")
                opts.latencyMs = static_cast<uint32_t>(n);
            else if (a == "--erase-ms")
                opts.eraseMs = static_cast<uint32_t>(n);
            else
                opts.seed = static_cast<uint32_t>(n);
        } else if (a == "--monitor-speed") {
            if (!value(v) || !parseUnsigned(v, 100000, n) || n == 0) return usageError(a + " needs a number 1..100000");
            opts.monitorSpeed = static_cast<double>(n);
        } else if (a == "--fw") {
            if (!value(v) || std::strlen(v) > 2 || !parseUnsigned(v, 0xFF, n, 16)) {
                return usageError("--fw needs two hex digits");
            }
            opts.fw = static_cast<uint16_t>(n);
        } else if (a == "--fault") {
            std::string err;
            if (!value(v)) return usageError("--fault needs a list of faults");
            if (!sim::FaultSpec::parse(v, opts.fault, err)) return usageError(err);
        } else if (!a.empty() && a[0] != '-' && !haveDevice) {
            if (!sim::parseDeviceKind(a, opts.kind)) return usageError("unknown device \"" + a + "\"");
            haveDevice = true;
        } else {
            return usageError("unexpected argument \"" + a + "\"");
        }
    }
    if (!haveDevice) return usageError("the device is missing");
    if (!opts.scenario.empty()) {
        if (!sim::scenarioNameValid(opts.scenario))
            return usageError("unknown scenario \"" + opts.scenario + "\"");
    }

    // The serving thread inherits the blocked signals; the main thread waits for them.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    sim::Simulator simulator(opts);
    std::string err;
    if (!simulator.start(&err)) {
        std::fprintf(stderr, "korvane-sim: %s\n", err.c_str());
        return 1;
    }
    if (!saveFlash.empty() || !saveState.empty()) {
        sim::DeviceState st = simulator.deviceState();
        if (st.versionReply.empty()) {
            char vr[8];
            std::snprintf(vr, sizeof vr, "%c0%02X", sim::hardwareCode(opts.kind), opts.fw & 0xFFu);
            st.versionReply = vr;
        }
        if ((!saveFlash.empty() && !sim::saveFlashImage(st, saveFlash, err)) ||
            (!saveState.empty() && !sim::saveDeviceState(st, saveState, err))) {
            std::fprintf(stderr, "korvane-sim: %s\n", err.c_str());
            return 1;
        }
    }
    std::printf("%s\n", simulator.slavePath().c_str());
    std::fflush(stdout);

    int sig = 0;
    sigwait(&set, &sig);
    simulator.stop();
    return 0;
}
