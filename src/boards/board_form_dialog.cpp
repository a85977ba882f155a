#include "boards/board_form_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "platform/text_cp1252.h"
#include "platform/ui_qt_dialog.h"
#include "shell/panel_dialog.h"

QLabel* BoardForm::label(int id, const char* text) {
    auto* l = new QLabel(qtText(text), owner_);
    if (id) l->setObjectName(idName(id));
    return l;
}

QLineEdit* BoardForm::edit(int id, std::function<void(int)> changed) {
    auto* e = new QLineEdit(owner_);
    e->setObjectName(idName(id));
    edits[id] = e;
    QObject::connect(e, &QLineEdit::textChanged, owner_, [changed, id] { changed(id); });
    return e;
}

QComboBox* BoardForm::combo(int id, std::function<void(int)> chosen) {
    auto* c = new QComboBox(owner_);
    c->setObjectName(idName(id));
    combos[id] = c;
    QObject::connect(c, &QComboBox::activated, owner_, [chosen, id] { chosen(id); });
    return c;
}

QCheckBox* BoardForm::check(int id, const char* text) {
    auto* c = new QCheckBox(qtText(text), owner_);
    c->setObjectName(idName(id));
    checks[id] = c;
    return c;
}

QPushButton* BoardForm::button(int id, const char* text) {
    auto* b = new QPushButton(qtText(text), owner_);
    b->setObjectName(idName(id));
    b->setAutoDefault(false);
    return b;
}

QGroupBox* BoardForm::group(int id, const char* text) {
    auto* g = new QGroupBox(qtText(text), owner_);
    g->setObjectName(idName(id));
    return g;
}

QWidget* BoardForm::control(int id) const {
    return owner_->findChild<QWidget*>(idName(id));
}

void BoardForm::setEnabled(int id, bool on) const {
    if (QWidget* w = control(id)) w->setEnabled(on);
}

void fillCombo(QComboBox* box, const TextList& list) {
    box->clear();
    for (size_t i = 0; i < list.size; ++i) box->addItem(qtText(list[i]));
}

void paintInvalid(QLineEdit* field, bool invalid) {
    QPalette p = field->parentWidget() ? field->parentWidget()->palette() : field->palette();
    if (invalid) p.setColor(QPalette::Base, QColor(255, 0, 0));
    field->setPalette(p);
}

std::string comboText(const QComboBox* box) {
    return utf8ToCp1252(box->currentText().toStdString());
}

std::string fieldTextCut(QLineEdit* field, size_t maxLength) {
    std::string text = utf8ToCp1252(field->text().toStdString());
    if (text.size() > maxLength) {
        text.resize(maxLength);
        QSignalBlocker block(field);
        field->setText(qtText(text));
        field->end(false);
    }
    return text;
}
