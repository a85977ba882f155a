// The MW51a energy board and the VKE15 interface board: the logger's command interpreter plus
// the alarm register and the energy counter.
#include "sim/logger_device.h"

namespace sim {

using namespace reply;

namespace {

// The boards add the alarm register and the energy counter.
class BoardDevice : public LoggerDevice {
  public:
    using LoggerDevice::LoggerDevice;

  protected:
    bool command(const std::string& cmd, const std::string& arg, Reply& r) override {
        uint32_t v = 0;
        if (cmd == "SA" && arg.empty()) {
            if (fw_ >= 0x20) {
                r = linef("%02X%02X%02X%02X", st_.alarm, st_.alarmInverter, st_.alarmRmin, st_.alarmAux);
            } else {
                r = linef("%02X%02X%02X", st_.alarm, st_.alarmInverter, st_.alarmRmin);
            }
        } else if (cmd == "SA" && hexArg(arg, 2, v)) {
            st_.alarm = static_cast<uint8_t>(v);
            r = ok();
        } else if (cmd == "SE" && arg.empty()) {
            r = linef("%08X", st_.energy);
        } else if (cmd == "SE" && hexArg(arg, 8, v)) {
            st_.energy = v;
            r = ok();
        } else {
            return LoggerDevice::command(cmd, arg, r);
        }
        return true;
    }
};

} // namespace

std::unique_ptr<Device> makeBoard(const SimOptions& opts, DeviceState& state) {
    return std::make_unique<BoardDevice>(opts, state);
}

} // namespace sim
