#pragma once
// Decisions of the data table screen, kept apart from the widgets: which buttons are enabled,
// column widths, cell colours, the header editor's "Ok".
#include <array>
#include <cstdint>
#include <string_view>

inline constexpr int kFirstDataColumn = 2;        // columns 0 "Item" and 1 "Time" come first
inline constexpr int kLastSelectableColumn = 241; // columns beyond it cannot be selected
inline constexpr size_t kSelColSize = 243;
inline constexpr int kCellEditMax = 10;       // characters of the numeric cell editor (MaxEdit)
inline constexpr size_t kHeaderEditMax = 100; // characters the header editor hands back

// Column selection: entry 0 counts the selected data columns; entry c (2..241) is 1 while column
// c is selected; entry 1 is set after a column move and makes the next column click start a new
// selection.
using ColumnSelection = std::array<int, kSelColSize>;

// Enabled state of the table's edit buttons.
struct TableButtons {
    bool moveColumn = false;    // "<<< Sposta colonna"
    bool mergeColumns = false;  // "Fondi colonne"
    bool deleteColumns = false; // "Elimina colonne"
    bool deleteItems = false;   // "Elimina item"
    bool graph = false;         // "Grafico"
    bool operator==(const TableButtons&) const = default;
};

// Buttons after a change of the column selection (rows are then never selected, so "Elimina
// item" is off). nSubItem: data columns of the table.
TableButtons columnButtons(const ColumnSelection& selcol, uint32_t nSubItem);

// Width [pixels] of each column from index 2 on, for n such columns on a screen of the given
// width: (width - 285) / n within 70..200 (70 when n is 0).
int dataColumnWidth(int screenWidth, int n);

// Background of a cell as 0xRRGGBB: grey for "Item" and "Time", yellow in a selected data
// column, white otherwise.
uint32_t cellBackground(int col, const ColumnSelection& selcol);

// "Ok" of the header editor: off until the text has been edited at least once, and off while
// the text is empty.
bool headerOkEnabled(bool edited, std::string_view current);
