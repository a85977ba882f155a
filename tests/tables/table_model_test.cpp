// The table store: texts survive every structural edit; a view hears each change in order.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tables/table_model.h"

namespace {

using Grid = std::vector<std::vector<std::string>>;

// Random edits on the store and on a plain grid of strings must always agree. The texts cover
// every length class of the cell encoding (1-, 2- and 3-byte lengths) and every byte value.
TEST(TableModel, TextsSurviveRandomEditsAgainstAPlainGrid) {
    std::mt19937 rng(12345);
    const auto pick = [&](size_t n) { return static_cast<int>(rng() % n); };
    const auto text = [&] {
        static const size_t lengths[] = {0, 1, 5, 127, 128, 299, 16383, 16384, 20000};
        std::string s(lengths[static_cast<size_t>(pick(std::size(lengths)))], '\0');
        for (char& ch : s) ch = static_cast<char>(rng() & 0xFF);
        return s;
    };
    TableModel t;
    std::vector<std::string> heads;
    Grid g;
    for (int step = 0; step < 600; ++step) {
        const size_t cols = heads.size(), rows = g.size();
        const int op = pick(6);
        if (op == 0) {
            const int at = pick(cols + 1);
            const std::string h = "H" + std::to_string(step) + "\xB0";
            ASSERT_TRUE(t.insertColumn(at, h));
            heads.insert(heads.begin() + at, h);
            for (auto& r : g) r.insert(r.begin() + at, "");
        } else if (op == 1 && cols > 0) {
            const int at = pick(cols);
            ASSERT_TRUE(t.removeColumn(at));
            heads.erase(heads.begin() + at);
            for (auto& r : g) r.erase(r.begin() + at);
        } else if (op == 2) { // rows too short or too long are fitted to the columns
            std::vector<std::string> cells(static_cast<size_t>(pick(cols + 3)));
            for (auto& c : cells) c = text();
            t.appendRow(std::span<const std::string>(cells));
            cells.resize(cols);
            g.push_back(cells);
        } else if (op == 3 && cols > 0 && rows > 0) {
            const int r = pick(rows), c = pick(cols);
            auto& row = g[static_cast<size_t>(r)];
            if (rng() % 4) {
                const std::string s = text();
                ASSERT_TRUE(t.setCell(r, c, s));
                row[static_cast<size_t>(c)] = s;
            } else { // a text taken from the very row it goes into
                ASSERT_TRUE(t.setCell(r, c, t.cell(r, static_cast<int>(cols) - 1)));
                row[static_cast<size_t>(c)] = row[cols - 1];
            }
        } else if (op == 4 && cols > 0) {
            const int a = pick(cols), b = pick(cols);
            ASSERT_TRUE(t.swapColumns(a, b));
            std::swap(heads[static_cast<size_t>(a)], heads[static_cast<size_t>(b)]);
            for (auto& r : g) std::swap(r[static_cast<size_t>(a)], r[static_cast<size_t>(b)]);
        } else if (op == 5 && rows > 0 && rng() % 3 == 0) {
            const int first = pick(rows), count = 1 + pick(rows - static_cast<size_t>(first));
            ASSERT_TRUE(t.removeRows(first, count));
            g.erase(g.begin() + first, g.begin() + first + count);
        }
        ASSERT_EQ(t.columnCount(), static_cast<int>(heads.size()));
        ASSERT_EQ(t.rowCount(), static_cast<int>(g.size()));
        std::vector<std::string_view> cells;
        for (int c = 0; c < t.columnCount(); ++c) ASSERT_EQ(t.header(c), heads[static_cast<size_t>(c)]);
        for (int r = 0; r < t.rowCount(); ++r) {
            t.rowCells(r, cells);
            ASSERT_EQ(std::vector<std::string>(cells.begin(), cells.end()), g[static_cast<size_t>(r)])
                << step;
        }
    }
    // Outside the table nothing is read or written.
    EXPECT_EQ(t.cell(t.rowCount(), 0), "");
    EXPECT_EQ(t.header(-1), "");
    EXPECT_FALSE(t.setCell(0, t.columnCount(), "x"));
    EXPECT_FALSE(t.removeRows(0, t.rowCount() + 1));
    EXPECT_FALSE(t.insertColumn(t.columnCount() + 1, "x"));
}

// Records every notification as text.
struct Recorder : TableObserver {
    std::vector<std::string> log;
    static std::string s(int a, int b) { return std::to_string(a) + "-" + std::to_string(b); }
    void beginReset() override { log.push_back("beginReset"); }
    void endReset() override { log.push_back("endReset"); }
    void beginInsertRows(int a, int b) override { log.push_back("+rows " + s(a, b)); }
    void endInsertRows() override { log.push_back("+rows end"); }
    void beginRemoveRows(int a, int b) override { log.push_back("-rows " + s(a, b)); }
    void endRemoveRows() override { log.push_back("-rows end"); }
    void beginInsertColumns(int a, int b) override { log.push_back("+cols " + s(a, b)); }
    void endInsertColumns() override { log.push_back("+cols end"); }
    void beginRemoveColumns(int a, int b) override { log.push_back("-cols " + s(a, b)); }
    void endRemoveColumns() override { log.push_back("-cols end"); }
    void cellsChanged(int r0, int r1, int c0, int c1) override {
        log.push_back("cells " + s(r0, r1) + " " + s(c0, c1));
    }
    void headersChanged(int a, int b) override { log.push_back("headers " + s(a, b)); }
    void rowSelectionChanged() override { log.push_back("selection"); }
};

TEST(TableModel, ObserverHearsChangesInViewOrderBatchedOrReset) {
    TableModel t;
    Recorder rec;
    t.setObserver(&rec);
    t.insertColumn(0, "A");
    t.insertColumn(1, "B");
    const std::string cells[] = {"1", "2"};
    for (int i = 0; i < 3; ++i) t.appendRow(std::span<const std::string>(cells));
    t.setCell(1, 1, "x");
    t.swapColumns(0, 1);
    t.removeRows(0, 2);
    t.clearRowSelection();
    EXPECT_EQ(rec.log, (std::vector<std::string>{"+cols 0-0", "+cols end", "+cols 1-1", "+cols end",
                                                 "+rows 0-0", "+rows end", "+rows 1-1", "+rows end",
                                                 "+rows 2-2", "+rows end", "cells 1-1 1-1", "headers 0-1",
                                                 "cells 0-2 0-1", "-rows 0-1", "-rows end", "selection"}));

    for (int i = 0; i < 4; ++i) t.appendRow(std::span<const std::string>(cells));
    rec.log.clear();
    {
        TableModel::Batch outer(t);
        t.setCell(3, 1, "x");
        {
            TableModel::Batch inner(t);
            t.setCell(1, 0, "y");
        }
        t.setHeader(1, "h");
        EXPECT_TRUE(rec.log.empty());
        t.removeColumn(0); // what was gathered is told before the structure changes
        t.setCell(4, 0, "z");
    }
    EXPECT_EQ(rec.log, (std::vector<std::string>{"headers 1-1", "cells 1-3 0-1", "-cols 0-0", "-cols end",
                                                 "cells 4-4 0-0"}));

    rec.log.clear();
    {
        TableModel::Reset reset(t);
        t.clear();
        t.insertColumn(0, "N");
        t.appendRow(std::span<const std::string>(cells));
        t.setCell(0, 0, "q");
    }
    EXPECT_EQ(rec.log, (std::vector<std::string>{"beginReset", "endReset"}));
}

} // namespace
