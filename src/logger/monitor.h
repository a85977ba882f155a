#pragma once
// The real-time monitor: while the logger records it relays every packet of its nodes as a text
// line ("ATBC" configuration, "ATUC" measurement, "ATNA" test). The monitor shows the temporary
// buffer, then drains the port on a 100 ms timer, decodes the packets with the channel logic,
// appends their log lines, feeds the channel windows and live graphs, sums the export periods
// and writes the export rows. Everything here is free of widgets: the monitor window and
// korvane-cli drive the same functions.
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_box.h"
#include "platform/ui.h"
#include "shell/korvane.h"

inline constexpr int kMonitorTickMs = 100;         // timer period [ms]
inline constexpr uint32_t kMonitorDrainTicks = 10; // the port is read when the counter exceeds this
inline constexpr int kMonitorDrainTimeoutMs = 100; // reply time-out while draining [ms]
// One drain reads at most this many lines or for at most this long [ms]; what is left waits in
// the port for the next drain, so a logger that sends faster than lines can be read never holds
// up the timer and the export.
inline constexpr int kMonitorDrainMaxLines = 256;
inline constexpr uint32_t kMonitorDrainMaxMs = 400;
inline constexpr size_t kMonitorLogLimit = 0xFFFFF; // characters the packet log holds
inline constexpr int kMaxSelected = 8;              // channels that can be selected
inline constexpr int kExportChannels = 256;         // channels the export sums hold

extern int Timeout_rx_def;          // the link's normal reply time-out, saved while the monitor drains [ms]
extern uint32_t timercnt;           // timer ticks since the port was last read
extern float Dataset[kMaxSelected]; // last scaled value of each selected channel
extern uint16_t Tsample_exp;        // export period [s]
extern uint32_t StartExpTime;       // export start [s since 1970]
extern uint32_t RefExpTime;         // the next export row is due strictly after this [s since 1970]

// One packet line, decoded.
struct MonitorPacket {
    enum Kind { None, Config, Measure, Test };
    Kind kind = None;
    uint8_t node = 0;            // node address
    uint8_t count = 0;           // Config: channel count announced
    uint16_t satmr = 0;          // Config: sample timer [s]
    std::vector<int16_t> values; // Config: configuration words; Measure: channel values
    uint16_t temp = 0;           // Measure: board temperature [0.1 degC]
    uint16_t vbat = 0;           // battery [0.01 V] (Config and Measure)
    std::string test;            // Test: the two characters after the address
};

// Decodes one line (without its CR). A line of no known kind, or one too short or with
// non-hexadecimal digits where numbers stand, gives kind None.
MonitorPacket parseMonitorLine(std::string_view line);

// The packet log: whole lines, at most kMonitorLogLimit characters; when a line would pass the
// limit the oldest lines are dropped, so a long session neither stops logging nor slows down.
class MonitorLog : public TextBox {
  public:
    explicit MonitorLog(size_t limit = kMonitorLogLimit) : limit_(limit) {}
    void clear() override;
    // Appends text; every "\r\n" ends a line.
    void append(std::string_view text) override;
    const std::deque<std::string>& lines() const { return lines_; } // ended lines, without "\r\n"
    size_t characters() const { return chars_; }
    // Lines dropped from the front since the last call (the window removes as many).
    size_t takeDropped();
    // Called with each completed line (with its "\r\n").
    std::function<void(const std::string&)> onLine;

  private:
    size_t limit_;
    std::deque<std::string> lines_;
    std::string partial_;
    size_t chars_ = 0; // characters of lines_, each line counted with its "\r\n"
    size_t dropped_ = 0;
};

// Writes each line of the log (at most 2000 characters of it) followed by "\r\n". 1 = written.
int saveMonitorLog(const MonitorLog& log, const std::string& path);

// What the monitor writes into other windows; the dialogs implement it, tests record it.
class MonitorViews {
  public:
    virtual ~MonitorViews() = default;
    // The data window of selection slot i exists.
    virtual bool dataWindow(int slot) const {
        (void)slot;
        return false;
    }
    virtual void showValue(int slot, const std::string& text) { (void)slot, (void)text; }
    // The channel-selection dialog's elapsed export time, when that dialog is open.
    virtual void showElapsed(const std::string& text) { (void)text; }
};

// Handles one line read from the port: appends its log text to `log`, updates the selected
// channels' windows, Dataset and the live graph, the battery values and the export sums.
// `timeOfDay`: "hh:mm:ss" of the PC clock.
void handleMonitorLine(std::string_view line, const std::string& timeOfDay, TextBox& log,
                       MonitorViews* views);

// Log lines of the temporary buffer's records (`n` bytes of `buf`).
void logTempBuffer(const uint8_t* buf, int n, TextBox& log);

// Opens the monitor on the link: reads the temporary buffer under the wait window and logs its
// records, then puts the logger into monitor mode ("ATCM07"). The buffer is read before the
// logger starts streaming, so no packet line can be taken for a reply of that exchange; a packet
// that arrives in place of the "ATCM07" reply is handled as a packet. Returns 1 when the logger
// answered "ATCM07".
int initMonitor(ComHandle h, Window owner, TextBox& log, MonitorViews* views, time_t now);

// Sends a command while the logger may be streaming: packet lines that arrive before the reply
// are handed to `onPacket` (may be null) instead of being taken for the reply. 1 = the reply is in
// Rx_buf.
int monitorCommand(ComHandle h, const char* cmd, const std::function<void(const std::string&)>& onPacket);
// "Mostra canali": "ATOS"; 1 when the logger is recording (state 05 or 06). Otherwise shows
// "Impossibile leggere ..." (no reply) or "Per questa funzione ..." (another state) and gives 0.
int readRecordingState(ComHandle h, Window owner, const std::function<void(const std::string&)>& onPacket);

// Reads the lines waiting in the port (at most kMonitorDrainMaxLines, for at most
// kMonitorDrainMaxMs) at the drain time-out and hands each to `onLine`. Returns the lines read.
int drainMonitorPort(ComHandle h, const std::function<void(const std::string&)>& onLine);

// One 100 ms timer tick at `now`: the live graph's Esc key, the port read on every 11th tick,
// and the export row when it is due.
void monitorTick(ComHandle h, time_t now, TextBox& log, MonitorViews* views);

// Export: opened elsewhere into Exportfile; this starts its periods at `now`: clears the sums,
// takes the quantity codes of every channel from the table and writes the header.
void startExport(time_t now);
// Writes the row due at `now` when `now` is past RefExpTime; 1 = a row was written.
int exportRowIfDue(time_t now, MonitorViews* views);
// Clears the export sums and counts.
void clearExportSums();

// "hh:mm:ss" of `t` in local time.
std::string timeOfDayText(time_t t);

// Closing: with an open export file asks "Il file di esportazione dati verra' chiuso.
// Procedere ?"; 0 = the user said No (the monitor stays open). Closes the export file.
int confirmMonitorClose(Window owner);
// Takes the logger out of monitor mode: "ATCM08" until it answers "OK" (packet lines still on
// their way are skipped), at most a few attempts. 1 = acknowledged.
int stopMonitorMode(ComHandle h);
// After the window is gone: "ATCM08", the selection cleared, the data windows' positions
// forgotten. Returns stopMonitorMode's result.
int finishMonitor(ComHandle h);

// Start values of the monitor's globals: no selection, no live graph, the graph range -50..50.
void resetMonitorState();
