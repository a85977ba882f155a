#pragma once
// Dialog 1300 ("Monitor"): the small modeless window that shows one selected channel's live value
// (field 1310, yellow on black, bold) and its unit (label 1301). The windows stagger down the
// left edge of the screen, remember where the user puts them (snapped to 20 pixels) in their
// slot of PosWin, and are written by the monitor.
#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;

class DlgCanale : public QDialog {
    Q_OBJECT
  public:
    // The window of selection slot `slot`, owned by `owner`; placed at the next stagger position.
    DlgCanale(QWidget* owner, int slot);
    void setValue(const std::string& cp1252);
    QString value() const;
    QWidget* control(int id) const;
    int slot() const { return slot_; }

  protected:
    void moveEvent(QMoveEvent* e) override;

  private:
    int slot_;
    int posSlot_; // the PosWin entry it uses
    bool placed_ = false;
    QLineEdit* value_ = nullptr;
    QLabel* unit_ = nullptr;
};
