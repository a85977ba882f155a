#pragma once
// The data table: a session data text file loaded into a TableModel (row number, time stamp,
// one column per logical channel, efficiency and daily energy for an energy board), its edit
// operations (move, merge and delete columns, cut rows), the column and row selection, and the
// numeric reading of cells that merging, export and graphs share.
#include <cstdint>
#include <string>
#include <string_view>

#include "logger/download.h"
#include "logger/time_marks.h"
#include "platform/ui.h"
#include "tables/table_model.h"
#include "tables/table_rules.h"

inline constexpr uint32_t kMaxTableRows = 100000; // rows the table shows at most
inline constexpr size_t kMaxLoadText = 299;       // longest header or cell text a load accepts
inline constexpr const char* kEfficiencyHeader = "Rendimento (%)";
inline constexpr const char* kDayEnergyHeader = "Energia 24h (kWh)";

extern ColumnSelection SelCol;
extern int item_sel_en;      // 1 while rows may be selected (after a click on column 0 or 1)
extern int First_itemval;    // first and last row of the one run of unselected rows,
extern int Last_itemval;     // valid after get_listview_sel returned 1
extern double valore_old;    // last number read by readCellNumber in this pass
extern std::string Data_dir; // folder of the last export file

// Puts the table's globals (and InfoSES) back to their start values.
void initTables();

// Turns an exported data text file (format A: a "Start: YYMMDD_hhmmss" line, then a session data
// text file) into the working file: DataTimeSS = its start time, the working file named so in the
// current directory, Tsample from its "Time[s]:" line, InfoSES.nSubItem and nItem counted. The
// source is Data_file when set (which is then emptied), else the file chosen in an open box.
// 1 done, 0 otherwise (also when the box was cancelled).
int loadFileTxt(Window owner = nullptr);
// The same for a source already chosen.
int loadFileTxtFrom(const std::string& source);
// The same, also for a session data file as a download writes it (first line "Time[s]: ..."):
// its start time is the YYMMDD_hhmmss its name begins with, else `fallbackStart` (same form).
int loadDataFileFrom(const std::string& source, const std::string& fallbackStart);

// Fills `table` from the working file `namefile`: "Item", "Time", the data columns of its header
// line, the derived columns of an energy board (Flag.MW51), InfoSES.nItem rows (at most
// 100,000). 1 done; 0 when the file is missing or empty or a text is too long (the table then
// keeps what was read). InfoSES follows what the table holds.
int loadLV(TableModel& table, const std::string& namefile);

// Opening the table screen: clears the selections, limits InfoSES.nItem to 100,000 with a
// warning, and loads the working file DataTimeSS. Returns loadLV's result.
int openDataTable(TableModel& table, Window owner = nullptr);

// The session start DataTimeSS (YYMMDD_hhmmss) as a calendar time.
tempo sessionStart();

// Header and cell texts; 1 done, 0 when the row or column does not exist (buf then empty).
int getHeader(const TableModel& table, std::string& buf, int subitem);
int setHeader(TableModel& table, const std::string& buf, int subitem);
int getCell(const TableModel& table, std::string& buf, int item, int subitem);
int setCell(TableModel& table, const std::string& buf, int item, int subitem);

// A cell read as a number. precision: digits after the first '.' among the first 10 characters.
// Markers: "_Irr_low" is 100, "_Pnom_low" 0, any other text starting with '_' the last number
// read (valore_old). A text without a number ("Err" for a missing reading, an empty cell) is not
// numeric and leaves valore_old alone. Reading row 0 starts a new pass (valore_old = 0).
struct CellNumber {
    double value = 0;
    int precision = 0;
    bool numeric = false;
};
CellNumber readCellNumber(const TableModel& table, int item, int subitem);
// The same for a cell text already at hand (`item`: its row).
CellNumber readCellNumber(std::string_view text, int item);
// The same as a float, for the graphs. A cell without a number is a missing reading and reads as
// NaN (never as 0), so that nothing drawn or computed from it looks like a measurement.
float strLV_num(const TableModel& table, int item, int subitem, int& precision);

// The number at the start of a text, as a C conversion reads it (blanks and '+' allowed, point
// as separator, any locale); 0 and *ok false when there is none or it is not finite.
double parseNumber(std::string_view text, bool* ok = nullptr);
// Digits after the first '.' found among the first 10 characters (0 without one).
int cellPrecision(std::string_view text);

// Moves the one selected column (3..241) one place to the left, selection included. Returns its
// new index, 0 when nothing moved.
int swapCol(TableModel& table, ColumnSelection& selcol);
// Replaces the lowest selected column by the mean of all selected columns, row by row, written
// with the decimals of the last cell read, and deletes the others. Cells without a number are
// left out of the mean; a row without any number gets "Err". Returns the columns deleted (0 with
// fewer than two selected).
int mergeCol(TableModel& table, ColumnSelection& selcol);
// Deletes the selected columns; returns how many went. The selection is empty afterwards.
int deleteCol(TableModel& table, ColumnSelection& selcol);
// 1 when the unselected rows form one run (selected rows only at the start and/or the end);
// sets First_itemval and Last_itemval.
int get_listview_sel(const TableModel& table);
// Keeps only the run of unselected rows (when get_listview_sel allows it); InfoSES.nItem follows.
// Row selection ends. Returns the rows deleted.
int deleteItems(TableModel& table);

// Entries 0..241 of the selection to 0.
void clearColumnSelection(ColumnSelection& selcol);

// A click on data column `col` (left, or right with rightClick): rows are deselected and no longer
// selectable; a selection marked after a move starts anew; a left click selects an unselected
// column, a right click deselects a selected one. Returns the buttons to enable.
TableButtons onDataColumnClick(TableModel& table, ColumnSelection& selcol, int col, bool rightClick);
// A click on column 0 or 1 of `row`: rows become selectable; a left click selects the row, a right
// click inverts the selection of every row. Returns whether "Elimina item" is enabled.
bool onItemColumnClick(TableModel& table, int row, bool rightClick);

// The buttons' commands with their question and failure messages; InfoSES follows.
int moveColumnCommand(TableModel& table);
int mergeColumnsCommand(TableModel& table, Window owner = nullptr);
int deleteColumnsCommand(TableModel& table, Window owner = nullptr);
int deleteItemsCommand(TableModel& table, Window owner = nullptr);
