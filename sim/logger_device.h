#pragma once
// The command interpreter shared by the data loggers and the boards.
#include <cstdio>
#include <string>

#include "sim/device.h"
#include "sim/monitor_stream.h"

namespace sim {

// Reply helpers of the command interpreter.
namespace reply {
// `s` read as exactly `digits` hexadecimal digits.
bool hexArg(const std::string& s, size_t digits, uint32_t& v);
// A six-digit text as three two-digit decimal numbers.
bool decimalPairs(const std::string& s, int& a, int& b, int& c);
inline Reply line(const std::string& s) {
    return {{s + "\r", 0}};
}
inline Reply ok() {
    return line("OK");
}
inline Reply err() {
    return line("ERR");
}
template <typename... A> Reply linef(const char* fmt, A... a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a...);
    return line(buf);
}
} // namespace reply

// A data logger (RX41, RX42, RX43): identification, registers, the flash memory read page by
// page, the temporary record buffer, the clock, flash erase and flash upload.
class LoggerDevice : public Device {
  public:
    LoggerDevice(const SimOptions& o, DeviceState& st)
        : kind_(o.kind), fw_(o.fw), st_(st), monitorSpeed_(o.monitorSpeed), seed_(o.seed), eraseMs_(o.eraseMs),
          eraseEndLost_(o.eraseEndLost) {}
    Reply handle(const std::string& rq) override;
    size_t rawBlockLength() const override { return st_.uploadMode ? kBlockSize : 0; }
    std::string rawBlockExit() const override { return "ATCM15"; }
    std::string unsolicited(double now) override { return monitor_.due(now, st_); }
    double unsolicitedDue() const override { return monitor_.deadline(); }

  protected:
    // Handles "AT" + `cmd` (two letters) + `arg`; false = not known (answered "ERR").
    virtual bool command(const std::string& cmd, const std::string& arg, Reply& r);

    DeviceKind kind_;
    uint16_t fw_;
    DeviceState& st_;
    double monitorSpeed_;
    uint32_t seed_;
    MonitorStream monitor_; // monitor mode ("ATCM07" .. "ATCM08")

  private:
    uint32_t eraseMs_; // [ms]
    bool eraseEndLost_;
    bool control(uint32_t code, Reply& r);
    Reply upload(const std::string& rq);
    void eraseFlash();
    Reply readBlock();
    bool clock(const std::string& cmd, const std::string& arg, Reply& r);
};

std::unique_ptr<Device> makeLogger(const SimOptions& opts, DeviceState& state);
std::unique_ptr<Device> makeBoard(const SimOptions& opts, DeviceState& state);
std::unique_ptr<Device> makeBootLoader(const SimOptions& opts, DeviceState& state);

// CRC-16/X-25 (reflected 0x1021, start 0xFFFF, complemented) of the inverter packets and the
// firmware records.
uint16_t crcX25(const uint8_t* p, size_t n);

} // namespace sim
