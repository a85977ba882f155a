// The quick-view dialog's state machine.
#include "shell/quick_view.h"

#include <filesystem>

#include "logger/flash_image.h"
#include "logger/session.h"
#include "logger/time_marks.h"
#include "shell/korvane.h"
#include "shell/screen_rules.h"
#include "tables/data_table.h"

const char kQuickDecodeFailedText[] = "Il file di uscita non e' stato generato !";
const char kQuickBadTextFileText[] = "File non valido !";

namespace {

void setSessionSwitches() {
    Flag.pages_error = Flag.table_error = Flag.time_error = 1;
    Flag.pagefirst_error = Flag.pagelast_error = 1;
}

} // namespace

void quickOpen(QuickButtons& b) {
    Flag.verbose = 1;
    Flag.page_type = 0;
    setSessionSwitches();
    b = QuickButtons{};
}

bool quickStartAllowed() {
    return Flag.pagefirst_error == 0 && Flag.pagelast_error == 0 && Flag.sample_error == 0;
}

void quickChooseSession(QuickButtons& b, TextBox* summary) {
    if (setPageTab(DataTimeSS) != 1 || initTabAssBin() != 1) {
        Flag.table_error = 1;
        return;
    }
    Flag.table_error = 0;
    if (initTimeMarkBin() == 0) Flag.pagefirst_error = 1;
    printInfoSesBin(summary);
    b.pageFirst = true;
    b.start = quickStartAllowed();
}

void quickNewChoice(QuickButtons& b, const std::string& start, TextBox* summary) {
    setSessionSwitches();
    b = QuickButtons{};
    DataTimeSS = start;
    quickChooseSession(b, summary);
}

int quickLoad(QuickButtons& b, Window owner, ChoiceList* list, TextBox* summary) {
    if (loadTable(owner, list) != 1) {
        Flag.table_error = 1;
        return -1;
    }
    // A new image: nothing of the session shown before holds for it.
    const int newest = newestSession();
    quickNewChoice(b, Table[newest].datainizio, summary);
    return newest;
}

void quickAfterPageView(QuickButtons& b, int pageType, TextBox* summary) {
    if (Flag.pagefirst_error == 0 && Flag.pagelast_error == 0) {
        if (initTimeMarkBin() == 0) Flag.pagefirst_error = 1;
    }
    b.start = quickStartAllowed();
    printInfoSesBin(summary);
    if (pageType == 1 && Flag.pagefirst_error == 0) b.pageLast = true;
}

bool quickSampleChanged(QuickButtons& b, std::string_view text) {
    const unsigned v = sampleFieldValue(text);
    if (v >= 1 && v <= 65535) {
        Tsample = static_cast<uint16_t>(v);
        Flag.sample_error = 0;
    } else {
        Flag.sample_error = 1;
    }
    b.start = quickStartAllowed();
    return Flag.sample_error == 0;
}

int quickDecode(Window owner) {
    if (saveFileBin(owner, DataTimeSS) == 1) return 1;
    messageBox(owner, kQuickDecodeFailedText, "Warning", MsgButtons::Ok, MsgIcon::Warning);
    return 0;
}

int quickLoadText(Window owner) {
    if (loadFileTxt(owner) == 1) return 1;
    messageBox(owner, kQuickBadTextFileText, "Error", MsgButtons::Ok, MsgIcon::Error);
    return 0;
}

void quickRemoveWorkingFile() {
    if (!plainFileName(DataTimeSS)) return;
    std::error_code ec;
    if (std::filesystem::is_regular_file(DataTimeSS, ec)) std::filesystem::remove(DataTimeSS, ec);
}
