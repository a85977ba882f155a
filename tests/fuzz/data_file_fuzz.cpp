// The session data text file and the format A export file, loaded as the data table loads them
// (loadDataFileFrom / loadFileTxtFrom, then the table's loadLV), then written again in format A
// or B; a format A export must load again with the same columns and rows.
//
// Input: byte 0 chooses the way in and the settings, byte 1 the first marker of the rows, the
// rest is the file.
//   bit 0     0: a session data file ("Time[s]: ..." first line), 1: an export file ("Start: ...")
//   bit 1     an energy board's node table (efficiency and daily energy columns)
//   bit 2     nominal power 0 (too low) instead of 5000 W
//   bit 3     decimal comma in the export
//   bit 4     export in format B instead of A
//   bit 5     the session data file is named by a start time ("151231_224730.T60")
//   bit 6     the first two data columns merged before the export
//   bit 7     the first data column deleted before the export
// The column graph's values are read from the first eight data columns.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz_target.h"
#include "logger/download.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "shell/korvane.h"
#include "tables/column_graph.h"
#include "tables/data_table.h"
#include "tables/export_format.h"
#include "tables/table_model.h"

namespace {

// An energy board's table: node 7 with power (kW), irradiance, energy (a 32-bit pair) and a
// temperature, so that both derived columns are made.
void energyBoardTable() {
    std::memset(TabAss, 0xFF, kTabAssSize);
    const uint8_t page[] = {0xFF, 0x00, 16 + 6 + 2 * 5,
                            0x00, 0x88, 0x13,
                            0x00, 0x00, // length, Pnom 5000
                            0x30, 0x47, 0x22,
                            0x31, 0x12, 0x15,
                            0x00, 0x00, // start time
                            7,    5,    0x3C,
                            0x00, // node 7, 5 channels
                            17,   0,    15,
                            0,    0,    0,
                            16,   0,    1,
                            0,           // kW, W/m2, 32-bit kWh, degC
                            0x2C, 0x01}; // battery
    std::memcpy(TabAss, page, sizeof page);
    decodeTabAss();
}

void resetGlobals(uint8_t mode, uint8_t marker) {
    InfoSES = INFOST{};
    Tsample = 1800;
    DataTimeSS.clear();
    Data_file.clear();
    FirstTimeMarkerDload = static_cast<uint32_t>(marker) * 8640u; // up to 25.5 days
    Flag.MW51 = (mode & 0x02) ? 1 : 0;
    Flag.CH_etaG = Flag.CH_eneD = 0;
    Flag.comma = (mode & 0x08) ? 1 : 0;
    Flag.file_format = (mode & 0x10) ? 1 : 0;
    TotalNodeNum = 0;
    TotalLogicCh = 0;
    Pnom = 0;
    if (Flag.MW51) {
        energyBoardTable();
        if (mode & 0x04) Pnom = 0;
    }
}

bool isStartTime(std::string_view t) {
    if (t.size() != 13 || t[6] != '_') return false;
    for (size_t i = 0; i < t.size(); ++i)
        if (i != 6 && (t[i] < '0' || t[i] > '9')) return false;
    return true;
}

// Removes the working file an input made (its name is a start time), so that the scratch folder
// does not fill up with one file per start time the fuzzer invents.
struct WorkingFileGone {
    ~WorkingFileGone() {
        std::error_code ec;
        if (isStartTime(DataTimeSS)) std::filesystem::remove(DataTimeSS, ec);
    }
};

} // namespace

KORVANE_FUZZ_TARGET(data_file) {
    if (size < 2) return 0;
    const uint8_t mode = data[0];
    resetGlobals(mode, data[1]);
    const bool exportFile = mode & 0x01;
    const std::string name = exportFile      ? "export-in.txt"
                             : (mode & 0x20) ? "151231_224730.T60"
                                             : "data-in.txt";
    const std::string source = fuzz::writeScratch(name, data + 2, size - 2);

    WorkingFileGone gone;
    const int loaded = exportFile ? loadFileTxtFrom(source) : loadDataFileFrom(source, "000101_000000");
    if (loaded != 1) return 0;
    // The working file is named by a start time and so stays in the scratch folder.
    if (!isStartTime(DataTimeSS)) __builtin_trap();

    TableModel table;
    if (openDataTable(table) != 1) return 0;
    // InfoSES follows the table: every row and every data column it holds.
    const int nCols = table.columnCount() - 2;
    if (nCols < 0 || static_cast<int>(InfoSES.nItem) != table.rowCount() || InfoSES.nItem > kMaxTableRows)
        __builtin_trap();

    // The column graph: every value read is a number or a missing reading, within the range.
    ColumnSelection sel{};
    for (int c = 0; c < nCols && c < 8; ++c) sel[static_cast<size_t>(kFirstDataColumn + c)] = 1, ++sel[0];
    GraphData graph;
    if (collectGraphData(table, sel, table.rowCount(), graph)) {
        if (graph.minimum > graph.maximum || graph.scale.ymin > graph.scale.ymax) __builtin_trap();
        for (const auto& column : graph.y) {
            if (column.size() != graph.x.size()) __builtin_trap();
            for (float v : column)
                if (!std::isnan(v) && (v < graph.minimum || v > graph.maximum)) __builtin_trap();
        }
    }

    // Edits before the export; the export writes every column the table has left.
    if ((mode & 0x40) && nCols >= 2) {
        clearColumnSelection(SelCol);
        SelCol[kFirstDataColumn] = SelCol[kFirstDataColumn + 1] = 1;
        SelCol[0] = 2;
        mergeCol(table, SelCol);
    }
    if ((mode & 0x80) && table.columnCount() > kFirstDataColumn + 1) {
        clearColumnSelection(SelCol);
        SelCol[kFirstDataColumn] = 1;
        SelCol[0] = 1;
        deleteCol(table, SelCol);
    }
    const int exported = table.columnCount() - 2;

    if (exportTable(table, "export-out.txt", InfoSES) != 1) return 0;
    if (Flag.file_format != 0) return 0;
    // Format A loads again: the same data columns and rows, when its start line holds a start time
    // (a table whose time stamps left the calendar cannot name a working file).
    if (table.rowCount() == 0 || !isStartTime(table.cell(0, 1))) return 0;
    const uint32_t rows = InfoSES.nItem;
    std::error_code ec;
    std::filesystem::remove(DataTimeSS, ec); // the reload makes its own working file
    if (loadFileTxtFrom("export-out.txt") != 1) __builtin_trap();
    if (InfoSES.nSubItem != static_cast<uint32_t>(exported) || InfoSES.nItem != rows) __builtin_trap();
    return 0;
}
