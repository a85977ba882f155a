#include "shell/screen_rules.h"

#include <string_view>

#include "boards/board_utils.h"
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

void applyFastReadRule() {
    if (Flag.modem != 0) return;
    const uint8_t hw = Datalogger.hw;
    const uint16_t fw = Datalogger.fw;
    if ((hw == '0' && fw <= 0x18) || hw == '7' || (hw == '5' && fw <= 0x16)) Flag.fast_read = 0;
}

uint16_t boardSampleTime() {
    uint8_t tcm[2] = {0, 0};
    if (get_MW51_par(2, 7, tcm) != 1) return 900;
    return static_cast<uint16_t>(tcm[0] | (tcm[1] << 8));
}

unsigned sampleFieldValue(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    unsigned long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > 0xFFFFFFFFull) return 0; // beyond an unsigned number
    }
    return static_cast<unsigned>(v);
}

bool sampleTimeChanged(std::string_view text) {
    const unsigned v = sampleFieldValue(text);
    const bool valid = v >= 1 && v <= 65535;
    if (valid) {
        Tsample = static_cast<uint16_t>(v);
        Flag.sample_error = 0;
    } else {
        Flag.sample_error = 1;
    }
    Flag.skip_refresh = 0;
    return valid;
}

const char kDownloadFailedText[] = "Procedura di scaricamento non completata !";
const char kDownloadAgainText[] = "Scaricare di nuovo i dati dal datalogger ?";

std::string dataFileWrittenText(const std::string& path) {
    return "Dati della sessione scritti nel file:\r\n" + path;
}
