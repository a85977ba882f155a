// A session decoded from a saved flash image as the quick view decodes it: the table page and the
// data pages (initTabAssBin), the page count and time markers (initTimeMarkBin), the summary,
// pages as the page viewer shows them (printPageBin) and the session data text file
// (saveFileBin).
//
// Input: bytes 0-1 the table page (little-endian, 12 bits); byte 2 bit 0 a whole image
// (4096 pages, 2,162,688 bytes), else the image ends with the last page given, bits 1-7 cut that
// many more bytes off it; byte 3 the sample time (its square [s]); byte 4 the page viewer's page,
// counted from the table page (signed); then the pages, 528 bytes each, written from the table
// page on round the ring. Pages not given read as zeros.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "data_file_check.h"
#include "fuzz_target.h"
#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "shell/korvane.h"

namespace {

constexpr size_t kHeader = 5;
constexpr unsigned kPages = 4096;

// Writes the image "RX41data.bin" of the scratch folder; false when it cannot be written.
bool writeImage(unsigned table, bool whole, unsigned cut, const uint8_t* pages, size_t bytes) {
    FILE* f = std::fopen(kImageFile, "wb");
    if (!f) return false;
    size_t end = 0; // [bytes] end of the last page written
    for (size_t off = 0, i = 0; off < bytes; off += kPageSize, ++i) {
        const size_t page = (table + i) % kPages;
        const size_t n = std::min(kPageSize, bytes - off);
        std::fseek(f, static_cast<long>(page * kPageSize), SEEK_SET);
        std::fwrite(pages + off, 1, n, f);
        end = std::max(end, page * kPageSize + n);
    }
    std::fclose(f);
    std::error_code ec;
    std::filesystem::resize_file(kImageFile, whole ? kImageSize : end - std::min<size_t>(end, cut), ec);
    return !ec;
}

} // namespace

KORVANE_FUZZ_TARGET(flash_image) {
    if (size < kHeader) return 0;
    const unsigned table = (data[0] | (data[1] << 8)) & kPageMask;
    if (!writeImage(table, data[2] & 1, data[2] >> 1, data + kHeader, size - kHeader)) __builtin_trap();

    // A session chosen in the quick view.
    ImageFolder.clear();
    Flag.pages_error = Flag.table_error = Flag.time_error = 1;
    Flag.pagefirst_error = Flag.pagelast_error = 1;
    Flag.sample_error = 0;
    PagTab = static_cast<uint16_t>(table);
    PageTab = hex4(table);
    PagFirst = PagLast = 0;
    TotalPagNum = 0;
    FirstTimeMarker = LastTimeMarker = FirstTimeMarkerDload = 0;
    DataTimeSS = "151231_224730";
    DurataSessione.clear();
    StringTextBox box;

    const int decoded = initTabAssBin();
    if (decoded == 1) {
        if (PagFirst != ((table + 1) & kPageMask)) __builtin_trap();
        if (initTimeMarkBin() == 0) Flag.pagefirst_error = 1;
        printInfoSesBin(&box);
    }
    // The page viewer: the first and last data page, and a page near the table page.
    printPageBin(&box, PagFirst);
    printPageBin(&box, PagLast);
    printPageBin(&box, static_cast<int>((table + static_cast<int8_t>(data[4])) & kPageMask));
    printPageBin(&box, -1);
    printPageBin(&box, kPages);
    if (decoded != 1 || Flag.pagefirst_error || Flag.pagelast_error) return 0;

    // The session data text file; rows are one sample time apart from the first marker to the
    // last: keep the file small.
    Tsample = static_cast<uint16_t>(data[3] * data[3]);
    if (Tsample == 0) return 0; // the quick view takes 1..65535 only
    const uint64_t span = LastTimeMarker > FirstTimeMarker ? LastTimeMarker - FirstTimeMarker : 0;
    if (span / (10u * Tsample) * (static_cast<uint64_t>(TotalLogicCh) + 1) > 20000) return 0;
    const int saved = saveFileBin(nullptr, DataTimeSS);
    // The intermediate record file never outlives the decode.
    if (std::filesystem::exists(kIntermediateFile)) __builtin_trap();
    if (saved == 1) fuzz::checkDataFile(DataTimeSS, Tsample, InfoSES.nSubItem, InfoSES.nItem);
    std::remove(DataTimeSS.c_str());
    return 0;
}
