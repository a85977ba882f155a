// The session list of a flash image ("RX41data.txt" beside "RX41data.bin"), read by loadTable as
// the quick view's "Load" reads it, then the most recent session looked up as the quick view and
// korvane-cli choose it. The input is the list file; the image is a sparse file of the right size.
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_target.h"
#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/session.h"
#include "shell/korvane.h"
#include "tables/session_list.h"

namespace {

// The harness's quiet answers, and the open box choosing the list file of the scratch folder.
class ListUi : public UiServices {
  public:
    MsgAnswer messageBox(Window owner, const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) override {
        return quiet->messageBox(owner, text, title, buttons, icon);
    }
    bool openFileBox(Window, const FileBoxRequest&, std::string& path) override {
        path = list;
        return true;
    }
    UiServices* quiet = nullptr;
    std::string list;
};

class Choices : public ChoiceList {
  public:
    void clear() override { n = 0; }
    void add(std::string_view text) override {
        if (text.size() != 13) __builtin_trap(); // a start time is 13 characters
        ++n;
    }
    int n = 0;
};

ListUi& listUi() {
    static ListUi u;
    if (u.list.empty()) {
        u.quiet = &ui();
        u.list = fuzz::writeScratch(kDumpFile, nullptr, 0);
        // The image only has to be there with its exact size: a sparse file costs no memory.
        std::filesystem::resize_file(fuzz::writeScratch(kImageFile, nullptr, 0), kImageSize);
    }
    return u;
}

} // namespace

KORVANE_FUZZ_TARGET(session_list) {
    ListUi& u = listUi();
    installUi(&u);
    fuzz::writeScratch(kDumpFile, data, size);
    IndTab = 0;
    Flag.MW51 = 0;
    ImageFolder.clear();
    Choices choices;
    const int loaded = loadTable(nullptr, &choices);
    if (IndTab < 0 || IndTab > kMaxSessions) __builtin_trap();
    if (loaded == 1) {
        if (IndTab == 0 || choices.n != IndTab) __builtin_trap();
        const int newest = newestSession();
        if (newest < 0 || newest >= IndTab) __builtin_trap();
        // The chosen session's table page, as the quick view looks it up.
        if (setPageTab(Table[newest].datainizio) != 1) __builtin_trap();
    } else if (loaded != 0) {
        __builtin_trap();
    }
    return 0;
}
