#include "shell/sel_com_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "link/korvane_com.h"
#include "platform/port_info.h"
#include "platform/ui_qt_dialog.h"
#include "shell/quick_dialog.h"
#include "shell/screen_rules.h"
#include "shell/startup.h"

SelComDialog::SelComDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("id100");
    setWindowTitle(qtText(Nome_prog));

    auto* prompt = new QLabel(qtText(kSelComPrompt), this);
    prompt->setObjectName("id101");
    prompt->setWordWrap(true);
    prompt->setGeometry(12, 10, 356, 40);

    list_ = new QListWidget(this);
    list_->setObjectName("id104");
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setGeometry(12, 56, 256, 150);
    list_->installEventFilter(this);
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { choose(list_->row(item)); });

    exit_ = new QPushButton("Exit", this);
    exit_->setObjectName("id105");
    exit_->setAutoDefault(false); // Enter never leaves the dialog
    exit_->setGeometry(280, 176, 88, 30);
    connect(exit_, &QPushButton::clicked, this, [this] { done(1); });

    setFixedSize(380, 218);
}

int SelComDialog::run() {
    if (scanComPorts() == 1) return 2;

    list_->clear();
    names_.clear();
    // Each port with the adapter behind it; then the ports that exist but could not be opened,
    // greyed, with the reason (a double-click tries them again).
    for (const std::string& name : Porte) {
        const PortInfo info = describePort(name);
        const std::string summary = portSummary(info);
        auto* item = new QListWidgetItem(qtText(name), list_);
        if (!summary.empty()) item->setText(item->text() + "\n    " + QString::fromUtf8(summary));
        if (!info.byId.empty() && info.byId != name) item->setToolTip(QString::fromUtf8(info.byId));
        names_.push_back(name);
    }
    for (const PortOpenFailure& f : Porte_failed) {
        auto* item = new QListWidgetItem(qtText(f.path + "\n    (" + portProblemTag(f.problem) + ")"), list_);
        item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        item->setToolTip(qtText(portProblemText(f)));
        names_.push_back(f.path);
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
    list_->setFocus();

    centreOnScreen(this);
    show();
    if (Nport == 0) {
        const std::string why = scanFailureText();
        messageBox(windowOf(this),
                   why.empty() ? std::string(kNoComPortText) : kNoComPortText + ("\r\n\r\n" + why), "Warning",
                   MsgButtons::Ok, MsgIcon::Warning);
    }
    return exec();
}

void SelComDialog::reject() {
    done(0);
}

void SelComDialog::choose(int row) {
    if (row < 0 || row >= list_->count() || static_cast<size_t>(row) >= names_.size()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int found = openAndProbe(names_[static_cast<size_t>(row)]);
    QApplication::restoreOverrideCursor();
    if (found == 1) {
        done(2);
        return;
    }
    messageBox(windowOf(this), withPortReason(deviceNotFoundText()), "COM Error", MsgButtons::Ok,
               MsgIcon::Error);
}

void SelComDialog::offlineMode() {
    setEnabled(false);
    {
        DialogQuick quick; // no owner
        quick.run();
    }
    setEnabled(true);
    activateWindow();
}

bool SelComDialog::eventFilter(QObject* watched, QEvent* e) {
    if (watched == list_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
            (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            QListWidgetItem* item = list_->currentItem();
            if (item && item->isSelected()) choose(list_->row(item));
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void SelComDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Q && e->modifiers() == Qt::AltModifier) {
        offlineMode();
        return;
    }
    // Enter and Escape do nothing here: the dialog ends only through "Exit", closing or a device.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(e);
}
