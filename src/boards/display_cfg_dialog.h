#pragma once
// Dialog 1500: the details of one display board (display CodeD) behind the energy board;
// dialog 2300: the oscillator trim of an MW55h; dialog 2000: the GSM field strength.
// Controls are named "id<N>" by their identifiers.
#include <QDialog>
#include <map>

#include "boards/board_form_dialog.h"

class QLabel;
class QTimer;

class DlgMW51hcfg : public QDialog {
    Q_OBJECT
  public:
    explicit DlgMW51hcfg(QWidget* owner = nullptr);
    // The opening steps: false when the display is not found or cannot be read (reported).
    bool begin();
    int run(); // 1 on "Esc" or close, 0 when it could not open
    QWidget* control(int id) const;
    // Alt+X, Alt+O, Alt+C.
    bool altKey(int key);

  public slots:
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void print();
    void editChanged(int id);
    void readClicked();
    void writeClicked();
    void registerBox(int readOp, int writeOp, int reg, const char* title);
    void setEnabled(int id, bool on);
    void setVisible(int id, bool on);
    void commError();

    bool printing_ = false;
    BoardForm form_{this};
};

class DlgTunosc : public QDialog {
    Q_OBJECT
  public:
    explicit DlgTunosc(QWidget* owner = nullptr);
    bool begin(); // reads register 5; false on failure (reported)
    int run();    // 1 when the register now differs from the value read at opening, else 0
    QWidget* control(int id) const;
    void step(int delta); // "+" / "-"

  public slots:
    void reject() override;

  private:
    void writeRegister();
    int read_ = 0, trim_ = 0;
    uint8_t current_ = 0;
    QLabel* value_ = nullptr;
    QCheckBox* pulse_ = nullptr;
};

class DlgCampoGSM : public QDialog {
    Q_OBJECT
  public:
    explicit DlgCampoGSM(QWidget* owner = nullptr);
    int run(); // 0
    QWidget* control(int id) const;
    // One timer tick: the request and its reply. False when the timer stopped on a failure.
    bool tick();
    bool timerActive() const;

  public slots:
    void reject() override;

  private:
    QTimer* timer_ = nullptr;
    QLabel* level_ = nullptr;
    QLabel* ber_ = nullptr;
};
