// Missing readings ("Err", an empty cell) in the data table's arithmetic: the derived columns of
// an energy board count only the rows present; the marker texts keep their values. (The column
// graph's handling of them is tested with the graph.)
#include <cmath>

#include "table_test_support.h"

namespace {

using Strings = std::vector<std::string>;

class MissingInTable : public TableTest {};

// An energy board's day with missing power and irradiance readings (quantity codes: 17 power,
// 15 irradiance, 16 energy). Rows of 900 s; a day's energy counts the rows present; a row
// missing either input has no efficiency; until the day's first power reading the energy is
// missing too. The first row of 1 January follows the day's reset after its first value.
TEST_F(MissingInTable, DerivedColumnsCountOnlyTheRowsPresent) {
    Flag.MW51 = 1;
    Tsample = 900;
    DataTimeSS = "151231_230000"; // the fifth row is the first of 1 January
    setNode({15, 17, 15, 0, 16}, 10000);
    using Row = std::tuple<std::string, std::string, std::string>; // file row; efficiency, energy
    const Row rows[] = {
        {"Err Err Err 10.0", "Err", "Err"},         // nothing yet today
        {"Err 4.00 800.0 10.0", "50.0", "1.0"},     // 4 kW over 900 s
        {"Err Err 800.0 10.0", "Err", "1.0"},       // no power: nothing added, no efficiency
        {"Err 2.00 Err 10.0", "Err", "1.5"},        // no irradiance: the last one is not reused
        {"Err 8.00 100.0 10.0", "_Irr_low", "2.0"}, // new day: reset after the first value
        {"Err Err 600.0 10.0", "Err", "2.0"},       {"Err 4.00 600.0 10.0", "66.7", "3.0"},
    };
    std::string file = "Time[s]: 900\r\n\"I\" \"P\" \"I2\" \"E\" \r\n";
    for (const auto& [line, eff, energy] : rows) file += line + " \r\n";
    ASSERT_EQ(load(file, 7), 1);
    ASSERT_EQ(headersOf(table_).size(), 8u);
    for (int r = 0; r < 7; ++r) {
        const auto& [line, eff, energy] = rows[r];
        EXPECT_EQ((Strings{std::string(table_.cell(r, 6)), std::string(table_.cell(r, 7))}),
                  (Strings{eff, energy}))
            << line;
    }
    // The missing cells themselves stay as they were.
    EXPECT_EQ((Strings{std::string(table_.cell(0, 2)), std::string(table_.cell(0, 3))}),
              (Strings{"Err", "Err"}));
}

// The marker texts keep their values wherever cells are combined; "Err" and an empty cell are
// missing; export writes the markers' numbers and "Err".
TEST_F(MissingInTable, MarkersKeepTheirValuesAndMissingCellsStayMissing) {
    using Case = std::tuple<std::string, bool, double>; // cell; numeric, value (row 1 after 7.5)
    for (const auto& [text, numeric, value] :
         {Case{"_Irr_low", true, 100.0}, Case{"_Pnom_low", true, 0.0}, Case{"_other", true, 7.5},
          Case{"Err", false, 0.0}, Case{"", false, 0.0}, Case{"n/a", false, 0.0}}) {
        readCellNumber("7.5", 0);
        const CellNumber n = readCellNumber(text, 1);
        EXPECT_EQ(n.numeric, numeric) << text;
        if (numeric) {
            EXPECT_EQ(n.value, value) << text;
        }
        TableModel t;
        t.insertColumn(0, "Item");
        t.insertColumn(1, "Time");
        t.insertColumn(2, "A");
        t.appendRow(Strings{"1", "t", "7.5"});
        t.appendRow(Strings{"2", "t", text});
        int prec = 0;
        strLV_num(t, 0, 2, prec);
        const float f = strLV_num(t, 1, 2, prec);
        EXPECT_EQ(std::isnan(f), !numeric) << text;
        if (numeric) {
            EXPECT_EQ(f, static_cast<float>(value)) << text;
        }
    }
}

} // namespace
