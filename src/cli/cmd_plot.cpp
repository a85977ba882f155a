// Command plot: the column graph of an export file written as a picture file.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>

#include "cli/cli.h"
#include "cli/cmd_plot.h"
#include "cli/cmd_table.h"
#include "plot/plot_engine.h"
#include "shell/korvane.h"
#include "tables/column_graph.h"
#include "tables/data_table.h"

namespace {

namespace fs = std::filesystem;

// The highest data column a graph can take (table column 241).
constexpr int kMaxDataColumn = kLastSelectableColumn - 1;

} // namespace

bool parseColumns(const std::string& list, std::set<int>& out, std::string& why) {
    size_t at = 0;
    while (at <= list.size()) {
        const size_t comma = std::min(list.find(',', at), list.size());
        const std::string word = list.substr(at, comma - at);
        int v = 0;
        const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
        if (word.empty() || ec != std::errc() || end != word.data() + word.size() || v < 1 ||
            v > kMaxDataColumn) {
            why =
                "-c takes data column numbers 1.." + std::to_string(kMaxDataColumn) + " separated by commas";
            return false;
        }
        out.insert(v);
        at = comma + 1;
    }
    return true;
}

std::string plotOutputProblem(const std::string& output) {
    std::string ext = fs::path(output).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".png") return "plot: PNG pictures need the desktop program's graphics; write .wmf or .svg";
    if (ext != ".wmf" && ext != ".svg") return "plot: the picture file must end in .wmf or .svg";
    return "";
}

int plotWorkingTable(const std::set<int>& columns, const std::string& out) {
    TableModel table;
    if (openDataTable(table) != 1) {
        messageBox(nullptr, "File non valido !", "Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    const int dataColumns = table.columnCount() - kFirstDataColumn;
    ColumnSelection sel{};
    for (int c : columns) {
        if (c > dataColumns) {
            std::fprintf(stderr, "korvane-cli: plot: no data column %d (the file has %d)\n", c, dataColumns);
            return 1;
        }
        sel[static_cast<size_t>(c + 1)] = 1;
    }
    sel[0] = static_cast<int>(columns.size());

    GraphData graph;
    if (!collectGraphData(table, sel, table.rowCount(), graph)) {
        std::fprintf(stderr, "korvane-cli: plot: the file has no rows to plot\n");
        return 1;
    }
    plot::PlotMessageSink old = plot::setPlotMessageSink([](std::string_view line) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    });
    const bool written = writeGraphFile(graph, out);
    plot::setPlotMessageSink(std::move(old));
    if (!written) {
        std::fprintf(stderr, "korvane-cli: plot: %s could not be written\n", out.c_str());
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}

namespace {

int cmdPlot(const CliArgs& args) {
    std::string input, output;
    std::set<int> columns;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-c" && hasValue) {
            std::string why;
            if (!parseColumns(args[++i], columns, why)) return usageError(why);
        } else if (a == "-o" && hasValue) {
            output = args[++i];
        } else if (!a.empty() && a[0] != '-' && input.empty()) {
            input = a;
        } else {
            return usageError("plot: unexpected argument " + a);
        }
    }
    if (input.empty()) return usageError("plot needs a data file");
    if (columns.empty()) return usageError("plot needs -c COL[,COL...]");
    if (output.empty()) return usageError("plot needs -o OUT.wmf or OUT.svg");
    if (const std::string why = plotOutputProblem(output); !why.empty()) return usageError(why);

    std::error_code ec;
    const fs::path in = fs::absolute(input, ec), out = fs::absolute(output, ec);
    ScratchFolder scratch;
    if (!scratch.ok()) {
        std::fprintf(stderr, "korvane-cli: no temporary folder for the working file\n");
        return 1;
    }
    if (loadFileTxtFrom(in.string()) != 1) {
        messageBox(nullptr, "File non valido !", "Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    return plotWorkingTable(columns, out.string());
}

const CliCommandRegistrar kPlot(
    {"plot",
     "plot DATAFILE -c COL[,COL...] -o OUT.wmf|OUT.svg\n"
     "                             draw the column graph of the data table of DATAFILE (an export file\n"
     "                             in format A) over all rows: data columns COL (1 = the first one)\n"
     "                             against the row number, as a Windows metafile or an SVG picture.\n"
     "                             Prints OUT's path. Exit 0 written, 1 failed, 64 usage (PNG included).",
     cmdPlot, 36});

} // namespace
