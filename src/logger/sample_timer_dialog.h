#pragma once
// Dialog 700: sends a new sample-timer value to the logger. Controls (object names "id<N>"):
// value field 701, label 702 "s", "Apply" 703, "Esc" 704, group box 705.
#include <QDialog>

class QLineEdit;
class QPushButton;

class DlgSaTmr : public QDialog {
    Q_OBJECT
  public:
    explicit DlgSaTmr(QWidget* owner = nullptr);

    // Runs the dialog modally, centred on the screen: 1 = a value was sent and the dialog
    // closed, 0 = "Esc" or closed.
    int run();
    QWidget* control(int id) const;

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    // Clamps the field and writes it back; the value.
    unsigned clampField();
    void apply();

    QLineEdit* value_ = nullptr;
};
