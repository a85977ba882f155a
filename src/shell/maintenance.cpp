#include "shell/maintenance.h"

#include <cstdio>

#include "boards/input_boxes.h"
#include "link/korvane_com.h"
#include "logger/tab_ass.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

const char kIdleEnteredStatus[] = " Ingresso in stato IDLE";
const char kIdleLeftStatus[] = " Uscita dallo stato IDLE";
const char kEraseQuestion[] = "La memoria Flash del datalogger verr\xE0 cancellata e tutti\r\n"
                              "i dati presenti saranno persi. Continuare ?";
const char kEraseWaitText[] = "Formattazione memoria Flash in corso...";
const char kEraseFailedText[] = "La procedura non \xE8 stata correttamente completata !";
const char kNetAddressUnreadableText[] = "Impossibile leggere l'indirizzo di rete del datalogger\r\n"
                                         "(e' necessaria una versione firmware >= 1.3)";
const char kNetAddressQuestion[] = "Visualizzare e/o modificare l'indirizzo di rete del datalogger ?";
const char kNetAddressNew[] = "Nuovo indirizzo";
const char kPointersQuestion[] = "Modifica indirizzi PAGE_TAB e PAGE_LAST ?";
const char kPageTabTitle[] = "Indirizzo PAGE_TAB";
const char kPageLastTitle[] = "Indirizzo PAGE_LAST";
const char kOperationFailedText[] = "L'operazione non e' andata a buon fine !";

namespace {

// The name of the network address in the range message.
constexpr char kNetAddressName[] = "Indirizzo di rete";
// Characters the network address box takes: every address 0..65535 can be typed.
constexpr int kNetAddressChars = 5;
constexpr int kPagePointerChars = 4;
// Characters of a device reply quoted in a message.
constexpr size_t kReplyShown = 32;

// One command with a text reply that must be an acknowledgement.
bool acknowledged(const char* command) {
    return sendCOMMAND(hCom, command, kModeCR) == 1 && rxOk();
}

// The operating state is IDLE ("ATOS" answers "00"). An unreadable state counts as not IDLE:
// the logger is then left recording rather than stopped.
bool operatingStateIsIdle() {
    clearRxBuf(hCom);
    return sendCOMMAND(hCom, "ATOS\r", kModeCR) == 1 && iRx >= 2 && Rx_buf[0] == '0' && Rx_buf[1] == '0';
}

bool fourHexDigits() {
    if (iRx != 4) return false;
    for (int i = 0; i < 4; ++i)
        if (hexDigitValue(static_cast<char>(Rx_buf[i])) < 0) return false;
    return true;
}

void eraseFailed(Window owner) {
    Close_wait_msg();
    messageBox(owner, kEraseFailedText, "COM Error", MsgButtons::Ok, MsgIcon::Error);
}

// Waits for the byte that ends the erase, round by round, and leaves IDLE once it came.
// True when the device acknowledged leaving IDLE after the end byte.
bool awaitEraseEnd(const EraseTiming& timing) {
    for (unsigned round = 0; round < timing.rounds; ++round) {
        Setbar_wait_msg(round, timing.rounds);
        uint8_t b = 0;
        const int got = hCom ? hCom->readByte(b) : -1;
        if (got < 0) {
            Com_lost = 1;
            return false;
        }
        if (got == 1) {
            // The end of the erase: what else the device sends with it is discarded.
            sleepMs(timing.settleMs);
            clearRxBuf(hCom);
            if (acknowledged("ATCM06\r")) return true;
        }
        if (Test_wait_msg() == 0 || !waitMsgOpen()) return false; // "Esc" confirmed
        if (round + 1 < timing.rounds && hCom->waitReadable(timing.roundMs) < 0) {
            Com_lost = 1;
            return false;
        }
    }
    return false;
}

// Reads the session again after the memory or its pointers changed. The nodes of the session
// read before are forgotten first, so a table that cannot be read now leaves none of them shown.
void readSessionAgain(Window owner, StatusLine* status) {
    for (auto& n : InfoFE) n = datitab{};
    TotalNodeNum = 0;
    TotalLogicCh = 0;
    initSession(owner, status);
}

void setRangeBox(const char* title, unsigned initial) {
    InputMin = 0;
    InputMax = static_cast<float>(kPagePointerMax);
    Ndec = 0;
    MaxEdit = kPagePointerChars;
    TitoloBuf = title;
    EditBuf = std::to_string(initial);
}

} // namespace

std::string idleRefusedText(bool enter, const std::string& reply) {
    std::string t =
        enter ? "Ingresso in stato IDLE non riuscito !" : "Uscita dallo stato IDLE non riuscita !";
    t += reply.empty() ? "\r\n(Nessuna risposta dal datalogger)"
                       : "\r\n(Risposta del datalogger: " + reply.substr(0, kReplyShown) + ")";
    return t;
}

int setIdleState(Window owner, bool enter) {
    const bool replied = sendCOMMAND(hCom, enter ? "ATCM05\r" : "ATCM06\r", kModeCR) == 1;
    if (replied && rxOk()) return 1;
    messageBox(owner, idleRefusedText(enter, replied ? rxText() : ""), "Com Error", MsgButtons::Ok,
               MsgIcon::Error);
    return 0;
}

int eraseFlashMemory(Window owner, StatusLine* status, const EraseTiming& timing) {
    const bool wasIdle = operatingStateIsIdle();
    if (!acknowledged("ATCM05\r")) {
        eraseFailed(owner);
        return 0;
    }
    if (messageBox(owner, kEraseQuestion, "Question", MsgButtons::YesNo, MsgIcon::Warning) !=
        MsgAnswer::Yes) {
        // Nothing was erased: a logger that was recording records again.
        if (!wasIdle) setIdleState(owner, false);
        return -1;
    }
    Show_wait_msg(owner, kEraseWaitText);
    sendCOMMAND(hCom, "ATCM09\r", kModeCR); // its reply, if any, says nothing about the erase
    if (!awaitEraseEnd(timing)) {
        eraseFailed(owner);
        return 0;
    }
    Close_wait_msg();
    readSessionAgain(owner, status);
    return 1;
}

int readNetAddress(Window owner, uint16_t& address) {
    clearRxBuf(hCom);
    // Old firmware answers "ERR"; anything but four hexadecimal digits is no address.
    if (sendCOMMAND(hCom, "ATMY\r", kModeCR) != 1 || !fourHexDigits()) {
        messageBox(owner, kNetAddressUnreadableText, "Com Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    address = static_cast<uint16_t>(str16_to_num(reinterpret_cast<const char*>(Rx_buf), 4));
    return 1;
}

int writeNetAddress(Window owner, uint16_t address) {
    if (!acknowledged(("ATMY" + hex4(address) + "\r").c_str())) {
        messageBox(owner, kOperationFailedText, "Data Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%s = %u", kNetAddressNew, static_cast<unsigned>(address));
    messageBox(owner, text, "Info", MsgButtons::Ok, MsgIcon::Info);
    return 1;
}

int netAddressAction(Window owner) {
    uint16_t address = 0;
    if (readNetAddress(owner, address) != 1) return 0;
    if (messageBox(owner, kNetAddressQuestion, "Question", MsgButtons::YesNo, MsgIcon::Warning) !=
        MsgAnswer::Yes)
        return -1;
    EditBuf = std::to_string(address);
    MaxEdit = kNetAddressChars;
    TitoloBuf = kNetAddressName; // not the title a previous box left behind
    if (DlgInputNum(owner) != 1) return -1;
    unsigned value = 0;
    if (!wholeNumberIn(EditBuf, kNetAddressMax, value)) {
        messageBox(owner, outOfRangeText(kNetAddressName, kNetAddressMax), "Data Error", MsgButtons::Ok,
                   MsgIcon::Error);
        return 0;
    }
    return writeNetAddress(owner, static_cast<uint16_t>(value));
}

bool wholeNumberIn(const std::string& text, unsigned max, unsigned& value) {
    if (text.empty() || text.size() > 10) return false;
    unsigned long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > max) return false;
    value = static_cast<unsigned>(v);
    return true;
}

std::string outOfRangeText(const std::string& what, unsigned max) {
    return what + " non valido !\r\n(Range: 0 ... " + std::to_string(max) + ")";
}

int writePagePointer(Window owner, PagePointer which, uint16_t page) {
    const std::string command = (which == PagePointer::Table ? "ATPT" : "ATPL") + hex4(page) + "\r";
    if (acknowledged(command.c_str())) return 1;
    messageBox(owner, kOperationFailedText, "Data Error", MsgButtons::Ok, MsgIcon::Error);
    return 0;
}

int pagePointersAction(Window owner, StatusLine* status) {
    if (messageBox(owner, kPointersQuestion, "Question", MsgButtons::YesNo, MsgIcon::Question) !=
        MsgAnswer::Yes)
        return -1;
    int written = 0;
    const struct {
        PagePointer which;
        const char* title;
        uint16_t current;
    } pointers[] = {{PagePointer::Table, kPageTabTitle, PagTab},
                    {PagePointer::Last, kPageLastTitle, PagLast}};
    for (const auto& p : pointers) {
        setRangeBox(p.title, p.current);
        if (DlgInputNum2_(owner) != 1) continue;
        unsigned value = 0;
        if (!wholeNumberIn(EditBuf, kPagePointerMax, value)) {
            messageBox(owner, outOfRangeText(p.title, kPagePointerMax), "Data Error", MsgButtons::Ok,
                       MsgIcon::Error);
            continue;
        }
        written += writePagePointer(owner, p.which, static_cast<uint16_t>(value));
    }
    if (written > 0) readSessionAgain(owner, status);
    return written;
}
