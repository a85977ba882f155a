#include "shell/screen_rules.h"

#include <string_view>

#include "shell/korvane.h"

std::string joinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i] ? argv[i] : "";
        if (i > 1) line += ' ';
        if (arg.find(' ') != std::string_view::npos) {
            line += '"';
            line += arg;
            line += '"';
        } else {
            line += arg;
        }
    }
    return line;
}

const char kSelComPrompt[] =
    "Selezionare con un double-click (o tasto ENTER) la porta COM collegata al datalogger";
const char kNoComPortText[] =
    "Nessuna porta COM rilevata !\r\n\r\nUscire dal programma e verificare la connessione seriale";

const char kNotAvailableTitle[] = "Info";
const char kOfflineNotAvailableText[] =
    "Modalita' offline (analisi di file senza dispositivo) non ancora disponibile in questa versione.";
const char kRemoteNotAvailableText[] =
    "Connessione remota tramite modem non ancora disponibile in questa versione.";
const char kLoaderNotAvailableText[] =
    "Il dispositivo risponde dal boot loader: aggiornamento firmware non ancora disponibile in questa "
    "versione.";

uint32_t alarmLampColour(const AlarmRow& row, uint8_t alarm, int alarmError) {
    if (alarmError == 1) return kFaceColour;
    return (alarm >> row.lampBit) & 1u ? kLampRed : kLampGreen;
}

bool deviceIsBoard() {
    return Flag.MW51 == 1 || Flag.VKE15 == 1;
}

std::string readyStatusText() {
    return " Ready: " + std::to_string(BR_value);
}
