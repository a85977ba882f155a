#pragma once
// Helpers of the dialog tests: synthetic input, driving modal dialogs, environment.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <utility>

inline void sendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                    const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text), release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

// Press, release, double-click, release at `pos`, as the window system delivers them.
inline void doubleClick(QWidget* w, QPoint pos) {
    const std::pair<QEvent::Type, Qt::MouseButton> steps[] = {{QEvent::MouseButtonPress, Qt::LeftButton},
                                                              {QEvent::MouseButtonRelease, Qt::NoButton},
                                                              {QEvent::MouseButtonDblClick, Qt::LeftButton},
                                                              {QEvent::MouseButtonRelease, Qt::NoButton}};
    for (auto [type, held] : steps) {
        QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

// Runs `dlg.run()` with `script` called once the dialog is up and its pending events (layouts,
// scroll bars) are handled. A script that leaves the dialog open has it ended with -1, so a
// failed check never blocks the test.
template <class Dialog, class Script> int runScripted(Dialog& dlg, Script script) {
    QTimer::singleShot(0, &dlg, [&dlg, script] {
        QCoreApplication::processEvents();
        script();
        if (dlg.isVisible()) dlg.done(-1);
    });
    return dlg.run();
}

// Acts on every modal widget of type W that becomes the active modal widget (polling every
// 10 ms) until destroyed. The action must end that widget.
template <class W> class OnModal {
  public:
    explicit OnModal(std::function<void(W*)> action) : action_(std::move(action)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
            if (!w || !w->isVisible()) return;
            ++count;
            action_(w);
        });
        timer_.start(10);
    }
    int count = 0;

  private:
    std::function<void(W*)> action_;
    QTimer timer_;
};

// Sets (or, with nullopt, unsets) an environment variable for the life of the object.
class EnvVar {
  public:
    EnvVar(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~EnvVar() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// The port scan sees only the paths of KORVANE_PORTS: the built-in device folder is empty.
struct OnlyListedPorts {
    explicit OnlyListedPorts(std::optional<std::string> ports = std::nullopt)
        : ports_("KORVANE_PORTS", ports) {}
    EnvVar dev_{"KORVANE_DEV_DIR", "/nonexistent/korvane-test-dev"};
    EnvVar ports_;
};
