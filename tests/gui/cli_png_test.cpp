// korvane-cli's PNG pictures: drawn without a display by the same renderer as the desktop
// program's PNG device, so the two pictures of one table are the same pixels.
#include <QImage>
#include <filesystem>
#include <gtest/gtest.h>

#include "plot/plot_device.h"
#include "plot/plot_test_support.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/process.h"
#include "tables/column_graph.h"
#include "tables/data_table.h"
#include "tables/table_model.h"

namespace {

namespace fs = std::filesystem;

// The desktop program's PNG of data columns 1 and 2 of `data`, drawn in this process for a screen
// of the size korvane-cli assumes (it has none to ask).
bool desktopPng(const std::string& data, const std::string& png, const std::string& workDir) {
    const fs::path old = fs::current_path();
    fs::current_path(workDir);
    const plot::ScreenMetricsProvider oldScreen = plot::setScreenMetricsProvider({});
    TableModel table;
    bool ok = loadDataFileFrom(data, "000101_000000") == 1 && openDataTable(table) == 1;
    ColumnSelection sel{};
    sel[0] = 2;
    sel[2] = sel[3] = 1; // table columns of data columns 1 and 2
    GraphData graph;
    ok = ok && collectGraphData(table, sel, table.rowCount(), graph) && writeGraphFile(graph, png);
    plot::setScreenMetricsProvider(oldScreen);
    fs::current_path(old);
    return ok;
}

TEST(CliPng, EqualsTheDesktopProgramsPicture) {
    TempDir dir;
    const std::string session = fixturePath("logger-basic/expected/151231_224730.T900");
    ASSERT_TRUE(fs::exists(session)) << "missing fixture " << session;
    const std::string data = dir.file("151231_224730.T900");
    fs::copy_file(session, data);
    const ProcessResult r =
        runProcess({KORVANE_CLI_PATH, "plot", data, "-c", "1,2", "-o", dir.file("cli.png")}, {}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, ""); // no notes from Qt about the missing display
    ASSERT_TRUE(desktopPng(data, dir.file("gui.png"), dir.path()));

    const QImage cli(QString::fromStdString(dir.file("cli.png")));
    const QImage gui(QString::fromStdString(dir.file("gui.png")));
    ASSERT_FALSE(cli.isNull());
    EXPECT_EQ(cli.size(), QSize(853, 603)); // two thirds of a 1280-pixel screen, page proportions
    ASSERT_EQ(cli.size(), gui.size());
    int differ = 0;
    for (int y = 0; y < cli.height(); ++y)
        for (int x = 0; x < cli.width(); ++x) differ += cli.pixel(x, y) != gui.pixel(x, y);
    EXPECT_EQ(differ, 0);
    if (differ) { // kept for a look
        fs::create_directories(KORVANE_SCREENS_DIR);
        fs::copy_file(dir.file("cli.png"), KORVANE_SCREENS_DIR "/mismatch-cli.png",
                      fs::copy_options::overwrite_existing);
        fs::copy_file(dir.file("gui.png"), KORVANE_SCREENS_DIR "/mismatch-gui.png",
                      fs::copy_options::overwrite_existing);
    }
    // The picture has its curves: more than a handful of colours.
    QList<QRgb> seen;
    for (int y = 0; y < cli.height() && seen.size() < 8; y += 3)
        for (int x = 0; x < cli.width() && seen.size() < 8; x += 3)
            if (!seen.contains(cli.pixel(x, y))) seen.append(cli.pixel(x, y));
    EXPECT_GE(seen.size(), 8);
}

} // namespace
