// The real-time monitor's core: packet lines, the packet log, the timer tick with its bounded
// port drain, the export sums and rows, and the monitor mode of the logger.
#include "logger/monitor.h"

#include <cstdarg>
#include <cstdio>

#include "link/korvane_com.h"
#include "logger/channel_select.h"
#include "logger/download.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/file_handle.h"
#include "tables/datalogger.h"

int Timeout_rx_def = 100;
uint32_t timercnt = 0;
float Dataset[kMaxSelected] = {};
uint16_t Tsample_exp = 0;
uint32_t StartExpTime = 0;
uint32_t RefExpTime = 0;

namespace {

constexpr int kPressureCode = 6; // raw -1: the node had no reading ("Err")
constexpr size_t kVxSize = 128;  // physical channel indices reach 0x7F

// Reads `digits` hexadecimal digits at `at`; false when the line is too short or a character
// is no digit.
bool hexField(std::string_view s, size_t at, size_t digits, uint32_t& v) {
    if (at + digits > s.size()) return false;
    v = 0;
    for (size_t i = 0; i < digits; ++i) {
        const int d = hexDigitValue(s[at + i]);
        if (d < 0) return false;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    return true;
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char buf[160];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

// A sample that carries no reading: it is neither summed nor drawn.
bool missingReading(int code, int32_t raw) {
    return (code & 0x1F) == kPressureCode && raw == -1;
}

// Index of the first export channel of node index n.
int exportBase(int n) {
    int base = 0;
    for (int k = 1; k < n; ++k) base += InfoFE[k].chanu_logic;
    return base;
}

void logRaw(std::string& text, uint8_t node, const int16_t* vx, size_t n) {
    text += format(" NodeAd= %u ", static_cast<unsigned>(node));
    for (size_t i = 0; i < n; ++i) text += format("vx[%u]= %d ", static_cast<unsigned>(i), vx[i]);
}

void logChannels(std::string& text, int node, const int32_t* vxl) {
    std::string value;
    for (int j = 0; j < InfoFE[node].chanu_logic; ++j) {
        adj_value(value, InfoFE[node].quantity(j), vxl[j]);
        text += format(" CH%u_%u= %s", static_cast<unsigned>(InfoFE[node].nodead),
                       static_cast<unsigned>(j + 1), value.c_str());
    }
}

// The measurement of a node of the table: data windows, live graph, battery and export sums.
void applyMeasurement(int node, const int32_t* vxl, uint16_t vbat, MonitorViews* views) {
    bool updated = false;
    std::string text;
    for (uint32_t i = 0; i < InfoSELCH.ncsel && i < kMaxSelected; ++i) {
        if (!views || !views->dataWindow(static_cast<int>(i))) continue;
        int n = 0, j = 0;
        if (!slotChannel(static_cast<int>(i), n, j) || n != node) continue;
        const int code = InfoFE[node].quantity(j);
        const float v = adj_value(text, code, vxl[j]);
        views->showValue(static_cast<int>(i), text);
        if (missingReading(code, vxl[j])) continue; // shown as "Err", never drawn
        Dataset[i] = v;
        updated = true;
    }
    if (updated) {
        if (Flag_Graph == 2)
            Plot_Graph2(Dataset);
        else if (Flag_Graph == 1)
            Plot_Graph1(Dataset);
    }
    for (int k = 1; k <= kMaxNodes; ++k)
        if (k <= TotalNodeNum && InfoFE[k].nodead == InfoFE[node].nodead) Vbat_curr[k] = vbat;
    if (!Exportfile) return;
    const int base = exportBase(node);
    for (int j = 0; j < InfoFE[node].chanu_logic && base + j < kExportChannels; ++j) {
        const int code = InfoFE[node].quantity(j);
        ExpoGra[base + j] = static_cast<uint8_t>(code);
        if (missingReading(code, vxl[j])) continue;
        const float v = adj_value(text, code, vxl[j]);
        ExpoCh[base + j] += static_cast<double>(v);
        ExpoN[base + j] += 1;
    }
}

} // namespace

MonitorPacket parseMonitorLine(std::string_view s) {
    MonitorPacket p;
    if (s.size() < 4 || s.substr(0, 2) != "AT") return p;
    const std::string_view kind = s.substr(2, 2);
    uint32_t v = 0, w = 0;
    if (!hexField(s, 4, 2, v)) return p;
    p.node = static_cast<uint8_t>(v);
    if (kind == "BC") {
        uint32_t count = 0, satmr = 0;
        if (!hexField(s, 6, 2, count) || !hexField(s, 8, 4, satmr)) return p;
        size_t at = 12;
        for (uint32_t i = 0; i < count; ++i, at += 4) {
            if (!hexField(s, at, 4, w)) return MonitorPacket{};
            p.values.push_back(static_cast<int16_t>(w));
        }
        if (!hexField(s, at, 4, w)) return MonitorPacket{};
        p.count = static_cast<uint8_t>(count);
        p.satmr = static_cast<uint16_t>(satmr);
        p.vbat = static_cast<uint16_t>(w);
        p.kind = MonitorPacket::Config;
    } else if (kind == "UC") {
        if (s.size() < 14) return p;
        const size_t n = (s.size() - 14) / 4;
        if (n > kVxSize) return p;
        size_t at = 6;
        for (size_t i = 0; i < n; ++i, at += 4) {
            if (!hexField(s, at, 4, w)) return MonitorPacket{};
            p.values.push_back(static_cast<int16_t>(w));
        }
        uint32_t t = 0;
        if (!hexField(s, at, 4, t) || !hexField(s, at + 4, 4, w)) return MonitorPacket{};
        p.temp = static_cast<uint16_t>(t);
        p.vbat = static_cast<uint16_t>(w);
        p.kind = MonitorPacket::Measure;
    } else if (kind == "NA") {
        p.test = std::string(s.substr(6, 2));
        p.kind = MonitorPacket::Test;
    }
    return p;
}

// ---------------------------------------------------------------- the packet log

void MonitorLog::clear() {
    dropped_ += lines_.size();
    lines_.clear();
    partial_.clear();
    chars_ = 0;
}

void MonitorLog::append(std::string_view text) {
    partial_.append(text);
    size_t start = 0;
    for (size_t eol; (eol = partial_.find("\r\n", start)) != std::string::npos; start = eol + 2) {
        std::string line = partial_.substr(start, eol - start);
        const size_t cost = line.size() + 2;
        while (!lines_.empty() && chars_ + cost > limit_) {
            chars_ -= lines_.front().size() + 2;
            lines_.pop_front();
            ++dropped_;
        }
        chars_ += cost;
        lines_.push_back(std::move(line));
        if (onLine) onLine(lines_.back() + "\r\n");
    }
    partial_.erase(0, start);
}

size_t MonitorLog::takeDropped() {
    const size_t d = dropped_;
    dropped_ = 0;
    return d;
}

int saveMonitorLog(const MonitorLog& log, const std::string& path) {
    File f = openFile(path, "wb");
    if (!f) return 0;
    for (const std::string& line : log.lines()) {
        const size_t n = line.size() < 2000 ? line.size() : 2000;
        std::fwrite(line.data(), 1, n, f.get());
        std::fputs("\r\n", f.get());
    }
    return std::fflush(f.get()) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------- packets

void handleMonitorLine(std::string_view line, const std::string& timeOfDay, TextBox& log,
                       MonitorViews* views) {
    const MonitorPacket p = parseMonitorLine(line);
    std::string text;
    switch (p.kind) {
    case MonitorPacket::None:
        return;
    case MonitorPacket::Config:
        text = format("BC>> NodeAd= %u ChaNu= %u SaTmr= %u ", static_cast<unsigned>(p.node),
                      static_cast<unsigned>(p.count), static_cast<unsigned>(p.satmr));
        for (size_t i = 0; i < p.values.size(); ++i)
            text += format("Cf[%u]= 0x%04X ", static_cast<unsigned>(i),
                           static_cast<unsigned>(static_cast<uint16_t>(p.values[i])));
        text += format("Vbat= %u\r\n", static_cast<unsigned>(p.vbat));
        break;
    case MonitorPacket::Test:
        text = format("TEST>> NodeAd= %u %s\r\n", static_cast<unsigned>(p.node), p.test.c_str());
        break;
    case MonitorPacket::Measure: {
        text = timeOfDay + ">>";
        int16_t vx[kVxSize] = {};
        int32_t vxl[kMaxLogicCh] = {};
        for (size_t i = 0; i < p.values.size(); ++i) vx[i] = p.values[i];
        int node = 0;
        if (getCHlogic(&node, vxl, vx, static_cast<uint8_t>(p.values.size()), p.node)) {
            applyMeasurement(node, vxl, p.vbat, views);
            logChannels(text, node, vxl);
            text += format(" Tboard= %1.1f Vbat= %1.2f\r\n", p.temp / 10.0, p.vbat / 100.0);
        } else {
            logRaw(text, p.node, vx, p.values.size());
            text +=
                format("Tboard= %d Vbat= %u\r\n", static_cast<int>(p.temp), static_cast<unsigned>(p.vbat));
        }
        break;
    }
    }
    log.append(text);
}

void logTempBuffer(const uint8_t* buf, int n, TextBox& log) {
    if (!buf || n <= 0) return;
    walkRecords({buf, static_cast<size_t>(n)}, [&](const RecordRef& r) {
        const datitab& node = InfoFE[r.node];
        int16_t vx[kVxSize] = {};
        for (size_t i = 0; i < node.chanu && i < kVxSize; ++i)
            vx[i] = static_cast<int16_t>(le16(buf + r.offset + 5 + 2 * i));
        int32_t vxl[kMaxLogicCh] = {};
        int idx = 0;
        std::string text = format("%u>>", static_cast<unsigned>(r.marker));
        if (getCHlogic(&idx, vxl, vx, node.chanu, node.nodead))
            logChannels(text, idx, vxl);
        else
            logRaw(text, node.nodead, vx, node.chanu);
        log.append(text + "\r\n");
    });
}

std::string timeOfDayText(time_t t) {
    struct tm lt {};
    localtime_r(&t, &lt);
    return format("%02d:%02d:%02d", lt.tm_hour, lt.tm_min, lt.tm_sec);
}

int initMonitor(ComHandle h, Window owner, TextBox& log, MonitorViews* views, time_t now) {
    Timeout_rx_def = Timeout_rx;
    Tsample_exp = Tsample;
    timercnt = 0;
    Show_wait_msg(owner, "Lettura dati da buffer...");
    uint8_t buf[kPageSize];
    const int n = read_tmp_buffer(h, buf);
    Close_wait_msg();
    logTempBuffer(buf, n, log);

    const std::string tod = timeOfDayText(now);
    return monitorCommand(h, "ATCM07\r",
                          [&](const std::string& l) { handleMonitorLine(l, tod, log, views); });
}

int monitorCommand(ComHandle h, const char* cmd, const std::function<void(const std::string&)>& onPacket) {
    int ok = sendCOMMAND(h, cmd, kModeCR);
    for (int k = 0; k < 64 && ok && parseMonitorLine(rxText()).kind != MonitorPacket::None; ++k) {
        if (onPacket) onPacket(rxText());
        ok = sendCOMMAND(h, "", kModeCR);
        // The reply may still be on its way: wait for it as for any reply.
        if (!ok && iRx == 0 && !Com_lost && h->waitReadable(static_cast<uint32_t>(Timeout_rx)) > 0)
            ok = sendCOMMAND(h, "", kModeCR);
    }
    return ok;
}

int drainMonitorPort(ComHandle h, const std::function<void(const std::string&)>& onLine) {
    const int saved = Timeout_rx;
    Timeout_rx = kMonitorDrainTimeoutMs;
    const uint32_t t0 = nowMs();
    int lines = 0;
    while (lines < kMonitorDrainMaxLines && nowMs() - t0 < kMonitorDrainMaxMs) {
        const int ok = sendCOMMAND(h, "", kModeCR); // no request: only what the logger sent
        if (!ok && iRx < kRxOverflow) break;        // silence or a broken link
        ++lines;
        if (ok) onLine(rxText()); // an overlong line is dropped
    }
    Timeout_rx = saved;
    return lines;
}

void clearExportSums() {
    for (int i = 0; i < kExportChannels; ++i) ExpoCh[i] = 0, ExpoN[i] = 0;
}

void startExport(time_t now) {
    StartExpTime = static_cast<uint32_t>(now);
    RefExpTime = StartExpTime + Tsample_exp;
    clearExportSums();
    for (int n = 1, base = 0; n <= TotalNodeNum; base += InfoFE[n].chanu_logic, ++n)
        for (int j = 0; j < InfoFE[n].chanu_logic && base + j < kExportChannels; ++j)
            ExpoGra[base + j] = static_cast<uint8_t>(InfoFE[n].quantity(j));
    printHeaderExp();
}

int exportRowIfDue(time_t now, MonitorViews* views) {
    if (!Exportfile || static_cast<uint32_t>(now) <= RefExpTime) return 0;
    printDataExp(now);
    std::fflush(Exportfile);
    RefExpTime += Tsample_exp;
    if (views) {
        std::string elapsed;
        getTimeSig2(elapsed, static_cast<uint32_t>(now) - StartExpTime);
        views->showElapsed(elapsed);
    }
    clearExportSums();
    return 1;
}

void monitorTick(ComHandle h, time_t now, TextBox& log, MonitorViews* views) {
    if (Flag_Graph > 0 && Gest_Curs() == 27) {
        Flag_Graph = 0;
        Close_Graph();
    }
    if (++timercnt > kMonitorDrainTicks) {
        timercnt = 0;
        const std::string tod = timeOfDayText(now);
        beginGraphBatch();
        drainMonitorPort(h, [&](const std::string& line) { handleMonitorLine(line, tod, log, views); });
        endGraphBatch();
        Timeout_rx = Timeout_rx_def;
    }
    exportRowIfDue(now, views);
}

int confirmMonitorClose(Window owner) {
    if (!Exportfile) return 1;
    if (messageBox(owner, "Il file di esportazione dati verra' chiuso. Procedere ?", "Warning",
                   MsgButtons::YesNo, MsgIcon::Warning) != MsgAnswer::Yes)
        return 0;
    std::fclose(Exportfile);
    Exportfile = nullptr;
    return 1;
}

int stopMonitorMode(ComHandle h) {
    if (!h) return 0;
    Timeout_rx = Timeout_rx_def;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (monitorCommand(h, "ATCM08\r", nullptr) == 1 && rxOk()) return 1;
        if (Com_lost) return 0;
    }
    return 0;
}

int readRecordingState(ComHandle h, Window owner, const std::function<void(const std::string&)>& onPacket) {
    Timeout_rx = Timeout_rx_def;
    clearRxBuf(h);
    if (monitorCommand(h, "ATOS\r", onPacket) != 1) {
        messageBox(owner, "Impossibile leggere lo stato operativo corrente del datalogger", "Com Error",
                   MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    const int state = str16_to_num(reinterpret_cast<const char*>(Rx_buf), 2);
    if (state == 5 || state == 6) return 1;
    messageBox(owner, "Per questa funzione e' necessario che il datalogger sia in fase di registrazione",
               "Warning", MsgButtons::Ok, MsgIcon::Warning);
    return 0;
}

int finishMonitor(ComHandle h) {
    const int ok = stopMonitorMode(h);
    initSELCH();
    forgetDataWindowPositions();
    return ok;
}

void resetMonitorState() {
    if (Init_Graph) Close_Graph();
    Init_Datalogger();
    initSELCH();
    forgetDataWindowPositions();
    WinOfs = 0;
    Timeout_rx_def = 100;
    timercnt = 0;
    for (float& v : Dataset) v = 0;
    Tsample_exp = 0;
    StartExpTime = RefExpTime = 0;
    clearExportSums();
    for (uint8_t& g : ExpoGra) g = 0;
}
