// Firmware files, EEPROM dumps and flash images against the golden bytes of
// tests/fixtures/firmware-basic.
#include <gtest/gtest.h>

#include <memory>

#include "firmware/firmware_files.h"
#include "sim/firmware_file.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/flash_image_builder.h"
#include "support/state_guard.h"

namespace {

std::string fw(const std::string& name) {
    return fixturePath("firmware-basic/" + name);
}

std::unique_ptr<FirmwareImage> loaded(const std::string& bytes, FwLoad* result = nullptr) {
    auto img = std::make_unique<FirmwareImage>();
    const FwLoad r = parseFirmwareFile(bytes, *img);
    if (result) *result = r;
    return img;
}

class FirmwareFiles : public KorvaneTest {};

TEST_F(FirmwareFiles, GoldenFilesLoadWithEveryLineEndAndCaseAndTheInvalidOnesAreRefused) {
    const std::string program = readFileBytes(fw("program.bin"));
    const struct {
        std::string file;
        int ok;
        FwFault fault;
        unsigned line;
    } cases[] = {
        {"board.fw", 1, FwFault::None, 0},
        {"lowercase.fw", 1, FwFault::None, 0},
        {"lf-only.fw", 1, FwFault::None, 0},
        {"invalid/odd-count.fw", 0, FwFault::OddCount, 0},
        {"invalid/swapped-crc.fw", 0, FwFault::BadCrc, 31},
        {"invalid/too-many.fw", 0, FwFault::TooMany, 1026},
        {"invalid/no-header.fw", 0, FwFault::NoHeader, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto img = std::make_unique<FirmwareImage>();
        const FwLoad r = readFirmwareFile(fw(c.file), *img);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.fault, c.fault);
        EXPECT_EQ(r.line, c.line);
        if (c.ok != 1) continue;
        EXPECT_EQ(img->npack, 46);
        EXPECT_STREQ(Lista_schede[img->scheda], "MW51");
        EXPECT_STREQ(img->ver.data(), "3.6");
        for (size_t k = 0; k < img->npack; ++k) {
            ASSERT_EQ(std::string(img->data[k].begin(), img->data[k].begin() + 32),
                      program.substr(32 * k, 32))
                << k;
        }
        EXPECT_EQ(img->data[0][32], 0x88);
        EXPECT_EQ(img->data[0][33], 0x81);
    }
}

TEST_F(FirmwareFiles, HeaderCountsAndLineShapes) {
    const std::string line0 = "3E80B9A884EBC9C5B2C58BE5032117695E79221070D5F779E527E47C0BCC2E458881";
    const std::string line1 = "B5E874C8A53E97004B5A2265C551FF628261B5E1B9F4E1723FF2EB5C2BF8AFAB9847";
    const struct {
        std::string text;
        int ok;
        FwFault fault;
        unsigned npack;
    } cases[] = {
        {"FW5 36\r\n", 1, FwFault::None, 0},
        {"FW5 36", 1, FwFault::None, 0},
        {"FWB 12\r\n" + line0 + "\r\n" + line1 + "\r\n\r\n\r\n", 1, FwFault::None,
         2}, // blank lines at the end
        {"FW5 36\r\n" + line0 + "\r\n" + line1 + "\r\n" + line0 + "\r\n", 0, FwFault::OddCount, 3},
        {"FW5 36\r\n" + line0 + "\r\n\r\n" + line1 + "\r\n", 0, FwFault::BadLine, 1}, // a blank line inside
        {"FW5 36\r\n" + line0.substr(0, 66) + "\r\n", 0, FwFault::BadLine, 0},
        {"FW5 36\r\n" + line0 + "0\r\n", 0, FwFault::BadLine, 0},
        {"FW5 36\r\n" + line0.substr(0, 60) + "G" + line0.substr(61) + "\r\n", 0, FwFault::BadLine, 0},
        {"FW\r\n", 0, FwFault::NoHeader, 0},
        {"fw5 36\r\n", 0, FwFault::NoHeader, 0},
        {"", 0, FwFault::NoHeader, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        FwLoad r;
        auto img = loaded(c.text, &r);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(r.fault, c.fault);
        if (c.ok == 1 || c.fault == FwFault::OddCount) {
            EXPECT_EQ(img->npack, c.npack);
        }
    }
    // The type digit in either case; anything else reads as board 0.
    EXPECT_EQ(loaded("FWb 12")->scheda, 11);
    EXPECT_EQ(loaded("FWx 12")->scheda, 0);
}

TEST_F(FirmwareFiles, OpenBoxSetsTheFileAndRefusalsLeaveNoUsableImage) {
    ui_.filePath(fw("lf-only.fw"));
    EXPECT_EQ(loadFileFW(), 1);
    EXPECT_EQ(File_fw, fw("lf-only.fw"));
    EXPECT_EQ(ui_.fileBoxes.back().defaultExt, "fw");
    EXPECT_TRUE(ui_.fileBoxes.back().mustExist);
    ui_.filePath(fw("invalid/swapped-crc.fw"));
    EXPECT_EQ(loadFileFW(), 0);
    EXPECT_EQ(File_fw, fw("invalid/swapped-crc.fw"));
    ui_.fileCancel();
    EXPECT_EQ(loadFileFW(), 0);
    ui_.filePath(fixturePath("firmware-basic") + "/missing.fw"); // no such file
    EXPECT_EQ(loadFileFW(), 0);
}

TEST_F(FirmwareFiles, DumpOfTheUploadedBoardIsTheGoldenDump) {
    const std::string mem = readFileBytes(fw("expected/board-after-upload.bin"));
    ASSERT_EQ(mem.size(), kProgramMemory);
    EXPECT_EQ(eepromDumpText(std::vector<uint8_t>(mem.begin(), mem.end())),
              readFileBytes(fw("expected/dump.ee")));
    // The maker's tool writes the fixture's files from the program.
    const std::string program = readFileBytes(fw("program.bin"));
    const std::vector<uint8_t> p(program.begin(), program.end());
    EXPECT_EQ(sim::makeFirmwareFile(p, {5, '3', '6'}), readFileBytes(fw("board.fw")));
    EXPECT_EQ(sim::makeFirmwareFile(p, {5, '3', '6', true}), readFileBytes(fw("lowercase.fw")));
    EXPECT_EQ(sim::makeFirmwareFile(p, {5, '3', '6', false, true}), readFileBytes(fw("lf-only.fw")));
}

TEST_F(FirmwareFiles, ComparisonIsOnBytesOverTheWholeProgram) {
    const std::string dump = readFileBytes(fw("expected/dump.ee"));
    for (const char* f : {"board.fw", "lowercase.fw", "lf-only.fw"}) {
        SCOPED_TRACE(f);
        const CompareResult r = compareFiles(fw(f), fw("expected/dump.ee"));
        EXPECT_EQ(r.same, 1) << r.reason;
    }
    // One byte changed in record 10 (dump line 19).
    std::string changed = dump;
    const size_t at = 18 * 70 + 4;
    changed[at] = changed[at] == '0' ? '1' : '0';
    auto img = loaded(readFileBytes(fw("board.fw")));
    CompareResult r = compareFirmwareDump(*img, changed);
    EXPECT_EQ(r.same, 0);
    EXPECT_NE(r.reason.find("line 19"), std::string::npos); // its CRC no longer matches
    // The same change with its CRC mended: a sound dump of a different program.
    std::vector<uint8_t> mem(kProgramMemory);
    std::vector<bool> known;
    unsigned bad = 0;
    ASSERT_TRUE(parseEepromDump(dump, mem, known, bad));
    mem[18 * 32] ^= 0x40;
    r = compareFirmwareDump(*img, eepromDumpText(mem));
    EXPECT_EQ(r.same, 0);
    EXPECT_EQ(r.fwLine, 12u);
    EXPECT_EQ(r.eeLine, 19u);
    // A dump cut short: the records past its end are not there.
    r = compareFirmwareDump(*img, dump.substr(0, 30 * 70));
    EXPECT_EQ(r.same, 0);
    EXPECT_EQ(r.fwLine, 24u);
    // No records compared: not identical.
    EXPECT_EQ(compareFirmwareDump(*loaded("FW5 36\r\n"), dump).same, 0);
}

TEST_F(FirmwareFiles, AFullFileWrapsItsLastEightRecordsToTheStartOfTheMemory) {
    const auto program = sim::sampleProgram(1024, 7);
    auto img = loaded(sim::makeFirmwareFile(program));
    ASSERT_EQ(img->npack, 1024);
    std::vector<uint8_t> mem(kProgramMemory);
    for (size_t k = 0; k < 1024; ++k)
        std::copy(program.begin() + 32 * k, program.begin() + 32 * (k + 1),
                  mem.begin() + ((0x100 + 32 * k) % kProgramMemory));
    EXPECT_EQ(compareFirmwareDump(*img, eepromDumpText(mem)).same, 1);
    mem[5] ^= 1; // record 1016 lies at address 0
    const CompareResult r = compareFirmwareDump(*img, eepromDumpText(mem));
    EXPECT_EQ(r.same, 0);
    EXPECT_EQ(r.fwLine, 1018u);
    EXPECT_EQ(r.eeLine, 1u);
}

TEST_F(FirmwareFiles, FileCompareNeedsBothFiles) {
    EXPECT_EQ(fileCompare(), 0);
    File_fw = fw("board.fw");
    EXPECT_EQ(fileCompare(), 0);
    File_ee = fw("expected/dump.ee");
    EXPECT_EQ(fileCompare(), 1);
    File_fw = fw("invalid/odd-count.fw");
    EXPECT_EQ(fileCompare(), 0);
}

TEST_F(FirmwareFiles, FlashImagesMustBeWholePagesWithinTheFlash) {
    const struct {
        uint64_t size;
        const char* problem;
    } sizes[] = {{528, ""},
                 {528ull * 4096, ""},
                 {0, "Il file non contiene un numero intero di pagine dati !"},
                 {529, "Il file non contiene un numero intero di pagine dati !"},
                 {529ull * 4096, "Il file non contiene un numero intero di pagine dati !"},
                 {528ull * 4097, "Dimensione file troppo grossa !"}};
    for (const auto& s : sizes) EXPECT_EQ(binFileSizeProblem(s.size), s.problem) << s.size;

    TempDir dir;
    TestImage full;
    full.write(dir.file("full.bin"));
    full.write(dir.file("odd.bin"), 529);
    File f;
    unsigned npag = 0;
    ui_.filePath(dir.file("full.bin"));
    ASSERT_EQ(getBinFile(nullptr, f, npag), 1);
    EXPECT_EQ(npag, 4096u);
    EXPECT_EQ(std::ftell(f.get()), 0);
    for (const auto& [file, text] :
         {std::pair{"odd.bin", "Il file non contiene un numero intero di pagine dati !"},
          std::pair{"missing.bin", "File immagine non trovato !"}}) {
        ui_.filePath(dir.file(file));
        File g;
        EXPECT_EQ(getBinFile(nullptr, g, npag), 0);
        EXPECT_EQ(ui_.last()->text, text);
        EXPECT_EQ(ui_.last()->title, "File Error");
    }
}

} // namespace
