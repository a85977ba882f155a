#pragma once
// Dialog 100: the port-selection dialog of the start-up. Scans the ports; when a device
// answers it ends at once (never shown), otherwise it lists the ports for a manual choice.
#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

class SelComDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SelComDialog(QWidget* parent = nullptr);

    // Scans, then runs the dialog modally: 2 = a device answered and hCom is open and set up,
    // 1 = "Exit", 0 = the window was closed.
    int run();

  public slots:
    void reject() override; // closing the window ends with 0

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    // Opens and probes the port of list row `row`; ends the dialog with 2 when the device answers.
    void choose(int row);
    void offlineMode();
    QListWidget* list_;
    std::vector<std::string> names_; // the port of each list row
    QPushButton* exit_;
};
