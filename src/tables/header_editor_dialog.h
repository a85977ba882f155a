#pragma once
// Dialog 900: the column header editor of the data table. It edits EditBuf: edit field 902,
// "Esc" 903, "Ok" 904 inside the group box "Modifica intestazione colonna".
#include <QDialog>

class QLineEdit;
class QPushButton;

class DlgInputText : public QDialog {
    Q_OBJECT
  public:
    explicit DlgInputText(QWidget* parent = nullptr);

    // Runs the editor modally, centred over its parent. 1 = "Ok": EditBuf holds the text (at most
    // 100 characters); 0 = "Esc" or closed, EditBuf unchanged.
    int run();
    QWidget* control(int id) const;

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void confirm();

    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* esc_;
};
