// Entry of the dialog tests: one QApplication on the offscreen platform for the whole run, and a
// watchdog that never lets a test wait on a modal window.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

#include "plot/plot_window.h"

namespace {

using Clock = std::chrono::steady_clock;

// A modal window still open after the limit (KORVANE_GUI_WATCHDOG seconds, default 15) fails the
// running test with its title and text and is closed, so the test goes on instead of hanging.
class ModalWatchdog {
  public:
    ModalWatchdog() {
        const char* env = std::getenv("KORVANE_GUI_WATCHDOG");
        if (env && std::atoi(env) > 0) limit_ = std::chrono::seconds(std::atoi(env));
        QObject::connect(&timer_, &QTimer::timeout, [this] { check(); });
        timer_.start(250);
    }

  private:
    struct Seen {
        QPointer<QWidget> window;
        Clock::time_point since;
    };

    static std::string textOf(QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) return box->text().toStdString();
        std::string text;
        for (QLabel* l : w->findChildren<QLabel*>())
            if (!l->text().isEmpty()) text += (text.empty() ? "" : " | ") + l->text().toStdString();
        for (QPlainTextEdit* e : w->findChildren<QPlainTextEdit*>())
            text += (text.empty() ? "" : " | ") + e->toPlainText().left(200).toStdString();
        return text;
    }

    void check() {
        const Clock::time_point now = Clock::now();
        std::erase_if(seen_, [](const Seen& s) { return !s.window || !s.window->isVisible(); });
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || !w->isModal()) continue;
            auto it = std::find_if(seen_.begin(), seen_.end(), [w](const Seen& s) { return s.window == w; });
            if (it == seen_.end()) {
                seen_.push_back({w, now});
                continue;
            }
            if (now - it->since < limit_) continue;
            ADD_FAILURE() << "a modal window was still open after "
                          << std::chrono::duration_cast<std::chrono::seconds>(limit_).count()
                          << " s and was closed: \"" << w->windowTitle().toStdString() << "\": " << textOf(w);
            if (auto* d = qobject_cast<QDialog*>(w)) d->done(-1);
            if (w->isVisible()) w->hide();
        }
    }

    QTimer timer_;
    std::vector<Seen> seen_;
    Clock::duration limit_ = std::chrono::seconds(15);
};

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    plot::installPlotWindowDevices(); // as the desktop program does
    ModalWatchdog watchdog;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
