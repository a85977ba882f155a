// The real-time monitor's input: the temporary buffer's records (logTempBuffer) and the packet
// lines the logger sends in monitor mode ("ATBC", "ATUC", "ATNA", anything else), decoded and
// logged (parseMonitorLine, handleMonitorLine) into the data windows, the export sums and one
// export row.
//
// Input: byte 0 bit 0 a table from the input (else the table of the monitor fixture's session),
// bit 1 the export file open, bit 2 decimal comma, bit 3 eight channels selected with their data
// windows open; byte 1 the temporary buffer's length / 4; with bit 0, bytes 2-3 the table's
// length (little-endian, at most 528) and the table; then the temporary buffer, then the packet
// lines, each ended by CR as the logger sends them.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "fuzz_target.h"
#include "logger/channel_select.h"
#include "logger/download.h"
#include "logger/monitor.h"
#include "logger/tab_ass.h"
#include "shell/korvane.h"
#include "tables/datalogger.h"

namespace {

// The table page of the monitor fixture's session: node 4 (temperature, a 32-bit energy pair,
// RMS voltage, kW, pressure) and node 254 (peak current, DC power, active power).
constexpr uint8_t kFixtureTable[] = {0xFF, 0x9B, 0x2E, 0x00, 0x58, 0x4D, 0x00, 0x00, 0x30, 0x47, 0x22, 0x31,
                                     0x12, 0x15, 0x00, 0x00, 0x04, 0x06, 0x0F, 0x00, 0x01, 0x55, 0x60, 0x32,
                                     0x10, 0x00, 0x08, 0x00, 0xF1, 0x79, 0x06, 0x00, 0x5F, 0x01, 0xFE, 0x03,
                                     0x14, 0x00, 0xCE, 0x16, 0xAB, 0xF2, 0x4C, 0x22, 0x4D, 0x01};

constexpr size_t kLogLimit = 8192;  // small, so that old lines are dropped
constexpr time_t kNow = 1451608470; // 160101_003430 UTC

class Views : public MonitorViews {
  public:
    bool dataWindow(int slot) const override { return slot >= 0 && slot < kMaxSelected; }
    void showValue(int slot, const std::string& text) override {
        // A value text is at most 12 characters, and only selected slots are written.
        if (text.size() > 12 || slot < 0 || static_cast<uint32_t>(slot) >= InfoSELCH.ncsel) __builtin_trap();
    }
};

} // namespace

KORVANE_FUZZ_TARGET(monitor_lines) {
    if (size < 2) return 0;
    const uint8_t mode = data[0];
    const uint8_t* p = data + 2;
    size_t left = size - 2;

    std::memset(TabAss, 0xFF, kTabAssSize);
    if (mode & 0x01) {
        if (left < 2) return 0;
        const size_t t = std::min<size_t>({static_cast<size_t>(p[0] | (p[1] << 8)), kTabAssSize, left - 2});
        if (t) std::memcpy(TabAss, p + 2, t);
        p += 2 + t, left -= 2 + t;
    } else {
        std::memcpy(TabAss, kFixtureTable, sizeof kFixtureTable);
    }
    if (decodeTabAss() != 1) return 0;

    initSELCH();
    if (mode & 0x08) {
        InfoSELCH.ncsel = kMaxSelected;
        for (uint32_t i = 0; i < kMaxSelected; ++i) {
            InfoSELCH.nodo[i] = TotalNodeNum ? i % TotalNodeNum : 0;
            InfoSELCH.canale[i] = 2 + i;
        }
    }
    Flag.comma = (mode & 0x04) ? 1 : 0;
    Flag_Graph = 0;
    for (auto& v : Vbat_curr) v = 0;
    if (Exportfile) std::fclose(Exportfile);
    Exportfile = (mode & 0x02) ? std::fopen("export.csv", "wb") : nullptr;
    Tsample_exp = 10;
    startExport(kNow);

    MonitorLog log(kLogLimit);
    Views views;
    const size_t tmp = std::min<size_t>(static_cast<size_t>(data[1]) * 4, left);
    logTempBuffer(p, static_cast<int>(tmp), log);
    p += tmp, left -= tmp;

    bool measured = false;
    const std::string_view rest(reinterpret_cast<const char*>(p), left);
    for (size_t at = 0; at < rest.size();) {
        const size_t cr = std::min(rest.find('\r', at), rest.size());
        const std::string_view line = rest.substr(at, cr - at);
        const MonitorPacket pk = parseMonitorLine(line);
        // A measurement carries n = (length - 14) / 4 values; a configuration its count of words.
        if (pk.kind == MonitorPacket::Measure && pk.values.size() != (line.size() - 14) / 4) __builtin_trap();
        if (pk.kind == MonitorPacket::Config && pk.values.size() != pk.count) __builtin_trap();
        measured = measured || pk.kind == MonitorPacket::Measure;
        handleMonitorLine(line, "00:34:31", log, &views);
        if (log.characters() > kLogLimit) __builtin_trap();
        at = cr + 1;
    }

    if (!Exportfile) return 0;
    if (exportRowIfDue(kNow + 11, &views) != 1) __builtin_trap();
    std::fclose(Exportfile);
    Exportfile = nullptr;
    // Header and row: a time stamp and one field per logical channel (at most 256); without any
    // measurement every field of the row is "Err".
    std::ifstream in("export.csv", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t channels = static_cast<size_t>(std::min(TotalLogicCh, kExportChannels));
    const size_t eol = all.find("\r\n");
    if (eol == std::string::npos || all.size() < eol + 4 || all.compare(all.size() - 2, 2, "\r\n") != 0)
        __builtin_trap();
    const std::string_view header(all.data(), eol), row(all.data() + eol + 2, all.size() - eol - 4);
    if (static_cast<size_t>(std::count(header.begin(), header.end(), ';')) != channels ||
        static_cast<size_t>(std::count(row.begin(), row.end(), ';')) != channels)
        __builtin_trap();
    if (!measured) {
        std::string allErr = std::string(row.substr(0, 13));
        for (size_t i = 0; i < channels; ++i) allErr += ";Err";
        if (row != allErr) __builtin_trap();
    }
    return 0;
}
