// Small text utilities for the hexadecimal fields of commands and replies.
#include <cstdio>
#include <cstring>

#include "link/korvane_com.h"

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int chr_to_num(char c) {
    const int v = hexDigitValue(c);
    return v < 0 ? 0 : v;
}

// Reads `dim` digits in `base`; the first character is always read. A digit position past the
// text's terminator counts 0 and nothing beyond the terminator is read.
static int digitsToNum(const char* str, int dim, unsigned base) {
    if (!str) return 0;
    bool ended = str[0] == 0;
    unsigned x = static_cast<unsigned>(chr_to_num(str[0]));
    for (int i = 1; i < dim; ++i) {
        if (!ended && str[i] == 0) ended = true;
        x = base * x + (ended ? 0u : static_cast<unsigned>(chr_to_num(str[i])));
    }
    return static_cast<int>(x);
}

int str16_to_num(const char* str, int dim) {
    return digitsToNum(str, dim, 16);
}
int str_to_num(const char* str, int dim) {
    return digitsToNum(str, dim, 10);
}

int strsub(char* str, int n) {
    size_t len = std::strlen(str);
    if (n < 0 || static_cast<size_t>(n) >= len) return -1;
    std::memmove(str, str + n, len - static_cast<size_t>(n) + 1);
    return static_cast<int>(len) - n;
}

int strsub(std::string& str, int n) {
    if (n < 0 || static_cast<size_t>(n) >= str.size()) return -1;
    str.erase(0, static_cast<size_t>(n));
    return static_cast<int>(str.size());
}

int printf_API(TextBox* box, const char* szFormat, ...) {
    char buf[300];
    va_list ap;
    va_start(ap, szFormat);
    int r = std::vsnprintf(buf, sizeof buf, szFormat, ap);
    va_end(ap);
    if (r < 0) return 0;
    size_t len = static_cast<size_t>(r) < sizeof buf ? static_cast<size_t>(r) : sizeof buf - 1;
    if (box) box->append(std::string_view(buf, len));
    return static_cast<int>(len);
}
