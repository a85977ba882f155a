#include "firmware/loader_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui_qt_dialog.h"
#include "shell/panel_dialog.h"

DlgLoader::DlgLoader(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(idName(1900));
    setWindowTitle("Loader");
    setWindowIcon(QApplication::windowIcon());

    auto* heading = new QLabel("Aggiornamento Firmware", this);
    heading->setObjectName(idName(1901));
    QFont big = heading->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 4);
    heading->setFont(big);
    heading->setAlignment(Qt::AlignCenter);

    auto label = [this](int id, const char* text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(idName(id));
        return l;
    };
    type_ = label(1902, "");
    version_ = label(1903, "");
    QFont bold = type_->font();
    bold.setBold(true);
    type_->setFont(bold);
    version_->setFont(bold);

    auto button = [this](int id, const char* text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(idName(id));
        b->setAutoDefault(false);
        return b;
    };
    auto* select = button(1904, "Selezione file *.fw");
    upload_ = button(1905, "Esegui aggiornamento");
    auto* exitButton = button(1906, "Exit");
    connect(select, &QPushButton::clicked, this, [this] { loaderSelectFile(windowOf(this), *this); });
    connect(upload_, &QPushButton::clicked, this, [this] {
        if (loaderExecute(windowOf(this)) == 2) done(2);
    });
    connect(exitButton, &QPushButton::clicked, this, [this] { done(1); });

    auto* grid = new QGridLayout;
    grid->addWidget(label(1907, "Tipo di scheda:"), 0, 0);
    grid->addWidget(type_, 0, 1);
    grid->addWidget(label(1908, "Versione FW:"), 1, 0);
    grid->addWidget(version_, 1, 1);
    grid->setColumnMinimumWidth(1, 120);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(heading);
    lay->addLayout(grid);
    lay->addWidget(select);
    lay->addWidget(upload_);
    lay->addWidget(exitButton);

    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    loaderOpen(*this);
}

QWidget* DlgLoader::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

void DlgLoader::setBoard(const std::string& type, const std::string& version) {
    type_->setText(qtText(type));
    version_->setText(qtText(version));
}

void DlgLoader::enableUpload(bool on) {
    upload_->setEnabled(on);
}

void DlgLoader::reject() {
    done(1);
}

bool DlgLoader::altKey(int key) {
    switch (key) {
    case Qt::Key_E:
        loaderDumpKey(windowOf(this));
        return true;
    case Qt::Key_C:
        loaderCompareKey(windowOf(this));
        return true;
    case Qt::Key_T:
        loaderIntervalKey(windowOf(this));
        return true;
    default:
        return false;
    }
}

bool DlgLoader::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (isAltLetter(k) && altKey(k->key())) return true;
    }
    return QDialog::eventFilter(watched, e);
}

void DlgLoader::keyPressEvent(QKeyEvent* e) {
    if (isAltLetter(e) && altKey(e->key())) return;
    QDialog::keyPressEvent(e);
}

int DlgLoader::run() {
    centreOnScreen(this);
    return exec();
}

int runLoaderDialog(QWidget* owner) {
    DlgLoader dlg(owner);
    return dlg.run();
}

void run_loader(Window owner) {
    runLoaderDialog(widgetOf(owner));
}
