#pragma once
// Dialog 1100 "Post-elaborazione dati": one button for each post-processing program found in the
// program's folder (1101, 1102, in list order, labelled with the program's name) and "Esc" 1104.
// A button runs its program on the data file just exported and waits until it ends.
#include <QDialog>
#include <vector>

#include "tables/post_processing.h"

class DlgPlugin : public QDialog {
    Q_OBJECT
  public:
    explicit DlgPlugin(QWidget* parent = nullptr);

    // Looks for the programs in Exe_dir; with none, returns 0 at once without showing anything.
    // Otherwise runs the dialog modally and returns 1 when the user closes it.
    int run();
    QWidget* control(int id) const;

  public slots:
    void reject() override; // the close box and Escape act as "Esc"

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void launch(const PluginFile& plugin);
    std::vector<PluginFile> found_;
};
