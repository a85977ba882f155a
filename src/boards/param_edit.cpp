#include "boards/param_edit.h"

#include <cerrno>
#include <cstdlib>

#include "boards/tel_number.h"

namespace {

enum class Kind { Number, Tel, Choice, Source, Flag, Display };

struct Param {
    const char* name;
    Kind kind;
    int item = 0;                   // Parcfg item (Number), bit (Flag), display (Display)
    const TextList* list = nullptr; // Choice
    size_t word = 0;                // Choice: offset of the word holding the bits
    unsigned shift = 0, mask = 0;   // Choice
};

const Param kParams[] = {
    {"Potenza nominale impianto FV", Kind::Number, kParPnom},
    {"Tempo di acquisizione dati", Kind::Number, kParTCA},
    {"Tempo di acquisizione medie in memoria", Kind::Number, kParTCM},
    {"Decimazione medie", Kind::Number, kParNTCA},
    {"Coefficiente Ki", Kind::Number, kParKi},
    {"Coefficiente Kco2", Kind::Number, kParKco2},
    {"Coefficiente Keur", Kind::Number, kParKeur},
    {"Indirizzo scheda MW51a", Kind::Number, kParAddress},
    {"Numero di telefono per invio SMS", Kind::Tel},
    {"Allarme rendimento globale", Kind::Choice, 0, &Lista_allarme_etag, offsetof(ee_ram, Option), 4, 3},
    {"Sorgente dati elettrici", Kind::Source},
    {"Baud rate", Kind::Choice, 0, &Lista_Baud_Rate, offsetof(ee_ram, ComReg), 6, 3},
    {"Protocollo", Kind::Choice, 0, &Lista_Protocolli, offsetof(ee_ram, ComReg), 0, 15},
    {"Numero di inverter gestiti", Kind::Number, kParInverters},
    {"Indirizzo del primo inverter", Kind::Number, kParFirstInverter},
    {"Allarme inverter", Kind::Choice, 0, &Lista_allarme_inv, offsetof(ee_ram, Option), 6, 3},
    {"Sorgente dati meteo", Kind::Choice, 0, &Lista_Sorgenti_datim, offsetof(ee_ram, Option), 8, 3},
    {"Indirizzo stazione meteo", Kind::Choice, 0, &Lista_nodeadd, offsetof(ee_ram, Option), 10, 3},
    {"Funzione di ricezione dati wireless aux", Kind::Number, kParAux},
    {"Funzione di auto-spengimento display", Kind::Flag, 3},
    {"Funzione Energia = Energia/100", Kind::Flag, 13},
};

// A whole decimal number in lo..hi.
bool wholeNumber(const std::string& s, long lo, long hi, long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtol(s.c_str(), &end, 10);
    return errno == 0 && *end == 0 && out >= lo && out <= hi;
}

// The position of `value` in `list`: the whole entry, the entry without its "n - " prefix, or
// the position itself as a decimal number. -1 when none matches.
long choiceIndex(const TextList& list, const std::string& value) {
    for (size_t i = 0; i < list.size; ++i)
        if (value == list[i] || value == listText(list, static_cast<unsigned>(i)))
            return static_cast<long>(i);
    long n = 0;
    if (wholeNumber(value, 0, static_cast<long>(list.size) - 1, n)) return n;
    return -1;
}

// Applies one assignment to `ee`; an empty string when accepted, else the reason.
std::string applyOne(ee_buf& ee, const Param& p, const std::string& value, bool& sourceEdited) {
    switch (p.kind) {
    case Kind::Number: {
        ParItem& item = Parcfg[static_cast<size_t>(p.item)];
        if (value.size() > static_cast<size_t>(item.n_dec))
            return "more than " + std::to_string(item.n_dec) + " characters";
        char* end = nullptr;
        const float v = std::strtof(value.c_str(), &end);
        if (value.empty() || *end != 0) return "not a number";
        item.val = v;
        if (testValue(p.item, ee) != 1) return "out of range";
        return {};
    }
    case Kind::Tel:
        if (value.size() > kTelChars) return "more than 16 characters";
        if (telFieldText(value) != value) return "only digits and '+' are allowed";
        zipTel(std::span<uint8_t, kTelBytes>(ee.ram.N_telefono), value);
        return {};
    case Kind::Choice: {
        const long i = choiceIndex(*p.list, value);
        if (i < 0) return "not in the list";
        setEeWord(ee, p.word, withBits(eeWord(ee, p.word), p.shift, p.mask, static_cast<unsigned>(i)));
        return {};
    }
    case Kind::Source: {
        const long i = choiceIndex(Lista_Sorgenti_dati, value);
        if (i < 0) return "not in the list";
        ee.ram.Option = withBits(ee.ram.Option, 0, 7, static_cast<unsigned>(i));
        sourceEdited = true;
        return {};
    }
    case Kind::Flag: {
        bool on;
        if (value == "ABILITATA" || value == "1")
            on = true;
        else if (value == "OFF" || value == "0")
            on = false;
        else
            return "ABILITATA, OFF, 1 or 0";
        ee.ram.Option = withBits(ee.ram.Option, static_cast<unsigned>(p.item), 1, on ? 1 : 0);
        return {};
    }
    case Kind::Display: {
        const long i = choiceIndex(Lista_Grandezze_Display, value);
        if (i < 0) return "not in the list";
        ee.ram.Display_gra[p.item] = static_cast<uint8_t>((ee.ram.Display_gra[p.item] & 0xF0) | i);
        return {};
    }
    }
    return "unknown";
}

std::string displayName(int d) {
    return "Grandezza visualizzata su display " + std::to_string(d);
}

} // namespace

std::vector<std::string> paramNames() {
    std::vector<std::string> names;
    for (const Param& p : kParams) names.push_back(p.name);
    for (int d = 7; d >= 0; --d) names.push_back(displayName(d));
    return names;
}

bool applyParamEdits(ee_buf& ee, const std::vector<std::string>& assignments,
                     std::vector<ParamRefusal>& refused) {
    refused.clear();
    initParcfg();
    ee_buf work = ee;
    bool sourceEdited = false;
    bool displayEdited[8] = {};
    for (const std::string& a : assignments) {
        const size_t eq = a.rfind('='); // a name may hold " = ", a value never does
        const std::string name = a.substr(0, eq), value = eq == std::string::npos ? "" : a.substr(eq + 1);
        if (eq == std::string::npos) {
            refused.push_back({name, "no value (NAME=VALUE)"});
            continue;
        }
        const Param* found = nullptr;
        Param display{nullptr, Kind::Display};
        for (const Param& p : kParams)
            if (name == p.name) found = &p;
        for (int d = 0; d < 8 && !found; ++d)
            if (name == displayName(d)) {
                display.name = "display";
                display.item = d;
                displayEdited[d] = true;
                found = &display;
            }
        if (!found) {
            refused.push_back({name, "unknown name"});
            continue;
        }
        const std::string why = applyOne(work, *found, value, sourceEdited);
        if (!why.empty()) refused.push_back({name, why});
    }
    // A source on a display line needs that display on, whatever the order of the assignments.
    const int d = sourceDisplay(work.ram.Option & 7u);
    if (refused.empty() && d >= 0 && (work.ram.Display_gra[d] & 15) == 0 &&
        (sourceEdited || displayEdited[d]))
        refused.push_back({sourceEdited ? "Sorgente dati elettrici" : displayName(d),
                           "Attenzione, il Display " + std::to_string(d) + " non e' abilitato !"});
    if (!refused.empty()) return false;
    ee = work;
    return true;
}
