#pragma once
// Dialog 1400: the energy board's (or interface board's) parameter screen, and the same screen
// read-only as the checklist of a parameter file; dialog 2100, the description text of a set.
// Controls are named "id<N>" by their identifiers.
#include <QDialog>
#include <functional>
#include <map>

#include "boards/board_form_dialog.h"

class QLabel;

class DlgMW51cfg : public QDialog {
    Q_OBJECT
  public:
    enum class Mode { Config, Checklist };
    explicit DlgMW51cfg(QWidget* owner = nullptr, Mode mode = Mode::Config);

    // The opening steps (board read, or file read for the checklist): false when the screen
    // closes at once (the failure has been reported).
    bool begin();
    // begin(), then modal: 1 on "Esc" or close (0 for the checklist), 0 when it could not open.
    int run();
    QWidget* control(int id) const;

    // "Aggiornamento Firmware": the firmware loader, when the program has one.
    static std::function<void(QWidget* owner)>& firmwareLoader();

  public slots:
    void reject() override;

  private:
    void build();
    void print();
    void labelGroups(bool checklist);
    void editChanged(int id);
    void paintField(int id);
    void comboChanged(int id);
    void readClicked();
    void writeClicked();
    void saveClicked();
    void restartClicked(bool defaults);
    void remoteClicked(int n);
    void fileRead();
    void fileSave();
    void setEnabled(int id, bool on);
    void enableSourceFields(unsigned source);

    Mode mode_;
    bool printing_ = false; // the program writes the fields: no parsing
    BoardForm form_{this};
    QLabel* state_ = nullptr;
};

// Dialog 2100: the read-only description of the parameter set in EE.
class DlgMW51txt : public QDialog {
    Q_OBJECT
  public:
    explicit DlgMW51txt(QWidget* owner = nullptr);
    int run();
    QWidget* control(int id) const;
};

// The checklist of a parameter file (opened by Alt+S in the quick-view dialog).
int DlgMW51chk(QWidget* owner);
