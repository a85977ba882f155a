#pragma once
// The plant archive meets the program's session: the session in hand (a download or a flash-image
// decode) made into an import, the sessions of a saved flash image, and an archived session made
// the current one again for re-averaging, export and graphs with the same code as a download.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive.h"
#include "logger/time_marks.h"

namespace archive {

// The device of the connected logger (or of the flash image's list): hardware code and release.
DeviceKey deviceOf(const std::string& fwRelease);

// The current session (TabAss, node table, DataTimeSS) with the channel records `records` (the
// intermediate record layout, as DownloadedRecords holds them). The records are referred to, not
// copied: `records` must outlive the result.
SessionImport currentSession(const DeviceKey& device, std::span<const uint8_t> records);

// Every session listed in Table (the session list of the flash image in ImageFolder) decoded from
// the image: their records go into `buffers`, which the results refer to. A session whose table
// or pages cannot be decoded is left out and named in `skipped`. False when the user stopped it.
bool imageSessions(const DeviceKey& device, std::vector<SessionImport>& out,
                   std::vector<std::vector<uint8_t>>& buffers, std::vector<std::string>& skipped);
// The firmware release written in a session list file ("FW release..." line); empty when none.
std::string listFirmwareRelease(const std::string& listPath);

// Makes an archived session the current one: TabAss and the node table, Tini and DataTimeSS.
// False when its table cannot be decoded.
bool loadSession(const SessionInfo& s);
// The calendar time of a time marker of the current session, "YYMMDD_hhmmss".
std::string markerTime(uint32_t marker);
// A period bound: "YYMMDD_hhmmss" (a calendar time at or after the current session's start) or a
// whole number of tenths of a second since the start. Nothing when it is neither.
std::optional<uint32_t> periodBound(std::string_view text);

// The session data text file `namefile` of the current session's archived records with
// from <= marker <= to, averaged at Tsample by the download's own averaging, as if those records
// had been downloaded: rows from `from` while below `to`. Sets FirstTimeMarkerDload and
// LastTimeMarker. 1 written; 0 reported.
int writeArchivedDataFile(Archive& a, const SessionInfo& s, uint32_t from, uint32_t to,
                          const std::string& namefile);

// A silence in one node's records longer than twice its sample timer.
struct Gap {
    uint8_t node = 0;
    uint32_t from = 0, to = 0; // [0.1 s] the records before and after it
};
std::vector<Gap> sessionGaps(Archive& a, const SessionInfo& s);

} // namespace archive
