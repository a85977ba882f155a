// Channel selection of the monitor: the grid, its click and colour rules, the data-window
// titles and positions, the export period and the graph check boxes.
#include "logger/channel_select.h"

#include <cstdio>
#include <cstdlib>

#include "logger/download.h"
#include "logger/tab_ass.h"
#include "tables/datalogger.h"

INFOSEL InfoSELCH;
WinPos PosWin[kMaxSelected];
int WinOfs = 0;

void initSELCH() {
    InfoSELCH = INFOSEL{};
}

SelchGrid selchGrid() {
    SelchGrid g;
    int columns = 0;
    for (int n = 1; n <= TotalNodeNum; ++n)
        if (InfoFE[n].chanu_logic > columns) columns = InfoFE[n].chanu_logic;
    g.titles = {"Nodo", "Vbat (V)"};
    g.widths = {50, 70};
    char buf[64];
    for (int j = 0; j < columns; ++j) {
        std::snprintf(buf, sizeof buf, "CH%u", static_cast<unsigned>(j + 1));
        g.titles.emplace_back(buf);
        g.widths.push_back(140);
    }
    for (int n = 1; n <= TotalNodeNum; ++n) {
        const datitab& node = InfoFE[n];
        std::vector<std::string> row;
        std::snprintf(buf, sizeof buf, "%5u", static_cast<unsigned>(node.nodead));
        row.emplace_back(buf);
        const unsigned vbat = Vbat_curr[n] > 0 ? Vbat_curr[n] : node.vbat;
        std::snprintf(buf, sizeof buf, "%1.2f", vbat / 100.0);
        row.emplace_back(buf);
        for (int j = 0; j < columns; ++j)
            row.emplace_back(j < node.chanu_logic ? Lista_Grandezze[node.quantity(j)] : "");
        g.cells.push_back(std::move(row));
    }
    return g;
}

int selchSlotOf(int row, int col) {
    if (col < 2) return -1; // an empty slot is (0, 0): never a channel cell
    for (int k = 0; k < kMaxSelected; ++k)
        if (InfoSELCH.nodo[k] == static_cast<uint32_t>(row) &&
            InfoSELCH.canale[k] == static_cast<uint32_t>(col))
            return k;
    return -1;
}

int selchClick(int row, int col) {
    if (row < 0 || row >= TotalNodeNum || col < 2) return 0;
    if (col - 2 >= InfoFE[row + 1].chanu_logic) return 0; // an empty cell
    INFOSEL& s = InfoSELCH;
    const int k = selchSlotOf(row, col);
    if (k >= 0) {
        s.nodo[k] = s.canale[k] = 0;
        if (s.ncsel > 0) --s.ncsel;
        return 1;
    }
    if (s.ncsel >= static_cast<uint32_t>(kMaxSelected)) return 0;
    for (uint32_t i = 0; i <= s.ncsel && i < static_cast<uint32_t>(kMaxSelected); ++i) {
        if (s.nodo[i] == 0 && s.canale[i] == 0) {
            s.nodo[i] = static_cast<uint32_t>(row);
            s.canale[i] = static_cast<uint32_t>(col);
            ++s.ncsel;
            return 1;
        }
    }
    return 0;
}

uint32_t selchCellColour(int row, int col) {
    if (col == 0 || col == 1) return kSelchGrey;
    return selchSlotOf(row, col) >= 0 ? kSelchYellow : kSelchWhite;
}

void compactSelection() {
    INFOSEL& s = InfoSELCH;
    for (uint32_t i = 0; i < s.ncsel && i < static_cast<uint32_t>(kMaxSelected); ++i) {
        // Slots above ncsel can all be empty: stop when nothing is left to move down.
        for (int guard = 0; s.nodo[i] == 0 && s.canale[i] == 0 && guard < kMaxSelected; ++guard) {
            for (int k = static_cast<int>(i); k + 1 < kMaxSelected; ++k) {
                s.nodo[k] = s.nodo[k + 1];
                s.canale[k] = s.canale[k + 1];
            }
            s.nodo[kMaxSelected - 1] = s.canale[kMaxSelected - 1] = 0;
        }
    }
}

bool slotChannel(int slot, int& node, int& channel) {
    if (slot < 0 || slot >= kMaxSelected) return false;
    const uint32_t r = InfoSELCH.nodo[slot], c = InfoSELCH.canale[slot];
    if (c < 2 || r >= TotalNodeNum) return false;
    node = static_cast<int>(r) + 1;
    channel = static_cast<int>(c) - 2;
    return channel < InfoFE[node].chanu_logic;
}

std::string dataWindowTitle(int slot) {
    int n = 0, j = 0;
    if (!slotChannel(slot, n, j)) return {};
    char buf[96];
    std::snprintf(buf, sizeof buf, "CH%u_%u: %s", static_cast<unsigned>(InfoFE[n].nodead),
                  static_cast<unsigned>(j + 1), Lista_Grandezze[InfoFE[n].quantity(j)]);
    return buf;
}

std::string dataWindowUnit(int slot) {
    int n = 0, j = 0;
    if (!slotChannel(slot, n, j)) return {};
    return Unita_di_misura[InfoFE[n].quantity(j)];
}

int applyExportPeriod(const std::string& text) {
    const long n = std::strtol(text.c_str(), nullptr, 10); // the field's integer value
    if (n < 1 || n > 65535) {
        Flag.sample_error_exp = 1;
        return 0;
    }
    Tsample_exp = static_cast<uint16_t>(n);
    Flag.sample_error_exp = 0;
    return 1;
}

void toggleGraphCheck(bool isGraphCur, bool& graph, bool& graphCur) {
    bool& mine = isGraphCur ? graphCur : graph;
    bool& other = isGraphCur ? graph : graphCur;
    mine = !mine;
    if (mine && other) {
        other = false;
        Ymax_def = 50.0f;
        Ymin_def = -50.0f;
    }
}

int openSelectedGraph(bool graph, bool graphCur) {
    const int n = static_cast<int>(InfoSELCH.ncsel);
    if (n <= 0) return 0;
    if (graph) {
        Init_Graph2("Visualizzazione con dati scorrevoli", 319, 0, 0.7f, Ymin_def, Ymax_def, 500, n);
        Flag_Graph = 2;
    } else if (graphCur) {
        Init_Graph1("Visualizzazione con cursore scorrevole", 319, 0, 0.7f, Ymin_def, Ymax_def, 500, n);
        Flag_Graph = 1;
    }
    return Flag_Graph;
}

ExportControls exportControls() {
    const bool open = Exportfile != nullptr;
    return {!open, open, !open};
}

int startExportFile(time_t now) {
    if (!Exportfile) return 0;
    startExport(now);
    return 1;
}

void forgetDataWindowPositions() {
    for (WinPos& p : PosWin) p.enabled = 0;
}

WinPos& nextDataWindowPosition() {
    const int slot = WinOfs >= 0 && WinOfs < kMaxSelected ? WinOfs : kMaxSelected - 1;
    WinPos& p = PosWin[slot];
    if (!p.enabled) {
        const int w = p.right - p.left, h = p.bottom - p.top;
        p.left = 0;
        p.top = slot * 100;
        p.right = w;
        p.bottom = p.top + h;
        p.enabled = 1;
    }
    ++WinOfs;
    return p;
}

int snapDown20(int v) {
    return v >= 0 ? v / 20 * 20 : -((-v + 19) / 20 * 20);
}
