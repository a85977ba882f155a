#pragma once
// Dialog 200: the main control panel that runs while a device is connected. On opening it reads
// the device's session and shows its summary (and, for boards, the alarm rows); "Start"
// downloads the session into the working data file and opens the data table (dialog 800) on it;
// "Clock sync" sets the device clock,
// "Sample Timer" opens dialog 700 (loggers), the "R" buttons acknowledge the boards' alarms and
// "Dettagli" opens the inverter screen 2200. "Monitor" opens the real-time monitor (dialog 400),
// with this panel's controls disabled until it closes.
#include <memory>
#include <string>

#include "link/clock_state.h"
#include "logger/session.h"
#include "platform/ui_qt_dialog.h"
#include "shell/panel_dialog.h"
#include "shell/screen_rules.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class DialogMain : public PanelDialog, public StatusLine, public AlarmView {
    Q_OBJECT
  public:
    explicit DialogMain(QWidget* parent = nullptr);
    ~DialogMain() override;

    // Reads the session of the connected device, then runs the panel modally; ends with 1.
    int run();

    using PanelDialog::setStatus;
    // Summary box 228 as the core writes into it.
    QtTextBox& summaryBox() { return *summaryBox_; }

    // StatusLine: the first part of the status bar.
    void setStatus(const std::string& text) override { setStatus(0, text); }
    // AlarmView: lamps, "R" buttons and labels of the alarm rows after a register read.
    void showAlarms(const AlarmRows& rows) override;

  public slots:
    void done(int r) override;

  private:
    void buildControls(QWidget* area);
    // The steps run when the panel opens.
    void initDialog();
    void showAlarmRows(bool shown);
    void showResetButtons(uint8_t alarm);
    void paintLamps();
    void paintSampleField();
    void rewriteSummary();
    bool altKey(int key) override;
    void sampleChanged();
    void start();
    void clockSyncClicked();
    void sampleTimerClicked();
    void resetClicked(const AlarmRow& row);
    void detailsClicked();
    // The data table screen (dialog 800) on the working data file.
    void openDataTable();

    QPlainTextEdit* summary_ = nullptr;
    std::unique_ptr<QtTextBox> summaryBox_;
    QLineEdit* sample_ = nullptr;
    QPushButton* start_ = nullptr;
    QLabel* verboseLabel_ = nullptr;
    QRect summaryRect_;         // box 228 with the alarm rows shown
    bool alarmViewSet_ = false; // registered as the alarm rows of the program
};
