#include "tables/table_rules.h"

#include <algorithm>

TableButtons columnButtons(const ColumnSelection& selcol, uint32_t nSubItem) {
    const int count = selcol[0];
    TableButtons b;
    b.moveColumn = count == 1 && selcol[kFirstDataColumn] != 1;
    b.mergeColumns = count > 1;
    b.deleteColumns = count >= 1 && nSubItem > 1;
    b.graph = count >= 1;
    return b;
}

int dataColumnWidth(int screenWidth, int n) {
    if (n <= 0) return 70;
    return std::clamp((screenWidth - 285) / n, 70, 200);
}

uint32_t cellBackground(int col, const ColumnSelection& selcol) {
    if (col == 0 || col == 1) return 0xE6E6E6;
    if (col >= kFirstDataColumn && col <= kLastSelectableColumn && selcol[static_cast<size_t>(col)] == 1)
        return 0xFFFF00;
    return 0xFFFFFF;
}

bool headerOkEnabled(bool edited, std::string_view current) {
    return edited && !current.empty();
}
