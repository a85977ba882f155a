#pragma once
// Dialog 2200, "Inverter collegati al sistema": the listing of the inverters behind the energy
// board. Controls (object names "id<N>"): listing box 2201, "Esc" 2202, "Refresh" 2203, total
// label 2204. The listing runs when the box is first drawn and on "Refresh"; leaving refreshes
// the owner's alarm rows.
#include <QDialog>
#include <memory>

#include "inverter/inverter_list.h"

class QLabel;
class QPlainTextEdit;
class QtTextBox;

class DlgDettagli : public QDialog, public InverterListView {
    Q_OBJECT
  public:
    // `owner` is the main panel whose alarm rows are read again on leaving.
    explicit DlgDettagli(QWidget* owner = nullptr);
    ~DlgDettagli() override;

    // Runs the dialog modally, centred on the screen; ends with 1.
    int run();
    QWidget* control(int id) const;
    // Listings run so far (the first one when the box was first drawn).
    int listings() const { return listings_; }

    // InverterListView
    TextBox& listBox() override;
    void setTotal(const std::string& text) override;

  public slots:
    void reject() override; // "Esc", Escape and the close box

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void refresh();

    QPlainTextEdit* list_ = nullptr;
    std::unique_ptr<QtTextBox> listBox_;
    QLabel* total_ = nullptr;
    bool painted_ = false;
    bool running_ = false;
    int listings_ = 0;
};
