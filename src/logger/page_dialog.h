#pragma once
// Dialog 600: the page viewer of the offline mode. Shows one page of the flash image as text and
// lets the user step through the pages (up-down 605, hexadecimal, 0..0xFFF) or type a page
// number (field 604, Enter) to choose the first or last data page of the session
// (Flag.page_type 1 or 2). Remembers its position in PosWin2.
#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QToolButton;

// Up-down control: two arrow buttons that step a position; the position is shown in its buddy
// field by the owner.
class UpDownControl : public QWidget {
    Q_OBJECT
  public:
    explicit UpDownControl(QWidget* parent = nullptr);
    int position() const { return position_; }
    void setPosition(int p) { position_ = p; }
    int base() const { return 16; }
    int minimum() const { return 0; }
    int maximum() const { return 0xFFF; }

  signals:
    // An arrow was pressed: the new position asked for (position + step, not yet checked).
    void stepRequested(int requested);

  private:
    int position_ = 0;
    QToolButton* up_;
    QToolButton* down_;
};

class DialogPage : public QDialog {
    Q_OBJECT
  public:
    explicit DialogPage(QWidget* parent = nullptr);
    ~DialogPage() override;

    // Shows the page of Flag.page_type and runs the viewer modally.
    int run();
    QWidget* control(int id) const;
    UpDownControl* upDown() const { return upDown_; }
    // The page shown (the up-down position).
    int page() const { return upDown_->position(); }

  protected:
    void moveEvent(QMoveEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void showPage(long long requested); // a page asked for; out of range shows page 0
    void showText(const std::string& text);
    void rememberPosition();

    QPlainTextEdit* text_ = nullptr;
    QLineEdit* field_ = nullptr;
    UpDownControl* upDown_ = nullptr;
    bool placed_ = false; // moves before placing are not remembered
};
