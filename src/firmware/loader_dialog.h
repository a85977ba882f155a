#pragma once
// Dialog 1900, the loader screen: board type and firmware version, "Selezione file *.fw",
// "Esegui aggiornamento", "Exit"; Alt+E dumps the board's EEPROM, Alt+C compares the files,
// Alt+T sets the fast-mode interval. Controls are named "id<N>".
#include <QDialog>
#include <string>

#include "firmware/loader.h"

class QLabel;
class QPushButton;

class DlgLoader : public QDialog, public LoaderView {
    Q_OBJECT
  public:
    explicit DlgLoader(QWidget* owner = nullptr);
    // Runs the screen modally, centred on the screen: 1 = "Exit" or closed, 2 = closed after an
    // RX43 was updated.
    int run();
    QWidget* control(int id) const;

    void setBoard(const std::string& type, const std::string& version) override;
    void enableUpload(bool on) override;

  public slots:
    void reject() override; // Escape and the close box act as "Exit"

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    bool altKey(int key);
    QLabel* type_ = nullptr;
    QLabel* version_ = nullptr;
    QPushButton* upload_ = nullptr;
};

// The entry of the loader screen for the other screens: runs dialog 1900 over `owner`.
int runLoaderDialog(QWidget* owner);
// The same for a core owner handle (null = no owner).
void run_loader(Window owner);
