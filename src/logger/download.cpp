// Download of the session into the intermediate record file, the averaged session data text
// file, the verbose dump and the flash image.
#include "logger/download.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "boards/input_boxes.h"
#include "link/korvane_com.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "logger/verified_page.h"
#include "platform/bytes.h"
#include "platform/file_handle.h"

INFOST InfoSES;

void removeFile(const char* name) {
    std::error_code ec;
    std::filesystem::remove(name, ec);
}

void warnFile(const std::string& name, const char* what) {
    messageBox(nullptr, name + " " + what, "Warning", MsgButtons::Ok, MsgIcon::Warning);
}

namespace {

// Quantities whose raw words are unsigned 16-bit readings stored as signed words.
bool unsignedQuantity(int code) {
    return code == 6 || code == 8 || code == 10 || code == 13 || code == 14;
}
constexpr int kPressure = 6; // raw 0xFFFF: no reading ("Err")

// Value of logical channel j of a record's physical words (little-endian, from byte 5).
int32_t logicalValue(const datitab& node, int j, const uint8_t* values) {
    int i = node.ch_fisico[j] & 0x7F;
    auto word = [&](int k) { return static_cast<uint16_t>(values[2 * k] | (values[2 * k + 1] << 8)); };
    if (node.ch_fisico[j] & 0x80) {
        if (i == 0) return 0;
        return static_cast<int32_t>((static_cast<uint32_t>(word(i - 1)) << 16) | word(i));
    }
    return static_cast<int16_t>(word(i));
}

// The page-count question; false when the user cancels.
bool choosePageCount(Window owner) {
    if (TotalPagNumDload >= TotalPagNum) return true;
    for (;;) {
        std::string text;
        if (TotalPagNumDload == 0) {
            text = "Saranno prelevati solo i dati presenti nel buffer temporaneo\r\n\r\nProcedere allo "
                   "scaricamento adesso ?";
        } else {
            char buf[160];
            std::snprintf(buf, sizeof buf, "%s %u (%u tot)\r\n\r\n%s",
                          "Numero di pagine dati prelevate:", static_cast<unsigned>(TotalPagNumDload),
                          static_cast<unsigned>(TotalPagNum), "Procedere allo scaricamento adesso ?");
            text = buf;
        }
        MsgAnswer a = messageBox(owner, text, "Question", MsgButtons::YesNoCancel, MsgIcon::Info);
        if (a == MsgAnswer::Yes) return true;
        if (a != MsgAnswer::No) return false;
        InputMin = 0;
        InputMax = TotalPagNum;
        Ndec = 0;
        MaxEdit = 4;
        TitoloBuf = "Numero di pagine richieste";
        EditBuf = std::to_string(TotalPagNumDload);
        if (DlgInputNum2_(owner) == 1) {
            Flag.skip_refresh = 0;
            long v = std::strtol(EditBuf.c_str(), nullptr, 10);
            if (v < 0) v = 0;
            TotalPagNumDload = static_cast<uint16_t>(v > TotalPagNum ? TotalPagNum : v);
        }
    }
}

// Reads the current page into `page`: up to 3 reads, re-addressing the logger after each
// failed one (up to 3 times). False when the page could not be read.
bool readPageWithRetries(uint8_t* page, uint16_t current) {
    if (Verify.on) return getPageVerified(current, page) == 1;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (getPageFlash(page) == 1) return true;
        if (attempt == 3 || Com_lost) return false;
        std::memset(page, 0, kPageSize);
        bool addressed = false;
        for (int k = 0; k < 3 && !addressed; ++k) addressed = setPageAdd(current) == 1;
        if (!addressed) return false;
    }
    return false;
}

} // namespace

bool appendRecords(FILE* hex, std::span<const uint8_t> data, bool firstPage) {
    bool ok = true;
    walkRecords(data, [&](const RecordRef& r) {
        if (firstPage && r.offset == 0) FirstTimeMarkerDload = r.marker;
        ok = ok && std::fwrite(data.data() + r.offset, 1, r.length, hex) == r.length;
    });
    return ok;
}

void appendTemporaryRecords(FILE* hex, std::span<const uint8_t> buf) {
    size_t off = 0;
    bool first = true;
    while (off < buf.size()) {
        int node = nodeIndex(buf[off]);
        if (node == 0) {
            messageBox(nullptr, "Rilevato un nodo non valido nel buffer temporaneo !", "Warning",
                       MsgButtons::Ok, MsgIcon::Warning);
            return;
        }
        size_t len = 5 + 2u * InfoFE[node].chanu;
        if (off + len > buf.size()) return;
        std::fwrite(buf.data() + off, 1, len, hex);
        LastTimeMarker = le32(buf.data() + off + 1);
        if (first && TotalPagNumDload == 0) FirstTimeMarkerDload = LastTimeMarker;
        first = false;
        off += len;
    }
}

namespace {

// Records of the temporary buffer, up to the first byte that is no node address. False when
// verified reading could not confirm the buffer.
bool appendTemporaryBuffer(FILE* hex) {
    uint8_t buf[kPageSize] = {};
    const int n = Verify.on ? readTmpBufferVerified(hCom, buf) : read_tmp_buffer(hCom, buf);
    if (n < 0) return false;
    const size_t got = n > 0 ? std::min(static_cast<size_t>(n), sizeof buf) : 0;
    appendTemporaryRecords(hex, std::span<const uint8_t>(buf, got));
    return true;
}

// Lines 1 to 7 of the dump after the table list.
void writeDumpSession(FILE* dump, FILE* hex, uint16_t start) {
    std::fprintf(
        dump, "\r\nInformazioni sull'ultima sessione di misura ***********************************\r\n\r\n");
    std::fprintf(dump, "FW release...............%s\r\n", FW_release.c_str());
    std::fprintf(dump, "Table page...............0x%s\r\n", PageTab.c_str());
    std::fprintf(dump, "First page...............0x%04X\r\n", static_cast<unsigned>(start));
    std::fprintf(dump, "Last page................0x%s\r\n", PageLast.c_str());
    std::fprintf(dump, "Total data pages.........%u\r\n", static_cast<unsigned>(TotalPagNumDload));
    std::fprintf(dump, "Status Register..........0x%02X\r\n", static_cast<unsigned>(StatusReg));
    std::fprintf(dump, "Errors Register..........0x%02X\r\n\r\n", static_cast<unsigned>(ErrorsReg));
    std::fprintf(dump,
                 "Dati relativi all'ultima sessione di misura ***********************************\r\n\r\n");
    for (int n = 1; n <= TotalNodeNum; ++n) {
        std::fprintf(dump, "TM[s/10] ");
        for (int j = 0; j < InfoFE[n].chanu_logic; ++j) {
            std::fprintf(dump, "CH%u_%u(", static_cast<unsigned>(InfoFE[n].nodead),
                         static_cast<unsigned>(j + 1));
            std::fprintf(dump, "%s) ", Lista_Grandezze[InfoFE[n].quantity(j)]);
        }
        std::fprintf(dump, "\r\n");
    }
    // One line per record of the intermediate file.
    uint8_t rec[5 + 2 * 255];
    int c;
    while ((c = std::fgetc(hex)) != EOF) {
        int node = nodeIndex(static_cast<uint8_t>(c));
        if (node == 0) break;
        const datitab& nd = InfoFE[node];
        size_t len = 4 + 2u * nd.chanu;
        if (std::fread(rec + 1, 1, len, hex) != len) break;
        TimeMarker = le32(rec + 1);
        std::fprintf(dump, "%u ", TimeMarker);
        for (int j = 0; j < nd.chanu_logic; ++j) std::fprintf(dump, "%d ", logicalValue(nd, j, rec + 5));
        std::fprintf(dump, "\r\n");
    }
}

// Verbose mode: the dump and the flash image. 1 = both written.
int writeDumpAndImage(uint16_t start) {
    FILE* hex = std::fopen(kIntermediateFile, "rb");
    if (!hex) {
        warnFile(kIntermediateFile, "non puo' essere letto !");
        Close_wait_msg();
        return 0;
    }
    FILE* dump = std::fopen(kDumpFile, "wb");
    if (!dump) {
        warnFile(kDumpFile, "non puo' essere scritto !");
        std::fclose(hex);
        Close_wait_msg();
        return 0;
    }
    auto dumpFailure = [&] {
        Close_wait_msg();
        std::fclose(hex);
        std::fclose(dump);
        removeFile(kIntermediateFile);
        removeFile(kDumpFile);
        return 0;
    };
    std::fprintf(dump,
                 "Tabelle di assegnazione valide rilevate ***************************************\r\n\r\n");
    uint8_t first[kPageSize];
    for (unsigned p = 0; p < 4096; ++p) {
        const uint8_t* b = Rx_buf;
        if (Verify.on) { // the first block, confirmed
            if (getPageVerified(static_cast<uint16_t>(p), first, 1) != 1) return dumpFailure();
            b = first;
        } else {
            if (sendCOMMAND(hCom, "ATRD" + hex4(p) + "\r", kModeCR) != 1 || !rxOk()) return dumpFailure();
            if (sendCOMMAND(hCom, "ATRD\r", kModeRaw48) != 1) return dumpFailure();
        }
        if (b[0] == 0xFF && (b[2] | (b[3] << 8)) <= static_cast<int>(kPageSize))
            std::fprintf(dump, "Page...0x%04X %02x%02x%02x_%02x%02x%02x %u\r\n", p, b[13], b[12], b[11],
                         b[10], b[9], b[8], static_cast<unsigned>(b[1]));
        if (Test_wait_msg() == 0) {
            std::fclose(hex);
            std::fclose(dump);
            removeFile(kIntermediateFile);
            removeFile(kDumpFile);
            return 0;
        }
        Setbar_wait_msg(p, 4095);
    }
    writeDumpSession(dump, hex, start);
    std::fclose(hex);
    std::fclose(dump);
    removeFile(kIntermediateFile);

    Print_wait_msg(std::string("Reading RX4X and Writing ") + kImageFile + " (immagine flash)");
    FILE* img = std::fopen(kImageFile, "wb");
    if (!img) {
        warnFile(kImageFile, "non puo' essere scritto !");
        Close_wait_msg();
        return 0;
    }
    auto imageFailure = [&] {
        Close_wait_msg();
        std::fclose(img);
        removeFile(kImageFile);
        return 0;
    };
    if (!Verify.on && setPageAdd(0) != 1) return imageFailure();
    std::vector<uint8_t> page(kPageSize);
    for (unsigned p = 0; p < 4096; ++p) {
        if (Verify.on ? getPageVerified(static_cast<uint16_t>(p), page.data()) != 1
                      : getPageFlash(page.data()) != 1)
            return imageFailure();
        if (std::fwrite(page.data(), 1, kPageSize, img) != kPageSize) return imageFailure();
        if (Test_wait_msg() == 0) {
            std::fclose(img);
            removeFile(kImageFile);
            return 0;
        }
        Setbar_wait_msg(p, 4096);
    }
    std::fclose(img);
    return 1;
}

} // namespace

int interpData(uint32_t tcf, uint32_t i_ref, FILE* infile) {
    for (int n = 1; n <= TotalNodeNum; ++n) {
        InfoFE[n].n = 0;
        std::memset(InfoFE[n].sdati, 0, sizeof InfoFE[n].sdati);
        std::memset(InfoFE[n].nch, 0, sizeof InfoFE[n].nch);
    }
    const uint64_t windowEnd = static_cast<uint64_t>(i_ref) + tcf / 2;
    bool found = false;
    uint8_t rec[5 + 2 * 255];
    for (;;) {
        int c = std::fgetc(infile);
        if (c == EOF) return found ? 1 : 0;
        if (std::fread(rec + 1, 1, 4, infile) != 4) return found ? 1 : 0;
        const uint32_t marker = le32(rec + 1);
        if (marker >= windowEnd) {
            std::fseek(infile, -5, SEEK_CUR);
            return 1;
        }
        const int node = nodeIndex(static_cast<uint8_t>(c));
        if (node == 0) return found ? 1 : 0; // not a record of this session: nothing more to read
        datitab& nd = InfoFE[node];
        // The whole physical record is read, also a trailing word that no logical channel uses.
        const size_t values = 2u * nd.chanu;
        if (std::fread(rec + 5, 1, values, infile) != values) return found ? 1 : 0;
        ++nd.n;
        for (int j = 0; j < nd.chanu_logic; ++j) {
            int32_t v = logicalValue(nd, j, rec + 5);
            const int code = nd.quantity(j);
            if (!(nd.ch_fisico[j] & 0x80) && unsignedQuantity(code)) {
                v = static_cast<uint16_t>(v);
                if (code == kPressure && v == 0xFFFF) continue; // no reading: left out of the mean
            }
            nd.sdati[j] += v;
            ++nd.nch[j];
        }
        found = true;
    }
}

void printData(FILE* outfile) {
    std::string text;
    for (int n = 1; n <= TotalNodeNum; ++n) {
        const datitab& nd = InfoFE[n];
        for (int j = 0; j < nd.chanu_logic; ++j) {
            const int code = nd.quantity(j);
            if (nd.n == 0) {
                text = "Err"; // no record of the node in this window: no reading, never a measured 0
            } else if (nd.nch[j] == 0) {
                adj_value(text, code, -1); // every sample of the window was "no reading"
            } else {
                float mean = static_cast<float>(nd.sdati[j]) / static_cast<float>(nd.nch[j]);
                float r = std::nearbyintf(mean);
                int32_t v = r >= 2147483647.0f    ? INT32_MAX
                            : r <= -2147483648.0f ? INT32_MIN
                                                  : static_cast<int32_t>(r);
                adj_value(text, code, v);
            }
            std::fprintf(outfile, "%s ", text.c_str());
        }
    }
    std::fprintf(outfile, "\r\n");
    ++InfoSES.nItem;
}

void printHeader(FILE* outfile) {
    std::fprintf(outfile, "Time[s]: %u\r\n", static_cast<unsigned>(Tsample));
    for (int n = 1; n <= TotalNodeNum; ++n)
        for (int j = 0; j < InfoFE[n].chanu_logic; ++j)
            std::fprintf(outfile, "\"CH%u_%u: %s\" ", static_cast<unsigned>(InfoFE[n].nodead),
                         static_cast<unsigned>(j + 1), Lista_Grandezze[InfoFE[n].quantity(j)]);
    std::fprintf(outfile, "\r\n");
}

std::vector<uint8_t> DownloadedRecords;
bool KeepDownloadedRecords = false;

int writeDataFile(const std::string& namefile) {
    File hex(std::fopen(kIntermediateFile, "rb"));
    if (!hex) {
        warnFile(kIntermediateFile, "non puo' essere letto !");
        Close_wait_msg();
        return 0;
    }
    DownloadedRecords.clear();
    if (KeepDownloadedRecords) {
        uint8_t buf[4096];
        size_t got;
        while ((got = std::fread(buf, 1, sizeof buf, hex.get())) > 0)
            DownloadedRecords.insert(DownloadedRecords.end(), buf, buf + got);
        std::rewind(hex.get());
    }
    return writeDataFileFrom(hex.get(), namefile);
}

int writeDataFileFrom(FILE* records, const std::string& namefile) {
    FILE* out = std::fopen(namefile.c_str(), "wb");
    if (!out) {
        warnFile(namefile, "non puo' essere scritto !");
        Close_wait_msg();
        return 0;
    }
    InfoSES.nItem = 0;
    InfoSES.nSubItem = 0;
    for (int n = 1; n <= TotalNodeNum; ++n) InfoSES.nSubItem += InfoFE[n].chanu_logic;
    InfoSES.nSubItem_ = InfoSES.nSubItem;
    printHeader(out);
    const uint32_t tcf = 10u * Tsample;
    // A zero sample time would never advance the window: no rows then.
    for (uint64_t i_ref = FirstTimeMarkerDload; tcf > 0 && i_ref < LastTimeMarker; i_ref += tcf)
        if (interpData(tcf, static_cast<uint32_t>(i_ref), records) == 1) printData(out);
    InfoSES.nItem_ = InfoSES.nItem;
    const bool failed = std::ferror(out) != 0; // a write the disk did not take
    if (std::fclose(out) != 0 || failed) {
        warnFile(namefile, "non puo' essere scritto !");
        Close_wait_msg();
        return 0;
    }
    return 1;
}

uint16_t downloadStartPage() {
    if (!(StatusReg & 0x08)) {
        uint16_t start = (PagFirst + TotalPagNum - TotalPagNumDload) & kPageMask;
        if (start == PagTab) start = (start + 1) & kPageMask;
        return start;
    }
    // A wrapped ring: the most recent pages end at the last page written. When the table page
    // lies among them it is read and dropped, so the range starts one page earlier.
    uint16_t start = (PagLast + 1 - TotalPagNumDload) & kPageMask;
    if (((PagTab - start) & kPageMask) <= ((PagLast - start) & kPageMask)) start = (start - 1) & kPageMask;
    return start;
}

int saveFile(Window hwndDlg, const std::string& namefile) {
    if (!choosePageCount(hwndDlg)) return 0;
    const uint16_t start = downloadStartPage();
    FirstTimeMarkerDload = 0;

    Show_wait_msg(hwndDlg, "Lettura dati dalla memoria interna");
    clearRxBuf(hCom);
    FILE* hex = std::fopen(kIntermediateFile, "wb");
    if (!hex) {
        warnFile(kIntermediateFile, "non puo' essere scritto !");
        Close_wait_msg();
        return 0;
    }
    auto downloadFailure = [&] {
        Close_wait_msg();
        std::fclose(hex);
        removeFile(kIntermediateFile);
        return 0;
    };
    // Verified reading addresses every page itself.
    if (!Verify.on && setPageAdd(start) != 1) return downloadFailure();
    std::vector<uint8_t> page(kPageSize);
    uint16_t current = start;
    for (unsigned i = 0; i < TotalPagNumDload; ++i) {
        if (Test_wait_msg() == 0) {
            std::fclose(hex);
            removeFile(kIntermediateFile);
            return 0;
        }
        if (((start + i) & kPageMask) == PagTab) {
            if (!Verify.on && getPageFlash(page.data()) != 1 && Com_lost)
                return downloadFailure(); // the table page: dropped
            current = (current + 1) & kPageMask;
        }
        if (!readPageWithRetries(page.data(), current)) return downloadFailure();
        current = (current + 1) & kPageMask;
        Setbar_wait_msg(i, TotalPagNumDload);
        if (!appendRecords(hex, page, i == 0)) return downloadFailure();
    }
    if (!appendTemporaryBuffer(hex)) return downloadFailure();
    std::fclose(hex);

    if (writeDataFile(namefile) != 1) {
        removeFile(kIntermediateFile);
        return 0;
    }
    Print_wait_msg(std::string("Reading RX4X and Writing ") + kDumpFile);
    if (Flag.verbose == 1 && writeDumpAndImage(start) != 1) {
        removeFile(kIntermediateFile);
        return 0;
    }
    Close_wait_msg();
    removeFile(kIntermediateFile);
    return 1;
}

void virgAdj(char* buf, int virgola) {
    if (!virgola || !buf) return;
    for (int i = 0; i < 10 && buf[i]; ++i)
        if (buf[i] == '.') {
            buf[i] = ',';
            return;
        }
}

void virgAdj(std::string& buf, int virgola) {
    if (!virgola) return;
    size_t p = buf.find('.');
    if (p != std::string::npos && p < 10) buf[p] = ',';
}

double ExpoCh[256];
int ExpoN[256];
uint8_t ExpoGra[256];

void printHeaderExp() {
    if (!Exportfile) return;
    std::fprintf(Exportfile, "\"Timestamp\"");
    int columns = 0; // as many as a row has
    for (int n = 1; n <= TotalNodeNum; ++n)
        for (int j = 0; j < InfoFE[n].chanu_logic && columns++ < 256; ++j)
            std::fprintf(Exportfile, ";\"CH%u_%u: %s\"", static_cast<unsigned>(InfoFE[n].nodead),
                         static_cast<unsigned>(j + 1), Lista_Grandezze[InfoFE[n].quantity(j)]);
    std::fprintf(Exportfile, "\r\n");
}

void printDataExp(time_t timestamp) {
    if (!Exportfile) return;
    std::string stamp;
    getTimeSig(stamp, nullptr, timestamp, 3);
    std::fprintf(Exportfile, "%s", stamp.c_str());
    const int total = TotalLogicCh < 256 ? TotalLogicCh : 256;
    std::string text;
    for (int i = 0; i < total; ++i) {
        if (ExpoN[i] <= 0) {
            text = "Err"; // no reading in this period: never written as a measured 0
        } else {
            const double v = ExpoN[i] == 1 ? ExpoCh[i] : ExpoCh[i] / ExpoN[i];
            adj_value2(text, ExpoGra[i], v);
            virgAdj(text, Flag.comma);
        }
        std::fprintf(Exportfile, ";%s", text.c_str());
    }
    std::fprintf(Exportfile, "\r\n");
}

void openFileExp(Window hwndCtrl) {
    FileBoxRequest req;
    req.filter = "Data Export File (*.csv)";
    req.defaultExt = "csv";
    req.askOverwrite = true;
    std::string path;
    if (!ui().saveFileBox(hwndCtrl, req, path)) return;
    if (Exportfile) std::fclose(Exportfile);
    Exportfile = std::fopen(path.c_str(), "wb");
}
