#pragma once
// What the programs do with the plant archive, with the wait window and its "Esc": importing the
// session just downloaded or decoded, or every session of a saved flash image.
#include <string>
#include <vector>

#include "archive/archive.h"

namespace archive {

enum class ImportOutcome { Done, Stopped, Failed };

// Imports the current session with the records of the last data file written (DownloadedRecords)
// into the archive file `path` (created when missing). `source` is noted in the import log.
ImportOutcome importCurrentSession(const std::string& path, const std::string& source, ImportReport& report,
                                   std::string& error);
// Imports every session of the session list in Table (flash image in ImageFolder, device release
// `fwRelease`) into the archive file `path` in one transaction. Sessions that cannot be decoded are
// named in `skipped`.
ImportOutcome importImageSessions(const std::string& path, const std::string& fwRelease,
                                  const std::string& source, ImportReport& report,
                                  std::vector<std::string>& skipped, std::string& error);

// "N records: A new, D already kept, C conflicting (kept beside the archived ones)".
std::string importSummary(const ImportReport& report);

} // namespace archive
