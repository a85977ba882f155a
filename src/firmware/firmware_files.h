#pragma once
// Firmware files (.fw), EEPROM dumps (.ee) and flash images (.bin) for upload: the in-memory
// firmware record FW, the readers of the three files and the comparison of a firmware file with
// a dump of a board's program memory.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_handle.h"
#include "platform/ui.h"

inline constexpr size_t kFwRecordBytes = 32;     // program bytes of one record
inline constexpr size_t kFwRecordSize = 34;      // a record with its CRC (low byte, high byte)
inline constexpr size_t kFwMaxRecords = 1024;    // records a firmware file may hold
inline constexpr size_t kFwLineDigits = 68;      // hexadecimal digits of a record line
inline constexpr size_t kProgramMemory = 0x8000; // [bytes] a board's program EEPROM (32 KiB)
inline constexpr size_t kProgramBlock = 64;      // [bytes] one block of the dump and of the upload
inline constexpr size_t kProgramBlocks = kProgramMemory / kProgramBlock; // 512
inline constexpr size_t kEeLines = kProgramMemory / kFwRecordBytes;      // 1024 lines of a dump
// A board stores an upload from this address on (record k at kFwLoadAddress + 32 k, wrapping at
// the end of the program memory); the dump's first 8 lines lie below it.
inline constexpr size_t kFwLoadAddress = 0x0100;
inline constexpr size_t kFlashPageSize = 528; // [bytes] one logger flash page
inline constexpr size_t kFlashPages = 4096;
inline constexpr size_t kFlashFrame = 48; // [bytes] one frame of the flash upload

struct FirmwareImage {
    uint16_t npack = 0;        // records loaded (0..1024); even after a successful load
    uint8_t scheda = 0;        // board type code 0..15 from the header
    std::array<char, 4> ver{}; // "M.m" and a zero byte
    std::vector<std::array<uint8_t, kFwRecordSize>> data =
        std::vector<std::array<uint8_t, kFwRecordSize>>(kFwMaxRecords); // 32 program bytes + CRC
};

extern FirmwareImage FW;
extern std::string File_fw; // last firmware file loaded
extern std::string File_ee; // last EEPROM dump written
extern const char* const Lista_schede[16];

// Puts FW, File_fw and File_ee back to their start values.
void resetFirmwareState();

// Why a firmware file was refused.
enum class FwFault {
    None,
    NoHeader,   // the file does not begin with "FW" and a header line
    BadLine,    // a record line is not 68 hexadecimal digits
    BadCrc,     // a record's CRC does not match its bytes
    OddCount,   // an odd number of records (records go in pairs, one block each)
    TooMany,    // more than 1024 records
    Unreadable, // the file could not be opened
};
struct FwLoad {
    int ok = 0;
    FwFault fault = FwFault::None;
    unsigned line = 0; // file line (1 = the header) of the fault, 0 when not tied to a line
};

// Reads the bytes of a firmware file into `fw`: the header line, then record lines of 68
// hexadecimal digits (either case), each ended by CR LF or LF (the last line may have no end);
// empty lines at the end are ignored. On a failure `fw` is partly overwritten.
FwLoad parseFirmwareFile(std::string_view bytes, FirmwareImage& fw);
// Reads a firmware file from disk into `fw`.
FwLoad readFirmwareFile(const std::string& path, FirmwareImage& fw);
// An explanation of a refused firmware file, for the console.
std::string fwFaultText(const FwLoad& r);

// Decodes one record line (68 hexadecimal digits, either case) into 34 bytes.
bool decodeRecordLine(std::string_view line, std::array<uint8_t, kFwRecordSize>& out);
// The 68 upper-case digits of 32 bytes followed by their CRC, and CR LF.
std::string recordLine(const uint8_t* bytes32);
// The lines of a text file: split at LF, a CR before it dropped, the last line kept even
// without its end.
std::vector<std::string_view> textLines(std::string_view bytes);

// Asks for a firmware file and loads it into FW; File_fw = its path. 1 = loaded, 0 = not.
int loadFileFW();

// The text of an EEPROM dump of a whole program memory (1024 lines).
std::string eepromDumpText(const std::vector<uint8_t>& memory);
// Reads the EEPROM dump to the program memory it describes; `known` marks the bytes of lines that
// were present and sound. False when a line is not a record line with a matching CRC.
bool parseEepromDump(std::string_view bytes, std::vector<uint8_t>& memory, std::vector<bool>& known,
                     unsigned& badLine);

// Compares the program bytes of firmware `fw` with a dump `eeBytes`: record k with the memory at
// kFwLoadAddress + 32 k. 1 = every record matches (and there is at least one), 0 = not;
// `fwLine` / `eeLine` (1-based file lines) name the first record that differs.
struct CompareResult {
    int same = 0;
    unsigned fwLine = 0, eeLine = 0;
    std::string reason; // for the console when a file is unusable
};
CompareResult compareFirmwareDump(const FirmwareImage& fw, std::string_view eeBytes);
// Compares the files File_fw and File_ee. 1 = identical, 0 = different or unusable.
int fileCompare();
CompareResult compareFiles(const std::string& fwPath, const std::string& eePath);

// Asks for a flash image (.bin) and opens it: 1 with the open file at its start and its page
// count; 0 after the message.
int getBinFile(Window owner, File& file, unsigned& npag);
// The check of getBinFile on an open file of `size` bytes: empty when acceptable, else the message.
std::string binFileSizeProblem(uint64_t size);
