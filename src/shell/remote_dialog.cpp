#include "shell/remote_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "link/korvane_com.h"
#include "link/modem.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"
#include "shell/main_dialog.h"
#include "shell/panel_dialog.h"

DlgRemote::DlgRemote(QWidget* parent) : QDialog(parent) {
    setObjectName("id1700");
    setWindowTitle(kRemoteTitle);

    auto* phoneBook = button(kRemotePhoneBook, QRect(12, 12, 100, 28));
    connect(phoneBook, &QPushButton::clicked, this, [this] { remotePhoneBook(*this); });
    auto* label = new QLabel(this);
    label->setObjectName(idName(kRemoteLabel));
    label->setGeometry(124, 12, 200, 28);
    auto* number = button(kRemoteNumber, QRect(12, 48, 312, 30));
    connect(number, &QPushButton::clicked, this, [this] { remoteNumber(*this); });
    auto* dial = button(kRemoteConnect, QRect(12, 90, 150, 30));
    connect(dial, &QPushButton::clicked, this, [this] { remoteConnect(*this); });
    status_ = new QLabel(this);
    status_->setObjectName(idName(kRemoteStatus));
    status_->setGeometry(174, 90, 150, 30);
    status_->setAlignment(Qt::AlignCenter);
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setAutoFillBackground(true);
    status_->setTextFormat(Qt::PlainText);
    auto* readData = button(kRemoteReadData, QRect(12, 132, 150, 30));
    connect(readData, &QPushButton::clicked, this, [this] { remoteReadData(*this); });
    auto* exitButton = button(kRemoteExit, QRect(174, 132, 150, 30));
    connect(exitButton, &QPushButton::clicked, this, [this] {
        if (remoteExit(*this)) done(1);
    });
    setFixedSize(336, 174);

    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { remoteTick(*this); });
}

QPushButton* DlgRemote::button(int id, const QRect& r) {
    auto* b = new QPushButton(this);
    b->setObjectName(idName(id));
    b->setAutoDefault(false);
    b->setGeometry(r);
    return b;
}

QWidget* DlgRemote::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

void DlgRemote::setText(int id, const std::string& text) {
    QWidget* w = control(id);
    if (auto* b = qobject_cast<QPushButton*>(w))
        b->setText(qtText(text));
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(qtText(text));
}

void DlgRemote::enable(int id, bool on) {
    QWidget* w = control(id);
    if (!w) return;
    if (!on && w->hasFocus()) focusNextChild();
    w->setEnabled(on);
}

void DlgRemote::statusChanged() {
    QPalette p = status_->palette();
    p.setColor(QPalette::Window, panelColour(Codifica_risposta_modem(Modem_fback).colour, palette()));
    status_->setPalette(p);
}

int DlgRemote::mainDialog() {
    DialogMain dlg; // no owner, as at start-up
    return dlg.run();
}

Window DlgRemote::owner() {
    return windowOf(this);
}

int DlgRemote::run() {
    remoteOpen(*this);
    centreOnScreen(this);
    return exec();
}

void DlgRemote::reject() {
    remoteClosing(*this);
    done(1);
}

void DlgRemote::keyPressEvent(QKeyEvent* e) {
    // Enter and Escape do nothing: the dialog ends through its exit button or the close box.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(e);
}
