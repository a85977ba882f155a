#include "tables/export_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "shell/korvane.h"
#include "tables/data_table.h"

namespace {

// Appends `value` with `prec` decimals (rules of formatCellNumber). std::to_chars in fixed
// notation is exact, like "%.*f", and several times faster.
void appendNumber(std::string& out, int prec, double value) {
    char buf[400]; // the largest double takes 309 digits before the point
    std::to_chars_result res;
    if (prec == 0) {
        double r = std::nearbyint(value);
        if (r == 0) r = 0; // no "-0"
        res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 0);
    } else if (prec >= 1 && prec <= 4) {
        res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, prec);
    } else {
        out += kNoNumberText;
        return;
    }
    if (res.ec != std::errc())
        out += kNoNumberText;
    else
        out.append(buf, res.ptr);
}

} // namespace

std::string formatCellNumber(int prec, double value) {
    std::string s;
    appendNumber(s, prec, value);
    return s;
}

void appendExportCell(std::string& out, std::string_view text, int item, int comma) {
    const CellNumber n = readCellNumber(text, item);
    if (!n.numeric) {
        out += kNoNumberText;
        return;
    }
    const size_t start = out.size();
    appendNumber(out, n.precision, n.value);
    if (comma != 0) { // the rule of virgAdj: the first '.' among the first 10 characters
        const size_t p = std::string_view(out).substr(start, 10).find('.');
        if (p != std::string_view::npos) out[start + p] = ',';
    }
}

std::string exportCellText(const TableModel& table, int item, int subitem, int comma) {
    std::string s;
    appendExportCell(s, table.cell(item, subitem), item, comma);
    return s;
}

std::string formatBDateTime(std::string_view stamp) {
    char c[13];
    for (size_t i = 0; i < sizeof c; ++i) c[i] = i < stamp.size() ? stamp[i] : ' ';
    const char out[] = {'"', c[4], c[5], '.', c[2], c[3],  '.', c[0],  c[1],  '"', ';',
                        '"', c[7], c[8], ':', c[9], c[10], ':', c[11], c[12], '"'};
    return std::string(out, sizeof out);
}

namespace {

// A header inside the double quotes of its field. Format A is read back by counting quotes, so a
// quote in a title becomes an apostrophe there; format B doubles it, as spreadsheets expect. A
// line end inside a title would split the header line: it becomes a blank.
void appendHeader(std::string& out, std::string_view text, bool formatB) {
    out.push_back('"');
    for (char ch : text) {
        if (ch == '"')
            out.append(formatB ? "\"\"" : "'");
        else if (ch == '\r' || ch == '\n')
            out.push_back(' ');
        else
            out.push_back(ch);
    }
    out.push_back('"');
}

} // namespace

int saveFile2(const TableModel& table, const std::string& namefile, const INFOST& info, Window owner) {
    FileBoxRequest req;
    req.filter = "Data Record File (*.txt);;All Files (*.*)";
    req.defaultExt = "txt";
    req.initialName = namefile;
    req.askOverwrite = true;
    std::string path;
    if (!ui().saveFileBox(owner, req, path) || path.empty()) return 0;
    return exportTable(table, path, info, owner);
}

int exportTable(const TableModel& table, const std::string& fileName, const INFOST& info, Window owner) {
    if (fileName.empty()) return 0;
    const auto report = [&] {
        messageBox(owner, fileName + " non puo' essere scritto !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
        return 0;
    };
    FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) return report();

    const int nCols = std::max(0, table.columnCount() - 2);
    const int nRows =
        static_cast<int>(std::min<uint64_t>(info.nItem, static_cast<uint64_t>(table.rowCount())));
    const bool formatB = Flag.file_format != 0;
    std::string out;
    out.reserve(1 << 16);
    bool ok = true;
    const auto flush = [&] {
        ok = ok && std::fwrite(out.data(), 1, out.size(), f) == out.size();
        out.clear();
    };

    if (!formatB) {
        out += "Start: ";
        out += table.cell(0, 1);
        out += "\r\n";
        char line[32];
        std::snprintf(line, sizeof line, "Time[s]: %u\r\n", static_cast<unsigned>(Tsample));
        out += line;
        for (int c = 0; c < nCols; ++c) {
            appendHeader(out, table.header(c + 2), false);
            out.push_back(' ');
        }
    } else {
        out += "\"DATE:\";\"TIME:\"";
        for (int c = 0; c < nCols; ++c) {
            out.push_back(';');
            appendHeader(out, table.header(c + 2), true);
        }
    }
    out += "\r\n";

    std::vector<std::string_view> cells;
    for (int r = 0; r < nRows && ok; ++r) {
        table.rowCells(r, cells);
        if (formatB) out += formatBDateTime(cells.size() > 1 ? cells[1] : std::string_view());
        for (size_t c = 2; c < cells.size(); ++c) {
            if (formatB) out.push_back(';');
            appendExportCell(out, cells[c], r, Flag.comma);
            if (!formatB) out.push_back(' ');
        }
        out += "\r\n";
        if (out.size() >= 60000) flush();
    }
    flush();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        // A half-written export is worse than none; a device or pipe is left alone.
        std::error_code ec;
        if (std::filesystem::is_regular_file(fileName, ec)) std::filesystem::remove(fileName, ec);
        return report();
    }

    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(fileName, ec).lexically_normal();
    if (ec) full = fileName;
    assignCapped(Data_file, full.string(), kDataFileMax);
    assignCapped(Data_dir, full.parent_path().string(), kPathMax);
    return 1;
}
