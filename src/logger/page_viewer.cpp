// Choosing the first or last data page of a session in a flash image.
#include "logger/page_viewer.h"

#include <cstdio>

#include "link/korvane_com.h"
#include "logger/flash_image.h"
#include "logger/session.h"
#include "shell/korvane.h"

int pageViewerOpen(TextBox* box) {
    int page = 0;
    if (Flag.page_type == 1) {
        page = PagFirst & kViewerMaxPage;
        if (printPageBin(box, page) == 1) Flag.pagefirst_error = 0;
    } else if (Flag.page_type == 2) {
        page = PagLast & kViewerMaxPage;
        if (printPageBin(box, page) == 1) Flag.pagelast_error = 0;
    } else {
        printPageBin(box, page);
    }
    return page;
}

int pageViewerChoose(TextBox* box, long long value) {
    const int page = value < 0 || value > kViewerMaxPage ? 0 : static_cast<int>(value);
    const bool records = printPageBin(box, page) == 1;
    if (Flag.page_type == 1) {
        if (records) PagFirst = static_cast<uint16_t>(page);
        Flag.pagefirst_error = records ? 0 : 1;
    } else if (Flag.page_type == 2) {
        if (records) PagLast = static_cast<uint16_t>(page);
        Flag.pagelast_error = records ? 0 : 1;
    }
    return page;
}

long long pageFieldValue(std::string_view text) {
    text = text.substr(0, 9);
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
    long long v = 0;
    for (; i < text.size(); ++i) {
        const int d = hexDigitValue(text[i]);
        if (d < 0) break;
        v = v * 16 + d; // 9 digits at most: no overflow
    }
    return negative ? -v : v;
}

std::string pageFieldText(int page) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(page) & 0xFFFFu);
    return buf;
}
