// The download's record path: an assignment table, up to three data pages and the logger's
// temporary buffer, turned into the intermediate record file (appendRecords,
// appendTemporaryRecords) and averaged into the session data text file (writeDataFile:
// interpData, printData) as a download does.
//
// Input: byte 0 bits 0-1 the number of data pages; byte 1 the sample time (its square [s], 0 for
// a zero sample time); bytes 2-3 how many table bytes follow (little-endian, at most 528); then
// the table page, the data pages (528 bytes each, the last one filled up with zeros) and the
// temporary buffer (the rest, at most 528 bytes).
//
// Besides the file's layout: a node can only have a measured value in as many rows as it has
// records, and a node without any record has none at all ("Err" for a missing reading).
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "data_file_check.h"
#include "fuzz_target.h"
#include "logger/download.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "shell/korvane.h"

namespace {

std::vector<uint8_t> readAll(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

KORVANE_FUZZ_TARGET(records) {
    if (size < 4) return 0;
    const unsigned pages = data[0] & 0x03;
    const unsigned sample = static_cast<unsigned>(data[1]) * data[1];
    const size_t tableBytes =
        std::min<size_t>({static_cast<size_t>(data[2] | (data[3] << 8)), kTabAssSize, size - 4});
    const uint8_t* p = data + 4;
    size_t left = size - 4;
    std::memset(TabAss, 0xFF, kTabAssSize);
    if (tableBytes) std::memcpy(TabAss, p, tableBytes);
    p += tableBytes, left -= tableBytes;
    if (decodeTabAss() != 1) return 0;

    // The pages as getPageFlash fills them, and the buffer as read_tmp_buffer gives it.
    std::vector<std::vector<uint8_t>> page(pages, std::vector<uint8_t>(kPageSize, 0));
    for (auto& pg : page) {
        const size_t n = std::min(left, kPageSize);
        if (n) std::memcpy(pg.data(), p, n);
        p += n, left -= n;
    }
    const std::span<const uint8_t> tmp(p, std::min(left, kPageSize));

    TotalPagNumDload = static_cast<uint16_t>(pages);
    FirstTimeMarkerDload = 0;
    LastTimeMarker = 0; // as the session reading finds it: the last record of the last page
    if (pages) walkRecords(page.back(), [](const RecordRef& r) { LastTimeMarker = r.marker; });
    FILE* hex = std::fopen(kIntermediateFile, "wb");
    if (!hex) __builtin_trap();
    for (unsigned i = 0; i < pages; ++i)
        if (!appendRecords(hex, page[i], i == 0)) __builtin_trap();
    appendTemporaryRecords(hex, tmp);
    std::fclose(hex);

    // Records per node, straight from the intermediate file: only whole records of table nodes.
    const std::vector<uint8_t> records = readAll(kIntermediateFile);
    std::vector<uint32_t> perNode(kMaxNodes + 1, 0);
    size_t walked = 0;
    walkRecords(records, [&](const RecordRef& r) {
        ++perNode[static_cast<size_t>(r.node)];
        walked += r.length;
    });
    if (walked != records.size()) __builtin_trap();

    // Rows are one sample time apart from the first marker to the last; keep the file small.
    Tsample = static_cast<uint16_t>(sample);
    const uint64_t span = LastTimeMarker > FirstTimeMarkerDload ? LastTimeMarker - FirstTimeMarkerDload : 0;
    if (Tsample > 0 && span / (10u * Tsample) * (static_cast<uint64_t>(TotalLogicCh) + 1) > 20000) {
        std::remove(kIntermediateFile);
        return 0;
    }
    const int written = writeDataFile("data");
    std::remove(kIntermediateFile);
    if (written != 1) __builtin_trap();
    const fuzz::DataRows rows = fuzz::checkDataFile("data", Tsample, InfoSES.nSubItem, InfoSES.nItem);
    if (InfoSES.nSubItem != static_cast<uint32_t>(TotalLogicCh)) __builtin_trap();

    size_t base = 0;
    for (int n = 1; n <= TotalNodeNum; ++n) {
        uint32_t measured = 0;
        for (const auto& row : rows) {
            bool any = false;
            for (size_t j = 0; j < InfoFE[n].chanu_logic; ++j) any = any || fuzz::isNumberText(row[base + j]);
            measured += any ? 1 : 0;
        }
        if (measured > perNode[static_cast<size_t>(n)]) __builtin_trap();
        base += InfoFE[n].chanu_logic;
    }
    return 0;
}
