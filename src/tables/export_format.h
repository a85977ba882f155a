#pragma once
// Export of the data table as it stands. Format A (Flag.file_format 0) is the session data text
// file behind a "Start:" line, so it loads again; format B is semicolon-separated with a date and
// a time column for spreadsheets. Values carry the decimals of their cell, with a decimal point
// or, with Flag.comma, a decimal comma.
#include <string>
#include <string_view>

#include "logger/download.h"
#include "platform/ui.h"
#include "tables/table_model.h"

// Written for a cell that holds no number (a missing reading): the session data file's own word.
inline constexpr std::string_view kNoNumberText = "Err";

// Asks for the export file in a save box proposing `namefile` (the working file's name) and
// writes the table into it (exportTable). 1 written; 0 when the box was cancelled or the file
// could not be written.
int saveFile2(const TableModel& table, const std::string& namefile, const INFOST& info,
              Window owner = nullptr);

// Writes the table into `fileName`. Rows: info.nItem (at most the table's); data columns: every
// column from index 2 on. Afterwards Data_file holds the file's full path and Data_dir its folder.
// 1 written; 0 when the file could not be created or written (reported; no file is left behind).
int exportTable(const TableModel& table, const std::string& fileName, const INFOST& info,
                Window owner = nullptr);

// `value` with `prec` decimals, by the rules of sprintf_format (0: rounded to the nearest
// integer, ties to even; 1..4 decimals; otherwise "Err"), without passing through a float and
// without bounds on the integer.
std::string formatCellNumber(int prec, double value);

// A cell as the export writes it: its number with its own decimals (comma when `comma` is not
// 0), or kNoNumberText.
std::string exportCellText(const TableModel& table, int item, int subitem, int comma);
// The same for a cell text already at hand (`item`: its row), appended to `out`.
void appendExportCell(std::string& out, std::string_view text, int item, int comma);

// A time stamp YYMMDD_hhmmss as format B's date and time fields: "DD.MM.YY";"hh:mm:ss" (quotes
// included). Missing characters are blanks.
std::string formatBDateTime(std::string_view stamp);
