#pragma once
// The plant archive in korvane-cli: the archive command and the --archive option of the commands
// that write a session data file.
#include <string>

#include "cli/cli.h"

// Exit statuses of the archive's commands beyond 0, 1, 64 and 130.
inline constexpr int kExitNotArchived = 7; // the data file was written, the archive import failed
inline constexpr int kExitConflicts = 8;   // done; the archive holds conflicting records

// Reads DIR/RX41data.txt (with the image DIR/RX41data.bin) as the open box of the quick-view
// dialog would: 0 = Table holds the sessions; otherwise the exit status (the reason was shown).
int readSessionList(const std::string& dir);

// Reads args[i] == "--archive" and its file (made absolute, advancing i). Yes / No / Bad (no file).
enum class ArchiveOption { No, Yes, Bad };
ArchiveOption takeArchiveOption(const CliArgs& args, size_t& i, std::string& path);
// Asks the data file's writer to keep its records for the archive (before the download or decode).
void keepRecordsForArchive();
// Imports the session whose data file was just written into the archive `path`, printing the
// outcome on stderr. Returns 0, kExitConflicts, kExitNotArchived or 130 (stopped).
int importIntoArchive(const std::string& path, const std::string& source);
