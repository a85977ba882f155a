#pragma once
// Dialog 200: the main control panel that runs while a device is connected. On opening it reads
// the device's session and shows its summary (and, for boards, the alarm rows); "Start"
// downloads the session into the working data file. The clock, sample-timer, monitor, details
// and alarm-reset buttons are not connected yet and stay disabled.
#include <QDialog>
#include <memory>
#include <string>

#include "link/clock_state.h"
#include "logger/session.h"
#include "platform/ui_qt_dialog.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

class DialogMain : public QDialog, public StatusLine, public AlarmView {
    Q_OBJECT
  public:
    explicit DialogMain(QWidget* parent = nullptr);
    ~DialogMain() override;

    // Reads the session of the connected device, then runs the panel modally; ends with 1.
    int run();

    // The control with identifier `id` (object name "id<N>"); nullptr when there is none.
    QWidget* control(int id) const;
    // Writes one part (0 or 1) of status bar 240.
    void setStatus(int part, const std::string& text);
    // Summary box 228 as the core writes into it.
    QtTextBox& summaryBox() { return *summaryBox_; }

    // StatusLine: the first part of the status bar.
    void setStatus(const std::string& text) override { setStatus(0, text); }
    // AlarmView: lamps, "R" buttons and labels of the alarm rows after a register read.
    void showAlarms(const AlarmRows& rows) override;

  public slots:
    void reject() override; // the close box acts as "Exit"
    void done(int r) override;

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void buildControls(QWidget* area);
    // The steps run when the panel opens.
    void initDialog();
    void showAlarmRows(bool shown);
    void showResetButtons(uint8_t alarm);
    void paintLamps();
    void paintSampleField();
    void rewriteSummary();
    // Alt+letter maintenance keys (letter in lower case): true when the key was one of them.
    bool altKey(int key);
    void sampleChanged();
    void start();
    // Shows the working data file just written. Stands in for the data table dialog.
    void openDataTable();

    QPlainTextEdit* summary_ = nullptr;
    std::unique_ptr<QtTextBox> summaryBox_;
    QLineEdit* sample_ = nullptr;
    QPushButton* start_ = nullptr;
    QLabel* verboseLabel_ = nullptr;
    QStatusBar* status_ = nullptr;
    QLabel* statusPart_[2] = {nullptr, nullptr};
    QRect summaryRect_;         // box 228 with the alarm rows shown
    bool alarmViewSet_ = false; // registered as the alarm rows of the program
};
