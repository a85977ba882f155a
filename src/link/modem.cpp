// Modem set-up from modem.ini, the modem's result codes, dialling, hang-up and the carrier watch.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/korvane_com.h"
#include "link/modem.h"
#include "platform/clock.h"
#include "platform/file_handle.h"
#include "shell/config_files.h"

namespace {
constexpr size_t kReplyLineMax = 300;   // characters kept of one line of a modem's reply
constexpr uint32_t kAfterResultMs = 30; // wait for the LF that may follow a result code [ms]
constexpr uint32_t kWhite = 0xFFFFFF, kGreen = 0x00FF00, kAmber = 0xFFC000, kRed = 0xFF0000;

const ModemResult kResults[21] = {
    {"OK", false, kWhite},
    {"Connesso", true, kGreen},
    {"Ring", false, kAmber},
    {"Assenza linea", false, kRed},
    {"Errore", false, kRed},
    {"Connesso a 1200 bps", true, kGreen},
    {"Segnale linea assente", false, kRed},
    {"Occupato", false, kAmber},
    {"Nessuna risposta", false, kAmber},
    {"Connesso a 600 bps", true, kGreen},
    {"Connesso a 2400 bps", true, kGreen},
    {"Connesso a 4800 bps", true, kGreen},
    {"Connesso a 9600 bps", true, kGreen},
    {"Connesso a 7200 bps", true, kGreen},
    {"Connesso a 12000 bps", true, kGreen},
    {"Connesso a 14400 bps", true, kGreen},
    {"Connesso a 19200 bps", true, kGreen},
    {"Connesso a 38400 bps", true, kGreen},
    {"Connesso a 57600 bps", true, kGreen},
    {"Connesso a 115200 bps", true, kGreen},
    {"Stato non definito", true, kButtonFace},
};
} // namespace

const ModemResult& Codifica_risposta_modem(unsigned code) {
    return kResults[code > 20 ? 20 : code];
}

uint8_t Modem_fback = 20;
ModemLine Modem_line = ModemLine::Direct;

namespace {
bool dcdSeen = false;       // DCD was on when the call came up: its drop means the call is lost
uint32_t lastTrafficMs = 0; // end of the last transaction during the call [ms]

std::string trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return std::string(s.substr(b, e - b));
}
} // namespace

int modemResultCode(std::string_view line) {
    const std::string t = trimmed(line);
    if (t.empty()) return -1;
    if (t.size() <= 2 && t.find_first_not_of("0123456789") == std::string::npos) {
        const int v = std::stoi(t);
        return v > 20 ? 20 : v;
    }
    static const struct {
        const char* text;
        int code;
    } kVerbose[] = {{"OK", 0},          {"CONNECT", 1},      {"RING", 2}, {"NO CARRIER", 3}, {"ERROR", 4},
                    {"NO DIALTONE", 6}, {"NO DIAL TONE", 6}, {"BUSY", 7}, {"NO ANSWER", 8}};
    for (const auto& v : kVerbose)
        if (t == v.text) return v.code;
    if (t.rfind("CONNECT ", 0) == 0) {
        static const struct {
            const char* speed;
            int code;
        } kSpeeds[] = {{"1200", 5},   {"600", 9},    {"2400", 10},  {"4800", 11},
                       {"9600", 12},  {"7200", 13},  {"12000", 14}, {"14400", 15},
                       {"19200", 16}, {"38400", 17}, {"57600", 18}, {"115200", 19}};
        const std::string rest = t.substr(8);
        for (const auto& sp : kSpeeds)
            if (rest.rfind(sp.speed, 0) == 0 &&
                (rest.size() == std::strlen(sp.speed) || rest[std::strlen(sp.speed)] == '/' ||
                 rest[std::strlen(sp.speed)] == ' '))
                return sp.code;
        return 1; // another speed: connected
    }
    return -1;
}

int modemPollCode(std::string_view line) {
    std::string l;
    for (char c : line)
        if (c != '\n' && c != '\r') l += c;
    if (l.empty()) return 1;
    if (l.size() > 2) return -1;
    int v = 0;
    for (char c : l) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
    }
    return v > 20 ? 20 : v;
}

int modemExchange(ComHandle h, const std::string& command, uint32_t quietMs) {
    if (!h || sendCOMMAND(h, command + "\r", kModeNoReply) != 1) return -1;
    const uint32_t first = Timeout_rx > 0 ? static_cast<uint32_t>(Timeout_rx) : 0;
    std::string line;
    bool any = false, echoSkipped = false;
    int result = -1;
    for (;;) {
        uint8_t b = 0;
        const uint32_t wait = result >= 0 ? kAfterResultMs : any ? quietMs : first;
        if (receiveByte(h, b, wait) != 1) break;
        any = true;
        if (b != '\r' && b != '\n') {
            if (line.size() < kReplyLineMax) line += static_cast<char>(b);
            continue;
        }
        if (line.empty()) continue;
        if (!echoSkipped && line == command) {
            echoSkipped = true; // the modem still echoes
        } else if (const int code = modemResultCode(line); code >= 0) {
            result = code;
        }
        line.clear();
    }
    return result;
}

int modemDial(ComHandle h, const std::string& number) {
    Modem_line = ModemLine::Direct;
    return sendCOMMAND(h, "ATDT" + number + "\r", kModeNoReply);
}

int modemPollLine(ComHandle h, std::string& line) {
    line.clear();
    if (sendCOMMAND(h, "", kModeCR) == 1) {
        for (char c : rxText())
            if (c != '\n') line += c;
        return 1;
    }
    return Com_lost ? -1 : 0;
}

void modemCallUp(ComHandle h) {
    Modem_line = ModemLine::Online;
    dcdSeen = h && h->carrier() == 1;
    lastTrafficMs = nowMs();
}

int modemHangUp(ComHandle h, bool waitResult, uint32_t guardMs, uint32_t pauseMs) {
    if (!h) return -1;
    if (Modem_line == ModemLine::Online) {
        const uint32_t quiet = nowMs() - lastTrafficMs;
        if (quiet < guardMs) sleepMs(guardMs - quiet);
        sendCOMMAND(h, "+++", kModeNoReply);
        sleepMs(pauseMs);
    }
    Modem_line = ModemLine::Direct;
    Com_lost = 0;
    if (waitResult) return modemExchange(h, "ATH");
    sendCOMMAND(h, "ATH\r", kModeNoReply);
    return -1;
}

void modemWatchReply(ComHandle h, bool raw) {
    if (Modem_line != ModemLine::Online || !h) return;
    lastTrafficMs = nowMs();
    bool lost = dcdSeen && h->carrier() == 0;
    if (!lost && !raw && iRx > 0) {
        const std::string_view reply(reinterpret_cast<const char*>(Rx_buf),
                                     static_cast<size_t>(iRx < kRxOverflow ? iRx : kRxOverflow));
        const std::string t = trimmed(reply);
        lost = t == "3" || reply.find("NO CARRIER") != std::string_view::npos;
    }
    if (!lost) return;
    Modem_line = ModemLine::Lost;
    Com_lost = 1;
}

bool modemLineRefused() {
    return Modem_line == ModemLine::Lost;
}

void modemLostAcknowledged() {
    if (Modem_line == ModemLine::Lost) Modem_line = ModemLine::Direct;
    Com_lost = 0;
}

std::string carrierLostText() {
    return "Linea telefonica interrotta: il modem ha perso la portante (NO CARRIER).\r\n\r\n"
           "Ripetere la connessione.";
}

std::vector<std::string> modemIniLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        // A longer line is cut after 258 characters.
        if (i > start) lines.emplace_back(bytes.substr(start, std::min(i - start, kModemLineMax)));
        start = i + 1;
    }
    return lines; // a last line without CR or LF is not sent
}

void init_modem(ComHandle h) {
    const std::string path = findConfigFile("modem.ini");
    bool ok = false;
    const std::string bytes = path.empty() ? std::string() : readWholeFile(path, ok);
    // Each line's whole reply is taken before the next line goes out, so that a modem that still
    // echoes cannot leave its result code to be read as the next reply.
    for (const std::string& line : modemIniLines(bytes)) modemExchange(h, line);
}
