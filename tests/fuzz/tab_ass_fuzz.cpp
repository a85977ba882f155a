// The assignment table from a raw page, then the records of a data page walked against it:
// the first 528 bytes are the table page, the rest a data page.
#include <algorithm>
#include <cstring>

#include "fuzz_target.h"
#include "logger/tab_ass.h"

KORVANE_FUZZ_TARGET(tab_ass) {
    const size_t tableBytes = std::min(size, kTabAssSize);
    std::memset(TabAss, 0xFF, kTabAssSize);
    if (tableBytes) std::memcpy(TabAss, data, tableBytes);
    if (decodeTabAss() != 1) return 0;
    std::span<const uint8_t> page(data + tableBytes, size - tableBytes);
    size_t total = 0;
    walkRecords(page, [&](const RecordRef& r) {
        // Every record handed out lies inside the page and names a node of the table.
        if (r.offset + r.length > page.size() || r.node < 1 || r.node > TotalNodeNum) __builtin_trap();
        total += r.length;
    });
    return 0;
}
