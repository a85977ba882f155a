// Export of the data table: formats A and B, decimal point or comma, and the way back in.
#include "table_test_support.h"

#include "tables/export_format.h"

namespace {

class Export : public TableTest {
  protected:
    void fill(const std::vector<std::string>& titles, const std::vector<std::vector<std::string>>& rows) {
        ASSERT_EQ(load(sessionFile(60, titles, rows), static_cast<uint32_t>(rows.size())), 1);
    }
    std::string save(const std::string& name = "out.txt") {
        EXPECT_EQ(exportTable(table_, name, InfoSES), 1);
        return readFileBytes(name);
    }
};

TEST_F(Export, CellValuesKeepTheirDecimals) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"12.50", "12.50", "12,50"},
        {"0.12345", "Err", "Err"}, // five decimals
        {"-1234567.8", "-1234567.8", "-1234567,8"},
        {"1999999999", "1999999999", "1999999999"}, // a 32-bit counter keeps every digit
        {"_Pnom_low", "0", "0"},
        {"Err", "Err", "Err"}, // a missing reading (no pressure sensor answer) stays missing, never 0
        {" ", "Err", "Err"},   // a row without this value
    };
    for (const auto& [cell, point, comma] : cases) {
        fill({"A", "B"}, {{"1.5", "2"}, {"3.25", cell}});
        EXPECT_EQ(exportCellText(table_, 1, 3, 0), point) << cell;
        EXPECT_EQ(exportCellText(table_, 1, 3, 1), comma) << cell;
    }
}

TEST_F(Export, GoldenBytesOfBothFormats) {
    DataTimeSS = "140523_101500";
    Tsample = 900;
    fill({"CH4_1: Temperatura (0.00 \xB0"
          "C)",
          "B"},
         {{"12.50", "7"}, {"_Irr_low", "Err"}});
    Flag.comma = 1; // titles keep their points
    EXPECT_EQ(save(), "Start: 140523_101500\r\nTime[s]: 900\r\n"
                      "\"CH4_1: Temperatura (0.00 \xB0"
                      "C)\" \"B\" \r\n"
                      "12,50 7 \r\n100 Err \r\n");
    Flag.file_format = 1;
    Flag.comma = 0;
    EXPECT_EQ(save(), "\"DATE:\";\"TIME:\";\"CH4_1: Temperatura (0.00 \xB0"
                      "C)\";\"B\"\r\n"
                      "\"23.05.14\";\"10:15:00\";12.50;7\r\n"
                      "\"23.05.14\";\"10:30:00\";100;Err\r\n");
    EXPECT_EQ(formatBDateTime("1405"), "\"  .05.14\";\"  :  :  \""); // a damaged stamp, no overrun
}

TEST_F(Export, TheTableAsItStands) {
    fill({"A", "B", "C"}, {{"1", "2", "3"}, {"4", "5", "6"}, {"7", "8", "9"}});
    table_.setHeader(3, "B \"q\"");
    table_.setRowSelected(0, true); // the first row is cut: "Start:" follows the new first row
    ASSERT_EQ(deleteItems(table_), 1);
    SelCol[0] = 1, SelCol[4] = 1;
    ASSERT_EQ(deleteCol(table_, SelCol), 1);
    // A quote in a title would break the column count of a reload: it becomes an apostrophe
    // in format A, and is doubled in format B as spreadsheets expect.
    EXPECT_EQ(save(), "Start: 151231_224830\r\nTime[s]: 60\r\n\"A\" \"B 'q'\" \r\n4 5 \r\n7 8 \r\n");
    Flag.file_format = 1;
    EXPECT_EQ(save(), "\"DATE:\";\"TIME:\";\"A\";\"B \"\"q\"\"\"\r\n\"31.12.15\";\"22:48:30\";4;5\r\n"
                      "\"31.12.15\";\"22:49:30\";7;8\r\n");
}

TEST_F(Export, SaveBoxRemembersTheFileAndAFileThatCannotBeWrittenIsReported) {
    fill({"A"}, {{"1"}});
    std::filesystem::create_directory("sub");
    ui_.filePath("sub/chosen.txt");
    EXPECT_EQ(saveFile2(table_, DataTimeSS, InfoSES), 1);
    const std::filesystem::path here = std::filesystem::current_path();
    EXPECT_EQ((std::pair{Data_file, Data_dir}),
              (std::pair{(here / "sub/chosen.txt").string(), (here / "sub").string()}));
    EXPECT_EQ(exportTable(table_, "no_such_folder/out.txt", InfoSES), 0);
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0].text, "no_such_folder/out.txt non puo' essere scritto !");
    EXPECT_EQ(Data_file, (here / "sub/chosen.txt").string());
}

// A format A export loads again as the same table: rows, titles, times and values.
TEST_F(Export, FormatARoundTripOfTheFixtureSession) {
    useFixtureSession();
    Flag.MW51 = 1; // the day energy column comes back as an ordinary column
    ASSERT_EQ(load(readFileBytes(fixturePath("logger-basic/expected/151231_224730.T60")), 104), 1);
    TableModel before;
    std::swap(before, table_);
    ASSERT_EQ(exportTable(before, "export.txt", InfoSES), 1);
    Flag.MW51 = 0;
    Tsample = 1800;
    FirstTimeMarkerDload = 0; // the start line holds the first row's time
    ASSERT_EQ(loadFileTxtFrom("export.txt"), 1);
    EXPECT_EQ(Tsample, 60);
    ASSERT_EQ(loadLV(table_, DataTimeSS), 1);
    EXPECT_EQ(headersOf(table_), headersOf(before));
    ASSERT_EQ(table_.rowCount(), 104);
    for (int r = 0; r < table_.rowCount(); ++r) ASSERT_EQ(rowOf(table_, r), rowOf(before, r)) << r;
}

} // namespace
