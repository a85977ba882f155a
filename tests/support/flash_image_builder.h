#pragma once
// Flash images and session lists built byte by byte for the offline-mode tests: an erased image
// (every byte 0xFF) with table pages and data pages placed where a test wants them.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

struct TestNode {
    uint8_t address;
    std::vector<uint16_t> conf; // one configuration word per physical channel
    uint16_t satmr = 60;        // [s]
    uint16_t vbat = 360;        // [0.01 V]
};

struct TestRecord {
    uint8_t node;
    uint32_t marker; // [0.1 s]
    std::vector<int16_t> values;
};

class TestImage {
  public:
    static constexpr size_t kPage = 528;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kPage * 4096, 0xFF);

    uint8_t* page(unsigned p) { return bytes.data() + (p & 0xFFF) * kPage; }

    // A table page: the nodes and the start "YYMMDD_hhmmss" (BCD at offsets 8..13, as the hex
    // digits of the text). Returns the table length.
    size_t table(unsigned p, const std::string& start, const std::vector<TestNode>& nodes, uint8_t tag = 1) {
        uint8_t* t = page(p);
        std::fill(t, t + kPage, 0xFF);
        size_t off = 16;
        for (const TestNode& n : nodes) {
            t[off++] = n.address;
            t[off++] = static_cast<uint8_t>(n.conf.size());
            put16(t + off, n.satmr), off += 2;
            for (uint16_t c : n.conf) put16(t + off, c), off += 2;
            put16(t + off, n.vbat), off += 2;
        }
        t[0] = 0xFF;
        t[1] = tag;
        put16(t + 2, static_cast<uint16_t>(off));
        t[4] = t[5] = t[6] = t[7] = 0;
        const int digits[6] = {11, 9, 7, 4, 2, 0}; // ss mm hh DD MM YY at offsets 8..13
        for (int k = 0; k < 6; ++k)
            t[8 + k] = static_cast<uint8_t>(std::stoi(start.substr(digits[k], 2), nullptr, 16));
        t[14] = t[15] = 0;
        return off;
    }

    // A data page holding `records` from offset 0; the rest of the page is `fill`.
    void records(unsigned p, const std::vector<TestRecord>& records, uint8_t fill = 0x00) {
        uint8_t* d = page(p);
        std::fill(d, d + kPage, fill);
        size_t off = 0;
        for (const TestRecord& r : records) {
            if (off + 5 + 2 * r.values.size() > kPage) break; // never into the next page
            d[off] = r.node;
            for (int k = 0; k < 4; ++k) d[off + 1 + k] = static_cast<uint8_t>(r.marker >> (8 * k));
            off += 5;
            for (int16_t v : r.values) put16(d + off, static_cast<uint16_t>(v)), off += 2;
        }
    }

    // Writes the image (optionally cut to `size` bytes) as `path`.
    void write(const std::string& path, size_t size = SIZE_MAX) const {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(size < bytes.size() ? size : bytes.size()));
    }

  private:
    static void put16(uint8_t* p, uint16_t v) {
        p[0] = static_cast<uint8_t>(v & 0xFF);
        p[1] = static_cast<uint8_t>(v >> 8);
    }
};

// A session list as a verbose download writes it: the table lines, then the last session's block
// with the firmware release.
inline std::string testSessionList(const std::vector<std::pair<unsigned, std::string>>& sessions,
                                   const std::string& release = "B018") {
    std::string s = "Tabelle di assegnazione valide rilevate ***************************************\r\n\r\n";
    char line[64];
    for (const auto& [page, start] : sessions) {
        std::snprintf(line, sizeof line, "Page...0x%04X %s %u\r\n", page, start.c_str(), 7u);
        s += line;
    }
    s += "\r\nInformazioni sull'ultima sessione di misura ***********************************\r\n\r\n";
    s += "FW release..............." + release + "\r\n";
    s += "Table page...............0x0000\r\n";
    return s;
}

inline void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
}
