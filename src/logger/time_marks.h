#pragma once
// Channel records, time markers and the session's time texts.
#include <cstdint>
#include <ctime>
#include <span>
#include <string>

// A calendar time; `anno` is a two-digit year (2000-2099).
struct tempo {
    uint32_t anno = 0, mese = 0, giorno = 0, ora = 0, minuto = 0, secondo = 0;
};

extern tempo Tini;                     // session start
extern std::string DataTimeSS;         // session start "YYMMDD_hhmmss"; also the working data file's name
extern std::string DataTimeDL;         // logger clock "YYMMDD_hhmmss"
extern std::string DataTimePC;         // PC clock "YYMMDD_hhmmss"
extern std::string DurataSessione;     // session length "DDDDDD_hhmmss"
extern uint32_t FirstTimeMarker;       // [0.1 s] first record of the first data page
extern uint32_t LastTimeMarker;        // [0.1 s] last record of the session
extern uint32_t FirstTimeMarkerDload;  // [0.1 s] first downloaded record
extern uint32_t TimeMarker;            // [0.1 s] record being dumped

inline constexpr size_t kPageSize = 528;

int initTimeMark();
tempo timeAdj(tempo tref, uint32_t timemarker);
unsigned giorniMese(uint32_t anno, uint32_t mese);
// Formats a time stamp given as text (may be null) or as seconds since 1970 in local time
// (used when not 0). Modes: 0 DD/MM/YY hh:mm:ss, 1 MM/DD/YY hh:mm:ss, 3 YYMMDD_hhmmss,
// other: the 12 digits.
void getTimeSig(std::string& outstr, const char* tickstr, time_t tick, int mode);
// Formats a duration [s] as "D hh:mm:ss".
void getTimeSig2(std::string& outstr, uint32_t tick);
// Session length text of two markers [0.1 s], rounded to the nearest second.
std::string sessionDuration(uint32_t first, uint32_t last);
// Session start from the six BCD bytes of a table page (offsets 8..13).
void decodeSessionStart(std::span<const uint8_t> tabAss);
