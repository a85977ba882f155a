#include "shell/panel_dialog.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "platform/ui_qt_dialog.h"
#include "shell/screen_rules.h"

QString idName(int id) {
    return QStringLiteral("id%1").arg(id);
}

QColor panelColour(uint32_t rgb, const QPalette& face) {
    if (rgb == kFaceColour) return face.color(QPalette::Button);
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QGroupBox* PanelControls::group(int id, const char* text, const QRect& r) {
    auto* g = new QGroupBox(text, area_);
    g->setObjectName(idName(id));
    g->setGeometry(r);
    QPalette p = g->palette();
    const QColor blue = panelColour(kGroupTitleBlue, p);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) p.setColor(role, blue);
    g->setPalette(p);
    return g;
}

QPushButton* PanelControls::button(int id, const char* text, const QRect& r) {
    auto* b = new QPushButton(text, area_);
    b->setObjectName(idName(id));
    b->setAutoDefault(false);
    b->setGeometry(r);
    return b;
}

QLabel* PanelControls::label(int id, const char* text, const QRect& r, Qt::Alignment align) {
    auto* l = new QLabel(text, area_);
    l->setObjectName(idName(id));
    l->setGeometry(r);
    l->setAlignment(align);
    return l;
}

QPlainTextEdit* PanelControls::summary(int id, const QRect& r) {
    auto* box = new QPlainTextEdit(area_);
    box->setObjectName(idName(id));
    box->setReadOnly(true);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    box->setFont(fixed);
    box->setGeometry(r);
    return box;
}

PanelDialog::PanelDialog(QWidget* parent, int dialogId) : QDialog(parent) {
    setObjectName(idName(dialogId));
}

void PanelDialog::finishLayout(QWidget* area, int statusId, bool sizeGrip) {
    status_ = new QStatusBar(this);
    status_->setObjectName(idName(statusId));
    status_->setSizeGripEnabled(sizeGrip);
    for (int i = 0; i < 2; ++i) {
        statusPart_[i] = new QLabel(status_);
        statusPart_[i]->setObjectName(QStringLiteral("id%1_%2").arg(statusId).arg(i + 1));
    }
    statusPart_[0]->setFixedWidth(150);
    status_->addWidget(statusPart_[0]);
    status_->addWidget(statusPart_[1], 1);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(area);
    lay->addWidget(status_);
    setFixedSize(sizeHint());

    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

QWidget* PanelDialog::control(int id) const {
    return findChild<QWidget*>(idName(id));
}

void PanelDialog::setStatus(int part, const std::string& text) {
    if (part == 0 || part == 1) statusPart_[part]->setText(qtText(text));
}

void PanelDialog::reject() {
    done(1);
}

bool isAltLetter(const QKeyEvent* k) {
    const Qt::KeyboardModifiers m = k->modifiers();
    return (m & Qt::AltModifier) && !(m & (Qt::ControlModifier | Qt::MetaModifier));
}

bool PanelDialog::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (isAltLetter(k) && altKey(k->key())) return true;
    }
    return QDialog::eventFilter(watched, e);
}

void PanelDialog::keyPressEvent(QKeyEvent* e) {
    if (isAltLetter(e) && altKey(e->key())) return;
    // Enter does nothing, and Escape does not leave the panel either: only "Exit" and the close
    // box do.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(e);
}
