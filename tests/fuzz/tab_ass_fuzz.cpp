// The assignment table from a raw page, then the records of a data page walked against it:
// the first 528 bytes are the table page, the rest a data page. Besides the decoding
// (decodeTabAss) the table's session start (decodeSessionStart) and, for every record, its
// logical values (getCHlogic) and their texts (adj_value), as the dump, the monitor and the
// page viewer use them.
#include <algorithm>
#include <cstring>
#include <string>

#include "fuzz_target.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "platform/bytes.h"

KORVANE_FUZZ_TARGET(tab_ass) {
    const size_t tableBytes = std::min(size, kTabAssSize);
    std::memset(TabAss, 0xFF, kTabAssSize);
    if (tableBytes) std::memcpy(TabAss, data, tableBytes);
    if (decodeTabAss() != 1) return 0;
    if (TotalNodeNum > kMaxNodes) __builtin_trap();
    int logical = 0;
    for (int n = 1; n <= TotalNodeNum; ++n) {
        const datitab& node = InfoFE[n];
        logical += node.chanu_logic;
        for (int j = 0; j < node.chanu_logic; ++j) {
            // Every logical channel names a physical channel of its node, a 32-bit one a pair.
            const int i = node.ch_fisico[j] & 0x7F;
            if (i >= node.chanu || ((node.ch_fisico[j] & 0x80) && i == 0)) __builtin_trap();
            if (node.quantity(j) < 0 || node.quantity(j) > 31) __builtin_trap();
        }
    }
    if (logical != TotalLogicCh) __builtin_trap();

    decodeSessionStart(std::span<const uint8_t>(TabAss, kTabAssSize));
    if (DataTimeSS.size() != 13 || DataTimeSS[6] != '_') __builtin_trap();

    std::span<const uint8_t> page(data + tableBytes, size - tableBytes);
    size_t total = 0;
    std::string text;
    walkRecords(page, [&](const RecordRef& r) {
        // Every record handed out lies inside the page and names a node of the table.
        if (r.offset + r.length > page.size() || r.node < 1 || r.node > TotalNodeNum) __builtin_trap();
        total += r.length;
        const datitab& node = InfoFE[r.node];
        int16_t vx[256] = {};
        for (size_t i = 0; i < node.chanu; ++i)
            vx[i] = static_cast<int16_t>(le16(page.data() + r.offset + 5 + 2 * i));
        int32_t vxl[kMaxLogicCh] = {};
        int idx = 0;
        if (getCHlogic(&idx, vxl, vx, node.chanu, node.nodead) != 1 || InfoFE[idx].nodead != node.nodead)
            __builtin_trap();
        for (int j = 0; j < InfoFE[idx].chanu_logic; ++j) {
            adj_value(text, InfoFE[idx].quantity(j), vxl[j]);
            if (text.empty() || text.size() > 12) __builtin_trap(); // at most 12 characters
        }
    });
    return 0;
}
