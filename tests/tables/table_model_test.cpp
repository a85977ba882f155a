// The table store: texts survive every structural edit. (The view's notifications are exercised
// through the data table dialog's tests.)
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tables/table_model.h"

namespace {

// Random edits on the store and on a plain grid of strings (row 0: the headers) must always agree.
// The texts cover every length class of the cell encoding (1-, 2- and 3-byte lengths) and every
// byte value.
TEST(TableModel, TextsSurviveRandomEditsAgainstAPlainGrid) {
    std::mt19937 rng(12345);
    const auto pick = [&](size_t n) { return static_cast<int>(rng() % n); };
    const auto text = [&] {
        static const size_t lengths[] = {0, 1, 127, 128, 299, 16383, 16384, 20000};
        std::string s(lengths[static_cast<size_t>(pick(std::size(lengths)))], '\0');
        for (char& ch : s) ch = static_cast<char>(rng() & 0xFF);
        return s;
    };
    TableModel t;
    std::vector<std::vector<std::string>> g(1); // g[0]: headers, g[1 + r]: row r
    for (int step = 0; step < 600; ++step) {
        const int cols = static_cast<int>(g[0].size()), rows = static_cast<int>(g.size()) - 1;
        const int op = pick(6), a = pick(static_cast<size_t>(cols + 1)),
                  r = pick(static_cast<size_t>(rows + 1));
        if (op == 0) {
            const std::string h = "H" + std::to_string(step) + "\xB0";
            ASSERT_TRUE(t.insertColumn(a, h));
            for (auto& row : g) row.insert(row.begin() + a, &row == &g[0] ? h : "");
        } else if (op == 1 && a < cols) {
            ASSERT_TRUE(t.removeColumn(a));
            for (auto& row : g) row.erase(row.begin() + a);
        } else if (op == 2) { // rows too short or too long are fitted to the columns
            std::vector<std::string> cells(static_cast<size_t>(pick(static_cast<size_t>(cols + 3))));
            for (auto& c : cells) c = text();
            t.appendRow(std::span<const std::string>(cells));
            cells.resize(static_cast<size_t>(cols));
            g.push_back(cells);
        } else if (op == 3 && a < cols && r < rows) {
            auto& row = g[static_cast<size_t>(r + 1)];
            const bool alias = rng() % 4 == 0; // a text taken from the very row it goes into
            const std::string s = alias ? row.back() : text();
            ASSERT_TRUE(alias ? t.setCell(r, a, t.cell(r, cols - 1)) : t.setCell(r, a, s));
            row[static_cast<size_t>(a)] = s;
        } else if (op == 4 && a < cols) {
            const int b = pick(static_cast<size_t>(cols));
            ASSERT_TRUE(t.swapColumns(a, b));
            for (auto& row : g) std::swap(row[static_cast<size_t>(a)], row[static_cast<size_t>(b)]);
        } else if (op == 5 && r < rows && rng() % 3 == 0) {
            const int count = 1 + pick(static_cast<size_t>(rows - r));
            ASSERT_TRUE(t.removeRows(r, count));
            g.erase(g.begin() + 1 + r, g.begin() + 1 + r + count);
        }
        ASSERT_EQ(t.columnCount(), static_cast<int>(g[0].size()));
        ASSERT_EQ(t.rowCount(), static_cast<int>(g.size()) - 1);
        std::vector<std::string_view> cells;
        for (int c = 0; c < t.columnCount(); ++c) ASSERT_EQ(t.header(c), g[0][static_cast<size_t>(c)]);
        for (int row = 0; row < t.rowCount(); ++row) {
            t.rowCells(row, cells);
            ASSERT_EQ(std::vector<std::string>(cells.begin(), cells.end()), g[static_cast<size_t>(row + 1)])
                << step;
        }
    }
    // Outside the table nothing is read or written.
    EXPECT_EQ(t.cell(t.rowCount(), 0), "");
    EXPECT_FALSE(t.setCell(0, t.columnCount(), "x"));
    EXPECT_FALSE(t.removeRows(0, t.rowCount() + 1));
}

} // namespace
