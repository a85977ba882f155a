#pragma once
// Dialog 1700: the remote connection. The user picks or types the plant's number, dials, and
// once the modem reports a connection opens the main control dialog over the telephone line.
// The rules live in shell/remote.h; this class wires its controls and the poll timer to them.
#include <QDialog>
#include <QTimer>

#include "shell/remote.h"

class QLabel;
class QPushButton;

class DlgRemote : public QDialog, public RemoteView {
    Q_OBJECT
  public:
    explicit DlgRemote(QWidget* parent = nullptr);

    // Runs the dialog modally; ends with 1.
    int run();
    // The control with identifier `id` (object name "id<N>").
    QWidget* control(int id) const;
    bool pollTimerActive() const { return timer_.isActive(); }

    // RemoteView
    void setText(int id, const std::string& text) override;
    void enable(int id, bool on) override;
    void startPoll() override { timer_.start(kRemoteTimerMs); }
    void stopPoll() override { timer_.stop(); }
    void statusChanged() override;
    int mainDialog() override;
    Window owner() override;

  public slots:
    void reject() override; // closing the window ends the dialog with 1 in any state

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    QPushButton* button(int id, const QRect& r);
    QLabel* status_ = nullptr;
    QTimer timer_;
};
