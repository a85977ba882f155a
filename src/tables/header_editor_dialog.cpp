#include "tables/header_editor_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "boards/input_boxes.h"
#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "shell/korvane.h"
#include "tables/table_rules.h"

DlgInputText::DlgInputText(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("id900");
    setWindowTitle(qtText(Nome_prog));

    auto* group = new QGroupBox(QStringLiteral("Modifica intestazione colonna"), this);
    edit_ = new QLineEdit(group);
    edit_->setObjectName("id902");
    edit_->setMinimumWidth(320);
    ok_ = new QPushButton(QStringLiteral("Ok"), group);
    ok_->setObjectName("id904");
    esc_ = new QPushButton(QStringLiteral("Esc"), group);
    esc_->setObjectName("id903");
    // Enter is the editor's own: it confirms only while "Ok" is enabled.
    ok_->setAutoDefault(false);
    esc_->setAutoDefault(false);

    auto* inner = new QVBoxLayout(group);
    inner->addWidget(edit_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(esc_);
    inner->addLayout(buttons);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(group);

    edit_->setText(qtText(EditBuf));
    ok_->setEnabled(headerOkEnabled(false, EditBuf));
    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { ok_->setEnabled(headerOkEnabled(true, text.toStdString())); });
    connect(ok_, &QPushButton::clicked, this, [this] { confirm(); });
    connect(esc_, &QPushButton::clicked, this, [this] { reject(); });
}

QWidget* DlgInputText::control(int id) const {
    return findChild<QWidget*>(QStringLiteral("id%1").arg(id));
}

void DlgInputText::confirm() {
    if (!ok_->isEnabled()) return;
    std::string text = utf8ToCp1252(edit_->text().toStdString());
    if (text.size() > kHeaderEditMax) text.resize(kHeaderEditMax);
    EditBuf = text;
    done(1);
}

void DlgInputText::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        confirm();
        return;
    }
    QDialog::keyPressEvent(e); // Escape: ends with 0
}

int DlgInputText::run() {
    centreOnOwner(this);
    edit_->setFocus();
    edit_->selectAll();
    return exec() == 1 ? 1 : 0;
}
