#pragma once
// What the board screens share: controls created on a dialog and named "id<N>" by their
// identifiers, kept by identifier; choice boxes filled from the core's lists; a field painted
// red while its value is out of range.
#include <QString>
#include <functional>
#include <map>

#include "boards/energy_board.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

class BoardForm {
  public:
    explicit BoardForm(QWidget* owner) : owner_(owner) {}
    QLabel* label(int id, const char* text); // id 0: a label without identifier
    // An edit field; `changed` runs on every change of its text.
    QLineEdit* edit(int id, std::function<void(int id)> changed);
    // A choice box; `chosen` runs when the user picks an entry.
    QComboBox* combo(int id, std::function<void(int id)> chosen);
    QCheckBox* check(int id, const char* text);
    QPushButton* button(int id, const char* text);
    QGroupBox* group(int id, const char* text);
    QWidget* control(int id) const;
    void setEnabled(int id, bool on) const;

    std::map<int, QLineEdit*> edits;
    std::map<int, QComboBox*> combos;
    std::map<int, QCheckBox*> checks;

  private:
    QWidget* owner_;
};

// The entries of `list` as the box's choices.
void fillCombo(QComboBox* box, const TextList& list);
// A field on the red brush while its value is refused, else on the normal background.
void paintInvalid(QLineEdit* field, bool invalid);
// The selected text of a choice box as the program's Windows-1252 text.
std::string comboText(const QComboBox* box);
// The text of an edit field as Windows-1252, cut to `maxLength` characters; a longer text is cut
// in the field too (the caret at its end), without announcing the change again.
std::string fieldTextCut(QLineEdit* field, size_t maxLength);
