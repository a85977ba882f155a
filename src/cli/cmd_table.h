#pragma once
// Export of a data table from korvane-cli, shared by the commands that write export files.
#include <filesystem>
#include <string>

#include "cli/cli.h"

// Loads the working file DataTimeSS of the current folder as the table screen does (InfoSES
// announces its size; at most 100,000 rows, with a warning) and writes it to `output` in the
// format and with the decimal separator of Flag.file_format and Flag.comma. Prints the written
// file's path. Returns the exit status: 0 written, 1 failed (the reason on stderr).
int exportWorkingTable(const std::string& output);

// The export options of the commands that make a data file: -e A|B (format), -c (decimal comma),
// -o FILE. They set Flag.file_format and Flag.comma as they are read.
struct ExportOptions {
    bool wanted = false; // -e given
    std::string output;  // -o, made absolute by exportOptionsComplete
};
enum class OptionTaken { No, Yes, Bad };
// Reads args[i] (and its value, advancing i) when it is an export option.
OptionTaken takeExportOption(const CliArgs& args, size_t& i, ExportOptions& out, std::string& why);
// -e and -o go together; the output path is made absolute before the command changes folder.
bool exportOptionsComplete(ExportOptions& out, std::string& why);

// A new empty folder that is the current folder while the object lives; removed afterwards with
// what was made in it. Loading an export file makes a working file named by its start time in
// the current folder: here it can never replace a file of the user's.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool ok() const { return entered_; }

  private:
    std::filesystem::path old_, dir_;
    bool entered_ = false;
};
