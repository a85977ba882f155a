// Device state: calendar arithmetic, the device clock, and loading / saving a recorded state.
#include "sim/device_state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

#include "sim/logger_device.h"

namespace sim {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

const int64_t kEpoch2000 = daysFromCivil(2000, 1, 1);

} // namespace

int daysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    if (month == 2 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) return 29;
    return kDays[month - 1];
}

bool validCivil(const CivilTime& t) {
    return t.year >= 2000 && t.year <= 2099 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month) && t.hour >= 0 && t.hour < 24 && t.minute >= 0 &&
           t.minute < 60 && t.second >= 0 && t.second < 60;
}

int64_t civilToSeconds(const CivilTime& t) {
    const int64_t days =
        daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - kEpoch2000;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilTime secondsToCivil(int64_t s) {
    int64_t days = s / 86400;
    int64_t rem = s % 86400;
    if (rem < 0) {
        rem += 86400;
        --days;
    }
    CivilTime t;
    civilFromDays(days + kEpoch2000, t.year, t.month, t.day);
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>(rem % 3600 / 60);
    t.second = static_cast<int>(rem % 60);
    return t;
}

CivilTime hostLocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    CivilTime t{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    if (t.second > 59) t.second = 59; // leap second
    if (t.year < 2000 || t.year > 2099) t.year = 2000 + t.year % 100;
    return t;
}

DeviceClock::DeviceClock() {
    set(hostLocalTime(), true);
}

void DeviceClock::set(const CivilTime& t, bool running) {
    base_ = civilToSeconds(t);
    at_ = std::chrono::steady_clock::now();
    running_ = running;
}

CivilTime DeviceClock::now() const {
    int64_t s = base_;
    if (running_) {
        s += std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - at_).count();
    }
    // The two-digit year of the device wraps after 2099.
    CivilTime t = secondsToCivil(s);
    if (t.year > 2099) t = secondsToCivil(s - (civilToSeconds({2100, 1, 1, 0, 0, 0})));
    return t;
}

void DeviceClock::setDate(int year, int month, int day) {
    CivilTime t = now();
    t.year = year;
    t.month = month;
    t.day = day;
    set(t, true);
}

void DeviceClock::setTime(int hour, int minute, int second) {
    CivilTime t = now();
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    set(t, true);
}

// ---- recorded state files ----

namespace {

// A flat JSON object: string keys to strings or numbers (as their text). Anything nested is
// refused.
bool parseFlatJson(const std::string& text, std::map<std::string, std::string>& out, std::string& err) {
    size_t i = 0;
    auto ws = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
            ++i;
    };
    auto str = [&](std::string& s) -> bool {
        if (i >= text.size() || text[i] != '"') return false;
        ++i;
        while (i < text.size() && text[i] != '"') {
            char c = text[i++];
            if (c == '\\') {
                if (i >= text.size()) return false;
                char e = text[i++];
                switch (e) {
                case 'n':
                    c = '\n';
                    break;
                case 'r':
                    c = '\r';
                    break;
                case 't':
                    c = '\t';
                    break;
                case '"':
                case '\\':
                case '/':
                    c = e;
                    break;
                default:
                    return false; // \uXXXX is not needed by any recorded state
                }
            }
            s += c;
        }
        if (i >= text.size()) return false;
        ++i;
        return true;
    };
    ws();
    if (i >= text.size() || text[i] != '{') {
        err = "device.json: an object was expected";
        return false;
    }
    ++i;
    ws();
    if (i < text.size() && text[i] == '}') return true;
    for (;;) {
        ws();
        std::string key, value;
        if (!str(key)) {
            err = "device.json: a key was expected";
            return false;
        }
        ws();
        if (i >= text.size() || text[i] != ':') {
            err = "device.json: ':' expected after \"" + key + "\"";
            return false;
        }
        ++i;
        ws();
        if (i < text.size() && text[i] == '"') {
            if (!str(value)) {
                err = "device.json: unterminated text for \"" + key + "\"";
                return false;
            }
        } else {
            size_t b = i;
            while (i < text.size() && text[i] != ',' && text[i] != '}' && text[i] != ' ' && text[i] != '\r' &&
                   text[i] != '\n' && text[i] != '\t') {
                if (text[i] == '{' || text[i] == '[') {
                    err = "device.json: nested values are not supported (\"" + key + "\")";
                    return false;
                }
                ++i;
            }
            value = text.substr(b, i - b);
            if (value.empty()) {
                err = "device.json: a value was expected for \"" + key + "\"";
                return false;
            }
        }
        out[key] = value;
        ws();
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (i < text.size() && text[i] == '}') return true;
        err = "device.json: ',' or '}' expected";
        return false;
    }
}

bool readFile(const std::string& path, std::string& out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream ss;
    ss << f.rdbuf();
    out = ss.str();
    return true;
}

} // namespace

bool loadDeviceState(const std::string& dir, DeviceState& out, std::string& err) {
    DeviceState st;
    std::string bytes;
    if (!readFile(dir + "/flash.bin", bytes)) {
        err = dir + "/flash.bin: " + std::strerror(errno);
        return false;
    }
    if (bytes.size() != kFlashSize) {
        err = dir + "/flash.bin: " + std::to_string(bytes.size()) + " bytes, expected " +
              std::to_string(kFlashSize);
        return false;
    }
    std::memcpy(st.flash.data(), bytes.data(), kFlashSize);

    std::string text;
    if (readFile(dir + "/device.json", text)) {
        std::map<std::string, std::string> kv;
        if (!parseFlatJson(text, kv, err)) return false;
        uint32_t v = 0;
        auto bad = [&](const char* key) {
            err = std::string("device.json: bad value for \"") + key + "\": " + kv[key];
            return false;
        };
        if (kv.count("ATVR")) {
            if (kv["ATVR"].empty() || kv["ATVR"].size() > 16) return bad("ATVR");
            st.versionReply = kv["ATVR"];
        }
        if (kv.count("ATSR")) {
            if (!reply::hexArg(kv["ATSR"], 2, v)) return bad("ATSR");
            st.status = static_cast<uint8_t>(v);
        }
        if (kv.count("ATER")) {
            if (!reply::hexArg(kv["ATER"], 2, v)) return bad("ATER");
            st.errors = static_cast<uint8_t>(v);
        }
        if (kv.count("ATPT")) {
            if (!reply::hexArg(kv["ATPT"], 4, v) || v > kPageMask) return bad("ATPT");
            st.pageTab = static_cast<uint16_t>(v);
        }
        if (kv.count("ATPL")) {
            if (!reply::hexArg(kv["ATPL"], 4, v) || v > kPageMask) return bad("ATPL");
            st.pageLast = static_cast<uint16_t>(v);
        }
        CivilTime t = st.clock.now();
        bool clockGiven = false;
        int a, b, c;
        if (kv.count("ATDT")) {
            if (!reply::decimalPairs(kv["ATDT"], a, b, c)) return bad("ATDT");
            t.year = 2000 + a;
            t.month = b;
            t.day = c;
            clockGiven = true;
        }
        if (kv.count("ATTM")) {
            if (!reply::decimalPairs(kv["ATTM"], a, b, c)) return bad("ATTM");
            t.hour = a;
            t.minute = b;
            t.second = c;
            clockGiven = true;
        }
        if (clockGiven) {
            if (!validCivil(t)) return bad(kv.count("ATDT") ? "ATDT" : "ATTM");
            st.clock.set(t, false);
        }
        if (kv.count("temporary_buffer_hex")) {
            const std::string& h = kv["temporary_buffer_hex"];
            if (h.size() % 2 != 0 || h.size() / 2 > 0xFFFF) return bad("temporary_buffer_hex");
            for (size_t k = 0; k < h.size(); k += 2) {
                if (!reply::hexArg(h.substr(k, 2), 2, v)) return bad("temporary_buffer_hex");
                st.tempBuffer.push_back(static_cast<uint8_t>(v));
            }
        }
        st.tempLength = static_cast<uint16_t>(st.tempBuffer.size());
        if (kv.count("ATRB_length")) {
            const std::string& s = kv["ATRB_length"];
            char* end = nullptr;
            long n = std::strtol(s.c_str(), &end, 10);
            if (s.empty() || *end != 0 || n < 0 || n > 0xFFFF) return bad("ATRB_length");
            st.tempLength = static_cast<uint16_t>(n);
        }
    } else if (errno != ENOENT) {
        err = dir + "/device.json: " + std::strerror(errno);
        return false;
    }
    st.read.page = st.pageTab;
    out = std::move(st);
    return true;
}

bool saveFlashImage(const DeviceState& st, const std::string& path, std::string& err) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) {
        err = path + ": " + std::strerror(errno);
        return false;
    }
    f.write(reinterpret_cast<const char*>(st.flash.data()), static_cast<std::streamsize>(st.flash.size()));
    f.close();
    if (!f) {
        err = path + ": write failed";
        return false;
    }
    return true;
}

bool saveDeviceState(const DeviceState& st, const std::string& dir, std::string& err) {
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        err = dir + ": " + std::strerror(errno);
        return false;
    }
    if (!saveFlashImage(st, dir + "/flash.bin", err)) return false;
    const CivilTime t = st.clock.now();
    std::string text = "{\n";
    if (!st.versionReply.empty()) text += " \"ATVR\": \"" + st.versionReply + "\",\n";
    char head[512];
    std::snprintf(head, sizeof head,
                  " \"ATSR\": \"%02X\",\n \"ATER\": \"%02X\",\n \"ATPT\": \"%04X\",\n"
                  " \"ATPL\": \"%04X\",\n \"ATDT\": \"%02d%02d%02d\",\n \"ATTM\": \"%02d%02d%02d\",\n"
                  " \"ATRB_length\": %u,\n",
                  st.status, st.errors, st.pageTab, st.pageLast, t.year % 100, t.month, t.day, t.hour,
                  t.minute, t.second, static_cast<unsigned>(st.tempLength));
    text += head;
    text += " \"temporary_buffer_hex\": \"";
    static const char kHex[] = "0123456789ABCDEF";
    for (uint8_t b : st.tempBuffer) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    text += "\"\n}";
    std::ofstream f(dir + "/device.json", std::ios::binary | std::ios::trunc);
    f << text;
    f.close();
    if (!f) {
        err = dir + "/device.json: write failed";
        return false;
    }
    return true;
}

std::array<uint8_t, kBoardEepromSize> defaultBoardEeprom() {
    return {
        0x5A,                                           // 0 token
        0x01, 0x00,                                     // 1 board address 1
        0x0A, 0x00,                                     // 3 acquisition period 10 s
        0x5A, 0x00,                                     // 5 one average every 90 acquisitions
        0x84, 0x03,                                     // 7 averaging period 900 s
        0x64, 0x00,                                     // 9 meter constant 1000 pulses/kWh
        0x35,                                           // 11 CO2 0.53 kg/kWh
        0x2C,                                           // 12 revenue 0.44 euro/kWh
        0xAC, 0x26, 0x00, 0x00,                         // 13 nominal power 9900 Wp
        0x41, 0x00,                                     // 17 protocol 1, line baud rate index 1
        0x03, 0x02,                                     // 19 three inverters from address 2
        0xA1, 0x10,                                     // 21 source RS485, alarms, auxiliary alarm on
        0x00, 0x00,                                     // 23 option 2
        0x01, 0x02, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, // 25 displays 0-2: power, energy, CO2
        0xA3, 0x90, 0x00, 0x00, 0x00, 0x00, 0x1F, 0xFF, // 33 telephone "+390000000001"
    };
}

std::vector<SimInverter> defaultInverters() {
    return {
        {2, "531204", '2', 1650.4f, 1588.2f, 0},
        {3, "531205", '3', 1802.9f, 1755.1f, 0},
        {4, "X45210", 'X', 4980.6f, 5011.0f, 0},
    };
}

} // namespace sim
