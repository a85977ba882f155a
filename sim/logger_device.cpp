// The data loggers: identification, registers, the flash memory read page by page, the
// temporary record buffer, the clock, flash erase and flash upload.
#include "sim/logger_device.h"

#include <algorithm>

namespace sim {

using namespace reply;

namespace {
// The byte that reports the end of a flash erase.
constexpr char kEraseEndByte[] = "\r";
} // namespace

namespace reply {

bool hexArg(const std::string& s, size_t digits, uint32_t& v) {
    if (s.size() != digits) return false;
    v = 0;
    for (char c : s) {
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            d = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            d = static_cast<uint32_t>(c - 'a' + 10);
        else
            return false;
        v = v * 16 + d;
    }
    return true;
}

bool decimalPairs(const std::string& s, int& a, int& b, int& c) {
    if (s.size() != 6) return false;
    for (char ch : s)
        if (ch < '0' || ch > '9') return false;
    a = (s[0] - '0') * 10 + (s[1] - '0');
    b = (s[2] - '0') * 10 + (s[3] - '0');
    c = (s[4] - '0') * 10 + (s[5] - '0');
    return true;
}

} // namespace reply

Reply LoggerDevice::handle(const std::string& rq) {
    if (st_.uploadMode) return upload(rq);
    if (rq == "***") return ok();
    if (rq.size() < 4 || rq[0] != 'A' || rq[1] != 'T') return err();
    const std::string cmd = rq.substr(2, 2), arg = rq.substr(4);
    Reply r;
    if (command(cmd, arg, r)) return r;
    return err();
}

bool LoggerDevice::command(const std::string& cmd, const std::string& arg, Reply& r) {
    uint32_t v = 0;
    if (cmd == "VR" && arg.empty()) {
        if (!st_.versionReply.empty())
            r = line(st_.versionReply);
        else
            r = linef("%c0%02X", hardwareCode(kind_), fw_ & 0xFFu);
    } else if (cmd == "CM" && hexArg(arg, 2, v)) {
        return control(v, r);
    } else if (cmd == "SR" && arg.empty()) {
        r = linef("%02X", st_.status);
    } else if (cmd == "ER" && arg.empty()) {
        r = linef("%02X", st_.errors);
    } else if ((cmd == "PT" || cmd == "PL") && arg.empty()) {
        r = linef("%04X", cmd == "PT" ? st_.pageTab : st_.pageLast);
    } else if ((cmd == "PT" || cmd == "PL") && hexArg(arg, 4, v)) {
        if (v > kPageMask) return false;
        (cmd == "PT" ? st_.pageTab : st_.pageLast) = static_cast<uint16_t>(v);
        r = ok();
    } else if (cmd == "RD" && arg.empty()) {
        r = readBlock();
    } else if (cmd == "RD" && hexArg(arg, 4, v)) {
        st_.read = ReadPosition{};
        st_.read.page = static_cast<uint16_t>(v & kPageMask);
        st_.read.fast = (v & 0x8000u) != 0;
        r = ok();
    } else if (cmd == "RB" && arg.empty()) {
        const size_t n = st_.tempLength;
        st_.read.tempActive = n > 0;
        st_.read.tempPos = 0;
        st_.read.tempEnd = (n + kBlockSize - 1) / kBlockSize * kBlockSize;
        r = linef("%04X", static_cast<unsigned>(n));
    } else if (cmd == "DT" || cmd == "TM") {
        return clock(cmd, arg, r);
    } else if (cmd == "OS" && arg.empty()) {
        r = linef("%02X", st_.operatingState);
    } else if (cmd == "MY") {
        if (fw_ < 0x13) return false;
        if (arg.empty()) {
            r = linef("%04X", st_.netAddress);
        } else if (hexArg(arg, 4, v)) {
            st_.netAddress = static_cast<uint16_t>(v);
            r = ok();
        } else {
            return false;
        }
    } else if (cmd == "ST" && hexArg(arg, 4, v)) {
        st_.sampleTimer = static_cast<uint16_t>(v);
        r = ok();
    } else {
        return false;
    }
    return true;
}

bool LoggerDevice::control(uint32_t code, Reply& r) {
    switch (code) {
    case 0x00: // probe step
        r = ok();
        return true;
    case 0x07: // monitor mode: the nodes' packets follow the acknowledgement
        r = ok();
        monitor_.start(st_, monitorSpeed_, seed_);
        return true;
    case 0x08: // monitor mode off
        monitor_.stop();
        r = ok();
        return true;
    case 0x05: // enter IDLE
        st_.operatingState = 0x00;
        r = ok();
        return true;
    case 0x06: // leave IDLE: recording again
        st_.operatingState = 0x05;
        r = ok();
        return true;
    case 0x09: // erase, only in IDLE: acknowledged at once, one byte when done
        if (st_.operatingState != 0x00) return false;
        eraseFlash();
        r = ok();
        // Until the end byte has gone out the device is busy: replies to requests that arrive
        // meanwhile follow it.
        r.push_back({eraseEndLost_ ? "" : kEraseEndByte, eraseMs_});
        return true;
    case 0x14: // flash upload mode, from firmware 1.8
        if (fw_ < 0x18) return false;
        st_.uploadMode = true;
        st_.uploadPos = 0;
        r = ok();
        return true;
    case 0x15:
        r = ok();
        return true;
    default:
        return false;
    }
}

// Flash upload: 48-byte blocks written from page 0 on, each acknowledged.
Reply LoggerDevice::upload(const std::string& rq) {
    if (rq == "ATCM15") {
        st_.uploadMode = false;
        return ok();
    }
    if (rq.size() != kBlockSize) return err();
    if (st_.uploadPos + kBlockSize <= st_.flash.size()) {
        std::copy(rq.begin(), rq.end(), st_.flash.begin() + static_cast<std::ptrdiff_t>(st_.uploadPos));
        st_.uploadPos += kBlockSize;
        return ok();
    }
    return err(); // past the end of the flash
}

void LoggerDevice::eraseFlash() {
    std::fill(st_.flash.begin(), st_.flash.end(), uint8_t{0xFF});
    st_.pageTab = st_.pageLast = 0;
    st_.status = 0x00; // a new session waits for its assignment table
    st_.tempBuffer.clear();
    st_.tempLength = 0;
    st_.read = ReadPosition{};
}

Reply LoggerDevice::readBlock() {
    ReadPosition& rp = st_.read;
    if (rp.tempActive) {
        std::string b(kBlockSize, '\xFF'); // past the buffer's bytes: 0xFF
        for (size_t i = 0; i < kBlockSize; ++i) {
            const size_t k = rp.tempPos + i;
            if (k < st_.tempBuffer.size() && k < st_.tempLength) b[i] = static_cast<char>(st_.tempBuffer[k]);
        }
        rp.tempPos += kBlockSize;
        if (rp.tempPos >= rp.tempEnd) rp.tempActive = false;
        return {{b, 0}};
    }
    const auto pg = st_.page(rp.page);
    const size_t from = rp.block * kBlockSize;
    const size_t to = rp.fast ? kPageSize : from + kBlockSize;
    std::string b(reinterpret_cast<const char*>(pg.data()) + from, to - from);
    const long weak = st_.unstableBlock - static_cast<long>(rp.page) * static_cast<long>(kBlocksPerPage);
    const size_t weakAt = static_cast<size_t>(weak) * kBlockSize; // [bytes] into the page
    if (weak >= 0 && weakAt >= from && weakAt < to) {
        const uint32_t n = st_.unstableReads++;
        b[weakAt - from + n % kBlockSize] ^= static_cast<char>(1 + n % 255);
    }
    rp.block = static_cast<uint8_t>(to / kBlockSize);
    if (rp.block >= kBlocksPerPage) {
        rp.block = 0;
        rp.page = static_cast<uint16_t>((rp.page + 1) & kPageMask);
    }
    return {{b, 0}};
}

bool LoggerDevice::clock(const std::string& cmd, const std::string& arg, Reply& r) {
    if (arg.empty()) {
        const CivilTime t = st_.clock.now();
        if (cmd == "DT")
            r = linef("%02d%02d%02d", t.year % 100, t.month, t.day);
        else
            r = linef("%02d%02d%02d", t.hour, t.minute, t.second);
        return true;
    }
    int a, b, c;
    if (!decimalPairs(arg, a, b, c)) return false;
    if (cmd == "DT") {
        if (b < 1 || b > 12 || c < 1 || c > daysInMonth(2000 + a, b)) return false;
        st_.clock.setDate(2000 + a, b, c);
    } else {
        if (a > 23 || b > 59 || c > 59) return false;
        st_.clock.setTime(a, b, c);
    }
    r = ok();
    return true;
}

std::unique_ptr<Device> makeLogger(const SimOptions& opts, DeviceState& state) {
    return std::make_unique<LoggerDevice>(opts, state);
}

} // namespace sim
