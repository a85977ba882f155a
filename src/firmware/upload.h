#pragma once
// Firmware uploads: the board program upload through the board's command interpreter (normal
// and fast mode), the RX43 boot-loader upload, the board's EEPROM dump and the board reset that
// completes an update. They work on FW (firmware_files.h) and the open port hCom.
#include <cstdint>
#include <string>

#include "platform/ui.h"

// Failed attempts in a row (no record acknowledged in between) before an upload gives up.
inline constexpr int kUploadRetries = 8;
// Restarts from the first record (after a reply that leaves the board's position unknown).
inline constexpr int kUploadRestarts = 3;
// [ms] after an "ERR" in fast mode, further "ERR" replies are taken as the same rejection.
inline constexpr uint32_t kFastErrorLockMs = 2000;
// [ms] the final progress of the board reset that completes an update.
inline constexpr uint32_t kBoardResetMs = 5000;

// What an upload did, for the caller's report.
struct UploadStats {
    unsigned records = 0; // records of the file
    unsigned acked = 0;   // records the board acknowledged (in place) when the upload ended
    unsigned errors = 0;  // rejections, lost or unclear replies
    unsigned restarts = 0;
};

// One reply line of the board in the byte stream of a fast upload. Bytes are collected up to a
// carriage return; LF is ignored.
class AckScanner {
  public:
    enum Kind { None, Ok, Err, Other };
    // Feeds one received byte; the kind of line it completed (None while a line is open).
    Kind feed(uint8_t b);
    void reset() { line_.clear(); }

  private:
    std::string line_;
};

// Board program upload: asks for the mode ("Modo FAST ?"), then runs it. 1 = every record is in
// the board, 0 = failed or stopped ("ATCM10" sent).
int uploadFW(Window owner);
// The upload proper in the given mode.
int uploadFwRun(Window owner, bool fast, UploadStats* stats = nullptr);
// RX43 boot-loader upload of FW. 1 = completed, 0 = failed or stopped.
int uploadFW2(Window owner, UploadStats* stats = nullptr);
// The sequence that ends the boot loader after a complete upload: 64 x 0x00, 0x01, 0x51.
void bootLoaderExit();
// "ATCM0F" (the board restarts with its new program) and the 5 s progress of the wait window.
void boardResetProgress(Window owner);

// Board program memory dump into an EEPROM dump file: asks for the file and the mode.
// 1 = file written (File_ee = its path), 0 = not.
int loadFileEeprom(Window owner);
// The dump proper into `path`; `blocks` counts the blocks written.
int dumpEeprom(Window owner, const std::string& path, bool fast, unsigned* blocks = nullptr);

// Reads and discards what the line still delivers until it has been silent for `quietMs`
// (at most `maxMs`), then purges the input.
void drainLine(uint32_t quietMs, uint32_t maxMs);
