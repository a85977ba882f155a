#pragma once
// What the two control panels (dialog 200 with a device, dialog 500 without one) share: a fixed
// control area above a two-part status bar, controls named "id<N>" by their identifiers, blue
// group titles, a fixed-pitch summary box, and the keyboard rules (Alt+letter maintenance keys
// whichever control has the focus; Enter and Escape do nothing; the close box acts as "Exit").
#include <QDialog>
#include <QRect>
#include <QString>
#include <cstdint>
#include <string>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

QString idName(int id);
// An Alt+letter key (without Ctrl or Meta): a maintenance key of a dialog.
bool isAltLetter(const QKeyEvent* k);
// A colour 0x00RRGGBB of the core, or the palette's button face for kFaceColour.
QColor panelColour(uint32_t rgb, const QPalette& face);

// Creates the panel's controls on its control area.
class PanelControls {
  public:
    explicit PanelControls(QWidget* area) : area_(area) {}
    QGroupBox* group(int id, const char* text, const QRect& r);
    QPushButton* button(int id, const char* text, const QRect& r);
    QLabel* label(int id, const char* text, const QRect& r, Qt::Alignment align = Qt::AlignVCenter);
    // Read-only, fixed-pitch text box.
    QPlainTextEdit* summary(int id, const QRect& r);

  private:
    QWidget* area_;
};

class PanelDialog : public QDialog {
    Q_OBJECT
  public:
    // The control with identifier `id` (object name "id<N>"); nullptr when there is none.
    QWidget* control(int id) const;
    // Writes one part (0 or 1) of the status bar.
    void setStatus(int part, const std::string& text);

  public slots:
    void reject() override; // the close box acts as "Exit"

  protected:
    PanelDialog(QWidget* parent, int dialogId);
    // Puts `area` (its controls built) above status bar `statusId` and fixes the dialog's size.
    void finishLayout(QWidget* area, int statusId, bool sizeGrip);
    // Alt+letter maintenance keys (letter as Qt key): true when the key was one of them.
    virtual bool altKey(int key) = 0;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    QStatusBar* status_ = nullptr;
    QLabel* statusPart_[2] = {nullptr, nullptr};
};
