#pragma once
// Dialog 500: the quick-view dialog of the offline mode (no device). Loads the session list of a
// saved flash image, lets the user choose a session, check its first and last data pages in the
// page viewer, decode it into the working data file and go on to the data table; or loads an
// exported data text file directly. Started with a file on the command line it loads that file at
// once, with the image controls disabled.
#include <memory>
#include <string>

#include "platform/ui_qt_dialog.h"
#include "shell/panel_dialog.h"
#include "shell/quick_view.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class DialogQuick : public PanelDialog {
    Q_OBJECT
  public:
    explicit DialogQuick(QWidget* parent = nullptr);
    ~DialogQuick() override;

    // Runs the dialog modally; ends with 1.
    int run();

  private:
    void buildControls(QWidget* area);
    void applyState(); // buttons and colours from the core state
    void load();
    void sessionChosen(int index);
    void viewPage(int pageType);
    void sampleChanged();
    void start();
    void loadTextFile();
    bool altKey(int key) override;

    QuickButtons buttons_;
    QComboBox* sessions_ = nullptr;
    QPlainTextEdit* summary_ = nullptr;
    std::unique_ptr<QtTextBox> summaryBox_;
    QLineEdit* sample_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* pageFirst_ = nullptr;
    QPushButton* pageLast_ = nullptr;
};
