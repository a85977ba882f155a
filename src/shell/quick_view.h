#pragma once
// Rules of the quick-view dialog (the offline mode): choosing a session of a flash image,
// accepting its first and last data pages, the sample time, decoding the session or loading a
// data text file into the working file. The dialog shows what these decide.
#include <string>
#include <string_view>

#include "platform/text_box.h"
#include "platform/ui.h"
#include "tables/session_list.h"

// Session buttons of the dialog that the state enables: "Page First", "Page Last", "Start".
struct QuickButtons {
    bool pageFirst = false;
    bool pageLast = false;
    bool start = false;
};

// Texts of the dialog.
extern const char kQuickDecodeFailedText[]; // title "Warning"
extern const char kQuickBadTextFileText[];  // title "Error"

// Opening: verbose summary, no page chosen, every session step failed, buttons disabled.
void quickOpen(QuickButtons& b);
// "Start" may run: both pages known and a valid sample time.
bool quickStartAllowed();
// The session whose start text is in DataTimeSS: its table, pages and time markers from the
// image, the summary rewritten. A session whose table cannot be read sets Flag.table_error and
// leaves the rest as it was.
void quickChooseSession(QuickButtons& b, TextBox* summary);
// A session chosen in the list (also the newest one after "Load"): back to "nothing accepted"
// for it, then quickChooseSession.
void quickNewChoice(QuickButtons& b, const std::string& start, TextBox* summary);
// "Load": the session list of a flash image into `list`, then the most recent session chosen
// (newestSession).
// Returns the index of the chosen entry, -1 when no list was loaded (Flag.table_error set).
int quickLoad(QuickButtons& b, Window owner, ChoiceList* list, TextBox* summary);
// After the page viewer ran for the first (1) or last (2) page: the session recomputed.
void quickAfterPageView(QuickButtons& b, int pageType, TextBox* summary);
// A change of the sample-time field; returns Flag.sample_error == 0.
bool quickSampleChanged(QuickButtons& b, std::string_view text);
// "Start": the chosen session decoded into the working file DataTimeSS. 1 written; 0 with the
// failure message shown.
int quickDecode(Window owner);
// "Load file .txt": an exported data text file made the working file. 1 done; 0 with the
// failure message shown.
int quickLoadText(Window owner);
// After the data table: the working file DataTimeSS is deleted when it exists.
void quickRemoveWorkingFile();
