#pragma once
// The Qt backend of the UI services: message boxes, the wait window, and a text box over a
// plain-text widget. Windows-1252 texts are converted here, where they meet the toolkit.
#include <QDialog>
#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <string>
#include <string_view>

#include "platform/text_box.h"
#include "platform/ui.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// A Windows-1252 text as the toolkit shows it: Unicode, line breaks as "\n" ("\r" dropped).
QString qtText(std::string_view cp1252);

// The owner handle of a widget, and back. Always convert through these, so that the void
// pointer holds a QWidget* exactly.
inline Window windowOf(QWidget* w) {
    return static_cast<void*>(w);
}
inline QWidget* widgetOf(Window w) {
    return static_cast<QWidget*>(w);
}

// Dialog 300: the wait window of long operations. Text 302, progress bar 303, button 301 "Esc".
// It never closes itself: "Esc", the Escape key and a close request only raise escRequested(),
// which the next pump reports.
class WaitDialog : public QDialog {
    Q_OBJECT
  public:
    explicit WaitDialog(QWidget* owner);
    void setText(std::string_view cp1252);
    void setBar(unsigned percent);
    // True once per "Esc" press: reading it clears it.
    bool takeEsc();

  public slots:
    void reject() override; // Escape key and close requests act as "Esc"

  private:
    QLabel* text_;
    QProgressBar* bar_;
    QPushButton* esc_;
    bool escPressed_ = false;
};

// What a file box makes of the name typed: the default extension ("txt" or ".txt") is added
// when the file name (the part after the last '/') holds no '.'. Works on UTF-8 and
// Windows-1252 bytes alike.
std::string fileBoxPath(std::string_view typed, std::string_view defaultExt);
// Whether a file box accepts a path: an open box with mustExist refuses a missing file, a save
// box with askOverwrite asks when the file exists.
enum class FileBoxCheck { Accept, Missing, AskOverwrite };
FileBoxCheck fileBoxCheck(const FileBoxRequest& req, bool save, bool exists);

// An open or save file box (the toolkit's own widgets, never the platform's dialog). It applies
// fileBoxPath (except to an existing file picked in an open box) and fileBoxCheck when the user
// accepts a name.
class FileBoxDialog : public QFileDialog {
    Q_OBJECT
  public:
    FileBoxDialog(QWidget* owner, const FileBoxRequest& req, bool save);
    // The accepted path (UTF-8, absolute); empty before acceptance.
    QString chosen() const { return chosen_; }

  public slots:
    void accept() override;

  private:
    FileBoxRequest req_;
    bool save_;
    QString chosen_;
};

class QtUi : public UiServices {
  public:
    ~QtUi() override;
    MsgAnswer messageBox(Window owner, const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) override;
    void waitOpen(Window owner, const std::string& text) override;
    void waitText(const std::string& text) override;
    void waitBar(unsigned percent) override;
    WaitEvent waitPump() override;
    void waitClose() override;
    Window waitWindow() override;
    int inputBox(Window owner, InputBoxKind kind) override;
    bool openFileBox(Window owner, const FileBoxRequest& req, std::string& path) override;
    bool saveFileBox(Window owner, const FileBoxRequest& req, std::string& path) override;
    void beep() override;

  private:
    QPointer<WaitDialog> wait_;
};

// Sizes `dialog` to its contents and centres it on its owner's window, or on the screen when it
// has none. Centred by the client areas: the frame is not known before the window is shown, and
// it is the same on every side.
void centreOnOwner(QWidget* dialog);
// Moves a top-level window, frame included, to the middle of the screen.
void centreOnScreen(QWidget* window);

// A multi-line text box of the core over a plain-text widget: appends at the end.
class QtTextBox : public TextBox {
  public:
    explicit QtTextBox(QPlainTextEdit* edit) : edit_(edit) {}
    void clear() override;
    void append(std::string_view text) override;
    void scrollToTop();

  private:
    QPlainTextEdit* edit_;
};
