#pragma once
// The small input boxes: one shared set of globals filled by the caller before a box runs, and
// the rules the boxes apply to what is typed.
#include <string>

#include "platform/ui.h"

inline constexpr size_t kEditBufMax = 999;  // characters of EditBuf
inline constexpr size_t kTitoloBufMax = 99; // characters of TitoloBuf

extern std::string EditBuf;   // initial text; on a confirmed exit, the text entered
extern std::string TitoloBuf; // window title
extern float InputMin, InputMax; // accepted range (box with a range)
extern int Ndec;              // decimals of the range line (0..3)
// MaxEdit (largest number of characters accepted) lives with the application globals.

int DlgInputNum(Window owner);
int DlgInputNum2_(Window owner);
int DlgInputTxt(Window owner);

// What a box does with the text after each change.
struct InputState {
    std::string text; // the field's text after the change (cut, or emptied)
    bool okEnabled = false;
};
// Numeric box: cut to MaxEdit; a character other than a digit, '.' or '-' empties the field.
InputState inputNumChanged(const std::string& typed);
// Numeric box with a range: as above, and "Ok" only while the value lies in InputMin..InputMax.
InputState inputNum2Changed(const std::string& typed);
// Text box: cut to MaxEdit; any character is accepted.
InputState inputTxtChanged(const std::string& typed);
// "Range: ..." line of the box with a range.
std::string inputRangeLabel();
// "(N caratteri max)" line of the text box.
std::string inputTxtLabel();
// What the numeric box writes back on "Ok": the number with as many decimals as were typed.
std::string inputNumConfirmed(const std::string& text);
// The leading number of a text, as the standard text-to-float reading gives it (0 without digits).
float inputValue(const std::string& text);
