#pragma once
// The device simulator: one simulated device (a logger, a board or the boot loader, optionally
// behind a Hayes modem) answering the command set on the master side of a pseudo-terminal. The
// program under test opens the slave side with its own serial code.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/device_state.h"
#include "sim/scenario.h"

namespace sim {

enum class DeviceKind { RX41, RX42, RX43, MW51, VKE15, Boot };

// "rx41", "rx42", "rx43", "mw51", "vke15", "boot" (case-insensitive).
bool parseDeviceKind(const std::string& name, DeviceKind& out);
const char* deviceKindName(DeviceKind kind);
// First character of the "ATVR" reply ('0' RX41, '7' RX42, 'B' RX43, '5' MW51, '8' VKE15).
char hardwareCode(DeviceKind kind);
// True for the kinds that keep a flash memory with measurement sessions.
bool hasFlash(DeviceKind kind);

// Faults injected by the line endpoint, e.g. "drop=0.01,corrupt=0.02,silence=3,hangup=10,seed=7";
// "hostile=0.3" replaces that share of the replies by random bytes, cut replies, over-long lines
// or stray lines (sim/hostile.h).
struct FaultSpec {
    double drop = 0;       // probability that a byte sent by the device is lost
    double corrupt = 0;    // probability that a byte sent by the device is changed
    int silenceAfter = -1; // after this many requests the device stops answering (-1 never)
    int hangupAfter = -1;  // after this many requests the master side closes (-1 never)
    double hostile = 0;    // probability that a reply (or a batch of monitor lines) is hostile
    uint32_t seed = 1;     // seed of the fault dice
    static bool parse(const std::string& text, FaultSpec& out, std::string& err);
};

struct SimOptions {
    DeviceKind kind = DeviceKind::RX43;
    uint16_t fw = 0x18;     // firmware version, two hex digits in the "ATVR" reply
    bool modem = false;     // a Hayes modem in front of the device
    uint32_t baud = 0;      // pacing: 10 bit times per byte at this rate [bit/s]; 0 = no pacing
    uint32_t latencyMs = 0; // reply latency [ms]
    FaultSpec fault;
    std::string transcriptPath;   // when set, a readable log of requests and replies
    std::string linkPath;         // when set, a symlink to the slave path
    std::string scenario;         // flash scenario name; empty = default for the kind
    uint32_t seed = 1;            // scenario seed
    std::string stateDir;         // when set, load device.json + flash.bin from here (replaces the scenario)
    uint32_t modemGuardMs = 1000; // guard time of the modem's "+++" escape [ms]
    uint32_t eraseMs = 8000;      // time the whole flash erase takes [ms]
    bool eraseEndLost = false;    // the byte that reports the end of an erase never comes
    uint32_t modemDialMs = 500;   // time from "ATD" to the call's result [ms]
    std::string modemNumber;      // the number that answers a call; empty = every number
    uint8_t modemConnectCode = 1; // result of a call that connects: 1 CONNECT, 5 or 9..19 CONNECT <speed>
    int modemFailCode = -1;       // result for any other number: 3, 6, 7 BUSY, 8; -1 = 7 (3 for GSM)
    bool modemGsm = false;        // a GSM module: answers +CSQ, +CPIN?, +CREG?, +CGMI; ATD without T
    uint32_t modemRingMs = 0;     // when not 0: an unsolicited RING this often while idle [ms]
    int modemDropAfter = -1;      // the carrier is lost at the n-th request of a call (-1 never)
    double monitorSpeed = 1;      // monitor mode: the nodes' sample timers run this many times faster
};

// Serves one device on its own thread. Safe to start and stop repeatedly in one process; the
// device state (flash, registers, clock) is built on the first start and survives restarts.
class Simulator {
  public:
    explicit Simulator(SimOptions opts);
    ~Simulator(); // stops
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Builds the device state (first time), opens the pseudo-terminal and starts serving.
    bool start(std::string* err = nullptr);
    // Path of the slave side (e.g. /dev/pts/5); empty before the first start.
    const std::string& slavePath() const;
    // Stops serving, closes the pseudo-terminal and removes the link. Returns promptly.
    void stop();
    // Closes the master side now, as an unplugged device: the program sees a hang-up.
    void hangup();
    bool running() const;
    // Behind a modem: the call drops at the next request that reaches the device (the request is
    // lost, the modem reports NO CARRIER and returns to command mode). Nothing without a modem.
    void dropCarrier();
    // True once the line was closed by hangup() or by the "hangup" fault.
    bool hungUp() const;

    // Requests received so far, in order, without their CR ("***" as itself); includes the
    // modem's command lines.
    std::vector<std::string> commands() const;
    // Waits until at least `n` requests have been received. False on time-out.
    bool waitForCommands(size_t n, uint32_t timeoutMs) const;

    const SimOptions& options() const;
    // A copy of the device state (flash, registers, page pointers, read position, clock).
    DeviceState deviceState() const;
    // Changes the device state under the simulator's lock (also while serving).
    void modifyDeviceState(const std::function<void(DeviceState&)>& fn);
    // The scenario the flash was built from; null before start, for a loaded state and for the
    // boot loader.
    const Scenario* scenario() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace sim
