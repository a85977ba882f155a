#pragma once
// Dialog 400 ("Monitor"): the modeless real-time monitor. It shows the logger's temporary buffer
// and then, on its 100 ms timer, every packet line the logger relays (text box 401, white on
// black); "Save" (404) writes the box to RX41mon.txt, "Mostra canali" (405) opens the channel
// selection (dialog 1200) and "Esc" (402) or the close box ends it. Its owner stays disabled
// while it is open; closing takes the logger out of monitor mode on every path.
#include <QDialog>
#include <QTimer>
#include <ctime>
#include <functional>
#include <memory>

#include "logger/monitor.h"

class DlgCanale;
class DlgSelCH;
class QPlainTextEdit;

class DlgMonitor : public QDialog, public MonitorViews {
    Q_OBJECT
  public:
    explicit DlgMonitor(QWidget* owner);
    ~DlgMonitor() override;

    // Shows the window, the temporary buffer, puts the logger into monitor mode and starts the
    // timer. Returns 1 when the logger answered.
    int start();
    QWidget* control(int id) const;
    DlgCanale* channelWindow(int slot) const {
        return slot >= 0 && slot < kMaxSelected ? hDlgMon_[slot] : nullptr;
    }
    const MonitorLog& log() const { return log_; }
    QTimer& timer() { return timer_; }
    // One timer tick, as the timer runs it.
    void tick();
    // Appends text to the packet log and its box, as a packet's line is appended.
    void appendLog(std::string_view text);
    // "Esc": true when the monitor closed.
    bool escape();
    // Destroys the data windows (and the live graph); opens those of the selection.
    void closeDataWindows();
    void openDataWindows();
    // The channel-selection dialog while it is open (it registers itself).
    void setSelectionDialog(DlgSelCH* d) { sel_ = d; }
    // Leaves monitor mode around `action` (the selection dialog rereads the session), the lines
    // that were waiting handled first.
    void pauseStreaming(const std::function<void()>& action);

    // The clock of the timer ticks (tests inject one); the PC clock by default.
    static void setClock(std::function<time_t()> clock);
    static time_t now();
    // Called after the monitor closed and the logger left monitor mode.
    std::function<void()> onClosed;

    // MonitorViews.
    bool dataWindow(int slot) const override;
    void showValue(int slot, const std::string& text) override;
    void showElapsed(const std::string& text) override;

  protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

  private:
    void saveClicked();
    void showChannelsClicked();
    void mirrorLine(const std::string& line);
    void trimMirror();
    void finish(); // after the window is gone: "ATCM08", selection cleared, owner back

    QWidget* owner_;
    QPlainTextEdit* text_ = nullptr;
    MonitorLog log_;
    QTimer timer_;
    DlgCanale* hDlgMon_[kMaxSelected] = {};
    DlgSelCH* sel_ = nullptr;
    bool placed_ = false;
    bool finished_ = false;
};

// "Monitor" of the main dialog: disables `owner`'s controls, opens the monitor and gives them
// back when it closes, then calls `afterClose` (the session is read again).
DlgMonitor* openMonitor(QDialog* owner, std::function<void()> afterClose);
