#pragma once
// Helpers of the dialog tests: synthetic input, driving modal dialogs, reading controls.
#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "support/env_guard.h"

inline void sendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                    const QString& text = {}) {
    for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent e(type, key, mods, text);
        QApplication::sendEvent(w, &e);
    }
}

// Types `text` at the caret, one key event per character.
inline void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) sendKey(w, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

inline void mouseEvent(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton b = Qt::LeftButton,
                       Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), b,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : b, mods);
    QApplication::sendEvent(w, &e);
}

inline void mouseClick(QWidget* w, QPoint at, Qt::MouseButton b = Qt::LeftButton,
                       Qt::KeyboardModifiers mods = Qt::NoModifier) {
    mouseEvent(w, QEvent::MouseButtonPress, at, b, mods);
    mouseEvent(w, QEvent::MouseButtonRelease, at, b, mods);
}

// Press, release, double-click, release at `at`, as the window system delivers them.
inline void doubleClick(QWidget* w, QPoint at) {
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                      QEvent::MouseButtonRelease})
        mouseEvent(w, type, at);
}

inline void click(QWidget* button) {
    static_cast<QAbstractButton*>(button)->click();
}

inline QString textOf(QWidget* w) {
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->toPlainText();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

inline QColor centreColour(QWidget* w) {
    QImage img = w->grab().toImage();
    return img.pixelColor(img.width() / 2, img.height() / 2);
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

// The port scan sees only the paths of KORVANE_PORTS: the built-in device folder is empty.
struct OnlyListedPorts {
    explicit OnlyListedPorts(std::optional<std::string> ports = std::nullopt) {
        env.set("KORVANE_DEV_DIR", "/nonexistent/korvane-test-dev");
        ports ? env.set("KORVANE_PORTS", *ports) : env.unset("KORVANE_PORTS");
    }
    EnvGuard env;
};

// A fresh current folder for the life of the object.
struct InTempDir {
    InTempDir() { std::filesystem::current_path(dir.path()); }
    ~InTempDir() { std::filesystem::current_path(old); }
    TempDir dir;
    std::filesystem::path old = std::filesystem::current_path();
};
