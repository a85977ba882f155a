// The telephone number's files: VAruzizu.ini, the phone-book files and the command line's
// phone-book folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "boards/input_boxes.h"
#include "shell/config_files.h"
#include "shell/phone_book.h"
#include "support/fixture.h"
#include "support/state_guard.h"

namespace {

class PhoneBook : public KorvaneTest {
  protected:
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string p = dir_.file(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    TempDir dir_;
};

TEST_F(PhoneBook, PhoneBookFilesLoadUpToFifteenCharactersAsSaveIniWritesThem) {
    const struct {
        std::string bytes;
        int result;
        std::string number;
    } cases[] = {
        {"Ntel=+390551234567\r\n", 1, "+390551234567"},     // 13 characters
        {"Ntel=003905512345678\r\n", 1, "003905512345678"}, // 15: the CR LF after them is no overflow
        {"Ntel=0039055123456789\r\n", 0, ""},               // 16
        {"Ntel=0039055\r\n12345678", 1, "003905512345678"}, // line ends are skipped anywhere
        {"Ntel=", 1, ""},
        {"ntel=0551234\r\n", 0, ""},
        {"Ntel", 0, ""},
        {"Numero=0551234\r\n", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::string number = "unchanged";
        EXPECT_EQ(readPhoneBookFile(write("a.tel", c.bytes), number), c.result);
        if (c.result == 1) {
            EXPECT_EQ(number, c.number);
        }
    }
    std::string number;
    EXPECT_EQ(readPhoneBookFile(dir_.file("missing.tel"), number), 0);

    // What save_ini writes is read back, up to the longest number.
    for (const std::string n : {"", "0551234567", "+39055123456789"}) {
        Ntel = n;
        save_ini(dir_.file("saved.tel"));
        EXPECT_EQ(readFileBytes(dir_.file("saved.tel")), "Ntel=" + n + "\r\n");
        ASSERT_EQ(readPhoneBookFile(dir_.file("saved.tel"), number), 1) << n;
        EXPECT_EQ(number, n);
    }
}

TEST_F(PhoneBook, LoadIniReadsOnlyAFirstNtelLineAndRefusesWhatDoesNotFit) {
    const struct {
        std::string bytes;
        std::string ntel; // after loading over "keep"
    } cases[] = {
        {"Ntel=0551234567\r\n", "0551234567"},
        {"Ntel=0551234567", "0551234567"},
        {"Ntel=0551234567\n", "0551234567"},
        {"Ntel=+39055123456789\r\n", "+39055123456789"},
        {"Ntel=+390551234567890\r\n", "keep"},      // 16 characters: not cut into another number
        {"Altro=1\r\nNtel=0551234567\r\n", "keep"}, // a different first key
        {"Ntel=1\r\nNtel=2\r\n", "1"},              // the LF begins the next key
        {std::string(60, 'K') + "=1\r\nNtel=2\r\n", "keep"},
        {"=0551234567\r\n", "keep"},
        {"", "keep"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        Ntel = "keep";
        load_ini(write("VAruzizu.ini", c.bytes));
        EXPECT_EQ(Ntel, c.ntel);
    }
    Ntel = "keep";
    load_ini(dir_.file("missing.ini"));
    EXPECT_EQ(Ntel, "keep");
}

TEST_F(PhoneBook, ANumberWithZeroBytesIsSavedWholeAndLoadsBackTheSame) {
    const std::string number("055\0\0"
                             "12",
                             7);
    std::string read;
    ASSERT_EQ(readPhoneBookFile(write("zero.tel", "Ntel=" + number + "\r\n"), read), 1);
    ASSERT_EQ(read, number);
    Ntel = read;
    save_ini(dir_.file("again.tel"));
    EXPECT_EQ(readFileBytes(dir_.file("again.tel")), "Ntel=" + number + "\r\n");
    Ntel = "keep";
    load_ini(dir_.file("again.tel"));
    EXPECT_EQ(Ntel, number);
}

TEST_F(PhoneBook, VaruzizuIsReadFromTheProgramFolderThenTheUserFolderAndWrittenToTheUserFolder) {
    TempDir exe;
    Exe_dir = exe.path();
    const std::string user = userConfigDir();
    EXPECT_EQ(user, configDir_.path() + "/korvane");
    loadRemoteIni();
    EXPECT_EQ(Ntel, "");
    std::ofstream(exe.file("VAruzizu.ini"), std::ios::binary) << "Ntel=111\r\n";
    loadRemoteIni();
    EXPECT_EQ(Ntel, "111");
    Ntel = "222";
    EXPECT_EQ(saveRemoteIni(), user + "/VAruzizu.ini");
    EXPECT_EQ(readFileBytes(user + "/VAruzizu.ini"), "Ntel=222\r\n");
    EXPECT_EQ(readFileBytes(exe.file("VAruzizu.ini")), "Ntel=111\r\n")
        << "the program's folder is not written";
    Ntel.clear();
    loadRemoteIni();
    EXPECT_EQ(Ntel, "222") << "the user's number wins";
    EXPECT_EQ(findConfigFile("VAruzizu.ini"), exe.file("VAruzizu.ini"));
}

TEST_F(PhoneBook, RubricaBoxesLoadIntoEditBufAndSave) {
    write("impianto.tel", "Ntel=0557654321\r\n");
    ui_.filePath(dir_.file("impianto.tel"));
    ASSERT_EQ(loadFileRub(), 1);
    EXPECT_EQ(EditBuf, "0557654321");
    ASSERT_EQ(ui_.fileBoxes.size(), 1u);
    EXPECT_EQ(ui_.fileBoxes[0].defaultExt, "tel");
    EXPECT_TRUE(ui_.fileBoxes[0].mustExist);
    ui_.fileCancel();
    EXPECT_EQ(loadFileRub(), 0);
    ui_.filePath(write("bad.tel", "Ntel=12345678901234567\r\n"));
    EXPECT_EQ(loadFileRub(), 0);

    Ntel = "0551112222";
    ui_.filePath(dir_.file("nuovo.tel"));
    ASSERT_EQ(saveFileRub(), 1);
    EXPECT_TRUE(ui_.fileBoxes.back().askOverwrite);
    EXPECT_EQ(readFileBytes(dir_.file("nuovo.tel")), "Ntel=0551112222\r\n");
    ui_.fileCancel();
    EXPECT_EQ(saveFileRub(), 0);
}

TEST_F(PhoneBook, NumbersAndNamesOfTheCommandLinePhoneBook) {
    for (const char* ok : {"0551234567", "+390551234567", "*31#055,12", "123456789012345"})
        EXPECT_TRUE(validPhoneNumber(ok)) << ok;
    for (const char* bad : {"", "+", "055 123", "05+5", "1234567890123456", "ATH", "055\r"})
        EXPECT_FALSE(validPhoneNumber(bad)) << bad;
    for (const char* bad : {"", ".hidden", "a/b", "../x"}) EXPECT_FALSE(validPhoneBookName(bad)) << bad;

    write("b.tel", "Ntel=222\r\n");
    write("a.tel", "Ntel=111\r\n");
    write("rotto.tel", "xyz");
    write("altro.txt", "Ntel=333\r\n");
    const auto entries = listPhoneBook(dir_.path());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name + entries[0].number + entries[1].name + entries[1].number, "a111b222");
    EXPECT_FALSE(entries[2].valid);
    std::string number;
    EXPECT_EQ(lookUpPhoneBook(dir_.path(), "b", number), 1);
    EXPECT_EQ(number, "222");
    EXPECT_EQ(lookUpPhoneBook(dir_.path(), "../b", number), 0);
    EXPECT_EQ(phoneBookDir(), configDir_.path() + "/korvane/rubrica");
}

} // namespace
