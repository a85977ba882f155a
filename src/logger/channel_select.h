#pragma once
// Channel selection of the monitor: up to eight (node, logical channel) cells of the session's
// grid, the rules of the selection dialog (clicks, colours, graph check boxes, export period,
// export controls) and the data-window titles. No widgets here.
#include <cstdint>
#include <string>
#include <vector>

#include "logger/monitor.h"

// The selected channels: slot i is grid row nodo[i] (node index - 1) and grid column canale[i]
// (logical channel + 2). A slot (0, 0) is empty.
struct INFOSEL {
    uint32_t ncsel = 0;
    uint32_t nodo[kMaxSelected] = {};
    uint32_t canale[kMaxSelected] = {};
};
extern INFOSEL InfoSELCH;
extern WinPos PosWin[kMaxSelected]; // remembered positions of the data windows
extern int WinOfs;                  // next data window's stagger slot

// Empties the selection.
void initSELCH();

// The grid of the selection dialog: column titles, widths [pixels] and the text of every cell.
struct SelchGrid {
    std::vector<std::string> titles;
    std::vector<int> widths;
    std::vector<std::vector<std::string>> cells; // one row per node
};
SelchGrid selchGrid();

// A click on grid row `row`, column `col` (-1: no row). Returns 1 when the selection changed.
int selchClick(int row, int col);
// The selection slot holding (row, col); -1 when the cell is not selected.
int selchSlotOf(int row, int col);
// Background of a grid cell, 0x00RRGGBB.
uint32_t selchCellColour(int row, int col);
inline constexpr uint32_t kSelchGrey = 0xE6E6E6;   // columns 0 and 1
inline constexpr uint32_t kSelchYellow = 0xFFFF00; // a selected cell
inline constexpr uint32_t kSelchWhite = 0xFFFFFF;

// Moves the slots down over empty slots below ncsel (the first step of opening the windows).
void compactSelection();
// Node index (1..TotalNodeNum) and logical channel of slot i; false for an empty or stale slot.
bool slotChannel(int slot, int& node, int& channel);
// Title "CH%u_%u: %s" and unit of the data window of slot i.
std::string dataWindowTitle(int slot);
std::string dataWindowUnit(int slot);

// The export period text: 1..65535 sets Tsample_exp and clears Flag.sample_error_exp;
// anything else sets the flag. Returns 1 when valid.
int applyExportPeriod(const std::string& text);

// "Graph" / "Graph Cur": checking one unchecks the other and, when the other was checked,
// resets the graph range to -50..50.
void toggleGraphCheck(bool isGraphCur, bool& graph, bool& graphCur);
// On closing the dialog: opens the chosen live graph for the selection (2 data mode for
// "Graph", 1 cursor mode for "Graph Cur", 0 none) and sets Flag_Graph.
int openSelectedGraph(bool graph, bool graphCur);

// Which export controls show (enable_cntr_exp).
struct ExportControls {
    bool startVisible;
    bool elapsedVisible;
    bool periodEnabled;
};
ExportControls exportControls();

// "Start": after the export file was opened into Exportfile, starts its periods at `now`.
// 1 = started (the file is open).
int startExportFile(time_t now);
// Data windows' positions forgotten (monitor closing).
void forgetDataWindowPositions();
// The stagger position of the next data window: its remembered position or, the first time,
// (0, WinOfs * 100); WinOfs moves on.
WinPos& nextDataWindowPosition();
// A moved data window's position snapped down to multiples of 20 pixels.
int snapDown20(int v);
