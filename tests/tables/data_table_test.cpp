// Loading the data table from session data text files, its edit operations and screen rules.
#include "table_test_support.h"

#include <random>

namespace {

using Strings = std::vector<std::string>;

class TableLoad : public TableTest {};

TEST_F(TableLoad, FixtureSessionWithTimesAndDayEnergyAcrossMidnight) {
    useFixtureSession(); // first marker 55 tenths; node 4 has energy and power, no irradiance
    Flag.MW51 = 1;
    ASSERT_EQ(load(readBytes(kFixtureT60), 104), 1);
    EXPECT_EQ(Flag.CH_etaG, 0);
    EXPECT_EQ(Flag.CH_eneD, 1);
    const Strings h = headersOf(table_);
    ASSERT_EQ(h.size(), 11u);
    EXPECT_EQ(Strings(h.begin(), h.begin() + 3), (Strings{"Item", "Time",
                                                          "CH4_1: Temperatura (0.00 \xB0"
                                                          "C)"}));
    EXPECT_EQ(h[6], "CH4_5: Pressione aria (0.00 hPa) ");
    EXPECT_EQ(h[10], "Energia 24h (kWh)");
    EXPECT_EQ(rowOf(table_, 0), (Strings{"    1", "151231_224735", "-2.10", "416874.0", "227.5", "0.09",
                                         "1012.91", "0.1", "-281", "-111", "0.0"}));
    EXPECT_EQ(table_.cell(72, 1), "151231_235935");
    EXPECT_EQ(table_.cell(73, 1), "160101_000035");
    EXPECT_EQ(table_.cell(103, 0), "  104");
    EXPECT_EQ(InfoSES.nSubItem, 8u);
    // Each row adds its power (column 5) over one sample time, a minute here. The first row of a
    // day starts again from 0 after its first value, before its power is added.
    const auto num = [&](int r, int c) { return std::stod(std::string(table_.cell(r, c))); };
    double acc = 0;
    for (int r = 0; r <= 72; ++r) acc += num(r, 5) / 60;
    EXPECT_NEAR(num(72, 10), acc, 0.051); // 1.5 kWh
    EXPECT_NEAR(num(73, 10), num(73, 5) / 60, 0.051);
    EXPECT_NEAR(num(74, 10), (num(73, 5) + num(74, 5)) / 60, 0.051);
}

TEST_F(TableLoad, DayEnergyCountsEachRowForOneSampleTime) {
    Flag.MW51 = 1;
    setNodes({{17, 0, 16}}, 10000); // power, then an energy channel
    DataTimeSS = "160101_000000";   // the first row starts the day: its own power is not counted
    const struct {
        unsigned tsample;
        Strings energy; // of rows 1 and 2 at a constant 6 kW
    } cases[] = {
        {60, {"0.1", "0.2"}}, {900, {"1.5", "3.0"}}, {1800, {"3.0", "6.0"}}, {3600, {"6.0", "12.0"}}};
    for (const auto& c : cases) {
        Tsample = static_cast<uint16_t>(c.tsample);
        ASSERT_EQ(load(sessionFile(c.tsample, {"P", "E"}, {{"6.00", "1"}, {"6.00", "2"}, {"6.00", "3"}}), 3),
                  1);
        ASSERT_EQ(table_.header(4), "Energia 24h (kWh)");
        EXPECT_EQ((Strings{std::string(table_.cell(0, 4)), std::string(table_.cell(1, 4)),
                           std::string(table_.cell(2, 4))}),
                  (Strings{"0.0", c.energy[0], c.energy[1]}))
            << c.tsample;
    }
}

TEST_F(TableLoad, BlanksAndLineEndsNeverMakeEmptyCells) {
    const std::pair<std::string, Strings> cases[] = {
        {"1.0 2.0 \r\n3.0 4.0 \r\n", {"1.0", "2.0", "3.0", "4.0"}},
        {"1.0  2.0  \r\n3.0   4.0 \r\n", {"1.0", "2.0", "3.0", "4.0"}},
        {" 1.0 2.0\r\n3.0 4.0", {"1.0", "2.0", "3.0", "4.0"}},  // no trailing blank, no last line end
        {"1.0\r\n3.0 4.0 9.9 \r\n", {"1.0", "", "3.0", "4.0"}}, // short row, extra value dropped
        {"\r\n3.0 4.0 \r\n", {"", "", "3.0", "4.0"}},           // empty line
    };
    for (const auto& [rows, cells] : cases) {
        ASSERT_EQ(load("Time[s]: 900\r\n\"A\" \"B\" \r\n" + rows, 2), 1) << rows;
        ASSERT_EQ(table_.rowCount(), 2);
        EXPECT_EQ(
            (Strings{rowOf(table_, 0)[2], rowOf(table_, 0)[3], rowOf(table_, 1)[2], rowOf(table_, 1)[3]}),
            cells)
            << rows;
    }
}

TEST_F(TableLoad, RowCountsAndTextLimits) {
    const std::string file = sessionFile(60, {"A", "B"}, {{"1", "2"}, {"3", "4"}, {"5", "6"}});
    ASSERT_EQ(load(file, 2), 1);
    EXPECT_EQ(table_.rowCount(), 2);
    ASSERT_EQ(load(file, 5), 1); // rows past the end of the file: number and time only
    EXPECT_EQ(rowOf(table_, 4), (Strings{"    5", "151231_225130", "", ""}));

    const std::string t299(299, '7'), t300(300, '7');
    ASSERT_EQ(load(sessionFile(60, {t299}, {{t299}}), 1), 1);
    EXPECT_EQ(table_.header(2), t299);
    EXPECT_EQ(table_.cell(0, 2), t299);
    EXPECT_EQ(load(sessionFile(60, {t300}, {{"1"}}), 1), 0);
    EXPECT_EQ(table_.columnCount(), 2);
    EXPECT_EQ(load(sessionFile(60, {"A", "B"}, {{"1", "2"}, {"3", t300}, {"5", "6"}}), 3), 0);
    ASSERT_EQ(table_.rowCount(), 2); // kept as far as it was read
    EXPECT_EQ(rowOf(table_, 1), (Strings{"    2", "151231_224830", "3", ""}));
    EXPECT_EQ(InfoSES.nItem, 2u);

    EXPECT_EQ(load("", 3), 0);
    EXPECT_EQ(loadLV(table_, "missing"), 0);
    EXPECT_EQ(table_.rowCount(), 0);
}

TEST_F(TableLoad, ArbitraryBytesAreReadSafely) {
    std::mt19937 rng(7);
    const char alphabet[] = {' ', '\r', '\n', '"', '_', '.', '-', '1', '9', 'x', '\xB0', '\0'};
    Flag.MW51 = 1;
    setNodes({{17, 15, 0, 16}}, 10000);
    for (int i = 0; i < 300; ++i) {
        std::string bytes(rng() % 3000, ' ');
        for (char& ch : bytes) ch = alphabet[rng() % sizeof alphabet];
        if (i % 2) bytes = "Start: 140523_101500\r\n" + bytes;
        writeBytes("any.txt", bytes);
        loadFileTxtFrom("any.txt");
        const int rows = static_cast<int>(rng() % 60);
        const int r = load(bytes, static_cast<uint32_t>(rows));
        EXPECT_TRUE(r == 0 || table_.rowCount() == rows);
        EXPECT_LE(table_.rowCount(), rows);
    }
}

TEST_F(TableLoad, OpeningLimitsTheTableTo100000RowsWithAWarning) {
    Tsample = 1;
    writeBytes(DataTimeSS, sessionFile(1, {"A"}, {{"1"}}));
    InfoSES.nItem = 100000;
    ASSERT_EQ(openDataTable(table_), 1);
    EXPECT_TRUE(ui_.shown.empty());

    InfoSES.nItem = 100001;
    ASSERT_EQ(openDataTable(table_), 1);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "Il numero di Item e' stato limitato a 100000 !");
    EXPECT_EQ(ui_.shown[0].title, "Warning");
    EXPECT_EQ(ui_.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(InfoSES.nItem, 100000u);
    ASSERT_EQ(table_.rowCount(), 100000);
    EXPECT_EQ(rowOf(table_, 99999), (Strings{"100000", "160102_023409", ""}));

    InfoSES.nItem = 4000000000u; // never built, even without the screen's check
    ASSERT_EQ(loadLV(table_, DataTimeSS), 1);
    EXPECT_EQ(table_.rowCount(), 100000);
}

TEST_F(TableLoad, DerivedColumnsOfAnEnergyBoard) {
    Flag.MW51 = 1;
    Tsample = 900;
    DataTimeSS = "151231_230000"; // the fifth row is the first of 1 January
    const std::vector<Strings> rows = {{"2.00", "500.0"}, {"4.00", "800.0"}, {"6.00", "200.0"},
                                       {"2.00", "400.0"}, {"8.00", "600.0"}, {"4.00"}};
    const Strings efficiency = {"40.0", "50.0", "_Irr_low", "50.0", "133.3", "66.7"}; // irradiance kept
    struct Layout {
        std::vector<uint16_t> conf; // quantity codes: 17 power, 15 irradiance, 0 + 16 energy
        bool irradianceFirst;
        Strings energy;
    } layouts[] = {
        // Power first: the day's reset comes after it, so the first row of a day shows 0.
        {{17, 15, 0, 16}, false, {"0.0", "1.0", "2.5", "3.0", "0.0", "1.0"}},
        // Another irradiance first (the last irradiance channel counts): the reset comes before
        // the power, which then counts.
        {{15, 17, 15, 0, 16}, true, {"0.5", "1.5", "3.0", "3.5", "2.0", "3.0"}},
    };
    for (const auto& l : layouts) {
        setNodes({l.conf}, 10000);
        std::vector<Strings> file;
        for (Strings r : rows) {
            if (l.irradianceFirst) r.insert(r.begin(), "100.0");
            if (r.size() == (l.irradianceFirst ? 3u : 2u)) r.push_back("10.0"); // the last row has power only
            file.push_back(r);
        }
        const int n = static_cast<int>(file[0].size());
        ASSERT_EQ(load(sessionFile(900, Strings(static_cast<size_t>(n), "T"), file), 6), 1);
        ASSERT_EQ(table_.columnCount(), 2 + n + 2);
        EXPECT_EQ(table_.header(2 + n), "Rendimento (%)");
        EXPECT_EQ(table_.header(3 + n), "Energia 24h (kWh)");
        EXPECT_EQ(table_.cell(4, 1), "160101_000000");
        for (int r = 0; r < 6; ++r) {
            EXPECT_EQ(table_.cell(r, 2 + n), efficiency[static_cast<size_t>(r)]) << r;
            EXPECT_EQ(table_.cell(r, 3 + n), l.energy[static_cast<size_t>(r)]) << r;
        }
        EXPECT_EQ(InfoSES.nSubItem, static_cast<uint32_t>(n));
    }
}

TEST_F(TableLoad, DerivedColumnsNeedAnEnergyBoardAndTheirInputs) {
    struct Case {
        int mw51;
        std::vector<uint16_t> conf;
        int pnom;
        Strings extra; // headers and cells of row 0 after the data columns
    } cases[] = {
        {0, {17, 15, 0, 16}, 10000, {}},
        {1, {17, 15, 12}, 10000, {"Rendimento (%)", "40.0"}},
        {1, {17, 12, 0, 16}, 10000, {"Energia 24h (kWh)", "0.0"}},
        {1, {17, 15, 0, 16}, 299, {"Rendimento (%)", "Energia 24h (kWh)", "_Pnom_low", "0.0"}},
    };
    for (const auto& c : cases) {
        Flag.MW51 = c.mw51;
        setNodes({c.conf}, c.pnom);
        ASSERT_EQ(load(sessionFile(900, {"a", "b", "c"}, {{"2.00", "500.0", "10.0"}}), 1), 1);
        const Strings heads = headersOf(table_), cells = rowOf(table_, 0);
        Strings got(heads.begin() + 5, heads.end());
        got.insert(got.end(), cells.begin() + 5, cells.end());
        EXPECT_EQ(got, c.extra) << c.pnom;
    }
}

class TableLoadFileTxt : public TableTest {};

TEST_F(TableLoadFileTxt, ExportedFileBecomesTheWorkingFile) {
    const std::string body = sessionFile(60, {"A", "B \"q\""}, {{"1", "2"}, {"3", "4"}, {"5", "6"}});
    writeBytes("export.txt", "Start: 140523_101500\r\n" + body);
    Data_file = "export.txt"; // named on the command line: no box
    ASSERT_EQ(loadFileTxt(), 1);
    EXPECT_TRUE(Data_file.empty());
    EXPECT_EQ(DataTimeSS, "140523_101500");
    EXPECT_EQ(readBytes("140523_101500"), body);
    EXPECT_EQ(InfoSES.nSubItem, 3u); // six quotes
    EXPECT_EQ(InfoSES.nItem, 3u);

    writeBytes("other.txt", "Start: 140523_101600\r\n" + body);
    ui_.filePath("other.txt");
    ASSERT_EQ(loadFileTxt(), 1);
    ASSERT_EQ(ui_.fileBoxes.size(), 1u);
    EXPECT_EQ(ui_.fileBoxes[0].filter, "*.txt (generato da Korvane) (*.txt);;All Files (*.*)");
    EXPECT_EQ(ui_.fileBoxes[0].defaultExt, "txt");
    EXPECT_TRUE(ui_.fileBoxes[0].mustExist);
    EXPECT_EQ(readBytes("140523_101600"), body);
    ui_.fileCancel();
    EXPECT_EQ(loadFileTxt(), 0);

    // A source that is the working file itself would be destroyed by making it: refused, kept.
    const std::string self = "Start: 140523_101600\r\n" + body;
    writeBytes("140523_101600", self);
    EXPECT_EQ(loadFileTxtFrom("./140523_101600"), 0);
    EXPECT_EQ(readBytes("140523_101600"), self);
}

TEST_F(TableLoadFileTxt, RejectedSourcesLeaveNoWorkingFile) {
    const std::string bad[] = {
        "Time[s]: 60\r\n\"A\" \r\n1 \r\n",                   // no start line
        "Start: 140523_1015",                                // cut short
        "Start: 140523-101500\r\nTime[s]: 60\r\n\"A\" \r\n", // no underscore
        "Start: ../../_123456\r\nTime[s]: 60\r\n\"A\" \r\n", // a path for a start time
        "Start: 140523_101500\r\nTime[s]: 60\r\n\"A\" ",     // header without line end
    };
    for (const auto& b : bad) {
        writeBytes("bad.txt", b);
        EXPECT_EQ(loadFileTxtFrom("bad.txt"), 0) << b;
        EXPECT_FALSE(std::filesystem::exists("140523_101500")) << b;
    }
    EXPECT_EQ(loadFileTxtFrom("missing.txt"), 0);
}

TEST_F(TableLoadFileTxt, SampleTimeLine) {
    const std::pair<std::string, int> cases[] = {
        {"Time[s]: 900\r\n", 900},
        {"Time[s]: 65535\r\n", 65535},
        {"Time[s]: 0\r\n", 1800},
        {"Time[s]: 70000\r\n", 1800}, // beyond 16 bits: kept out instead of wrapping
        {"Time[s]: 1234567\r\n", 1800},
        {"", 1800}, // no such line: the header comes first
    };
    for (const auto& [line, tsample] : cases) {
        Tsample = 1800;
        writeBytes("x.txt", "Start: 140523_101500\r\n" + line + "\"A\" \r\n1 \r\n2 \r\n");
        ASSERT_EQ(loadFileTxtFrom("x.txt"), 1) << line;
        EXPECT_EQ(Tsample, tsample) << line;
        EXPECT_EQ(InfoSES.nSubItem, 1u) << line;
        EXPECT_EQ(InfoSES.nItem, 2u) << line;
    }
}

class TableEdit : public TableTest {
  protected:
    // Data columns holding `cols`, one text per row each.
    void fill(const std::vector<Strings>& cols) {
        clearColumnSelection(SelCol);
        Strings titles;
        std::vector<Strings> rows(cols[0].size());
        for (size_t c = 0; c < cols.size(); ++c) {
            titles.push_back("C" + std::to_string(c + 2));
            for (size_t r = 0; r < rows.size(); ++r) rows[r].push_back(cols[c][r]);
        }
        ASSERT_EQ(load(sessionFile(60, titles, rows), static_cast<uint32_t>(rows.size())), 1);
    }
    void select(std::initializer_list<int> cols) {
        for (int c : cols) onDataColumnClick(table_, SelCol, c, false);
    }
};

TEST_F(TableEdit, MergeWritesTheMeanWithTheDecimalsOfTheLastCellRead) {
    const std::pair<Strings, std::string> cases[] = {
        {{"1.4", "2"}, "2"},
        {{"2", "1.4"}, "1.7"},
        {{"1", "2", "4"}, "2"},
        {{"_Irr_low", "0.0"}, "50.0"},
        {{"3.0", "_Pnom_low"}, "2"},
        {{"Err", "1013.07"}, "1013.07"}, // a missing reading is left out of the mean
        {{"1013.07", "Err"}, "1013.07"},
        {{"Err", "Err"}, "Err"},
        {{"-1234567.8", "-1234567.8"}, "-1234567.8"},
    };
    for (const auto& [values, merged] : cases) {
        std::vector<Strings> cols;
        for (const auto& v : values) cols.push_back({v, "10"});
        fill(cols);
        for (int c = 2; c < 2 + static_cast<int>(values.size()); ++c) select({c});
        EXPECT_EQ(mergeCol(table_, SelCol), static_cast<int>(values.size()) - 1);
        EXPECT_EQ(rowOf(table_, 0), (Strings{"    1", "151231_224730", merged})) << values[0];
        EXPECT_EQ(table_.cell(1, 2), "10");
        EXPECT_EQ(SelCol[0], 1); // the target stays selected
        EXPECT_EQ(SelCol[2], 1);
        EXPECT_EQ(SelCol[3], 0);
    }
    fill({{"1"}, {"5"}, {"3"}, {"7"}}); // columns apart: the one between them stays
    select({2, 4});
    EXPECT_EQ(mergeCol(table_, SelCol), 1);
    EXPECT_EQ(rowOf(table_, 0), (Strings{"    1", "151231_224730", "2", "5", "7"}));
    EXPECT_EQ(headersOf(table_)[4], "C5");
    EXPECT_EQ(mergeCol(table_, SelCol), 0); // one column left selected
}

TEST_F(TableEdit, CommandsAskAndReport) {
    fill({{"1"}, {"3"}, {"5"}});
    InfoSES.nSubItem = 3;
    select({2, 3});
    const std::string merge = "Procedere alla fusione delle colonne selezionate ?";
    const std::string del = "Procedere all'eliminazione delle colonne selezionate ?";
    ui_.expect(merge, "Warning", MsgAnswer::No);
    EXPECT_EQ(mergeColumnsCommand(table_), 0);
    EXPECT_EQ(table_.columnCount(), 5);
    ui_.expect(merge, "Warning", MsgAnswer::Yes);
    EXPECT_EQ(mergeColumnsCommand(table_), 1);
    EXPECT_EQ(InfoSES.nSubItem, 2u);
    EXPECT_FALSE(columnButtons(SelCol, InfoSES.nSubItem).mergeColumns);
    ui_.expect(merge, "Warning", MsgAnswer::Yes);
    EXPECT_EQ(mergeColumnsCommand(table_), 0);
    EXPECT_EQ(ui_.last()->text, "Fusione non completata !");
    EXPECT_EQ(ui_.last()->title, "Error");

    select({3});
    ui_.expect(del, "Warning", MsgAnswer::Yes);
    EXPECT_EQ(deleteColumnsCommand(table_), 2);
    EXPECT_EQ(table_.columnCount(), 2);
    EXPECT_EQ(InfoSES.nSubItem, 0u);
    EXPECT_EQ(SelCol[0], 0);
    ui_.expect(del, "Warning", MsgAnswer::Yes);
    EXPECT_EQ(deleteColumnsCommand(table_), 0);
    EXPECT_EQ(ui_.last()->text, "Eliminazione colonne non completata !");
}

TEST_F(TableEdit, MovingAColumnLeft) {
    fill({{"a0", "a1"}, {"b0", "b1"}, {"c0", "c1"}});
    select({3});
    EXPECT_EQ(moveColumnCommand(table_), 2);
    EXPECT_EQ(headersOf(table_), (Strings{"Item", "Time", "C3", "C2", "C4"}));
    EXPECT_EQ(rowOf(table_, 1), (Strings{"    2", "151231_224830", "b1", "a1", "c1"}));
    EXPECT_EQ((std::array{SelCol[0], SelCol[2], SelCol[3]}), (std::array{1, 1, 0}));
    EXPECT_FALSE(columnButtons(SelCol, 3).moveColumn); // column 2 cannot go further
    EXPECT_EQ(swapCol(table_, SelCol), 0);
    EXPECT_TRUE(onDataColumnClick(table_, SelCol, 4, false).moveColumn); // a new selection after a move
    EXPECT_EQ((std::array{SelCol[0], SelCol[2], SelCol[4]}), (std::array{1, 0, 1}));
    select({2});
    EXPECT_EQ(swapCol(table_, SelCol), 0); // two selected
}

TEST_F(TableEdit, ButtonsFollowTheColumnSelection) {
    struct Step {
        int col;
        bool right;
        uint32_t nSubItem;
        TableButtons expected; // move, merge, delete columns, delete items, graph
    } steps[] = {
        {2, false, 3, {false, false, true, false, true}},  // column 2 alone cannot move
        {3, false, 3, {false, true, true, false, true}},   // two: merge, no move
        {2, true, 3, {true, false, true, false, true}},    // right click drops column 2
        {3, true, 3, {false, false, false, false, false}}, // nothing selected
        {3, true, 3, {false, false, false, false, false}}, // right click on an unselected column
        {4, false, 1, {true, false, false, false, true}},  // the only data column cannot go
        {1, false, 3, {true, false, true, false, true}},   // "Time" is never selected
        {242, false, 3, {true, false, true, false, true}}, // nor a column beyond 241
    };
    fill({{"1"}, {"2"}, {"3"}});
    for (const auto& s : steps) {
        table_.setRowSelected(0, true);
        item_sel_en = 1;
        InfoSES.nSubItem = s.nSubItem;
        EXPECT_EQ(onDataColumnClick(table_, SelCol, s.col, s.right), s.expected) << s.col;
        EXPECT_EQ(item_sel_en, 0);
        EXPECT_EQ(table_.selectedRowCount(), 0);
    }
}

TEST_F(TableEdit, OnlyTheRunOfUnselectedRowsIsKept) {
    const std::tuple<std::string, int, int, int> cases[] = {
        {"SSUUUSS", 1, 2, 4}, {"UUUU", 1, 0, 3}, {"USSS", 1, 0, 0}, {"SSSU", 1, 3, 3},
        {"UUSUU", 0, 0, 0},   {"SUSU", 0, 0, 0}, {"SSSS", 0, 0, 0},
    };
    for (const auto& [marks, result, first, last] : cases) {
        Strings col;
        for (size_t i = 0; i < marks.size(); ++i) col.push_back(std::to_string(i));
        fill({col});
        for (int r = 0; r < static_cast<int>(marks.size()); ++r)
            table_.setRowSelected(r, marks[static_cast<size_t>(r)] == 'S');
        EXPECT_EQ(get_listview_sel(table_), result) << marks;
        if (result) {
            EXPECT_EQ((std::pair{First_itemval, Last_itemval}), (std::pair{first, last})) << marks;
        }
    }

    fill({{"0", "1", "2", "3", "4", "5", "6"}});
    EXPECT_FALSE(onItemColumnClick(table_, 3, false)); // a row in the middle
    EXPECT_EQ(item_sel_en, 1);
    table_.clearRowSelection();
    for (int r : {0, 1}) onItemColumnClick(table_, r, false);
    EXPECT_TRUE(onItemColumnClick(table_, 6, false));
    ui_.expect("Procedere alla cancellazione degli item selezionati ?", "Warning", MsgAnswer::Yes);
    EXPECT_EQ(deleteItemsCommand(table_), 3);
    EXPECT_EQ(InfoSES.nItem, 4u);
    EXPECT_EQ(rowOf(table_, 0), (Strings{"    3", "151231_224930", "2"}));
    EXPECT_EQ(rowOf(table_, 3), (Strings{"    6", "151231_225230", "5"}));
    EXPECT_EQ(item_sel_en, 0);
    EXPECT_EQ(table_.selectedRowCount(), 0);

    table_.setRowSelected(1, true);
    EXPECT_TRUE(onItemColumnClick(table_, 0, true)); // a right click inverts every row: row 1 stays
    EXPECT_EQ(table_.selectedRowCount(), 3);
}

TEST_F(TableEdit, CellsReadAsNumbers) {
    const std::tuple<std::string, double, int, bool> cases[] = {
        {"12.50", 12.5, 2, true},
        {"7", 7, 0, true},
        {"0.12345", 0.12345, 5, true},
        {"-1234567.8", -1234567.8, 1, true}, // longer than nine characters: read whole
        {"1999999999", 1999999999, 0, true},
        {"+5", 5, 0, true},
        {"1234567890.5", 1234567890.5, 0, true}, // its point lies beyond the first ten characters
        {"Err", 0, 0, false},
        {"", 0, 0, false},
        {"inf", 0, 0, false},
        {"_Irr_low", 100, 0, true},
        {"_Pnom_low", 0, 0, true},
    };
    for (const auto& [text, value, precision, numeric] : cases) {
        fill({{"3.5", text}});
        const CellNumber n = readCellNumber(table_, 1, 2);
        EXPECT_EQ(n.value, value) << text;
        EXPECT_EQ(n.precision, precision) << text;
        EXPECT_EQ(n.numeric, numeric) << text;
        int p = -1;
        EXPECT_EQ(strLV_num(table_, 1, 2, p), static_cast<float>(value)) << text;
        EXPECT_EQ(p, precision);
    }
    // Other markers read as the last number of the pass; reading row 0 starts a pass.
    fill({{"_x", "4.5", "_x", "Err", "_x"}});
    EXPECT_EQ(readCellNumber(table_, 1, 2).value, 4.5);
    EXPECT_EQ(readCellNumber(table_, 2, 2).value, 4.5);
    EXPECT_FALSE(readCellNumber(table_, 3, 2).numeric);
    EXPECT_EQ(readCellNumber(table_, 4, 2).value, 4.5); // a missing reading is no number
    EXPECT_EQ(readCellNumber(table_, 0, 2).value, 0.0);
}

} // namespace
