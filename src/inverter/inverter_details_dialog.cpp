#include "inverter/inverter_details_dialog.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "link/clock_state.h"
#include "platform/ui_qt_dialog.h"

namespace {
QString idName(int id) {
    return QStringLiteral("id%1").arg(id);
}
const QColor kListBackground(255, 255, 240);
} // namespace

DlgDettagli::DlgDettagli(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(idName(2200));
    setWindowTitle("Inverter collegati al sistema");

    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);

    list_ = new QPlainTextEdit(this);
    list_->setObjectName(idName(2201));
    list_->setReadOnly(true);
    list_->setFont(fixed);
    list_->setMinimumSize(420, 320);
    QPalette p = list_->palette();
    p.setColor(QPalette::Base, kListBackground);
    list_->setPalette(p);
    listBox_ = std::make_unique<QtTextBox>(list_);
    list_->viewport()->installEventFilter(this);

    total_ = new QLabel(this);
    total_->setObjectName(idName(2204));
    total_->setFont(fixed);
    total_->setTextFormat(Qt::PlainText);

    auto* refreshButton = new QPushButton("Refresh", this);
    refreshButton->setObjectName(idName(2203));
    auto* esc = new QPushButton("Esc", this);
    esc->setObjectName(idName(2202));
    refreshButton->setAutoDefault(false);
    esc->setAutoDefault(false);
    connect(refreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    connect(esc, &QPushButton::clicked, this, [this] { reject(); });

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(list_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(total_, 1);
    bottom->addWidget(refreshButton);
    bottom->addWidget(esc);
    lay->addLayout(bottom);
}

DlgDettagli::~DlgDettagli() = default;

QWidget* DlgDettagli::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

TextBox& DlgDettagli::listBox() {
    return *listBox_;
}

void DlgDettagli::setTotal(const std::string& text) {
    total_->setText(qtText(text));
}

void DlgDettagli::refresh() {
    if (running_) return; // a click queued while the listing waited on the line
    running_ = true;
    ++listings_;
    refresh_dati_inv(windowOf(this), *this);
    running_ = false;
}

bool DlgDettagli::eventFilter(QObject* watched, QEvent* e) {
    if (!painted_ && watched == list_->viewport() && e->type() == QEvent::Paint) {
        // The first drawing of the box starts the listing, once the drawing is done.
        painted_ = true;
        QMetaObject::invokeMethod(
            this, [this] { refresh(); }, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, e);
}

void DlgDettagli::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QDialog::keyPressEvent(e); // Escape: reject()
}

void DlgDettagli::reject() {
    if (running_) return;
    upd_Alarm(windowOf(parentWidget()));
    done(1);
}

int DlgDettagli::run() {
    ensurePolished();
    adjustSize();
    QRect r(QPoint(0, 0), size());
    if (QScreen* s = QGuiApplication::primaryScreen()) r.moveCenter(s->availableGeometry().center());
    setGeometry(r);
    return exec();
}
