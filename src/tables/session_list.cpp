// Reading the session list of a flash image.
#include "tables/session_list.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/session.h"
#include "platform/file_handle.h"
#include "shell/korvane.h"

namespace {

int fileError(Window owner, const char* text) {
    messageBox(owner, text, "File Error", MsgButtons::Ok, MsgIcon::Error);
    return 0;
}

// Exactly `n` bytes; false at the end of the file.
bool readExactly(FILE* f, char* buf, size_t n) {
    return std::fread(buf, 1, n, f) == n;
}

// Scans the list byte by byte: a "Page...0x" line gives one session (table page, one byte, start
// time); the first capital F ends the scan, setting Flag.MW51 when it begins the firmware
// release line of a release "5...". Sessions past the 2048th are read over and not kept.
void scanList(FILE* f) {
    static constexpr char kPageTag[] = "age...0x";
    static constexpr char kReleaseTag[] = "W release...............";
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        if (c == 'P') {
            char tag[sizeof kPageTag - 1];
            if (!readExactly(f, tag, sizeof tag)) return;
            if (std::memcmp(tag, kPageTag, sizeof tag) != 0) continue;
            char page[4], gap, start[13];
            if (!readExactly(f, page, sizeof page) || !readExactly(f, &gap, 1) ||
                !readExactly(f, start, sizeof start))
                return; // an entry cut off by the end of the file does not count
            if (IndTab < kMaxSessions) {
                Table[IndTab].pagetab.assign(page, sizeof page);
                Table[IndTab].datainizio.assign(start, sizeof start);
                ++IndTab;
            }
        } else if (c == 'F') {
            char tag[sizeof kReleaseTag - 1];
            if (readExactly(f, tag, sizeof tag) && std::memcmp(tag, kReleaseTag, sizeof tag) == 0 &&
                std::fgetc(f) == '5')
                Flag.MW51 = 1;
            return;
        }
    }
}

} // namespace

int loadTable(Window hwndDlg, ChoiceList* list) {
    namespace fs = std::filesystem;
    Flag.MW51 = 0;
    FileBoxRequest req;
    req.filter = "RX41data.txt (generato da RX41) (RX41data.txt);;All Files (*.*)";
    req.defaultExt = "txt";
    req.mustExist = true;
    std::string chosen;
    if (!ui().openFileBox(hwndDlg, req, chosen) || chosen.empty()) return 0;
    IndTab = 0;

    std::error_code ec;
    fs::path listPath = fs::absolute(chosen, ec);
    if (ec) listPath = chosen;
    const fs::path folder = listPath.parent_path();
    const fs::path image = folder / kImageFile;
    if (!fs::is_regular_file(image, ec)) return fileError(hwndDlg, "File RX41data.bin non trovato !");
    const auto size = fs::file_size(image, ec);
    if (ec || size != kImageSize) return fileError(hwndDlg, "Dimensione RX41data.bin non valida !");
    File f = openFile(listPath, "rb");
    if (!f) return fileError(hwndDlg, "File RX41data.txt non trovato !");

    scanList(f.get());
    if (IndTab == 0) return fileError(hwndDlg, "Nessuna sessione trovata !");
    ImageFolder = folder.string();
    if (list) {
        list->clear();
        for (int i = 0; i < IndTab; ++i) list->add(Table[i].datainizio);
    }
    return 1;
}

int newestSession() {
    int newest = -1;
    for (int i = 0; i < IndTab && i < kMaxSessions; ++i)
        if (newest < 0 || Table[i].datainizio >= Table[newest].datainizio) newest = i;
    return newest;
}
