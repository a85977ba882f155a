#include "boards/input_boxes_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"

namespace {

struct BoxIds {
    int dialog, edit, ok, esc, label; // label 0: none
};

BoxIds idsOf(InputBoxKind kind) {
    switch (kind) {
    case InputBoxKind::Num2:
        return {1600, 1601, 1602, 1603, 1604};
    case InputBoxKind::Txt:
        return {1800, 1802, 1804, 1803, 1801};
    case InputBoxKind::Num:
        break;
    }
    return {1000, 1001, 1002, 1003, 0};
}

QString idName(int id) {
    return QStringLiteral("id%1").arg(id);
}

InputState applyRule(InputBoxKind kind, const std::string& typed) {
    switch (kind) {
    case InputBoxKind::Num2:
        return inputNum2Changed(typed);
    case InputBoxKind::Txt:
        return inputTxtChanged(typed);
    case InputBoxKind::Num:
        break;
    }
    return inputNumChanged(typed);
}

} // namespace

InputBoxDialog::InputBoxDialog(InputBoxKind kind, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), kind_(kind) {
    const BoxIds ids = idsOf(kind);
    setObjectName(idName(ids.dialog));
    setWindowTitle(qtText(kind == InputBoxKind::Num ? Nome_prog : TitoloBuf));

    edit_ = new QLineEdit(this);
    edit_->setObjectName(idName(ids.edit));
    edit_->setMinimumWidth(kind == InputBoxKind::Txt ? 260 : 140);
    ok_ = new QPushButton("Ok", this);
    ok_->setObjectName(idName(ids.ok));
    esc_ = new QPushButton("Esc", this);
    esc_->setObjectName(idName(ids.esc));
    // Enter is handled by the box itself: it confirms only while "Ok" is enabled.
    ok_->setAutoDefault(false);
    esc_->setAutoDefault(false);

    auto* lay = new QVBoxLayout(this);
    if (ids.label != 0) {
        label_ = new QLabel(this);
        label_->setObjectName(idName(ids.label));
        label_->setTextFormat(Qt::PlainText);
        label_->setText(qtText(kind == InputBoxKind::Txt ? inputTxtLabel() : inputRangeLabel()));
    }
    if (kind == InputBoxKind::Txt) lay->addWidget(label_);
    lay->addWidget(edit_);
    if (kind == InputBoxKind::Num2) lay->addWidget(label_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(esc_);
    lay->addLayout(buttons);

    // The initial text is shown as it is; the rule applies from the first change on.
    edit_->setText(qtText(EditBuf));
    edit_->selectAll();
    ok_->setEnabled(false);
    connect(edit_, &QLineEdit::textChanged, this, [this] { changed(); });
    connect(ok_, &QPushButton::clicked, this, [this] { confirm(); });
    connect(esc_, &QPushButton::clicked, this, [this] { reject(); });
}

void InputBoxDialog::changed() {
    if (rewriting_) return;
    const std::string typed = utf8ToCp1252(edit_->text().toStdString());
    const InputState st = applyRule(kind_, typed);
    if (st.text != typed) {
        rewriting_ = true;
        edit_->setText(qtText(st.text));
        edit_->setCursorPosition(static_cast<int>(edit_->text().size()));
        rewriting_ = false;
    }
    ok_->setEnabled(st.okEnabled);
}

void InputBoxDialog::confirm() {
    if (!ok_->isEnabled()) return;
    const std::string text = utf8ToCp1252(edit_->text().toStdString());
    // The numeric box writes the number back with the decimals typed; the others the text cut
    // to its limit.
    EditBuf = kind_ == InputBoxKind::Num ? inputNumConfirmed(text) : inputTxtChanged(text).text;
    done(1);
}

void InputBoxDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        confirm();
        return;
    }
    QDialog::keyPressEvent(e); // Escape: reject, ends with 0
}

int InputBoxDialog::run() {
    centreOnOwner(this);
    edit_->setFocus();
    return exec() == 1 ? 1 : 0;
}
