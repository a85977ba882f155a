#pragma once
// Dialogs 1000, 1600 and 1800: the small input boxes. They work on the shared globals of
// input_boxes.h; every change of the field goes through the box's rule, which decides the
// field's text and whether "Ok" may be pressed.
#include <QDialog>

#include "boards/input_boxes.h"

class QLabel;
class QLineEdit;
class QPushButton;

class InputBoxDialog : public QDialog {
    Q_OBJECT
  public:
    // Controls by kind (object names "id<N>"):
    //   Num  (1000): edit 1001, "Ok" 1002, "Esc" 1003
    //   Num2 (1600): edit 1601, "Ok" 1602, "Esc" 1603, range label 1604; title TitoloBuf
    //   Txt  (1800): label 1801, edit 1802, "Esc" 1803, "Ok" 1804; title TitoloBuf
    InputBoxDialog(InputBoxKind kind, QWidget* owner);

    // Runs the box modally, centred over its owner: 1 = confirmed (EditBuf holds the result),
    // 0 = "Esc" or closed (EditBuf unchanged).
    int run();

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void changed();
    void confirm();

    InputBoxKind kind_;
    QLineEdit* edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* esc_ = nullptr;
    QLabel* label_ = nullptr;
    bool rewriting_ = false; // the rule is writing the field back
};
