// The command line: a three-state tokenizer and the options it applies.
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "link/korvane_com.h"
#include "shell/korvane.h"

namespace {

// The standard text-to-integer reading: leading blanks, a sign, leading digits; no digits
// read 0. Values beyond the long long range saturate.
long long leadingNumber(const std::string& s) {
    return std::strtoll(s.c_str(), nullptr, 10);
}

void openPortOption(const std::string& arg) {
    assignCapped(CommPort, arg, kCommPortMax);
    if (hCom) { // a second -p replaces the port opened by the first
        restoreCOM(hCom);
        closeComPort(hCom);
        Flag.COM_ext = 0;
    }
    hCom = openComPort(CommPort);
    Com_named_failure = Com_open_failure;
    if (!hCom) {
        messageBox(nullptr,
                   withPortReason("Non e' possibile aprire la porta " + CommPort +
                                  " !\r\nVerra' eseguita una scansione automatica"),
                   "Warning", MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    initCOM(hCom);
    Flag.COM_ext = 1;
    if (sendCOMMAND(hCom, "ATVR\r", kModeCR) == 1) {
        assignCapped(FW_release, rxText(), kFwReleaseMax);
        if (Rx_buf[0] == '7') Flag.RX42 = 1;
        if (Rx_buf[0] == 'B') {
            Flag.RX42 = 1;
            Flag.RX43 = 1;
        }
    }
}

} // namespace

void doCMD(char cmd, const std::string& szBuf) {
    switch (cmd) {
    case 'b': {
        static const long long kRates[] = {1200,  2400,  4800,  9600,   14400,  19200,
                                           38400, 56000, 57600, 115200, 128000, 256000};
        long long v = leadingNumber(szBuf);
        for (long long r : kRates)
            if (v == r) BR_value = static_cast<uint32_t>(v);
        break;
    }
    case 'k':
        Flag.comflow = static_cast<uint8_t>(leadingNumber(szBuf) & 0xFF);
        break;
    case 'l':
        Flag.fast_read = 0;
        break;
    case 'm':
        Flag.modem = 1;
        BR_value = 19200;
        break;
    case 'o': {
        long long n = leadingNumber(szBuf);
        Flag.comma = static_cast<int>(n & 1);
        Flag.file_format = static_cast<int>((n >> 1) & 1);
        break;
    }
    case 'p':
        openPortOption(szBuf);
        break;
    case 't': {
        // A negative time-out makes no sense: it reads as 0, i.e. the 2000 ms default.
        long long v = leadingNumber(szBuf);
        TMO_value = v < 0 ? 0u : v > INT_MAX ? static_cast<uint32_t>(INT_MAX) : static_cast<uint32_t>(v);
        break;
    }
    default:
        break; // letters outside the table are ignored
    }
}

void readCMD(const char* lpCmdLine) {
    readCMD(lpCmdLine, doCMD);
}

void readCMD(const char* lpCmdLine, CmdOptionFn onOption) {
    if (!lpCmdLine) return;
    int state = 0;
    char cmd = 0;       // current option letter; 0 = a file-name token
    bool quote = false; // sticky: once a quoted name was seen, names run up to the next mark
    std::string arg;    // option argument being collected
    std::string name;   // file name being collected
    for (const char* p = lpCmdLine;; ++p) {
        const char c = *p;
        const bool eol = c == 0;
        switch (state) {
        case 0:
            if (eol) return;
            if (c == '-') {
                state = 1;
            } else if (c == '"') {
                quote = true;
                cmd = 0;
                name.clear();
                state = 2;
            } else if (c != ' ') {
                cmd = 0;
                name.assign(1, c);
                state = 2;
            }
            break;
        case 1:
            if (eol) return;
            if (c != ' ') {
                cmd = c;
                arg.clear();
                state = 2;
            }
            break;
        default:
            if (cmd != 0) {
                if (eol || c == ' ') {
                    onOption(cmd, arg);
                    if (eol) return;
                    state = 0;
                } else if (arg.size() < (cmd == 'p' ? kCommPortMax : kOptionArgMax)) {
                    arg += c;
                }
            } else {
                if (eol || (c == ' ' && !quote) || (c == '"' && quote)) {
                    assignCapped(Data_file, name, kDataFileMax);
                    if (eol) return;
                    state = 0;
                } else if (name.size() < kDataFileMax) {
                    name += c;
                }
            }
            break;
        }
    }
}
