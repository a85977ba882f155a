// Firmware files (.fw): the header and the record lines read into the firmware record; a file
// that loads holds an even number of records (at most 1024), each with its CRC, and the same
// header with the records written again as record lines loads to the same record.
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "firmware/crc_powerone.h"
#include "firmware/firmware_files.h"
#include "fuzz_target.h"

KORVANE_FUZZ_TARGET(fw_file) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static auto fw = std::make_unique<FirmwareImage>();
    static auto again = std::make_unique<FirmwareImage>();
    const FwLoad r = parseFirmwareFile(bytes, *fw);
    if (fw->npack > kFwMaxRecords || fw->data.size() != kFwMaxRecords) __builtin_trap();
    if (fwFaultText(r).empty()) __builtin_trap();
    if (r.ok != 1) {
        if (r.fault == FwFault::None) __builtin_trap();
        return 0;
    }
    if (r.fault != FwFault::None || fw->npack % 2 != 0 || fw->scheda > 15 || fw->ver[3] != 0)
        __builtin_trap();
    for (size_t k = 0; k < fw->npack; ++k) {
        auto rec = fw->data[k];
        if (crc_powerone(rec.data(), static_cast<int>(kFwRecordBytes)) != 1) __builtin_trap();
    }

    std::string text(textLines(bytes).front());
    text += "\r\n";
    for (size_t k = 0; k < fw->npack; ++k) text += recordLine(fw->data[k].data());
    const FwLoad r2 = parseFirmwareFile(text, *again);
    if (r2.ok != 1 || again->npack != fw->npack || again->scheda != fw->scheda || again->ver != fw->ver ||
        !std::equal(fw->data.begin(), fw->data.begin() + fw->npack, again->data.begin()))
        __builtin_trap();
    return 0;
}
