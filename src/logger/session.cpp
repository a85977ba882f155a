// Flash pages, the logger's registers, the session initialisation and its summary.
#include "logger/session.h"

#include <cstdio>
#include <cstring>

#include "link/clock_state.h"
#include "link/korvane_com.h"
#include "link/verified_reply.h"
#include "logger/download.h"
#include "logger/tab_ass.h"
#include "platform/clock.h"

uint8_t StatusReg = 0;
uint8_t ErrorsReg = 0;
std::string PageTab, PageFirst, PageLast;
uint16_t PagTab = 0, PagFirst = 0, PagLast = 0;
uint16_t TotalPagNum = 0;
uint16_t TotalPagNumDload = 0;
SessionEntry Table[kMaxSessions];
int IndTab = 0;

namespace {

constexpr uint32_t kBlockWindowMs = 1000; // retry window of one block [ms]

// Asks the retry question of a failed step: true = "Yes", try again.
bool askRetry(Window owner, const char* text, const char* title) {
    return messageBox(owner, text, title, MsgButtons::YesNo, MsgIcon::Error) == MsgAnswer::Yes;
}

void status(StatusLine* s, const char* text) {
    if (s) s->setStatus(text);
}

} // namespace

int setPageAdd(uint16_t page) {
    unsigned value = page;
    if (Flag.fast_read == 1) value |= 0x8000;
    return sendCOMMAND(hCom, "ATRD" + hex4(value) + "\r", kModeCR) == 1 && rxOk() ? 1 : 0;
}

int getPageFlash(uint8_t* buf) {
    const char* command = "ATRD\r";
    for (int block = 0; block < kBlocksPerPage; ++block) {
        const uint32_t t0 = nowMs();
        bool got = false;
        while (!got && nowMs() - t0 < kBlockWindowMs) {
            // In fast mode the logger streams the page: wait for its bytes instead of polling.
            if (*command == 0 && hCom && hCom->waitReadable(kBlockWindowMs - (nowMs() - t0)) < 0) {
                Com_lost = 1;
                return 0;
            }
            got = sendCOMMAND(hCom, command, kModeRaw48) == 1;
            if (!got && Com_lost) return 0;
            // A block that arrived in part cannot be asked for again: the logger has already
            // moved on to the next one. The caller re-addresses the page instead.
            if (!got && iRx > 0) return 0;
        }
        if (!got) return 0;
        if (Flag.fast_read == 1) command = "";
        std::memcpy(buf + block * kBlockSize, Rx_buf, kBlockSize);
    }
    return 1;
}

int read_tmp_buffer(ComHandle h, uint8_t* buf) {
    clearRxBuf(h);
    if (sendCOMMAND(h, "ATRB\r", kModeCR) != 1) return 0;
    int n = str16_to_num(reinterpret_cast<const char*>(Rx_buf), 4);
    if (n > static_cast<int>(kPageSize)) n = static_cast<int>(kPageSize);
    if (n <= 0) return 0;
    int copied = 0;
    while (copied < n) {
        if (sendCOMMAND(h, "ATRD\r", kModeRaw48) != 1) return copied;
        for (int i = 0; i < kBlockSize && copied < n; ++i) buf[copied++] = Rx_buf[i];
    }
    return copied;
}

int initPages() {
    clearRxBuf(hCom);
    if (sendConfirmed(hCom, "ATSR\r") != 1) return 0;
    StatusReg = static_cast<uint8_t>(str16_to_num(reinterpret_cast<const char*>(Rx_buf), 2));
    if (sendConfirmed(hCom, "ATER\r") != 1) return 0;
    ErrorsReg = static_cast<uint8_t>(str16_to_num(reinterpret_cast<const char*>(Rx_buf), 2));
    if (sendConfirmed(hCom, "ATPT\r") != 1) return 0;
    PageTab = rxText().substr(0, 4);
    PagTab = static_cast<uint16_t>(str16_to_num(PageTab.c_str(), 4));
    if (sendConfirmed(hCom, "ATPL\r") != 1) return 0;
    PageLast = rxText().substr(0, 4);
    PagLast = static_cast<uint16_t>(str16_to_num(PageLast.c_str(), 4));

    if (StatusReg & 0x08) {
        PagFirst = (PagLast + 1) & kPageMask;
        TotalPagNum = 4095;
    } else {
        PagFirst = PagTab;
        if (PagLast != PagTab) PagFirst = (PagFirst + 1) & kPageMask;
        TotalPagNum = static_cast<uint16_t>(((PagLast - PagFirst) & kPageMask) + 1);
    }
    PageFirst = hex4(PagFirst);
    if (PagTab == PagLast) TotalPagNum = 0;
    TotalPagNumDload = TotalPagNum;
    if ((Flag.MW51 == 1 || Flag.modem == 1 || Flag.VKE15 == 1) && TotalPagNum > 4) TotalPagNumDload = 4;
    return 1;
}

void initSession(Window hwndDlg, StatusLine* st) {
    status(st, " Lettura dati...");
    Show_wait_msg(hwndDlg, "Inizializzazione pagine...");
    for (;;) {
        if (initPages() == 1) {
            Flag.pages_error = 0;
            break;
        }
        if (!askRetry(hwndDlg, "Errore lettura pagine !\r\nTentare di nuovo ?", "COM Error")) {
            Flag.pages_error = Flag.table_error = Flag.time_error = 1;
            status(st, " Ready");
            Close_wait_msg();
            return;
        }
    }

    Print_wait_msg("Inizializzazione tabella ass...");
    if (Flag.VKE15 != 0) {
        Flag.table_error = 1;
    } else {
        for (;;) {
            if (initTabAss() == 1) {
                Flag.table_error = 0;
                break;
            }
            if (!askRetry(hwndDlg, "Errore analisi Tabella di Assegnazione !\r\nTentare di nuovo ?", "Com Error")) {
                Flag.table_error = 1;
                break;
            }
        }
    }

    Print_wait_msg("Inizializzazione stringhe temporali...");
    for (;;) {
        if (initTimeMark() == 1) {
            Flag.time_error = 0;
            break;
        }
        if (!askRetry(hwndDlg, "Errore analisi stringhe temporali !\r\nTentare di nuovo ?", "Com Error")) {
            Flag.time_error = 1;
            break;
        }
    }

    if (Flag.MW51 == 1 || Flag.VKE15 == 1) {
        Print_wait_msg("Lettura registro allarmi...");
        for (;;) {
            if (upd_Alarm(hwndDlg) == 1) {
                Flag.alarm_error = 0;
                break;
            }
            if (!askRetry(hwndDlg, "Errore lettura registro allarmi !\r\nTentare di nuovo ?", "Com Error")) {
                Flag.alarm_error = 1;
                break;
            }
        }
    }
    Close_wait_msg();
    status(st, " Ready");
}

int printInfoSes(TextBox* box, int verb) {
    if (!box) return 0;
    box->clear();
    printf_API(box, "Porta di comunicazione... ");
    printf_API(box, "%s\r\n", CommPort.c_str());
    printf_API(box, Flag.MW51 == 1    ? "Versione firmware MW..... "
                    : Flag.VKE15 == 1 ? "Versione firmware VKE15.. "
                                      : "Versione firmware RX4X... ");
    printf_API(box, "%s\r\n\r\n", FW_release.c_str());
    if (verb == 1) {
        printf_API(box, "Table page........ 0x%s\r\n", PageTab.c_str());
        printf_API(box, "First page........ 0x%s\r\n", PageFirst.c_str());
        printf_API(box, "Last page......... 0x%s\r\n", PageLast.c_str());
        printf_API(box, "Total data pages.. %u\r\n", static_cast<unsigned>(TotalPagNum));
        printf_API(box, "Status Register... 0x%02X\r\n", static_cast<unsigned>(StatusReg));
        printf_API(box, "Errors Register... 0x%02X\r\n\r\n", static_cast<unsigned>(ErrorsReg));
    }
    printf_API(box, "Orologio PC.............. ");
    printf_API(box, "%s\r\n", DataTimePC.c_str());
    printf_API(box, "Orologio datalogger...... ");
    printf_API(box, "%s\r\n", DataTimeDL.c_str());
    printf_API(box, "Inizio sessione.......... ");
    printf_API(box, "%s\r\n", DataTimeSS.c_str());
    printf_API(box, "Durata sessione.......... ");
    printf_API(box, "%s\r\n\r\n", DurataSessione.c_str());
    for (int n = 1; n <= TotalNodeNum; ++n) {
        const datitab& node = InfoFE[n];
        printf_API(box, "- %s %u ", "Nodo", static_cast<unsigned>(node.nodead));
        printf_API(box, "(SaTmr= %u s, Vbat= %1.2f V)\r\n", static_cast<unsigned>(node.satmr), node.vbat / 100.0);
        for (int j = 0; j < node.chanu_logic; ++j)
            printf_API(box, "  - Ch %u (%s)\r\n", static_cast<unsigned>(j + 1), Lista_Grandezze[node.quantity(j)]);
        printf_API(box, "\r\n");
    }
    return 1;
}

int setPageTab(const std::string& szData) {
    for (int i = 0; i < IndTab && i < kMaxSessions; ++i) {
        if (Table[i].datainizio == szData) {
            PageTab = Table[i].pagetab;
            PagTab = static_cast<uint16_t>(str16_to_num(PageTab.c_str(), 4));
            return 1;
        }
    }
    return 0;
}

void resetSessionState() {
    StatusReg = ErrorsReg = 0;
    PageTab.clear(), PageFirst.clear(), PageLast.clear();
    PagTab = PagFirst = PagLast = 0;
    TotalPagNum = TotalPagNumDload = 0;
    for (auto& e : Table) e = SessionEntry{};
    IndTab = 0;
    for (auto& n : InfoFE) n = datitab{};
    TotalNodeNum = 0;
    TotalLogicCh = 0;
    std::memset(TabAss, 0, sizeof TabAss);
    Pnom = 0;
    Tini = tempo{};
    DataTimeSS.clear(), DataTimeDL.clear(), DataTimePC.clear(), DurataSessione.clear();
    FirstTimeMarker = LastTimeMarker = FirstTimeMarkerDload = TimeMarker = 0;
    InfoSES = INFOST{};
    LastAlarmRows = AlarmRows{};
    resetLineCheck();
}
