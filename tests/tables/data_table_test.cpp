// Loading the data table from session data text files, its edit operations and screen rules.
#include "table_test_support.h"

namespace {

using Strings = std::vector<std::string>;

class TableLoad : public TableTest {};

TEST_F(TableLoad, BlanksAndLineEndsNeverMakeEmptyCells) {
    const std::pair<std::string, Strings> cases[] = {
        {"1.0  2.0  \r\n3.0   4.0 \r\n", {"1.0", "2.0", "3.0", "4.0"}},
        {" 1.0 2.0\r\n3.0 4.0", {"1.0", "2.0", "3.0", "4.0"}},  // no trailing blank, no last line end
        {"1.0\r\n3.0 4.0 9.9 \r\n", {"1.0", "", "3.0", "4.0"}}, // short row, extra value dropped
    };
    for (const auto& [rows, cells] : cases) {
        ASSERT_EQ(load("Time[s]: 900\r\n\"A\" \"B\" \r\n" + rows, 2), 1) << rows;
        const Strings r0 = rowOf(table_, 0), r1 = rowOf(table_, 1);
        EXPECT_EQ((Strings{r0[2], r0[3], r1[2], r1[3]}), cells) << rows;
    }
}

TEST_F(TableLoad, RowCountsAndTextLimits) {
    const std::string file = sessionFile(60, {"A", "B"}, {{"1", "2"}, {"3", "4"}, {"5", "6"}});
    ASSERT_EQ(load(file, 5), 1); // rows past the end of the file: number and time only
    EXPECT_EQ(rowOf(table_, 4), (Strings{"    5", "151231_225130", "", ""}));
    const std::string t299(299, '7'), t300(300, '7');
    ASSERT_EQ(load(sessionFile(60, {t299}, {{t299}}), 1), 1);
    EXPECT_EQ(table_.cell(0, 2), t299);
    EXPECT_EQ(load(sessionFile(60, {t300}, {{"1"}}), 1), 0);
    EXPECT_EQ(load(sessionFile(60, {"A", "B"}, {{"1", "2"}, {"3", t300}, {"5", "6"}}), 3), 0);
    ASSERT_EQ(table_.rowCount(), 2); // kept as far as it was read
    EXPECT_EQ(InfoSES.nItem, 2u);
    EXPECT_EQ(loadLV(table_, "missing"), 0);
}

TEST_F(TableLoad, OpeningLimitsTheTableTo100000RowsWithAWarning) {
    Tsample = 1;
    writeBytes(DataTimeSS, sessionFile(1, {"A"}, {{"1"}}));
    for (const uint32_t announced : {100000u, 100001u}) {
        InfoSES.nItem = announced;
        ASSERT_EQ(openDataTable(table_), 1);
    }
    ASSERT_EQ(ui_.shown.size(), 1u); // for 100001 rows only
    EXPECT_EQ(ui_.shown[0].text, "Il numero di Item e' stato limitato a 100000 !");
    EXPECT_EQ(InfoSES.nItem, 100000u);
    EXPECT_EQ(rowOf(table_, 99999), (Strings{"100000", "160102_023409", ""}));
}

// Quantity codes: 17 power, 15 irradiance, 0 + 16 energy. With the power first the day's reset
// comes after it, so a day's first row shows 0; with another irradiance first (the last one
// counts) the reset comes before the power. The last row has no irradiance: no efficiency (an
// earlier row's irradiance is not taken for this one's).
TEST_F(TableLoad, DerivedColumnsOfAnEnergyBoard) {
    Flag.MW51 = 1;
    Tsample = 900;
    DataTimeSS = "151231_230000"; // the fifth row is the first of 1 January
    const Strings efficiency = {"40.0", "50.0", "_Irr_low", "50.0", "133.3", "Err"};
    using Layout = std::tuple<std::vector<uint16_t>, std::string, Strings>; // conf, first value, energy
    for (const auto& [conf, first, energy] :
         {Layout{{17, 15, 0, 16}, "", {"0.0", "1.0", "2.5", "3.0", "0.0", "1.0"}},
          Layout{{15, 17, 15, 0, 16}, "100.0 ", {"0.5", "1.5", "3.0", "3.5", "2.0", "3.0"}}}) {
        setNode(conf, 10000);
        const int n = static_cast<int>(conf.size()) - 1; // data columns
        std::string file =
            "Time[s]: 900\r\n" + std::string(first.empty() ? "" : "\"I\" ") + "\"P\" \"I\" \"E\" \r\n";
        for (const std::string r :
             {"2.00 500.0", "4.00 800.0", "6.00 200.0", "2.00 400.0", "8.00 600.0", "4.00"})
            file += first + r + (r.size() > 4 ? " 10.0" : "") + " \r\n"; // the last row: power only
        ASSERT_EQ(load(file, 6), 1);
        ASSERT_EQ(table_.columnCount(), 2 + n + 2);
        EXPECT_EQ(table_.header(2 + n), "Rendimento (%)");
        for (int r = 0; r < 6; ++r) {
            EXPECT_EQ(table_.cell(r, 2 + n), efficiency[static_cast<size_t>(r)]) << r;
            EXPECT_EQ(table_.cell(r, 3 + n), energy[static_cast<size_t>(r)]) << r;
        }
    }
}

TEST_F(TableLoad, DerivedColumnsNeedAnEnergyBoardAndTheirInputs) {
    using Case = std::tuple<int, std::vector<uint16_t>, int, Strings>; // headers, cells after the data
    for (const auto& [mw51, conf, pnom, extra] :
         {Case{0, {17, 15, 0, 16}, 10000, {}}, Case{1, {17, 15, 12}, 10000, {"Rendimento (%)", "40.0"}},
          Case{1, {17, 12, 0, 16}, 10000, {"Energia 24h (kWh)", "0.0"}},
          Case{1, {17, 15, 0, 16}, 299, {"Rendimento (%)", "Energia 24h (kWh)", "_Pnom_low", "0.0"}}}) {
        Flag.MW51 = mw51;
        setNode(conf, static_cast<uint32_t>(pnom));
        ASSERT_EQ(load(sessionFile(900, {"a", "b", "c"}, {{"2.00", "500.0", "10.0"}}), 1), 1);
        Strings got = headersOf(table_), cells = rowOf(table_, 0);
        got.erase(got.begin(), got.begin() + 5);
        got.insert(got.end(), cells.begin() + 5, cells.end());
        EXPECT_EQ(got, extra) << pnom;
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
    EXPECT_EQ(readFileBytes("140523_101500"), body);
    EXPECT_EQ(InfoSES.nSubItem, 3u); // six quotes
    EXPECT_EQ(InfoSES.nItem, 3u);
    // A source that is the working file itself would be destroyed by making it: refused, kept.
    const std::string self = "Start: 140523_101500\r\n" + body;
    writeBytes("140523_101500", self);
    EXPECT_EQ(loadFileTxtFrom("./140523_101500"), 0);
    EXPECT_EQ(readFileBytes("140523_101500"), self);
}

TEST_F(TableLoadFileTxt, BadSourcesAreRefusedAndTheSampleTimeLineIsChecked) {
    for (const std::string bad : {
             "Time[s]: 60\r\n\"A\" \r\n1 \r\n",                   // no start line
             "Start: 140523_1015",                                // cut short
             "Start: ../../_123456\r\nTime[s]: 60\r\n\"A\" \r\n", // a path for a start time
             "Start: 140523_101500\r\nTime[s]: 60\r\n\"A\" ",     // header without line end
         }) {
        writeBytes("bad.txt", bad);
        EXPECT_EQ(loadFileTxtFrom("bad.txt"), 0) << bad;
        EXPECT_FALSE(std::filesystem::exists("140523_101500")) << bad;
    }
    for (const auto& [line, tsample] : {std::pair<std::string, int>{"Time[s]: 65535\r\n", 65535},
                                        {"Time[s]: 0\r\n", 1800},
                                        {"Time[s]: 70000\r\n", 1800}, // not wrapped to 16 bits
                                        {"", 1800}}) {
        Tsample = 1800;
        writeBytes("x.txt", "Start: 140523_101500\r\n" + line + "\"A\" \r\n1 \r\n2 \r\n");
        ASSERT_EQ(loadFileTxtFrom("x.txt"), 1) << line;
        EXPECT_EQ(Tsample, tsample) << line;
    }
}

class TableEdit : public TableTest {
  protected:
    // Data columns C2, C3, ... holding `rows`.
    void fill(const std::vector<Strings>& rows) {
        clearColumnSelection(SelCol);
        Strings titles;
        for (size_t c = 0; c < rows[0].size(); ++c) titles.push_back("C" + std::to_string(c + 2));
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
        {{"_Irr_low", "0.0"}, "50.0"},
        {{"Err", "1013.07"}, "1013.07"}, // a missing reading is left out of the mean
        {{"Err", "Err"}, "Err"},
        {{"-1234567.8", "-1234567.8"}, "-1234567.8"}, // longer than nine characters: read whole
        {{"3.0", "_x"}, "3"},                         // another marker reads as the last number read
    };
    for (const auto& [values, merged] : cases) {
        fill({{"10", "10"}, values}); // row 1: a pass starts on row 0
        select({2, 3});
        EXPECT_EQ(mergeCol(table_, SelCol), 1);
        EXPECT_EQ(rowOf(table_, 1), (Strings{"    2", "151231_224830", merged})) << values[0];
        EXPECT_EQ((std::array{SelCol[0], SelCol[2], SelCol[3]}), (std::array{1, 1, 0})); // target stays
    }
    fill({{"1", "5", "3", "7"}}); // columns apart: the one between them stays
    select({2, 4});
    EXPECT_EQ(mergeCol(table_, SelCol), 1);
    EXPECT_EQ(rowOf(table_, 0), (Strings{"    1", "151231_224730", "2", "5", "7"}));
    EXPECT_EQ(mergeCol(table_, SelCol), 0); // one column left selected
}

// The questions, merges, moves and deletes through the dialog are covered by its own tests; here
// the refusals and the column limits.
TEST_F(TableEdit, CommandsRefuseWhatTheRulesForbid) {
    fill({{"a0", "b0"}});
    InfoSES.nSubItem = 2;
    select({2});
    ui_.expect("Procedere alla fusione delle colonne selezionate ?", "Warning", MsgAnswer::Yes);
    EXPECT_EQ(mergeColumnsCommand(table_), 0); // one column
    EXPECT_EQ(ui_.last()->text, "Fusione non completata !");
    clearColumnSelection(SelCol);
    ui_.expect("Procedere all'eliminazione delle colonne selezionate ?", "Warning", MsgAnswer::Yes);
    EXPECT_EQ(deleteColumnsCommand(table_), 0); // nothing selected
    EXPECT_EQ(ui_.last()->text, "Eliminazione colonne non completata !");
    for (int col : {1, 242}) { // "Time" and columns beyond 241 are never selected
        onDataColumnClick(table_, SelCol, col, false);
        EXPECT_EQ(SelCol[0], 0) << col;
    }
}

TEST_F(TableEdit, OnlyTheRunOfUnselectedRowsIsKept) {
    const std::tuple<std::string, int, int, int> cases[] = {
        {"SSUUUSS", 1, 2, 4}, {"USSS", 1, 0, 0}, {"SSSU", 1, 3, 3}, {"UUSUU", 0, 0, 0}, {"SSSS", 0, 0, 0},
    };
    for (const auto& [marks, result, first, last] : cases) {
        fill(std::vector<Strings>(marks.size(), Strings{"1"}));
        for (int r = 0; r < static_cast<int>(marks.size()); ++r)
            table_.setRowSelected(r, marks[static_cast<size_t>(r)] == 'S');
        EXPECT_EQ(get_listview_sel(table_), result) << marks;
        EXPECT_EQ(result ? First_itemval * 100 + Last_itemval : 0, first * 100 + last) << marks;
    }
}

} // namespace
