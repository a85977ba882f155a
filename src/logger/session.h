#pragma once
// Flash pages, the logger's registers and the current measurement session.
#include <cstdint>
#include <string>

#include "logger/time_marks.h"
#include "platform/text_box.h"
#include "platform/ui.h"
#include "shell/korvane.h"

inline constexpr uint16_t kPageMask = 0xFFF; // 4096 pages: all page arithmetic is modulo 4096
inline constexpr int kBlockSize = 48;
inline constexpr int kBlocksPerPage = 11;

extern uint8_t StatusReg;  // bit 3: ring wrapped; bit 4: READY state
extern uint8_t ErrorsReg;
extern std::string PageTab, PageFirst, PageLast; // 4 upper-case hex digits
extern uint16_t PagTab, PagFirst, PagLast;
extern uint16_t TotalPagNum;      // data pages of the session
extern uint16_t TotalPagNumDload; // data pages a download fetches

// Session list of a flash image.
struct SessionEntry {
    std::string datainizio; // "YYMMDD_hhmmss"
    std::string pagetab;    // 4 hex digits
};
inline constexpr int kMaxSessions = 2048;
extern SessionEntry Table[kMaxSessions];
extern int IndTab;

// The status line of a dialog (first part of its status bar); null = none.
class StatusLine {
  public:
    virtual ~StatusLine() = default;
    virtual void setStatus(const std::string& text) = 0;
};

int setPageAdd(uint16_t page);
int getPageFlash(uint8_t* buf); // 528 bytes
int read_tmp_buffer(ComHandle h, uint8_t* buf); // up to 528 bytes; returns the count
int initPages();
void initSession(Window hwndDlg, StatusLine* status = nullptr);
int printInfoSes(TextBox* box, int verb);
int setPageTab(const std::string& szData);

// Puts the session globals (pages, registers, node table, time texts, table counters) back to
// their start values.
void resetSessionState();
