#pragma once
// The column graph of the data table: the selected data columns plotted against the row number
// in a window of the plotting engine. The user reads values off the graph with the left mouse
// button, changes the line thickness with "+" and "-", saves the picture with "f" and leaves with
// Esc or the right mouse button; the row pointed at last goes back to the table.
//
// Page layout [0.1 mm]: the axis system's lower left corner at (300, 1900), 2500 wide and
// 1683 - 33 k high for k plotted columns (each legend line takes 33 from the top); the legend at
// (300, 50); the read-out (two red lines and an "x" marker) at (1500, 30) and (1500, 80).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "plot/plot_device.h"
#include "tables/table_model.h"
#include "tables/table_rules.h"

// Curve line thickness of the column graph, 1..11; kept for the whole run of the program.
extern int spessore;
inline constexpr int kMaxGraphThickness = 11;

// Result of graphCol when no graph can be shown (no column, no row, no memory).
inline constexpr int kGraphImpossible = -2;

// The rows a graph covers: row numbers x0..x1 as column 0 ("Item") shows them, which are the
// table rows first .. first + n - 1.
struct GraphRows {
    int x0 = 0, x1 = 0; // row numbers of the first and the last row plotted
    int first = 0;      // table index of the first row plotted
    int n = 0;          // rows plotted
};

// The whole table, or the rows from the first selected row to the last one when at least two
// rows (before the last row) are selected. nitem: the rows the table announces (more than it
// holds are never plotted).
GraphRows graphRowRange(const TableModel& table, int nitem);

// Y axis limits and the label steps of both axes.
struct GraphScale {
    double ymin = 0, ymax = 1; // whole numbers
    double dx = 1, dy = 1;     // label steps, at least 1
};
// The scale for values from `minimum` to `maximum` over the row numbers x0..x1: the range widened
// by 10 % on either side, cut to whole numbers, with about five labels an axis. The arithmetic is
// wide enough for any finite single-precision value.
GraphScale graphScale(double minimum, double maximum, int x0, int x1);

// Everything one graph draws.
struct GraphData {
    GraphRows rows;
    std::vector<int> columns;          // table columns plotted, in column order
    std::vector<float> x;              // row numbers x0, x0 + 1, ...
    std::vector<std::vector<float>> y; // the values of each plotted column, one per row; NaN
                                       // where the reading is missing (the curve breaks there)
    std::vector<std::string> legend;   // legend line of each column (header, degree sign as '*')
    GraphScale scale;
    float minimum = 0, maximum = 0; // over all values present (0 and 0 when none is)
    int k() const { return static_cast<int>(columns.size()); }
    // How many plotted columns miss their reading at row number `rowNumber` (0 outside the rows).
    int missingAt(int64_t rowNumber) const;
    int axisTop() const { return 217 + 33 * k(); }     // upper edge of the axis area [0.1 mm]
    int axisHeight() const { return 1683 - 33 * k(); } // [0.1 mm]
};

// Reads the selected columns of the rows graphRowRange chooses. False when there is no column,
// no row or no memory for the values.
bool collectGraphData(const TableModel& table, const ColumnSelection& selcol, int nitem, GraphData& out);

// The read-out's Y value at a row where every plotted column misses its reading, and the note
// added to the value when only some of them do ("2 di 3 curve senza valore").
inline constexpr const char* kMissingReadOut = "valore mancante";
inline constexpr const char* kMissingCurves = "curve senza valore";

// What the read-out shows; kept across the redraws of one graph.
struct GraphReadOut {
    bool shown = false;
    std::string yText, xText; // "Valore Y= ...", "Valore X= ..."
    int markX = 0, markY = 0; // upper left corner of the "x" marker [0.1 mm]
    int markedRow = -1;       // table row of the last click in the axis area; -1 none
};

// Whether a page position lies in the axis area of the graph.
bool inGraphArea(const GraphData& d, int x, int y);
// A left click at page position (x, y): inside the axis area the read-out shows the value and
// the row there (with the row's time) and the row becomes the marked one; at a row whose readings
// are missing the Y value says so; outside the area the read-out is forgotten.
void graphClick(const GraphData& d, int x, int y, GraphReadOut& r);

// Plot output of a picture file by its name's extension: ".svg" SVG, ".png" PNG, anything else
// a Windows metafile.
plot::PlotOutput graphFileOutput(const std::string& path);
const char* graphDeviceName(plot::PlotOutput output);

// Draws one picture on the device chosen with metafl (window, page, axes, curves, legend and
// the read-out) and leaves the plot open.
void drawGraphPicture(const GraphData& d, const GraphReadOut& r);

// Writes the picture (without read-out) to `path` on the device its extension chooses, replacing
// an existing file. False when the file could not be written.
bool writeGraphFile(const GraphData& d, const std::string& path);

// The column graph of the selected columns of `table`, shown modally above `owner`. Returns the
// table row marked last with the mouse, -1 when none was marked, kGraphImpossible when there is
// nothing to plot.
int graphCol(const TableModel& table, const ColumnSelection& selcol, int nitem, Window owner = nullptr);
