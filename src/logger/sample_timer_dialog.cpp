#include "logger/sample_timer_dialog.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "logger/sample_timer.h"
#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"

namespace {
QString idName(int id) {
    return QStringLiteral("id%1").arg(id);
}
} // namespace

DlgSaTmr::DlgSaTmr(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(idName(700));
    setWindowTitle("Sample Timer");

    auto* group = new QGroupBox("Impostazione valore SaTmr", this);
    group->setObjectName(idName(705));

    value_ = new QLineEdit(group);
    value_->setObjectName(idName(701));
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    value_->setFont(fixed);
    value_->setMaxLength(10);
    value_->setText(QString::number(kSaTmrInitial));
    auto* unit = new QLabel("s", group);
    unit->setObjectName(idName(702));
    auto* row = new QHBoxLayout(group);
    row->addWidget(value_, 1);
    row->addWidget(unit);

    auto* applyButton = new QPushButton("Apply", this);
    applyButton->setObjectName(idName(703));
    auto* esc = new QPushButton("Esc", this);
    esc->setObjectName(idName(704));
    // Enter belongs to the value field: it clamps the value and sends nothing.
    applyButton->setAutoDefault(false);
    esc->setAutoDefault(false);
    connect(applyButton, &QPushButton::clicked, this, [this] { apply(); });
    connect(esc, &QPushButton::clicked, this, [this] { reject(); });

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(group);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(applyButton);
    buttons->addWidget(esc);
    lay->addLayout(buttons);
}

QWidget* DlgSaTmr::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

unsigned DlgSaTmr::clampField() {
    const unsigned v = saTmrClamp(utf8ToCp1252(value_->text().toStdString()));
    value_->setText(QString::number(v));
    return v;
}

void DlgSaTmr::apply() {
    if (saTmrApply(windowOf(this), clampField()) == 1) done(1);
}

void DlgSaTmr::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        clampField();
        return;
    }
    QDialog::keyPressEvent(e); // Escape: ends without sending
}

int DlgSaTmr::run() {
    ensurePolished();
    adjustSize();
    QRect r(QPoint(0, 0), size());
    if (QScreen* s = QGuiApplication::primaryScreen()) r.moveCenter(s->availableGeometry().center());
    setGeometry(r);
    // The page viewer shares the remembered position.
    PosWin2.left = r.left();
    PosWin2.top = r.top();
    PosWin2.right = r.right() + 1;
    PosWin2.bottom = r.bottom() + 1;
    value_->setFocus();
    return exec() == 1 ? 1 : 0;
}
