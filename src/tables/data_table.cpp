#include "tables/data_table.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "link/korvane_com.h"
#include "logger/tab_ass.h"
#include "logger/time_marks.h"
#include "platform/file_handle.h"
#include "shell/korvane.h"
#include "tables/export_format.h"

ColumnSelection SelCol{};
int item_sel_en = 0;
int First_itemval = 0;
int Last_itemval = 0;
double valore_old = 0;
std::string Data_dir;

void initTables() {
    InfoSES = INFOST{};
    clearColumnSelection(SelCol);
    item_sel_en = 0;
    First_itemval = 0;
    Last_itemval = 0;
    valore_old = 0;
    Data_dir.clear();
}

namespace {

// Byte-wise reading of a file through a 64 KiB buffer; get() is -1 at the end.
class ByteReader {
  public:
    explicit ByteReader(FILE* f) : f_(f), buf_(new char[kSize]) {} // not zeroed: fread fills it
    int get() {
        if (pos_ == len_) {
            len_ = std::fread(buf_.get(), 1, kSize, f_);
            pos_ = 0;
            if (len_ == 0) return -1;
        }
        return static_cast<unsigned char>(buf_[pos_++]);
    }

  private:
    static constexpr size_t kSize = 64 * 1024;
    FILE* f_;
    std::unique_ptr<char[]> buf_;
    size_t pos_ = 0, len_ = 0;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Where the derived columns take their inputs: running index (over the logical channels of all
// nodes) of the first power channel and of the last irradiance channel, and whether an energy
// channel exists.
struct DerivedInputs {
    int power = -1;
    int irradiance = -1;
    bool energy = false;
};

DerivedInputs findDerivedInputs() {
    DerivedInputs d;
    int k = 0;
    for (int n = 1; n <= TotalNodeNum && n <= kMaxNodes; ++n) {
        const datitab& node = InfoFE[n];
        for (int j = 0; j < node.chanu_logic && j < kMaxLogicCh; ++j, ++k) {
            switch (node.quantity(j)) {
            case 17: // power [kW]
                if (d.power < 0) d.power = k;
                break;
            case 15: // irradiance [W/m2]
                d.irradiance = k;
                break;
            case 16: // energy [kWh]
                d.energy = true;
                break;
            default:
                break;
            }
        }
    }
    return d;
}

void formatStamp(std::string& out, const tempo& t) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%02u%02u%02u_%02u%02u%02u", t.anno, t.mese, t.giorno, t.ora, t.minuto,
                  t.secondo);
    out = buf;
}

// The selected data columns that exist in the table, in column order, at most as many as the
// selection counts.
std::vector<int> selectedColumns(const TableModel& table, const ColumnSelection& selcol) {
    std::vector<int> cols;
    const int last = std::min(kLastSelectableColumn, table.columnCount() - 1);
    for (int c = kFirstDataColumn; c <= last && static_cast<int>(cols.size()) < selcol[0]; ++c)
        if (selcol[static_cast<size_t>(c)] == 1) cols.push_back(c);
    return cols;
}

void decrease(uint32_t& counter, int by) {
    const auto n = static_cast<uint32_t>(std::max(by, 0));
    counter = counter > n ? counter - n : 0;
}

} // namespace

tempo sessionStart() {
    std::string s = DataTimeSS;
    s.resize(13, '0');
    tempo t;
    t.anno = static_cast<uint32_t>(str_to_num(s.c_str(), 2));
    t.mese = static_cast<uint32_t>(str_to_num(s.c_str() + 2, 2));
    t.giorno = static_cast<uint32_t>(str_to_num(s.c_str() + 4, 2));
    t.ora = static_cast<uint32_t>(str_to_num(s.c_str() + 7, 2));
    t.minuto = static_cast<uint32_t>(str_to_num(s.c_str() + 9, 2));
    t.secondo = static_cast<uint32_t>(str_to_num(s.c_str() + 11, 2));
    return t;
}

// ---- loading ------------------------------------------------------------------------------

int loadFileTxt(Window owner) {
    std::string source;
    if (!Data_file.empty()) {
        source = Data_file;
        Data_file.clear();
    } else {
        FileBoxRequest req;
        req.filter = "*.txt (generato da Korvane) (*.txt);;All Files (*.*)";
        req.defaultExt = "txt";
        req.mustExist = true;
        if (!ui().openFileBox(owner, req, source)) return 0;
    }
    return loadFileTxtFrom(source);
}

namespace {

// YYMMDD_hhmmss: digits and the underscore only, so as a file name it can never leave the folder.
bool isStartTime(std::string_view t) {
    if (t.size() != 13 || t[6] != '_') return false;
    for (size_t i = 0; i < t.size(); ++i)
        if (i != 6 && (t[i] < '0' || t[i] > '9')) return false;
    return true;
}

// Copies the rest of `in` (a session data file from its "Time[s]:" line on) into the working file
// `work` of the current folder and counts its columns and rows. 1 done, 0 otherwise (no working
// file left behind).
int loadWorkingFile(const std::string& source, File in, const std::string& work) {
    // The working file must not be its own source: creating it would destroy what is to be read.
    std::error_code ec;
    if (std::filesystem::equivalent(source, work, ec)) return 0;
    DataTimeSS = work;
    bool copied = true;
    {
        File out = openFile(work, "wb");
        if (!out) return 0;
        constexpr size_t kChunk = 64 * 1024;
        const std::unique_ptr<char[]> chunk(new char[kChunk]); // not zeroed: fread fills it
        for (size_t n; copied && (n = std::fread(chunk.get(), 1, kChunk, in.get())) > 0;)
            copied = std::fwrite(chunk.get(), 1, n, out.get()) == n;
        copied = std::fflush(out.get()) == 0 && copied && !std::ferror(in.get());
    }
    in.reset();

    const auto fail = [&work] {
        std::error_code rm;
        std::filesystem::remove(work, rm); // a half-made working file is of no use to anyone
        return 0;
    };
    if (!copied) return fail();

    File wf = openFile(work, "rb");
    if (!wf) return fail();
    char tline[9];
    const bool timeLine = std::fread(tline, 1, sizeof tline, wf.get()) == sizeof tline &&
                          std::memcmp(tline, "Time[s]: ", 9) == 0;
    if (!timeLine) std::rewind(wf.get());
    ByteReader rd(wf.get());
    if (timeLine) {
        // The sample time is taken when its text has 1 to 6 characters worth 1..65535 seconds.
        std::string text;
        int ch;
        while ((ch = rd.get()) >= 0 && ch != '\r')
            if (text.size() < 8) text.push_back(static_cast<char>(ch));
        if (ch == '\r') rd.get();
        if (!text.empty() && text.size() <= 6) {
            unsigned v = 0;
            std::from_chars(text.data(), text.data() + text.size(), v);
            if (v >= 1 && v <= 65535) Tsample = static_cast<uint16_t>(v);
        }
    }
    // Header line: two quotes a column.
    uint32_t quotes = 0;
    int ch;
    while ((ch = rd.get()) >= 0 && ch != '\r')
        if (ch == '"') ++quotes;
    if (ch < 0) return fail();
    InfoSES.nSubItem = quotes / 2;
    uint32_t rows = 0;
    while ((ch = rd.get()) >= 0)
        if (ch == '\r') ++rows;
    InfoSES.nItem = rows;
    return 1;
}

} // namespace

int loadFileTxtFrom(const std::string& source) {
    if (source.empty()) return 0;
    File in = openFile(source, "rb");
    if (!in) return 0;
    // "Start: " and the start time YYMMDD_hhmmss with its line end.
    char head[22];
    if (std::fread(head, 1, sizeof head, in.get()) != sizeof head) return 0;
    if (std::memcmp(head, "Start: ", 7) != 0 || !isStartTime(std::string_view(head + 7, 13))) return 0;
    return loadWorkingFile(source, std::move(in), std::string(head + 7, 13));
}

int loadDataFileFrom(const std::string& source, const std::string& fallbackStart) {
    if (source.empty()) return 0;
    File in = openFile(source, "rb");
    if (!in) return 0;
    char head[9];
    const bool sessionFile =
        std::fread(head, 1, sizeof head, in.get()) == sizeof head && std::memcmp(head, "Time[s]: ", 9) == 0;
    if (!sessionFile) return loadFileTxtFrom(source);
    std::rewind(in.get());
    // A session data file is named by its start time (YYMMDD_hhmmss.Txxx).
    const std::string name = std::filesystem::path(source).filename().string();
    std::string start = name.substr(0, 13);
    if (!isStartTime(start)) start = fallbackStart;
    if (!isStartTime(start)) return 0;
    return loadWorkingFile(source, std::move(in), start);
}

int loadLV(TableModel& table, const std::string& namefile) {
    TableModel::Reset reset(table);
    table.clear();
    Flag.CH_etaG = 0;
    Flag.CH_eneD = 0;
    DerivedInputs derived;
    if (Flag.MW51 == 1) {
        derived = findDerivedInputs();
        if (derived.power >= 0 && derived.irradiance >= 0) Flag.CH_etaG = 1;
        if (derived.energy) Flag.CH_eneD = 1;
    }
    table.insertColumn(0, "Item");
    table.insertColumn(1, "Time");
    tempo stamp = timeAdj(sessionStart(), FirstTimeMarkerDload);

    int nData = 0;
    uint32_t nRows = 0;
    const auto finish = [&](int result) {
        InfoSES.nSubItem = static_cast<uint32_t>(nData);
        InfoSES.nItem = nRows;
        return result;
    };

    File f = openFile(namefile, "rb");
    if (!f) return finish(0);
    ByteReader rd(f.get());
    int ch = rd.get();
    if (ch < 0) return finish(0); // empty
    // First line (the sample time): up to CR and the byte after it.
    while (ch >= 0 && ch != '\r') ch = rd.get();
    if (ch == '\r') rd.get();

    // Header line: the text between each pair of quotes is a column title.
    std::string text;
    bool quoted = false;
    while ((ch = rd.get()) >= 0) {
        if (ch == '\r') {
            rd.get();
            break;
        }
        if (ch == '"') {
            if (quoted) {
                table.insertColumn(kFirstDataColumn + nData, text);
                ++nData;
                text.clear();
            }
            quoted = !quoted;
            continue;
        }
        if (!quoted) continue;
        text.push_back(static_cast<char>(ch));
        if (text.size() > kMaxLoadText) return finish(0);
    }
    text.clear();
    const int effCol = Flag.CH_etaG == 1 ? table.columnCount() : -1;
    if (effCol >= 0) table.insertColumn(effCol, kEfficiencyHeader);
    const int eneCol = Flag.CH_eneD == 1 ? table.columnCount() : -1;
    if (eneCol >= 0) table.insertColumn(eneCol, kDayEnergyHeader);

    const uint32_t rows = std::min(InfoSES.nItem, kMaxTableRows);
    table.reserveRows(rows);
    std::vector<std::string> cells(static_cast<size_t>(table.columnCount()));
    bool eof = false, newDay = true;
    // The inputs of the derived columns are taken from each row alone: a row whose power or
    // irradiance is missing ("Err", no value) gives no efficiency and adds nothing to the day's
    // energy, which therefore counts the rows present. A day without any power reading so far
    // shows "Err" rather than an energy of 0.
    float power = 0, irradiance = 0, dayEnergy = 0; // [kW], [W/m2], [kWh]
    bool havePower = false, haveIrradiance = false, dayHasPower = false;
    // Rows are one sample time apart, the period that also spaces their time stamps [s].
    const auto rowSeconds = static_cast<float>(Tsample);
    char num[400]; // "%1.1f" of the largest value a cell can give
    for (uint32_t r = 0; r < rows; ++r) {
        for (std::string& c : cells) c.clear();
        std::snprintf(num, sizeof num, "%5u", r + 1);
        cells[0] = num;
        formatStamp(cells[1], stamp);
        const tempo next = timeAdj(stamp, static_cast<uint32_t>(Tsample) * 10u);
        const bool firstOfDay = newDay;
        newDay = next.giorno != stamp.giorno;
        stamp = next;
        ++nRows;
        if (eof) { // rows past the end of the file keep their number and time
            table.appendRow(std::span<const std::string>(cells));
            continue;
        }

        int k = 0; // data column of the next value
        bool dayReset = false;
        havePower = haveIrradiance = false;
        const auto closeCell = [&] {
            if (k < nData) cells[static_cast<size_t>(kFirstDataColumn + k)] = text;
            bool present = false;
            const auto v = static_cast<float>(parseNumber(text, &present));
            if (k == derived.power) {
                if (present) {
                    power = v;
                    havePower = true;
                    dayEnergy += rowSeconds * power / 3600; // the row's power over the row's period
                }
            } else if (k == derived.irradiance && present) {
                irradiance = v;
                haveIrradiance = true;
            }
            // A new day starts its energy from 0, once, after the row's first value.
            if (firstOfDay && !dayReset) dayEnergy = 0, dayReset = true;
            ++k;
            text.clear();
        };
        bool tooLong = false;
        for (;;) {
            ch = rd.get();
            if (ch < 0) {
                eof = true;
                break;
            }
            if (ch == ' ' || ch == '\r') {
                if (!text.empty()) closeCell();
                if (ch == '\r') {
                    rd.get();
                    break;
                }
                continue;
            }
            text.push_back(static_cast<char>(ch));
            if (text.size() > kMaxLoadText) {
                tooLong = true;
                break;
            }
        }
        if (tooLong) {
            text.clear();
            table.appendRow(std::span<const std::string>(cells));
            return finish(0);
        }
        if (!text.empty()) closeCell(); // a last value without a line end
        if (!(eof && k == 0)) {
            dayHasPower = (firstOfDay ? false : dayHasPower) || havePower;
            if (effCol >= 0) {
                if (!haveIrradiance) {
                    cells[static_cast<size_t>(effCol)] = kNoNumberText;
                } else if (irradiance < 300.0f) {
                    cells[static_cast<size_t>(effCol)] = "_Irr_low";
                } else if (Pnom < 300) {
                    cells[static_cast<size_t>(effCol)] = "_Pnom_low";
                } else if (!havePower) {
                    cells[static_cast<size_t>(effCol)] = kNoNumberText;
                } else {
                    std::snprintf(num, sizeof num, "%1.1f",
                                  100000000.0 * (power / static_cast<float>(Pnom)) / irradiance);
                    cells[static_cast<size_t>(effCol)] = num;
                }
            }
            if (eneCol >= 0) {
                std::snprintf(num, sizeof num, "%1.1f", static_cast<double>(dayEnergy));
                cells[static_cast<size_t>(eneCol)] =
                    dayHasPower ? std::string(num) : std::string(kNoNumberText);
            }
        }
        table.appendRow(std::span<const std::string>(cells));
    }
    return finish(1);
}

int openDataTable(TableModel& table, Window owner) {
    clearColumnSelection(SelCol);
    item_sel_en = 0;
    if (InfoSES.nItem > kMaxTableRows) {
        messageBox(owner, "Il numero di Item e' stato limitato a 100000 !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
        InfoSES.nItem = kMaxTableRows;
    }
    return loadLV(table, DataTimeSS);
}

// ---- texts and numbers ----------------------------------------------------------------------

int getHeader(const TableModel& table, std::string& buf, int subitem) {
    buf = table.header(subitem);
    return subitem >= 0 && subitem < table.columnCount() ? 1 : 0;
}

int setHeader(TableModel& table, const std::string& buf, int subitem) {
    return table.setHeader(subitem, buf) ? 1 : 0;
}

int getCell(const TableModel& table, std::string& buf, int item, int subitem) {
    buf = table.cell(item, subitem);
    return item >= 0 && item < table.rowCount() && subitem >= 0 && subitem < table.columnCount() ? 1 : 0;
}

int setCell(TableModel& table, const std::string& buf, int item, int subitem) {
    return table.setCell(item, subitem, buf) ? 1 : 0;
}

double parseNumber(std::string_view text, bool* ok) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i < text.size() && text[i] == '+' && (i + 1 == text.size() || text[i + 1] != '-')) ++i;
    double v = 0;
    const auto res = std::from_chars(text.data() + i, text.data() + text.size(), v);
    const bool good = res.ec == std::errc() && std::isfinite(v);
    if (ok) *ok = good;
    return good ? v : 0.0;
}

int cellPrecision(std::string_view text) {
    const size_t dot = text.substr(0, 10).find('.');
    if (dot == std::string_view::npos) return 0;
    int n = 0;
    for (size_t i = dot + 1; i < text.size() && static_cast<unsigned char>(text[i]) >= '0' && n < 1000; ++i)
        ++n;
    return n;
}

CellNumber readCellNumber(const TableModel& table, int item, int subitem) {
    return readCellNumber(table.cell(item, subitem), item);
}

CellNumber readCellNumber(std::string_view text, int item) {
    if (item == 0) valore_old = 0;
    CellNumber r;
    r.precision = cellPrecision(text);
    if (!text.empty() && text[0] == '_') {
        r.numeric = true;
        r.value = text == "_Irr_low" ? 100.0 : text == "_Pnom_low" ? 0.0 : valore_old;
        return r;
    }
    bool ok = false;
    const double v = parseNumber(text, &ok);
    if (ok) {
        r.numeric = true;
        r.value = v;
        valore_old = v;
    }
    return r;
}

float strLV_num(const TableModel& table, int item, int subitem, int& precision) {
    const CellNumber n = readCellNumber(table, item, subitem);
    precision = n.precision;
    if (!n.numeric) return std::numeric_limits<float>::quiet_NaN();
    // A text beyond the float range still lies beyond every other value of the graph.
    return static_cast<float>(
        std::clamp(n.value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

// ---- edit operations ------------------------------------------------------------------------

void clearColumnSelection(ColumnSelection& selcol) {
    for (size_t c = 0; c <= kLastSelectableColumn; ++c) selcol[c] = 0;
}

int swapCol(TableModel& table, ColumnSelection& selcol) {
    if (selcol[0] != 1) return 0;
    int c = 0;
    for (int i = std::min(kLastSelectableColumn, table.columnCount() - 1); i >= kFirstDataColumn + 1; --i)
        if (selcol[static_cast<size_t>(i)] == 1) {
            c = i;
            break;
        }
    if (c == 0) return 0;
    table.swapColumns(c - 1, c);
    selcol[static_cast<size_t>(c - 1)] = 1;
    selcol[static_cast<size_t>(c)] = 0;
    return c - 1;
}

int mergeCol(TableModel& table, ColumnSelection& selcol) {
    const std::vector<int> cols = selectedColumns(table, selcol);
    if (cols.size() < 2) return 0;
    const int target = cols.front();
    {
        TableModel::Batch batch(table);
        std::string out;
        for (int row = 0; row < table.rowCount(); ++row) {
            double sum = 0;
            int n = 0, prec = 0;
            for (int c : cols) {
                const CellNumber v = readCellNumber(table, row, c);
                if (!v.numeric) continue;
                sum += v.value;
                ++n;
                prec = v.precision;
            }
            out = n > 0 ? formatCellNumber(prec, sum / n) : std::string(kNoNumberText);
            table.setCell(row, target, out);
        }
    }
    int deleted = 0;
    for (size_t i = 1; i < cols.size(); ++i) {
        if (!table.removeColumn(cols[i] - deleted)) break;
        selcol[static_cast<size_t>(cols[i])] = 0;
        ++deleted;
    }
    selcol[0] = 1; // the target stays selected
    return deleted;
}

int deleteCol(TableModel& table, ColumnSelection& selcol) {
    const std::vector<int> cols = selectedColumns(table, selcol);
    int deleted = 0;
    for (int c : cols) {
        if (!table.removeColumn(c - deleted)) break;
        ++deleted;
    }
    clearColumnSelection(selcol);
    return deleted;
}

int get_listview_sel(const TableModel& table) {
    bool found = false, gap = false, split = false;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.isRowSelected(r)) {
            if (found) gap = true;
            continue;
        }
        if (!found) {
            First_itemval = r;
            found = true;
        } else if (gap) {
            split = true;
        }
        Last_itemval = r;
    }
    return found && !split ? 1 : 0;
}

int deleteItems(TableModel& table) {
    int deleted = 0;
    if (get_listview_sel(table) == 1) {
        const int after = table.rowCount() - Last_itemval - 1;
        if (table.removeRows(Last_itemval + 1, after)) deleted += after;
        if (table.removeRows(0, First_itemval)) deleted += First_itemval;
        decrease(InfoSES.nItem, deleted);
    }
    item_sel_en = 0;
    table.clearRowSelection();
    return deleted;
}

// ---- screen events --------------------------------------------------------------------------

TableButtons onDataColumnClick(TableModel& table, ColumnSelection& selcol, int col, bool rightClick) {
    item_sel_en = 0;
    table.clearRowSelection();
    if (selcol[1] == 1) clearColumnSelection(selcol);
    if (col >= kFirstDataColumn && col <= kLastSelectableColumn) {
        int& entry = selcol[static_cast<size_t>(col)];
        if (!rightClick && entry == 0) {
            entry = 1;
            ++selcol[0];
        } else if (rightClick && entry == 1) {
            entry = 0;
            --selcol[0];
        }
    }
    return columnButtons(selcol, InfoSES.nSubItem);
}

bool onItemColumnClick(TableModel& table, int row, bool rightClick) {
    item_sel_en = 1;
    if (rightClick)
        table.invertRowSelection();
    else
        table.setRowSelected(row, true);
    return get_listview_sel(table) == 1;
}

int mergeColumnsCommand(TableModel& table, Window owner) {
    if (messageBox(owner, "Procedere alla fusione delle colonne selezionate ?", "Warning", MsgButtons::YesNo,
                   MsgIcon::Warning) != MsgAnswer::Yes)
        return 0;
    const int n = mergeCol(table, SelCol);
    if (n == 0) messageBox(owner, "Fusione non completata !", "Error", MsgButtons::Ok, MsgIcon::Error);
    decrease(InfoSES.nSubItem, n);
    return n;
}

int deleteColumnsCommand(TableModel& table, Window owner) {
    if (messageBox(owner, "Procedere all'eliminazione delle colonne selezionate ?", "Warning",
                   MsgButtons::YesNo, MsgIcon::Warning) != MsgAnswer::Yes)
        return 0;
    const int n = deleteCol(table, SelCol);
    if (n == 0)
        messageBox(owner, "Eliminazione colonne non completata !", "Error", MsgButtons::Ok, MsgIcon::Error);
    decrease(InfoSES.nSubItem, n);
    return n;
}

int moveColumnCommand(TableModel& table) {
    const int c = swapCol(table, SelCol);
    SelCol[1] = 1; // the next column click starts a new selection
    return c;
}

int deleteItemsCommand(TableModel& table, Window owner) {
    if (messageBox(owner, "Procedere alla cancellazione degli item selezionati ?", "Warning",
                   MsgButtons::YesNo, MsgIcon::Warning) != MsgAnswer::Yes)
        return 0;
    return deleteItems(table);
}
