// The energy board's committed parameters, restarts, display boards and GSM module.
#include <chrono>
#include <cstring>

#include "sim/board_extras.h"
#include "sim/logger_device.h"

namespace sim {

using namespace reply;

namespace {

uint32_t clockMs() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool restarting(const SimDisplay& d) {
    return d.restartUntilMs != 0 && static_cast<int32_t>(d.restartUntilMs - clockMs()) > 0;
}

std::string hexText(const std::string& s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string h;
    for (unsigned char c : s) {
        h += digits[c >> 4];
        h += digits[c & 15];
    }
    return h;
}

// The GSM module's answer to the command text (hex) it was given.
bool gsmCommand(const SimDisplayBus& bus, const std::string& dataHex, Reply& r) {
    if (!bus.gsm) return false;
    std::string text;
    for (size_t i = 0; i + 1 < dataHex.size(); i += 2) {
        uint32_t v = 0;
        if (!hexArg(dataHex.substr(i, 2), 2, v)) return false;
        text += static_cast<char>(v);
    }
    if (text != "AT+CSQ\r") return false;
    char buf[40];
    std::snprintf(buf, sizeof buf, "\r\n+CSQ: %u,%u\r\n", unsigned{bus.gsmLevel}, unsigned{bus.gsmBer});
    r = line(hexText(buf));
    return true;
}

bool control(SimDisplayBus& bus, SimDisplay& d, uint32_t b, Reply& r) {
    const int pending = d.pendingControl;
    d.pendingControl = 0;
    if (b == 0x55) { // reset: back to the stored values, then a restart
        d.regs = d.saved;
        bus.option3 = bus.option3Saved;
        d.restartUntilMs = clockMs() + 500;
    } else if (b == 0xEE || b == 0xDD) {
        d.pendingControl = static_cast<int>(b);
    } else if (b == 0xFF && pending == 0xEE) { // defaults
        d.regs = d.saved = SimDisplayRegs{};
        bus.option3 = bus.option3Saved = {};
        d.restartUntilMs = clockMs() + 500;
    } else if (b == 0xAA && pending == 0xDD) { // store
        d.saved = d.regs;
        bus.option3Saved = bus.option3;
    } else {
        return false;
    }
    r = ok();
    return true;
}

} // namespace

SimDisplayBus defaultDisplayBus() {
    SimDisplayBus bus;
    for (size_t i = 0; i < 3; ++i) bus.displays[i].present = true;
    return bus;
}

bool boardControl(DeviceState& st, uint32_t code, Reply& r, bool& restart) {
    restart = false;
    switch (code) {
    case 0x0F: // reset: the committed parameters come back
        st.eeprom = st.eepromSaved;
        restart = true;
        break;
    case 0x10:
        ++st.remoteP1;
        break;
    case 0x11:
        ++st.remoteP2;
        break;
    case 0x12:
        st.eepromSaved = st.eeprom;
        break;
    case 0x13: // factory defaults
        st.eeprom = st.eepromSaved = defaultBoardEeprom();
        restart = true;
        break;
    default:
        return false;
    }
    r = ok();
    return true;
}

bool displayCommand(DeviceState& st, const std::string& arg, Reply& r) {
    uint32_t disp = 0, op = 0;
    if (arg.size() < 4 || !hexArg(arg.substr(0, 2), 2, disp) || !hexArg(arg.substr(2, 2), 2, op))
        return false;
    const std::string data = arg.substr(4);
    SimDisplayBus& bus = st.bus;
    if (disp == 2 && op == 0xE0) return gsmCommand(bus, data, r);
    const uint32_t cls = op & 0xE0;
    const size_t dataDigits = cls == 0x80 ? 6 : (cls == 0xA0 || cls == 0xE0) ? 2 : 0;
    uint32_t v = 0;
    if (data.size() != dataDigits || (dataDigits && !hexArg(data, dataDigits, v))) return false;
    const bool mw55 = bus.kind == DisplayKind::MW55h;
    if (op == 0x27 || op == 0xA7) { // an option register: the slot carries its number
        if (!mw55 || disp >= bus.option3.size()) return false;
        if (op == 0x27) {
            r = linef("%02X", bus.option3[disp]);
        } else {
            bus.option3[disp] = static_cast<uint8_t>(v);
            r = ok();
        }
        return true;
    }
    if (disp >= bus.displays.size()) return false;
    SimDisplay& d = bus.displays[disp];
    if (!d.present || restarting(d)) return false;
    SimDisplayRegs& g = d.regs;
    uint8_t* reg = nullptr;
    switch (op) {
    case 0x01: // probe
        r = linef("%02X", bus.kind == DisplayKind::MW53h ? 0x7F : 0x01);
        return true;
    case 0x02:
        r = linef("%02X", d.fw);
        return true;
    case 0x03:
        r = linef("%02X", static_cast<unsigned>(bus.kind));
        return true;
    case 0x21:
    case 0xA1:
        reg = &g.ndigit;
        break;
    case 0x22:
    case 0xA2:
        reg = &g.dpoint;
        break;
    case 0x23:
    case 0xA3:
        reg = &g.dlux;
        break;
    case 0x24:
    case 0xA4:
        reg = &g.option;
        break;
    case 0x25:
    case 0xA5:
        reg = &g.rxto;
        break;
    case 0x26:
    case 0xA6:
        reg = &g.option2;
        break;
    case 0xA0:
        return control(bus, d, v, r);
    default:
        return false;
    }
    if (cls == 0x20) {
        r = linef("%02X", *reg);
    } else {
        *reg = static_cast<uint8_t>(v);
        r = ok();
    }
    return true;
}

} // namespace sim
