// The assignment table: node entries, logical channels and the quantity codes.
#include "logger/tab_ass.h"

#include <cstdio>
#include <cstring>

#include "link/korvane_com.h"
#include "logger/session.h"
#include "logger/verified_page.h"
#include "platform/bytes.h"

datitab InfoFE[kMaxNodes + 1];
uint8_t TotalNodeNum = 0;
int TotalLogicCh = 0;
uint8_t TabAss[kTabAssSize];
int Pnom = 0;

const char* const Lista_Grandezze[32] = {
    "0x00",
    "Temperatura (0.00 \xB0"
    "C)",
    "Flusso termico (0.00 W/m2)",
    "Temperatura aria (0.00 \xB0"
    "C)",
    "Umidit\xE0 rel. aria (0.00 %)",
    "Punto di rugiada aria (0.00 \xB0"
    "C)",
    "Pressione aria (0.00 hPa) ",
    "Tensione DC (0.0 V)",
    "Tensione RMS (0.0 V)",
    "Corrente DC (0.0 A)",
    "Corrente RMS (0.0 A)",
    "Potenza DC (W)",
    "Potenza attiva (W)",
    "Tensione VPEAK (0.0 V)",
    "Corrente IPEAK (0.0 A)",
    "Irraggiamento (0.0 W/m2)",
    "Energia (0.0 kWh)",
    "Potenza (0.00 kW)",
    "N (adim.)",
    "Corrente DC (0.00 A)",
    "0x14", "0x15", "0x16", "0x17", "0x18", "0x19", "0x1A", "0x1B", "0x1C", "0x1D", "0x1E", "0x1F",
};

const char* const Unita_di_misura[32] = {
    "",
    "\xB0"
    "C",
    "W/m2",
    "\xB0"
    "C",
    "%",
    "\xB0"
    "C",
    "hPa", "V", "V", "A", "A", "W", "W", "V", "A", "W/m2", "kWh", "kW", "", "A",
    "", "", "", "", "", "", "", "", "", "", "", "",
};

const float Default_value[32] = {};

namespace {

// How each quantity code turns a raw value into text: divisor (0 = integer "%d"), decimals,
// whether a negative raw value stands for an unsigned 16-bit reading.
struct Scale {
    float divisor;
    int decimals;
    bool unsigned16;
};
Scale scaleOf(int code) {
    switch (code) {
    case 1: case 2: case 3: case 4: case 5: case 19:
        return {100.0f, 2, false};
    case 6:
        return {100.0f, 2, true};
    case 7: case 9: case 15: case 16:
        return {10.0f, 1, false};
    case 8: case 10: case 13: case 14:
        return {10.0f, 1, true};
    case 17:
        return {1000.0f, 2, false};
    default:
        return {0.0f, 0, false};
    }
}

} // namespace

int16_t datitab::conf(int i) const {
    size_t off = confOffset + 2u * static_cast<size_t>(i);
    if (i < 0 || off + 1 >= kTabAssSize) return 0;
    return static_cast<int16_t>(le16(TabAss + off));
}

int datitab::quantity(int j) const { return conf(ch_fisico[j] & 0x7F) & 0x1F; }

int nodeIndex(uint8_t address) {
    for (int n = 1; n <= TotalNodeNum && n <= kMaxNodes; ++n)
        if (InfoFE[n].nodead == address) return n;
    return 0;
}

int decodeTabAss() {
    const size_t length = le16(TabAss + 2);
    if (TabAss[0] != 0xFF || length > kTabAssSize) return 0;
    Pnom = static_cast<int32_t>(le32(TabAss + 4));
    size_t p = 16;
    int n = 1;
    TotalNodeNum = 0;
    TotalLogicCh = 0;
    while (p < length) {
        if (n > kMaxNodes) return 0; // more nodes than the table holds
        if (p + 4 > kTabAssSize) return 0;
        datitab& node = InfoFE[n];
        node = datitab{};
        node.nodead = TabAss[p];
        node.chanu = TabAss[p + 1];
        node.satmr = le16(TabAss + p + 2);
        const size_t entry = 6 + 2u * node.chanu;
        if (p + entry > kTabAssSize) return 0; // the entry runs past the page
        node.confOffset = static_cast<uint16_t>(p + 4);
        node.vbat = le16(TabAss + p + 4 + 2u * node.chanu);
        p += entry;
        ++n;
    }
    TotalNodeNum = static_cast<uint8_t>(n - 1);
    for (int k = 1; k <= TotalNodeNum; ++k) {
        datitab& node = InfoFE[k];
        node.chanu_logic = 0;
        bool pending = false;
        for (int i = 0; i < node.chanu; ++i) {
            if ((node.conf(i) & 0x1F) == 0) {
                if (pending) {
                    messageBox(nullptr, "Errore: due canali fisici consecutivi con codifica Conf&0x1F==0 !",
                               "Setup Error", MsgButtons::Ok, MsgIcon::Error);
                    return 0;
                }
                pending = true;
                continue;
            }
            if (node.chanu_logic >= kMaxLogicCh || i > 0x7F) return 0; // more than a node holds
            node.ch_fisico[node.chanu_logic] = static_cast<uint8_t>(pending ? i + 128 : i);
            pending = false;
            ++node.chanu_logic;
            ++TotalLogicCh;
        }
    }
    return 1;
}

int initTabAss() {
    clearRxBuf(hCom);
    if (Verify.on) return getPageVerified(PagTab, TabAss) == 1 ? decodeTabAss() : 0; // every block confirmed
    if (sendCOMMAND(hCom, "ATRD" + PageTab + "\r", kModeCR) != 1 || !rxOk()) return 0;
    size_t k = 0, length = kTabAssSize;
    while (k < length) {
        if (sendCOMMAND(hCom, "ATRD\r", kModeRaw48) != 1) return 0;
        std::memcpy(TabAss + k, Rx_buf, kBlockSize);
        k += kBlockSize;
        if (k == kBlockSize) {
            length = le16(TabAss + 2);
            if (length > kTabAssSize || TabAss[0] != 0xFF) return 0;
        }
    }
    return decodeTabAss();
}

int getCHlogic(int* pnodeNum, int32_t* vx_logic, const int16_t* vx, uint8_t chaNu, uint8_t nodeAd) {
    int found = 0;
    for (int n = 1; n <= TotalNodeNum; ++n) {
        if (InfoFE[n].nodead != nodeAd) continue;
        *pnodeNum = n;
        if (InfoFE[n].chanu == chaNu) {
            found = n;
            break;
        }
    }
    if (!found) return 0;
    const datitab& node = InfoFE[found];
    for (int j = 0; j < node.chanu_logic; ++j) {
        int i = node.ch_fisico[j] & 0x7F;
        if (node.ch_fisico[j] & 0x80) {
            if (i == 0) return 0;
            vx_logic[j] = static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(vx[i - 1])) << 16) |
                                               static_cast<uint16_t>(vx[i]));
        } else {
            vx_logic[j] = vx[i];
        }
    }
    return 1;
}

float adj_value(std::string& strz, int typegra, int32_t x) {
    const int code = typegra & 0x1F;
    const Scale s = scaleOf(code);
    char buf[48];
    if (s.divisor == 0.0f) {
        std::snprintf(buf, sizeof buf, "%d", x);
        strz = buf;
        return static_cast<float>(x);
    }
    int64_t v = x;
    if (code == 6 && x == -1) {
        strz = "Err";
        return Default_value[code];
    }
    if (s.unsigned16 && v < 0) v += 65536;
    if (code == 6) v += 60000;
    const float scaled = static_cast<float>(v) / s.divisor;
    std::snprintf(buf, sizeof buf, s.decimals == 1 ? "%.1f" : "%.2f", static_cast<double>(scaled));
    strz = buf;
    return scaled;
}

void adj_value2(std::string& strz, int typegra, double x) {
    const Scale s = scaleOf(typegra & 0x1F);
    char buf[64];
    const char* fmt = s.divisor == 0.0f ? "%.0f" : s.decimals == 1 ? "%.1f" : "%.2f";
    std::snprintf(buf, sizeof buf, fmt, x);
    strz = buf;
}

size_t walkRecords(std::span<const uint8_t> page, const std::function<void(const RecordRef&)>& fn) {
    size_t off = 0, count = 0;
    while (off < page.size()) {
        int node = nodeIndex(page[off]);
        if (node == 0) break;
        size_t len = 5 + 2u * InfoFE[node].chanu;
        if (off + len > page.size()) break;
        fn(RecordRef{off, node, le32(page.data() + off + 1), len});
        ++count;
        off += len;
    }
    return count;
}
