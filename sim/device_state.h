#pragma once
// What a simulated device remembers: the logger's flash memory and registers, its read
// position, its temporary record buffer, its clock and the boards' small registers.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "sim/display_bus.h"

namespace sim {

inline constexpr size_t kPageSize = 528;     // [bytes]
inline constexpr size_t kPageCount = 4096;   // pages 0x000..0xFFF, a ring
inline constexpr size_t kBlockSize = 48;     // [bytes] one block on the link
inline constexpr size_t kBlocksPerPage = 11; // 11 x 48 = 528
inline constexpr size_t kFlashSize = kPageSize * kPageCount;
inline constexpr uint16_t kPageMask = 0xFFF;

// A calendar time as the device keeps it (no time zone).
struct CivilTime {
    int year = 2000; // 2000..2099
    int month = 1, day = 1, hour = 0, minute = 0, second = 0;
    bool operator==(const CivilTime&) const = default;
};

int daysInMonth(int year, int month); // 0 for a month outside 1..12
bool validCivil(const CivilTime& t);
// Seconds since 2000-01-01 00:00:00 and back.
int64_t civilToSeconds(const CivilTime& t);
CivilTime secondsToCivil(int64_t s);
// The host's local time now.
CivilTime hostLocalTime();

// The device's real-time clock: runs from the moment it was set, or stands still (a recorded
// device state answers its recorded date and time until the clock is set).
class DeviceClock {
  public:
    DeviceClock();
    void set(const CivilTime& t, bool running = true);
    CivilTime now() const;
    bool running() const { return running_; }
    // Replace the date or the time of day and keep the other; the clock runs afterwards.
    void setDate(int year, int month, int day);
    void setTime(int hour, int minute, int second);

  private:
    int64_t base_ = 0; // [s since 2000-01-01] at `at_`
    std::chrono::steady_clock::time_point at_;
    bool running_ = true;
};

// Where the next "ATRD" reads from.
struct ReadPosition {
    uint16_t page = 0;       // current page address
    uint8_t block = 0;       // next block of that page, 0..10
    bool fast = false;       // fast reading: one "ATRD" streams the rest of the page
    bool tempActive = false; // the temporary buffer is being served (after "ATRB")
    size_t tempPos = 0;      // [bytes] already served of the temporary buffer
    size_t tempEnd = 0;      // [bytes] served in all, whole blocks
};

// The boards' parameter EEPROM [bytes].
inline constexpr size_t kBoardEepromSize = 41;
// "ATRD00FF" selects the whole parameter block for the next "ATEE".
inline constexpr uint16_t kEepromWholeBlock = 0x00FF;

// An Aurora inverter on a board's RS485 line.
struct SimInverter {
    uint8_t address = 2;           // line address
    std::string serial = "000000"; // six characters
    char model = '1';              // model letter of the version reply
    float pin1 = 0, pin2 = 0;      // input powers [W]
    int badReplies = 0;            // replies still to send with a damaged CRC; negative: every reply
};

// The parameter EEPROM and the inverters a board starts with (see sim/README.md).
std::array<uint8_t, kBoardEepromSize> defaultBoardEeprom();
std::vector<SimInverter> defaultInverters();

// [bytes] a board's program EEPROM (the boot loader keeps the firmware it receives alike).
inline constexpr size_t kProgramSize = 0x8000;

inline constexpr int kRecordRefused = 1;
inline constexpr int kRecordUnanswered = 0;

// The program memory, its upload and its dump, and the boot loader's state.
struct ProgramMemory {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kProgramSize, 0xFF); // erased
    // Board upload ("ATCM04" .. "ATCM10").
    bool uploading = false;
    bool rejecting = false; // a frame was refused: every frame is refused until "ATCM04"
    size_t records = 0;     // records stored in this upload
    size_t limit = 0;       // records announced (2 per block of the last "ATRDxxxx")
    // Fault injection, once per record index: kRecordRefused answers "ERR" (nothing stored),
    // kRecordUnanswered stores the record without answering (a lost acknowledgement).
    std::map<size_t, int> recordFaults;
    // Dump ("ATRD0200" fast / "ATRD0001" slow, then "ATRD4000").
    bool dumping = false;
    bool dumpFast = false;
    size_t dumpPos = 0; // [bytes]
    // Boot loader.
    bool bootReceiving = false; // after '+': blocks of 64 bytes and a checksum
    bool bootEnded = false;     // the closing block came: 0x51 starts the logger
    bool bootLeft = false;      // the logger runs: the device answers the command set
    size_t bootBlocks = 0;      // blocks accepted
    int bootStars = 0;
    // Fault injection: block index -> the reply to its checksum, once (-1: no reply at all).
    std::map<size_t, int> bootFaults;
};

struct DeviceState {
    std::vector<uint8_t> flash = std::vector<uint8_t>(kFlashSize, 0xFF); // erased
    uint8_t status = 0x10;                                               // bit 3 ring wrapped, bit 4 READY
    uint8_t errors = 0;
    uint16_t pageTab = 0;            // table page of the current session
    uint16_t pageLast = 0;           // last page written
    std::vector<uint8_t> tempBuffer; // records not yet written to a page
    uint16_t tempLength = 0;         // the length "ATRB" announces [bytes]
    DeviceClock clock;
    std::string versionReply; // when set, the "ATVR" reply instead of the kind and firmware
    ReadPosition read;
    // A weak flash cell: every read of this block (page * 11 + block; -1 none) comes out with
    // one byte changed, a different one each time, so no two reads of it agree.
    int unstableBlock = -1;
    uint32_t unstableReads = 0; // reads of it so far

    uint8_t operatingState = 0x05; // "ATOS": 0x00 IDLE, 0x05 recording
    uint16_t netAddress = 0x0001;  // "ATMY"
    uint16_t sampleTimer = 0;      // last "ATST" value
    bool uploadMode = false;       // flash upload ("ATCM14" .. "ATCM15")
    size_t uploadPos = 0;          // [bytes] next flash offset written in upload mode
    // Boards only.
    uint8_t alarm = 0;         // alarm register
    uint8_t alarmInverter = 0; // inverter in alarm (0 none)
    uint8_t alarmRmin = 0;     // its minimum efficiency ratio [%]
    uint8_t alarmAux = 0;      // auxiliary device code
    uint32_t energy = 0;       // energy counter [0.1 kWh]
    std::array<uint8_t, kBoardEepromSize> eeprom = defaultBoardEeprom();      // working copy
    std::array<uint8_t, kBoardEepromSize> eepromSaved = defaultBoardEeprom(); // committed ("ATCM12")
    uint32_t restartMs = 1500;                                               // [ms] silent after a reset
    uint32_t remoteP1 = 0, remoteP2 = 0;                                     // "ATCM10" / "ATCM11" received
    SimDisplayBus bus = defaultDisplayBus();
    uint16_t eeAddress = 0; // next "ATEE" address, set by "ATRDxxxx"
    std::vector<SimInverter> inverters = defaultInverters();
    // Loggers: packet lines sent in monitor mode, without their CR, oldest first.
    std::vector<std::string> monitorSent;
    ProgramMemory program; // boards: program EEPROM; boot loader: the firmware it received

    std::span<const uint8_t> page(uint16_t n) const {
        return {flash.data() + static_cast<size_t>(n & kPageMask) * kPageSize, kPageSize};
    }
    std::span<uint8_t> page(uint16_t n) {
        return {flash.data() + static_cast<size_t>(n & kPageMask) * kPageSize, kPageSize};
    }
};

// Loads `dir`/flash.bin (4096 x 528 bytes) and `dir`/device.json (the recorded replies
// "ATVR", "ATSR", "ATER", "ATPT", "ATPL", "ATDT", "ATTM", and "ATRB_length" with
// "temporary_buffer_hex"; every key optional). The recorded clock stands still.
bool loadDeviceState(const std::string& dir, DeviceState& out, std::string& err);
// Writes the same two files (creates `dir` when missing).
bool saveDeviceState(const DeviceState& st, const std::string& dir, std::string& err);
bool saveFlashImage(const DeviceState& st, const std::string& path, std::string& err);

} // namespace sim
