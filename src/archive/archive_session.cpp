// The plant archive and the program's current session.
#include "archive/archive_session.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "platform/bytes.h"
#include "platform/file_handle.h"
#include "shell/korvane.h"

namespace archive {

namespace {

// Days from 1 January 2000 to the day of `t` (two-digit years 2000-2099).
int64_t dayNumber(const tempo& t) {
    int64_t days = 0;
    for (uint32_t y = 0; y < t.anno; ++y) days += (y % 4 == 0) ? 366 : 365;
    for (uint32_t m = 1; m < t.mese && m <= 12; ++m) days += giorniMese(t.anno, m);
    return days + t.giorno - 1;
}

int64_t secondsOf(const tempo& t) {
    return dayNumber(t) * 86400 + t.ora * 3600 + t.minuto * 60 + t.secondo;
}

// "YYMMDD_hhmmss" read as a calendar time; false when it is not one.
bool parseTimeText(std::string_view s, tempo& t) {
    if (s.size() != 13 || s[6] != '_') return false;
    uint32_t v[6];
    for (int k = 0; k < 6; ++k) {
        const size_t at = static_cast<size_t>(k < 3 ? 2 * k : 2 * k + 1);
        if (s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9') return false;
        v[k] = static_cast<uint32_t>((s[at] - '0') * 10 + (s[at + 1] - '0'));
    }
    t = tempo{v[0], v[1], v[2], v[3], v[4], v[5]};
    return t.mese >= 1 && t.mese <= 12 && t.giorno >= 1 && t.giorno <= giorniMese(t.anno, t.mese) &&
           t.ora < 24 && t.minuto < 60 && t.secondo < 60;
}

} // namespace

DeviceKey deviceOf(const std::string& fwRelease) {
    return DeviceKey{fwRelease.substr(0, 1), fwRelease, ""};
}

SessionImport currentSession(const DeviceKey& device, std::span<const uint8_t> records) {
    SessionImport s;
    s.device = device;
    s.start = DataTimeSS;
    const size_t length = std::min<size_t>(le16(TabAss + 2), kTabAssSize);
    s.table.assign(TabAss, TabAss + length);
    walkRecords(records, [&](const RecordRef& r) {
        s.records.push_back(Record{records[r.offset], r.marker, records.subspan(r.offset + 5, r.length - 5)});
    });
    return s;
}

std::string listFirmwareRelease(const std::string& listPath) {
    static const char kKey[] = "FW release...............";
    bool ok = false;
    const std::string text = readWholeFile(listPath, ok, 1u << 20);
    if (!ok) return "";
    const size_t at = text.find(kKey);
    if (at == std::string::npos) return "";
    std::string fw;
    for (size_t i = at + sizeof kKey - 1; i < text.size() && fw.size() < kFwReleaseMax; ++i) {
        if (text[i] == '\r' || text[i] == '\n') break;
        fw += text[i];
    }
    return fw;
}

bool imageSessions(const DeviceKey& device, std::vector<SessionImport>& out,
                   std::vector<std::vector<uint8_t>>& buffers, std::vector<std::string>& skipped) {
    const bool ownWait = !waitMsgOpen();
    if (ownWait) Show_wait_msg(nullptr, "Lettura immagine flash");
    buffers.reserve(buffers.size() + static_cast<size_t>(IndTab));
    for (int i = 0; i < IndTab && i < kMaxSessions; ++i) {
        const std::string listed = Table[i].datainizio;
        Flag.pagefirst_error = Flag.pagelast_error = 1;
        if (setPageTab(listed) != 1 || initTabAssBin() != 1) {
            skipped.push_back(listed + " (table page 0x" + Table[i].pagetab + ")");
            continue;
        }
        decodeSessionStart(TabAss);
        std::vector<uint8_t> records;
        if (Flag.pagefirst_error == 0) { // data pages follow the table
            if (initTimeMarkBin() != 1) {
                skipped.push_back(listed + " (pages)");
                continue;
            }
            const int read = sessionRecordsBin(records);
            if (read < 0) return false;
            if (read == 0) {
                skipped.push_back(listed + " (image)");
                continue;
            }
        }
        buffers.push_back(std::move(records));
        out.push_back(currentSession(device, buffers.back()));
    }
    if (ownWait) Close_wait_msg();
    return true;
}

bool loadSession(const SessionInfo& s) {
    std::memset(TabAss, 0xFF, sizeof TabAss);
    std::memcpy(TabAss, s.table.data(), std::min(s.table.size(), sizeof TabAss));
    if (s.table.size() < 16 || decodeTabAss() != 1) return false;
    decodeSessionStart(TabAss);
    return true;
}

std::string markerTime(uint32_t marker) {
    const tempo t = timeAdj(Tini, marker);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02u%02u%02u_%02u%02u%02u", t.anno % 100, t.mese, t.giorno, t.ora,
                  t.minuto, t.secondo);
    return buf;
}

std::optional<uint32_t> periodBound(std::string_view text) {
    if (!text.empty() && text.size() <= 10 &&
        text.find_first_not_of("0123456789") == std::string_view::npos) {
        const uint64_t v = std::stoull(std::string(text));
        if (v > UINT32_MAX) return std::nullopt;
        return static_cast<uint32_t>(v);
    }
    tempo t;
    if (!parseTimeText(text, t)) return std::nullopt;
    const int64_t d = secondsOf(t) - secondsOf(Tini);
    if (d < 0 || d * 10 > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(d * 10);
}

int writeArchivedDataFile(Archive& a, const SessionInfo& s, uint32_t from, uint32_t to,
                          const std::string& namefile) {
    File records(std::tmpfile());
    if (!records) {
        warnFile("(temporaneo)", "non puo' essere scritto !");
        return 0;
    }
    bool written = true;
    std::vector<uint8_t> rec;
    a.records(s.id, from, to, [&](const Record& r) {
        rec.assign({r.node, static_cast<uint8_t>(r.marker), static_cast<uint8_t>(r.marker >> 8),
                    static_cast<uint8_t>(r.marker >> 16), static_cast<uint8_t>(r.marker >> 24)});
        rec.insert(rec.end(), r.values.begin(), r.values.end());
        written = written && std::fwrite(rec.data(), 1, rec.size(), records.get()) == rec.size();
    });
    if (!written || std::fflush(records.get()) != 0) {
        warnFile("(temporaneo)", "non puo' essere scritto !");
        return 0;
    }
    std::rewind(records.get());
    FirstTimeMarkerDload = from;
    LastTimeMarker = to;
    return writeDataFileFrom(records.get(), namefile);
}

std::vector<Gap> sessionGaps(Archive& a, const SessionInfo& s) {
    std::vector<Gap> gaps;
    std::array<int64_t, 256> last;
    last.fill(-1);
    a.records(s.id, 0, UINT32_MAX, [&](const Record& r) {
        const int n = nodeIndex(r.node);
        const int64_t limit = n ? 20 * static_cast<int64_t>(InfoFE[n].satmr) : 0;
        if (last[r.node] >= 0 && limit > 0 && r.marker - last[r.node] > limit)
            gaps.push_back(Gap{r.node, static_cast<uint32_t>(last[r.node]), r.marker});
        last[r.node] = r.marker;
    });
    return gaps;
}

} // namespace archive
