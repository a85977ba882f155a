#include "logger/channel_window.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMoveEvent>

#include "logger/channel_select.h"
#include "platform/ui_qt_dialog.h"

DlgCanale::DlgCanale(QWidget* owner, int slot) : QDialog(owner, Qt::Tool), slot_(slot) {
    setObjectName("id1300");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(qtText(dataWindowTitle(slot)));

    value_ = new QLineEdit(this);
    value_->setObjectName("id1310");
    value_->setReadOnly(true);
    value_->setFocusPolicy(Qt::NoFocus); // no caret
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont big(QStringLiteral("Courier New"));
    big.setStyleHint(QFont::TypeWriter);
    big.setPixelSize(50);
    big.setBold(true);
    value_->setFont(big);
    QPalette vp = value_->palette();
    vp.setColor(QPalette::Base, Qt::black);
    vp.setColor(QPalette::Text, Qt::yellow);
    value_->setPalette(vp);
    value_->setMinimumWidth(260);

    unit_ = new QLabel(qtText(dataWindowUnit(slot)), this);
    unit_->setObjectName("id1301");
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(25);
    small.setBold(true);
    unit_->setFont(small);

    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(6, 6, 6, 6);
    lay->addWidget(value_, 1);
    lay->addWidget(unit_);
    setFixedSize(sizeHint());

    posSlot_ = WinOfs >= 0 && WinOfs < kMaxSelected ? WinOfs : kMaxSelected - 1;
    const WinPos& p = nextDataWindowPosition();
    move(p.left, p.top);
    placed_ = true;
}

void DlgCanale::setValue(const std::string& cp1252) {
    value_->setText(qtText(cp1252));
}

QString DlgCanale::value() const {
    return value_->text();
}

QWidget* DlgCanale::control(int id) const {
    return findChild<QWidget*>(QStringLiteral("id%1").arg(id));
}

void DlgCanale::moveEvent(QMoveEvent* e) {
    QDialog::moveEvent(e);
    if (!placed_) return;
    const QPoint at = pos();
    const QPoint snapped(snapDown20(at.x()), snapDown20(at.y()));
    WinPos& p = PosWin[posSlot_];
    p.left = snapped.x();
    p.top = snapped.y();
    p.right = p.left + width();
    p.bottom = p.top + height();
    p.enabled = 1;
    if (snapped != at) move(snapped);
}
