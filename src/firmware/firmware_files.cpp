// Firmware files, EEPROM dumps and flash images: reading, writing and comparing them.
#include "firmware/firmware_files.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "firmware/crc_powerone.h"
#include "link/korvane_com.h"
#include "shell/korvane.h"

FirmwareImage FW;
std::string File_fw;
std::string File_ee;
const char* const Lista_schede[16] = {"RX41", "TG02", "TG03", "VKE11", "TG04", "MW51", "PL02", "RX42",
                                      "8",    "9",    "A",    "RX43",  "C",    "D",    "E",    "F"};

namespace {

constexpr size_t kHeaderMin = 6; // "FW", board type, a spare byte, major and minor version

bool blankLine(std::string_view l) {
    for (char c : l)
        if (c != ' ' && c != '\t' && c != '\x1A') return false;
    return true;
}

} // namespace

void resetFirmwareState() {
    FW.npack = 0;
    FW.scheda = 0;
    FW.ver = {};
    File_fw.clear();
    File_ee.clear();
}

std::vector<std::string_view> textLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t lf = bytes.find('\n', pos);
        size_t end = lf == std::string_view::npos ? bytes.size() : lf;
        std::string_view l = bytes.substr(pos, end - pos);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        lines.push_back(l);
        if (lf == std::string_view::npos) break;
        pos = lf + 1;
    }
    return lines;
}

bool decodeRecordLine(std::string_view line, std::array<uint8_t, kFwRecordSize>& out) {
    if (line.size() != kFwLineDigits) return false;
    for (size_t i = 0; i < kFwRecordSize; ++i) {
        const int hi = hexDigitValue(line[2 * i]), lo = hexDigitValue(line[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

std::string recordLine(const uint8_t* bytes32) {
    // The two CRC bytes start cleared: crc_powerone compares them before it writes them.
    uint8_t rec[kFwRecordSize] = {};
    std::copy(bytes32, bytes32 + kFwRecordBytes, rec);
    crc_powerone(rec, static_cast<int>(kFwRecordBytes));
    std::string s;
    s.reserve(kFwLineDigits + 2);
    char h[3];
    for (uint8_t b : rec) {
        std::snprintf(h, sizeof h, "%02X", b);
        s += h;
    }
    s += "\r\n";
    return s;
}

FwLoad parseFirmwareFile(std::string_view bytes, FirmwareImage& fw) {
    const auto lines = textLines(bytes);
    if (lines.empty() || lines[0].size() < kHeaderMin || lines[0].substr(0, 2) != "FW")
        return {0, FwFault::NoHeader, 1};
    const std::string_view head = lines[0];
    const int type = hexDigitValue(head[2]);
    fw.scheda = static_cast<uint8_t>(type < 0 ? 0 : type);
    fw.ver = {head[4], '.', head[5], 0};
    fw.npack = 0;

    size_t last = lines.size(); // trailing empty lines are no records
    while (last > 1 && blankLine(lines[last - 1])) --last;
    for (size_t i = 1; i < last; ++i) {
        const unsigned lineNo = static_cast<unsigned>(i + 1);
        if (fw.npack >= kFwMaxRecords) return {0, FwFault::TooMany, lineNo};
        auto& rec = fw.data[fw.npack];
        if (!decodeRecordLine(lines[i], rec)) return {0, FwFault::BadLine, lineNo};
        ++fw.npack;
        if (crc_powerone(rec.data(), static_cast<int>(kFwRecordBytes)) != 1)
            return {0, FwFault::BadCrc, lineNo};
    }
    if (fw.npack % 2 != 0) return {0, FwFault::OddCount, 0};
    return {1, FwFault::None, 0};
}

FwLoad readFirmwareFile(const std::string& path, FirmwareImage& fw) {
    bool ok = false;
    const std::string bytes = readWholeFile(path, ok);
    if (!ok) return {0, FwFault::Unreadable, 0};
    return parseFirmwareFile(bytes, fw);
}

std::string fwFaultText(const FwLoad& r) {
    const std::string at = r.line ? " (line " + std::to_string(r.line) + ")" : "";
    switch (r.fault) {
    case FwFault::None:
        return "valid";
    case FwFault::NoHeader:
        return "no \"FW\" header line";
    case FwFault::BadLine:
        return "a record line is not 68 hexadecimal digits" + at;
    case FwFault::BadCrc:
        return "record CRC mismatch" + at;
    case FwFault::OddCount:
        return "odd number of records";
    case FwFault::TooMany:
        return "more than 1024 records" + at;
    case FwFault::Unreadable:
        return "cannot be read";
    }
    return "invalid";
}

int loadFileFW() {
    FileBoxRequest req;
    req.filter = "*.fw (generato da Imgpack) (*.fw);;All Files (*.*)";
    req.defaultExt = "fw";
    req.mustExist = true;
    std::string path;
    if (!ui().openFileBox(nullptr, req, path) || path.empty()) return 0;
    bool ok = false;
    const std::string bytes = readWholeFile(path, ok);
    if (!ok) return 0;
    if (bytes.size() < 2 || bytes.compare(0, 2, "FW") != 0) return 0;
    File_fw = path;
    return parseFirmwareFile(bytes, FW).ok;
}

std::string eepromDumpText(const std::vector<uint8_t>& memory) {
    std::string s;
    s.reserve(memory.size() / kFwRecordBytes * (kFwLineDigits + 2));
    for (size_t off = 0; off + kFwRecordBytes <= memory.size(); off += kFwRecordBytes)
        s += recordLine(memory.data() + off);
    return s;
}

bool parseEepromDump(std::string_view bytes, std::vector<uint8_t>& memory, std::vector<bool>& known,
                     unsigned& badLine) {
    memory.assign(kProgramMemory, 0xFF);
    known.assign(kProgramMemory, false);
    auto lines = textLines(bytes);
    while (!lines.empty() && blankLine(lines.back())) lines.pop_back();
    std::array<uint8_t, kFwRecordSize> rec{};
    for (size_t i = 0; i < lines.size() && i < kEeLines; ++i) {
        if (!decodeRecordLine(lines[i], rec) ||
            crc_powerone(rec.data(), static_cast<int>(kFwRecordBytes)) != 1) {
            badLine = static_cast<unsigned>(i + 1);
            return false;
        }
        std::copy(rec.begin(), rec.begin() + kFwRecordBytes,
                  memory.begin() + static_cast<long>(i * kFwRecordBytes));
        std::fill(known.begin() + static_cast<long>(i * kFwRecordBytes),
                  known.begin() + static_cast<long>((i + 1) * kFwRecordBytes), true);
    }
    badLine = 0;
    return true;
}

CompareResult compareFirmwareDump(const FirmwareImage& fw, std::string_view eeBytes) {
    CompareResult r;
    std::vector<uint8_t> memory;
    std::vector<bool> known;
    unsigned bad = 0;
    if (!parseEepromDump(eeBytes, memory, known, bad)) {
        r.reason = "the dump's line " + std::to_string(bad) + " is not a record line with a matching CRC";
        r.eeLine = bad;
        return r;
    }
    for (size_t k = 0; k < fw.npack; ++k) {
        const size_t addr = (kFwLoadAddress + k * kFwRecordBytes) % kProgramMemory;
        bool same = true;
        for (size_t i = 0; i < kFwRecordBytes && same; ++i)
            same = known[addr + i] && memory[addr + i] == fw.data[k][i];
        if (!same) {
            r.fwLine = static_cast<unsigned>(k + 2);
            r.eeLine = static_cast<unsigned>(addr / kFwRecordBytes + 1);
            return r;
        }
    }
    r.same = fw.npack > 0 ? 1 : 0;
    if (!r.same) r.reason = "the firmware file holds no records";
    return r;
}

CompareResult compareFiles(const std::string& fwPath, const std::string& eePath) {
    CompareResult r;
    bool okFw = false, okEe = false;
    const std::string fwBytes = readWholeFile(fwPath, okFw);
    const std::string eeBytes = readWholeFile(eePath, okEe);
    if (!okFw || !okEe) {
        r.reason = (okFw ? eePath : fwPath) + " cannot be read";
        return r;
    }
    auto fw = std::make_unique<FirmwareImage>();
    const FwLoad load = parseFirmwareFile(fwBytes, *fw);
    if (load.ok != 1) {
        r.reason = fwPath + ": " + fwFaultText(load);
        return r;
    }
    return compareFirmwareDump(*fw, eeBytes);
}

int fileCompare() {
    if (File_fw.empty() || File_ee.empty()) return 0;
    return compareFiles(File_fw, File_ee).same;
}

std::string binFileSizeProblem(uint64_t size) {
    if (size == 0 || size % kFlashPageSize != 0)
        return "Il file non contiene un numero intero di pagine dati !";
    if (size > kFlashPageSize * kFlashPages) return "Dimensione file troppo grossa !";
    return {};
}

int getBinFile(Window owner, File& file, unsigned& npag) {
    FileBoxRequest req;
    req.filter = "*.bin (immagine flash) (*.bin)";
    req.defaultExt = "bin";
    req.mustExist = true;
    std::string path;
    if (!ui().openFileBox(owner, req, path) || path.empty()) return 0;
    File f = openFile(path, "rb");
    std::error_code ec;
    if (!f || std::filesystem::is_directory(path, ec)) {
        messageBox(owner, "File immagine non trovato !", "File Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    std::fseek(f.get(), 0, SEEK_END);
    const long size = std::ftell(f.get());
    const std::string problem = binFileSizeProblem(size < 0 ? 0 : static_cast<uint64_t>(size));
    if (!problem.empty()) {
        messageBox(owner, problem, "File Error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    std::fseek(f.get(), 0, SEEK_SET);
    npag = static_cast<unsigned>(static_cast<uint64_t>(size) / kFlashPageSize);
    file = std::move(f);
    return 1;
}
