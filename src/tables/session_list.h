#pragma once
// The session list of a flash image: the dump "RX41data.txt" that a verbose download writes next
// to the image names every session still in the logger's memory ("Page...0x" lines with the
// table page and the start time) and the firmware release.
#include <string_view>

#include "platform/ui.h"

// A drop-down list as the core fills it. Dialogs implement it with their widget.
class ChoiceList {
  public:
    virtual ~ChoiceList() = default;
    virtual void clear() = 0;
    virtual void add(std::string_view text) = 0; // Windows-1252 bytes
};

// Asks for the session list in an open box, checks the flash image "RX41data.bin" in the same
// folder (present, exactly 0x210000 bytes) and reads the list into Table / IndTab (at most 2048
// sessions, in file order); Flag.MW51 tells whether the firmware release begins with "5". On
// success ImageFolder names that folder and `list` (may be null) holds the start times.
// 1 = at least one session; 0 otherwise (a message was shown, except when the box was cancelled).
int loadTable(Window hwndDlg, ChoiceList* list);

// Index of the most recent session of Table: the greatest start text (YYMMDD_hhmmss), the later
// entry of equal ones; -1 when the list is empty. The list itself is in table-page order, which
// puts the newest session last only until the logger's ring wraps.
int newestSession();
