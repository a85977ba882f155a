#pragma once
// Dialog 200: the main control panel that runs while a device is connected. It shows the head of
// the session summary, the board alarm rows and the status bar; the device operations of the
// buttons are not connected yet, so those buttons stay disabled.
#include <QDialog>
#include <memory>
#include <string>

#include "platform/ui_qt_dialog.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QStatusBar;

class DialogMain : public QDialog {
    Q_OBJECT
  public:
    explicit DialogMain(QWidget* parent = nullptr);
    ~DialogMain() override;

    // Prepares the panel for the connected device and runs it modally; ends with 1.
    int run();

    // The control with identifier `id` (object name "id<N>"); nullptr when there is none.
    QWidget* control(int id) const;
    // Writes one part (0 or 1) of status bar 240.
    void setStatus(int part, const std::string& text);
    // Summary box 228 as the core writes into it.
    QtTextBox& summaryBox() { return *summaryBox_; }

  public slots:
    void reject() override; // the close box acts as "Exit"

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void buildControls(QWidget* area);
    // The steps run when the panel opens.
    void initDialog();
    void showAlarmRows(bool shown);
    void paintLamps();
    void paintSampleField();

    QPlainTextEdit* summary_ = nullptr;
    std::unique_ptr<QtTextBox> summaryBox_;
    QLineEdit* sample_ = nullptr;
    QStatusBar* status_ = nullptr;
    QLabel* statusPart_[2] = {nullptr, nullptr};
    QRect summaryRect_; // box 228 with the alarm rows shown
};
