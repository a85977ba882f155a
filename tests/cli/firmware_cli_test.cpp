// korvane-cli firmware and flash commands, as a user runs them, against the simulator.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "sim/firmware_file.h"
#include "sim/sim.h"
#include "support/env_guard.h"
#include "support/fixture.h"
#include "support/flash_image_builder.h"
#include "support/process.h"

namespace {

std::string fw(const std::string& name) {
    return fixturePath("firmware-basic/" + name);
}

struct FirmwareCli {
    TempDir dev; // an empty device folder: the machine's own ports stay out of the scan
    TempDir work;
    ProcessResult run(std::vector<std::string> args, int interruptAfterMs = 0) const {
        args.insert(args.begin(), KORVANE_CLI_PATH);
        return runProcess(args, {"KORVANE_DEV_DIR=" + dev.path(), "KORVANE_PORTS="}, work.path(), 120000,
                          interruptAfterMs);
    }
};

std::unique_ptr<sim::Simulator> startSim(sim::DeviceKind kind, const char* scenario = "") {
    sim::SimOptions o;
    o.kind = kind;
    o.scenario = scenario;
    auto s = std::make_unique<sim::Simulator>(o);
    EXPECT_TRUE(s->start());
    return s;
}

TEST(FirmwareCliFiles, InfoChecksEveryLineAndCompareFindsTheFirstDifference) {
    FirmwareCli cli;
    auto r = cli.run({"firmware", "info", fw("board.fw")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "file........ " + fw("board.fw") +
                         "\nboard....... 5 (MW51)\nversion..... 3.6\n"
                         "records..... 46 (23 blocks of 64 bytes, 1472 program bytes)\n"
                         "line CRCs... 46 of 46 correct\nstatus...... valid\n");
    r = cli.run({"firmware", "info", fw("invalid/swapped-crc.fw")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("line CRCs... 45 of 46 correct\n  line 31: CRC mismatch\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("status...... refused: record CRC mismatch (line 31)"), std::string::npos);
    EXPECT_EQ(cli.run({"firmware", "info", fw("invalid/no-header.fw")}).status, 1);

    r = cli.run({"firmware", "compare", fw("lowercase.fw"), fw("expected/dump.ee")});
    EXPECT_EQ(r.status, 0) << r.out;
    // A firmware file whose record 3 differs from the board's memory in one byte.
    std::string mem = readFileBytes(fw("expected/board-after-upload.bin"));
    mem[0x100 + 3 * 32 + 7] ^= 0x10;
    writeTextFile(cli.work.file("other.fw"),
                  sim::makeFirmwareFile(std::vector<uint8_t>(mem.begin() + 0x100, mem.begin() + 0x100 + 1472),
                                        {5, '3', '6'}));
    r = cli.run({"firmware", "compare", cli.work.file("other.fw"), fw("expected/dump.ee")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "different: " + cli.work.file("other.fw") + " line 5, " + fw("expected/dump.ee") +
                         " line 12\n");
}

TEST(FirmwareCliDevice, UploadDumpAndCompareOnABoard) {
    FirmwareCli cli;
    auto s = startSim(sim::DeviceKind::MW51);
    const std::string port = "-p" + s->slavePath();
    auto r = cli.run({port, "firmware", "upload", fw("board.fw"), "--fast", "--interval", "20"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "uploaded 46 records (23 blocks) in fast mode\n");
    const auto mem = s->deviceState().program.bytes;
    EXPECT_EQ(std::string(mem.begin(), mem.end()), readFileBytes(fw("expected/board-after-upload.bin")));

    r = cli.run({port, "firmware", "dump", "board.ee", "--fast"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(cli.work.file("board.ee")), readFileBytes(fw("expected/dump.ee")));
    EXPECT_EQ(cli.run({"firmware", "compare", fw("board.fw"), cli.work.file("board.ee")}).status, 0);

    // A logger takes its firmware from its boot loader only.
    auto logger = startSim(sim::DeviceKind::RX42, "empty");
    r = cli.run({"-p" + logger->slavePath(), "firmware", "upload", fw("board.fw")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("needs an energy or interface board"), std::string::npos);
}

TEST(FirmwareCliDevice, CtrlCStopsAnUploadAndSaysHowFarItGot) {
    FirmwareCli cli;
    auto s = startSim(sim::DeviceKind::MW51);
    writeTextFile(cli.work.file("big.fw"), sim::makeFirmwareFile(sim::sampleProgram(400)));
    auto r = cli.run({"-p" + s->slavePath(), "firmware", "upload", "big.fw", "--fast"}, 1500);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_NE(r.err.find("Error: Upload non completato !"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" of 400 records acknowledged"), std::string::npos) << r.err;
    for (int i = 0; i < 300 && s->commands().back() != "ATCM10"; ++i) sleepMs(10);
    EXPECT_EQ(s->commands().back(), "ATCM10");
}

TEST(FirmwareCliDevice, BootLoaderUploadThenTheLoggerAnswers) {
    FirmwareCli cli;
    auto s = startSim(sim::DeviceKind::Boot);
    const auto program = sim::sampleProgram(6, 11);
    writeTextFile(cli.work.file("rx43.fw"), sim::makeFirmwareFile(program, {11, '2', '0'}));
    auto r = cli.run({"-p" + s->slavePath(), "firmware", "upload", "rx43.fw"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "uploaded 6 records (3 blocks) through the RX43 boot loader; the logger starts its new firmware\n");
    r = cli.run({"-p" + s->slavePath(), "probe"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("RX4X... B018"), std::string::npos) << r.out;
}

TEST(FirmwareCliDevice, FlashUploadWritesTheImage) {
    FirmwareCli cli;
    auto s = startSim(sim::DeviceKind::RX43, "empty");
    TestImage img;
    img.table(0, "240101_120000", {{9, {0x0F}}});
    img.records(1, {{9, 10, {42}}});
    img.write(cli.work.file("image.bin"), 528 * 2);
    auto r = cli.run({"-p" + s->slavePath(), "flash", "upload", "image.bin"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "uploaded 2 pages\n");
    const auto flash = s->deviceState().flash;
    EXPECT_EQ(std::string(flash.begin(), flash.begin() + 528 * 2), readFileBytes(cli.work.file("image.bin")));
    img.write(cli.work.file("bad.bin"), 600);
    r = cli.run({"-p" + s->slavePath(), "flash", "upload", "bad.bin"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File Error: Il file non contiene un numero intero di pagine dati !"),
              std::string::npos);
}

} // namespace
