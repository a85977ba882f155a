// Command plot: the column graph of a session data file or an export file written as a picture.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
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
#ifdef KORVANE_CLI_PNG
#include "plot/offscreen_png_window.h"
#endif

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
#ifndef KORVANE_CLI_PNG
    if (ext == ".png") return "plot: this korvane-cli was built without Qt, so it cannot draw PNG; write .wmf or .svg";
#endif
    if (ext != ".wmf" && ext != ".svg" && ext != ".png")
        return "plot: the picture file must end in .wmf, .svg or .png";
    return "";
}

int plotWorkingTable(const std::set<int>& columns, const std::string& out) {
#ifdef KORVANE_CLI_PNG
    // PNG is drawn by the desktop program's renderer, on the offscreen platform.
    std::unique_ptr<plot::OffscreenGraphics> graphics;
    if (graphFileOutput(out) == plot::PlotOutput::Png) graphics = std::make_unique<plot::OffscreenGraphics>();
#endif
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
    if (output.empty()) return usageError("plot needs -o OUT.wmf, OUT.svg or OUT.png");
    if (const std::string why = plotOutputProblem(output); !why.empty()) return usageError(why);

    std::error_code ec;
    const fs::path in = fs::absolute(input, ec), out = fs::absolute(output, ec);
    ScratchFolder scratch;
    if (!scratch.ok()) {
        std::fprintf(stderr, "korvane-cli: no temporary folder for the working file\n");
        return 1;
    }
    // A session data file not named by its start time gets a neutral one: the graph's x axis is
    // the row number, so the start only names the working file.
    if (loadDataFileFrom(in.string(), "000101_000000") != 1) {
        messageBox(nullptr, "File non valido !", "Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    return plotWorkingTable(columns, out.string());
}

const CliCommandRegistrar kPlot(
    {"plot",
     "plot DATAFILE -c COL[,COL...] -o OUT.wmf|OUT.svg|OUT.png\n"
     "                             draw the column graph of the data table of DATAFILE (a session data\n"
     "                             file as download writes it, or an export file in format A) over all\n"
     "                             rows: data columns COL (1 = the first one) against the row number,\n"
     "                             as a Windows metafile, an SVG or a PNG picture (no display needed).\n"
     "                             Prints OUT's path. Exit 0 written, 1 failed, 64 usage.",
     cmdPlot, 36});

} // namespace
