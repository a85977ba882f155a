#pragma once
// The board keys of the main panel: Alt+Z (display-board detection, then the energy-board
// screen; the display screen for an RX42), Alt+C (counters), Alt+O (Option register), Alt+G
// (GSM field strength), each only under its condition.
class QWidget;

// `key` is the Qt key of the letter; true when it was one of these keys and its condition held.
bool boardKey(QWidget* panel, int key);
