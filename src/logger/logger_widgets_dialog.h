#pragma once
// Widgets the logger's text screens share (the page viewer, the monitor, the channel selection).
#include <QRect>
#include <QString>

class QGroupBox;
class QPlainTextEdit;
class QWidget;

// A group box named "id<id>" with its title drawn blue.
QGroupBox* blueGroupBox(const QString& title, int id, const QRect& r, QWidget* parent);
// A read-only, unwrapped text box named "id<id>" in a fixed-pitch font, drawn white on black.
QPlainTextEdit* darkTextBox(int id, const QRect& r, QWidget* parent);
