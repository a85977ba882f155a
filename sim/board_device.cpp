// The MW51a energy board and the VKE15 interface board: the logger's command interpreter plus
// the alarm register, the energy counter, the parameter EEPROM and the pass-through to the
// Aurora inverters on the board's RS485 line.
#include <chrono>
#include <cstring>

#include "sim/board_extras.h"
#include "sim/board_program.h"
#include "sim/logger_device.h"

namespace sim {

using namespace reply;

// CRC-16/X-25 (reflected 0x1021, start 0xFFFF, complemented), bit by bit.
uint16_t crcX25(const uint8_t* p, size_t n) {
    uint16_t c = 0xFFFF;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0x8408) : static_cast<uint16_t>(c >> 1);
    }
    return static_cast<uint16_t>(~c);
}

namespace {

constexpr uint32_t kInverterTripMs = 20; // [ms] from a forwarded request to the inverter's reply
constexpr size_t kAuroraRequest = 10, kAuroraReply = 8;
constexpr uint8_t kActiveBits = 0x55; // alarm register: conditions; the odd bits are latches

std::string hexOf(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

bool hexBytes(const std::string& s, std::vector<uint8_t>& out) {
    if (s.size() % 2 != 0) return false;
    out.clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        uint32_t v = 0;
        if (!hexArg(s.substr(i, 2), 2, v)) return false;
        out.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

class BoardDevice : public LoggerDevice {
  public:
    BoardDevice(const SimOptions& o, DeviceState& st) : LoggerDevice(o, st), program_(st) {}
    // A restarting board is silent: no reply at all until its restart time has passed. During a
    // program upload the frames go to the program memory.
    Reply handle(const std::string& rq) override {
        if (std::chrono::steady_clock::now() < restartEnd_) return {};
        return program_.uploading() ? program_.upload(rq) : LoggerDevice::handle(rq);
    }
    size_t rawBlockLength() const override {
        return program_.uploading() ? kProgramFrame : LoggerDevice::rawBlockLength();
    }
    bool rawBlockCommand(const std::string& line) const override {
        return program_.uploading() ? BoardProgram::isCommand(line) : LoggerDevice::rawBlockCommand(line);
    }

  protected:
    bool command(const std::string& cmd, const std::string& arg, Reply& r) override {
        uint32_t v = 0;
        // The parameter controls (commit, reset, defaults, P1/P2) first: outside an upload they
        // are the board's own; the program memory takes the upload and dump commands.
        bool restart = false;
        if (cmd == "CM" && hexArg(arg, 2, v) && boardControl(st_, v, r, restart)) {
            if (restart) restartEnd_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(st_.restartMs);
        } else if (program_.command(cmd, arg, st_.eeAddress, r)) {
            return true;
        } else if (cmd == "SD") {
            return displayCommand(st_, arg, r);
        } else if (cmd == "SA" && arg.empty()) {
            if (fw_ >= 0x20) {
                r = linef("%02X%02X%02X%02X", st_.alarm, st_.alarmInverter, st_.alarmRmin, st_.alarmAux);
            } else {
                r = linef("%02X%02X%02X", st_.alarm, st_.alarmInverter, st_.alarmRmin);
            }
        } else if (cmd == "SA" && hexArg(arg, 2, v)) {
            // The latches take the value written; the active bits follow their conditions.
            st_.alarm = static_cast<uint8_t>((st_.alarm & kActiveBits) | (v & ~kActiveBits & 0xFFu));
            r = ok();
        } else if (cmd == "SE" && arg.empty()) {
            r = linef("%08X", st_.energy);
        } else if (cmd == "SE" && hexArg(arg, 8, v)) {
            st_.energy = v;
            r = ok();
        } else if (cmd == "RD" && hexArg(arg, 4, v)) {
            // One address register for the flash pages and the parameter EEPROM.
            st_.eeAddress = static_cast<uint16_t>(v);
            return LoggerDevice::command(cmd, arg, r);
        } else if (cmd == "EE") {
            return eeprom(arg, r);
        } else if (cmd == "DI") {
            return inverter(arg, r);
        } else {
            return LoggerDevice::command(cmd, arg, r);
        }
        return true;
    }

  private:
    std::chrono::steady_clock::time_point restartEnd_{};

    bool eeprom(const std::string& arg, Reply& r) {
        const size_t size = st_.eeprom.size();
        if (arg.empty()) {
            if (st_.eeAddress == kEepromWholeBlock) {
                r = line(hexOf(st_.eeprom.data(), size));
            } else {
                if (st_.eeAddress >= size) return false;
                r = linef("%02X", st_.eeprom[st_.eeAddress]);
                ++st_.eeAddress;
            }
            return true;
        }
        std::vector<uint8_t> data;
        if (!hexBytes(arg, data) || st_.eeAddress >= size || data.size() > size - st_.eeAddress) return false;
        std::memcpy(st_.eeprom.data() + st_.eeAddress, data.data(), data.size());
        st_.eeAddress = static_cast<uint16_t>(st_.eeAddress + data.size());
        r = ok();
        return true;
    }

    // A request forwarded to the RS485 line; the inverter's reply comes back as 16 hex digits.
    // A damaged request and an address nobody answers to leave the line silent.
    bool inverter(const std::string& arg, Reply& r) {
        std::vector<uint8_t> rq;
        if (arg.size() != 2 * kAuroraRequest || !hexBytes(arg, rq)) return false;
        r.clear();
        const uint16_t crc = crcX25(rq.data(), 8);
        if (rq[8] != (crc & 0xFF) || rq[9] != (crc >> 8)) return true;
        SimInverter* inv = nullptr;
        for (SimInverter& i : st_.inverters)
            if (i.address == rq[0] && rq[0] != 0) inv = &i;
        if (!inv) return true;

        uint8_t reply[kAuroraReply] = {};
        switch (rq[1]) {
        case 63: // serial number
            for (size_t k = 0; k < 6; ++k)
                reply[k] = k < inv->serial.size() ? static_cast<uint8_t>(inv->serial[k]) : ' ';
            break;
        case 58: // version: the model letter
            reply[2] = static_cast<uint8_t>(inv->model);
            break;
        case 59: { // a measure, big-endian IEEE 754
            const float value = rq[2] == 8 ? inv->pin1 : rq[2] == 9 ? inv->pin2 : 0.0f;
            uint32_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            for (int k = 0; k < 4; ++k) reply[2 + k] = static_cast<uint8_t>(bits >> (24 - 8 * k));
            break;
        }
        default:
            return true; // not a request this inverter knows
        }
        const uint16_t rc = crcX25(reply, 6);
        reply[6] = static_cast<uint8_t>(rc & 0xFF);
        reply[7] = static_cast<uint8_t>(rc >> 8);
        if (inv->badReplies != 0) {
            reply[6] ^= 0x5A; // a damaged CRC, still hex text on the link
            if (inv->badReplies > 0) --inv->badReplies;
        }
        r.push_back({hexOf(reply, kAuroraReply) + "\r", kInverterTripMs});
        return true;
    }

    BoardProgram program_;
};

} // namespace

std::unique_ptr<Device> makeBoard(const SimOptions& opts, DeviceState& state) {
    return std::make_unique<BoardDevice>(opts, state);
}

} // namespace sim
