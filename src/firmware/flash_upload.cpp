// Flash image upload into the logger's internal data flash (Alt+W of the main dialog).
#include "firmware/flash_upload.h"

#include <cstdio>

#include "firmware/firmware_files.h"
#include "link/korvane_com.h"
#include "platform/clock.h"
#include "shell/korvane.h"

namespace {
constexpr unsigned kFramesPerPage = kFlashPageSize / kFlashFrame; // 11
} // namespace

int flashImageFrames(Window owner, File& file, unsigned npag, FlashUploadStats& st) {
    st.pages = npag;
    st.frames = 0;
    const unsigned total = kFramesPerPage * npag;
    Show_wait_msg(owner, "Uploading...");
    char frame[kFlashFrame];
    for (unsigned i = 0; i < total; ++i) {
        Setbar_wait_msg(i, total);
        if (Test_wait_msg() == 0) {
            sleepMs(100);
            sendCOMMAND(hCom, "ATCM15\r", kModeCR);
            char buf[128];
            std::snprintf(buf, sizeof buf, "%s %u/%u)",
                          "Upload non completato !\r\n(Pagine scritte:", i / kFramesPerPage, npag);
            messageBox(owner, buf, "Data Error", MsgButtons::Ok, MsgIcon::Error);
            return 0;
        }
        const bool read = std::fread(frame, 1, sizeof frame, file.get()) == sizeof frame;
        if (!read || sendCOMMAND(hCom, frame, kModeBlock48) != 1 || rxText() != "OK") {
            Close_wait_msg();
            // The logger must not stay in its upload mode, taking every request as a frame.
            sleepMs(100);
            sendCOMMAND(hCom, "ATCM15\r", kModeCR);
            messageBox(owner, "Un pacchetto non e' stato accettato !", "Data Error", MsgButtons::Ok,
                       MsgIcon::Error);
            return 0;
        }
        st.frames = i + 1;
    }
    sleepMs(100);
    sendCOMMAND(hCom, "ATCM15\r", kModeCR); // reply not examined
    Close_wait_msg();
    return 1;
}

int flashImageUpload(Window owner, FlashUploadStats* stats) {
    FlashUploadStats local;
    FlashUploadStats& st = stats ? *stats : local;
    st = FlashUploadStats{};
    if (messageBox(owner, "Upload dati nella memoria flash interna ?", "Question", MsgButtons::YesNo,
                   MsgIcon::Warning) != MsgAnswer::Yes)
        return -1;
    if (sendCOMMAND(hCom, "ATCM14\r", kModeCR) != 1 || rxText() != "OK") {
        messageBox(owner,
                   "Modalita' upload Flash non supportata !\r\n(E' necessaria una versione firmware >= 1.8)",
                   "System Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    File file;
    unsigned npag = 0;
    // Declining from here on leaves the logger in its upload mode unless it is told to leave.
    auto leave = [] {
        sendCOMMAND(hCom, "ATCM15\r", kModeCR);
        return -1;
    };
    if (getBinFile(owner, file, npag) != 1) return leave();
    st.pages = npag;
    char q[160];
    std::snprintf(q, sizeof q, "%u %s", npag,
                  "pagine saranno caricate nella memoria flash interna. Continuare ?");
    if (messageBox(owner, q, "Question", MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
        return leave();
    return flashImageFrames(owner, file, npag, st);
}
