// Modem set-up from modem.ini and the modem's numeric result codes.
#include <cstdio>

#include "link/korvane_com.h"

namespace {
constexpr size_t kModemLineMax = 258; // characters of one modem.ini line; the rest is dropped
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

void init_modem(ComHandle h) {
    FILE* f = std::fopen((Exe_dir + "/modem.ini").c_str(), "rb");
    if (!f) return;
    std::string line;
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        if (c == '\r' || c == '\n') {
            if (!line.empty()) sendCOMMAND(h, line + "\r", kModeCR);
            line.clear();
        } else if (line.size() < kModemLineMax) {
            line += static_cast<char>(c);
        }
    }
    std::fclose(f); // a last line without CR or LF is not sent
}
