// Decoding one session of a saved flash image, and one page of it as text.
#include "logger/flash_image.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "link/korvane_com.h"
#include "logger/download.h"
#include "logger/session.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "platform/bytes.h"
#include "platform/file_handle.h"

std::string ImageFolder;

std::string imagePath() {
    if (ImageFolder.empty()) return kImageFile;
    return (std::filesystem::path(ImageFolder) / kImageFile).string();
}

void resetFlashImageState() {
    ImageFolder.clear();
}

bool plainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

namespace {

constexpr size_t kPageCount = 4096;

// The image opened for one operation. Every read names its page, so nothing outside the 4096
// pages is ever asked for; a file that ends early gives a short count.
class Image {
  public:
    Image() : f_(std::fopen(imagePath().c_str(), "rb")) {}
    explicit operator bool() const { return f_ != nullptr; }
    // Reads up to `n` bytes of page `page` from byte `offset`; returns how many were read.
    size_t read(unsigned page, size_t offset, uint8_t* buf, size_t n) {
        if (!f_ || page >= kPageCount || offset >= kPageSize) return 0;
        if (n > kPageSize - offset) n = kPageSize - offset;
        const long pos = static_cast<long>(page * kPageSize + offset);
        if (std::fseek(f_.get(), pos, SEEK_SET) != 0) return 0;
        return std::fread(buf, 1, n, f_.get());
    }
    bool readPage(unsigned page, uint8_t* buf) { return read(page, 0, buf, kPageSize) == kPageSize; }

  private:
    File f_;
};

// Node byte and first time marker of a page; false when the page does not start with a record
// (0x00 reserved, 0xFF table or erased) or cannot be read.
bool firstRecordHead(Image& img, unsigned page, uint32_t& marker) {
    uint8_t head[5];
    if (img.read(page, 0, head, sizeof head) != sizeof head) return false;
    if (head[0] == 0x00 || head[0] == 0xFF) return false;
    marker = le32(head + 1);
    return true;
}

} // namespace

int initTabAssBin() {
    if (PagTab > kPageMask) return 0; // no such page in the image
    Image img;
    if (!img) return 0;
    size_t k = 0, length = kTabAssSize;
    while (k < length) {
        if (img.read(PagTab, k, TabAss + k, kBlockSize) != static_cast<size_t>(kBlockSize)) return 0;
        k += kBlockSize;
        if (k == static_cast<size_t>(kBlockSize)) {
            length = le16(TabAss + 2);
            if (length > kTabAssSize || TabAss[0] != 0xFF) return 0;
        }
    }
    if (decodeTabAss() != 1) return 0;

    PagFirst = (PagTab + 1) & kPageMask;
    uint32_t previous = 0;
    if (!firstRecordHead(img, PagFirst, previous)) return 1; // nothing recorded after the table
    Flag.pagefirst_error = 0;
    Flag.pagelast_error = 0;
    PagLast = PagFirst;
    // The table page starts with 0xFF, so the walk ends at the latest when it comes round to it.
    for (size_t n = 0; n < kPageCount; ++n) {
        const uint16_t p = (PagLast + 1) & kPageMask;
        uint32_t marker = 0;
        if (!firstRecordHead(img, p, marker) || marker < previous) break;
        previous = marker;
        PagLast = p;
    }
    return 1;
}

int initTimeMarkBin() {
    const uint16_t tab = PagTab & kPageMask;
    if (((tab + 1) & kPageMask) == PagFirst)
        TotalPagNum = static_cast<uint16_t>(((PagLast - PagFirst) & kPageMask) + 1);
    else if (((PagLast + 1) & kPageMask) == PagFirst)
        TotalPagNum = 4095;
    else
        return 0;
    if (tab == PagLast) TotalPagNum = 0;

    Image img;
    if (!img) return 0;
    FirstTimeMarker = 0;
    LastTimeMarker = 0;
    // Without data pages both markers stay 0, as for a session read from the logger.
    if (TotalPagNum > 0) {
        std::array<uint8_t, kPageSize> page{};
        if (img.read(PagFirst, 0, page.data(), 5) == 5 && nodeIndex(page[0]) != 0)
            FirstTimeMarker = le32(&page[1]);
        page.fill(0);
        img.read(PagLast, 0, page.data(), kPageSize); // a short page leaves zeros: the walk ends there
        walkRecords(page, [](const RecordRef& r) { LastTimeMarker = r.marker; });
    }
    DurataSessione = sessionDuration(FirstTimeMarker, LastTimeMarker);
    return 1;
}

int printInfoSesBin(TextBox* box) {
    if (!box) return 0;
    PageFirst = hex4(PagFirst);
    PageLast = hex4(PagLast);
    box->clear();
    printf_API(box, "Table page........ 0x%s\r\n", PageTab.c_str());
    if (Flag.pagefirst_error)
        printf_API(box, "First page........ Non definito\r\n");
    else
        printf_API(box, "First page........ 0x%s\r\n", PageFirst.c_str());
    if (Flag.pagelast_error)
        printf_API(box, "Last page......... Non definito\r\n");
    else
        printf_API(box, "Last page......... 0x%s\r\n", PageLast.c_str());
    const bool known = !Flag.pagefirst_error && !Flag.pagelast_error;
    if (known)
        printf_API(box, "Total data pages.. %u\r\n\r\n", static_cast<unsigned>(TotalPagNum));
    else
        printf_API(box, "Total data pages.. %s\r\n\r\n", "Non definito");
    printf_API(box, "Inizio sessione.......... ");
    printf_API(box, "%s\r\n", DataTimeSS.c_str());
    printf_API(box, "Durata sessione.......... ");
    printf_API(box, "%s\r\n\r\n", known ? DurataSessione.c_str() : "Non definito");
    for (int n = 1; n <= TotalNodeNum && n <= kMaxNodes; ++n) {
        const datitab& node = InfoFE[n];
        printf_API(box, "- %s %u ", "Nodo", static_cast<unsigned>(node.nodead));
        printf_API(box, "(SaTmr= %u s, Vbat= %1.2f V)\r\n", static_cast<unsigned>(node.satmr),
                   node.vbat / 100.0);
        for (int j = 0; j < node.chanu_logic; ++j)
            printf_API(box, "  - Ch %u (%s)\r\n", static_cast<unsigned>(j + 1),
                       Lista_Grandezze[node.quantity(j)]);
        printf_API(box, "\r\n");
    }
    return 1;
}

int sessionRecordsBin(std::vector<uint8_t>& out) {
    Image img;
    if (!img) return 0;
    std::array<uint8_t, kPageSize> page{};
    const uint16_t first = PagFirst & kPageMask;
    unsigned current = first; // the page the image is read at, round the ring
    for (unsigned i = 0; i < TotalPagNum; ++i) {
        if (Test_wait_msg() == 0) return -1; // stopped by the user
        if (((first + i) & kPageMask) == (PagTab & kPageMask)) current = (current + 1) & kPageMask;
        if (!img.readPage(current, page.data())) return 0; // the image ends early
        current = (current + 1) & kPageMask;
        walkRecords(page, [&](const RecordRef& r) {
            out.insert(out.end(), page.begin() + static_cast<std::ptrdiff_t>(r.offset),
                       page.begin() + static_cast<std::ptrdiff_t>(r.offset + r.length));
        });
        Setbar_wait_msg(i, TotalPagNum);
    }
    return 1;
}

int saveFileBin(Window hwndDlg, const std::string& namefile) {
    // The name comes from the session list file: it must not lead out of the current directory.
    if (!plainFileName(namefile)) {
        warnFile(namefile, "non puo' essere scritto !");
        return 0;
    }
    Show_wait_msg(hwndDlg, "Writing scratch file");
    File hex(std::fopen(kIntermediateFile, "wb"));
    if (!hex) {
        warnFile(kIntermediateFile, "non puo' essere scritto !");
        Close_wait_msg();
        return 0;
    }
    std::vector<uint8_t> records;
    if (const int read = sessionRecordsBin(records); read != 1) {
        hex.reset();
        removeFile(kIntermediateFile);
        if (read == 0) { // the image cannot be opened or ends early
            warnFile(kImageFile, "non puo' essere letto !");
            Close_wait_msg();
        }
        return 0;
    }
    // An empty session writes nothing (and no null buffer reaches fwrite).
    const bool written =
        records.empty() || std::fwrite(records.data(), 1, records.size(), hex.get()) == records.size();
    if (std::fclose(hex.release()) != 0 || !written) {
        removeFile(kIntermediateFile);
        warnFile(kIntermediateFile, "non puo' essere scritto !");
        Close_wait_msg();
        return 0;
    }

    FirstTimeMarkerDload = FirstTimeMarker;
    const int averaged = writeDataFile(namefile); // reports and closes the wait window on failure
    removeFile(kIntermediateFile);
    if (averaged != 1) return 0;
    Close_wait_msg();
    return 1;
}

int printPageBin(TextBox* box, int page) {
    if (box) box->clear();
    std::array<uint8_t, kPageSize> buf{};
    size_t got = 0, need = kPageSize;
    if (page >= 0 && page <= kPageMask) {
        Image img;
        got = img.read(static_cast<unsigned>(page), 0, buf.data(), 4);
        if (got > 0 && buf[0] == 0xFF) need = 4; // a table or erased page: its head is enough
        if (got == 4 && need > 4)
            got += img.read(static_cast<unsigned>(page), 4, buf.data() + 4, kPageSize - 4);
    }
    if (got < need) {
        printf_API(box, "Dati non sufficienti !");
        return 0;
    }
    if (buf[0] == 0xFF) {
        printf_API(box, le16(&buf[2]) > kPageSize ? "Pagina non formattata !" : "Tabella di assegnazione !");
        return 0;
    }
    if (buf[0] == 0x00) {
        printf_API(box, "Pagina riservata !");
        return 0;
    }
    size_t off = 0;
    while (off < kPageSize) {
        const uint8_t nodeByte = buf[off];
        // Zero bytes, or erased flash, after the records: the rest of the page is empty.
        if (off > 0 && (nodeByte == 0x00 || nodeByte == 0xFF)) break;
        const int node = nodeIndex(nodeByte);
        if (node == 0) {
            printf_API(box, "%s %u %s", "Nodo", static_cast<unsigned>(nodeByte), "non riconosciuto !");
            return 0;
        }
        const datitab& nd = InfoFE[node];
        const size_t len = 5 + 2u * nd.chanu;
        if (off + len > kPageSize) break;
        printf_API(box, "%10u [%3u] ", le32(&buf[off + 1]), static_cast<unsigned>(nodeByte));
        for (int i = 0; i < nd.chanu; ++i)
            printf_API(box, "%6d ", static_cast<int>(static_cast<int16_t>(le16(&buf[off + 5 + 2u * i]))));
        printf_API(box, "\r\n");
        off += len;
    }
    return 1;
}
