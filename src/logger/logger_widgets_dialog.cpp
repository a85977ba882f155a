#include "logger/logger_widgets_dialog.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QPlainTextEdit>

QGroupBox* blueGroupBox(const QString& title, int id, const QRect& r, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QStringLiteral("id%1").arg(id));
    group->setGeometry(r);
    QPalette gp = group->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        gp.setColor(role, Qt::blue);
    group->setPalette(gp);
    return group;
}

QPlainTextEdit* darkTextBox(int id, const QRect& r, QWidget* parent) {
    auto* text = new QPlainTextEdit(parent);
    text->setObjectName(QStringLiteral("id%1").arg(id));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFixedPitch(true);
    text->setFont(fixed);
    QPalette tp = text->palette();
    tp.setColor(QPalette::Base, Qt::black);
    tp.setColor(QPalette::Text, Qt::white);
    text->setPalette(tp);
    text->setGeometry(r);
    return text;
}
