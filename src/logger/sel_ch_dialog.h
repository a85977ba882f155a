#pragma once
// Dialog 1200 ("Canali definiti nella sessione di misura corrente"): the channel selection of the
// monitor. A grid of the session's nodes and logical channels (1210) where clicks select up to
// eight channels (yellow); "Graph" (1207) / "Graph Cur" (1208) choose the live graph opened on
// leaving; the export group (1209) holds the period field (1216), "Start" (1211) and the elapsed
// export time (1212); "Esc" (1220) ends it.
#include <QDialog>
#include <string>

class DlgMonitor;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class DlgSelCH : public QDialog {
    Q_OBJECT
  public:
    explicit DlgSelCH(DlgMonitor* monitor);
    ~DlgSelCH() override;
    // Reads the session again, fills the grid, restarts the monitor's timer and runs modally.
    int run();
    QWidget* control(int id) const;
    QTableWidget* grid() const { return grid_; }
    void setElapsed(const std::string& text);
    // Builds the grid (loadLV_selch).
    int loadLV_selch();

  public slots:
    void done(int r) override;

  private:
    void cellClicked(int row, int col);
    void paintCells();
    void periodChanged();
    void startClicked();
    void enable_cntr_exp();
    void enableGraphBoxes();

    DlgMonitor* monitor_;
    QTableWidget* grid_ = nullptr;
    QCheckBox* graph_ = nullptr;
    QCheckBox* graphCur_ = nullptr;
    QLineEdit* period_ = nullptr;
    QPushButton* start_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLineEdit* date_ = nullptr;
    QLineEdit* time_ = nullptr;
    bool closing_ = false;
};
