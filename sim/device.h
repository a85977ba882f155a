#pragma once
// Device models and the line-side plumbing between them and the pseudo-terminal.
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "sim/device_state.h"
#include "sim/sim.h"

namespace sim {

// One piece of a reply: bytes sent `delayMs` after the previous piece (or after the request).
struct ReplyChunk {
    std::string bytes;
    uint32_t delayMs = 0;
};
using Reply = std::vector<ReplyChunk>;

// A device answering complete requests. Requests arrive without their CR; "***" comes as
// itself; in raw-block mode a request is the block's bytes.
class Device {
  public:
    virtual ~Device() = default;
    virtual Reply handle(const std::string& request) = 0;
    // When not 0, the device takes raw blocks of this many bytes instead of CR-ended lines;
    // `rawBlockExit()` (followed by CR) still arrives as a command.
    virtual size_t rawBlockLength() const { return 0; }
    virtual std::string rawBlockExit() const { return {}; }
    // Bytes the device sends unasked (a logger's monitor packets) that are due by `now` [ms of
    // the line clock], and when the next are due.
    virtual std::string unsolicited(double now) {
        (void)now;
        return {};
    }
    virtual double unsolicitedDue() const { return std::numeric_limits<double>::infinity(); }
    // In raw-block mode: `line` (the bytes before a CR) is a command, not part of a block.
    virtual bool rawBlockCommand(const std::string& line) const {
        const std::string exit = rawBlockExit();
        return !exit.empty() && line == exit;
    }
};

// Builds the model of `opts.kind` over `state`, whose accesses are guarded by the caller.
std::unique_ptr<Device> makeDevice(const SimOptions& opts, DeviceState& state);

// Splits the bytes a device receives into requests: a request ends at CR (which is dropped);
// "***" is the attention sequence and ends a request without CR (whatever came before it on
// the same line is dropped). LF bytes are ignored. A line longer than kMaxLine bytes is dropped.
class CommandFramer {
  public:
    static constexpr size_t kMaxLine = 1024;
    // Feeds one byte; true when a request is complete in `out`.
    bool feed(uint8_t b, const Device& dev, std::string& out);
    void reset() { buf_.clear(); }
    bool empty() const { return buf_.empty(); }

  private:
    std::string buf_;
};

// What the device side can do with the line: the endpoint implements it.
class LinePort {
  public:
    virtual ~LinePort() = default;
    // A complete request arrived at time `t`: recorded, counted for the faults, logged.
    virtual void command(const std::string& text, double t) = 0;
    // Queues bytes for the line, not before time `at` [ms of the endpoint clock]. `what`
    // labels the bytes in the transcript (empty: logged as a reply).
    virtual void send(std::string_view bytes, double at, const char* what = nullptr) = 0;
    // A line for the transcript.
    virtual void note(const std::string& text, double t) = 0;
    virtual uint32_t latencyMs() const = 0;
};

// What stands at the line: the device itself, or a modem in front of it.
class Front {
  public:
    virtual ~Front() = default;
    // One byte from the program, arrived at time `t` [ms].
    virtual void onByte(uint8_t b, double t, LinePort& port) = 0;
    // Time-driven work (a modem's delayed results); called when `deadline()` has passed.
    virtual void onTime(double now, LinePort& port) { (void)now, (void)port; }
    virtual double deadline() const { return std::numeric_limits<double>::infinity(); }
    // A modem's call is to drop at the next request that arrives in data mode.
    virtual void requestCarrierDrop() {}
};

// Frames bytes for a device and queues its replies after the reply latency. An empty line is
// no request: not recorded, not answered.
class DeviceLink {
  public:
    explicit DeviceLink(Device& dev) : dev_(dev) {}
    void onByte(uint8_t b, double t, LinePort& port);
    void reset() { framer_.reset(); }

  private:
    Device& dev_;
    CommandFramer framer_;
};

std::unique_ptr<Front> makeDirectFront(Device& dev);
std::unique_ptr<Front> makeModemFront(Device& dev, const SimOptions& opts);

// Printable form of line bytes for transcripts: \r, \n, \xHH.
std::string escapeBytes(std::string_view bytes);

} // namespace sim
