// Commands on firmware: firmware files (info, compare with a dump), the board program upload or
// the RX43 boot-loader upload, the dump of a board's program memory, and the flash image upload
// into a logger.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/cli.h"
#include "firmware/crc_powerone.h"
#include "firmware/firmware_files.h"
#include "firmware/flash_upload.h"
#include "firmware/loader.h"
#include "firmware/upload.h"
#include "link/korvane_com.h"
#include "shell/korvane.h"
#include "shell/screen_rules.h"

namespace {

int firmwareInfo(const CliArgs& args) {
    if (args.size() != 2) return usageError("firmware info takes one firmware file");
    bool ok = false;
    const std::string bytes = readWholeFile(args[1], ok);
    if (!ok) {
        std::fprintf(stderr, "korvane-cli: cannot read %s\n", args[1].c_str());
        return 1;
    }
    auto fw = std::make_unique<FirmwareImage>();
    const FwLoad load = parseFirmwareFile(bytes, *fw);
    if (load.fault == FwFault::NoHeader) {
        std::fprintf(stderr, "korvane-cli: %s: %s\n", args[1].c_str(), fwFaultText(load).c_str());
        return 1;
    }
    // Every record line on its own, also past the first fault.
    const auto lines = textLines(bytes);
    size_t last = lines.size();
    while (last > 1 && lines[last - 1].empty()) --last;
    unsigned records = 0, bad = 0;
    std::string faults;
    for (size_t i = 1; i < last; ++i) {
        std::array<uint8_t, kFwRecordSize> rec{};
        ++records;
        const char* what = nullptr;
        if (!decodeRecordLine(lines[i], rec))
            what = "not 68 hexadecimal digits";
        else if (crc_powerone(rec.data(), static_cast<int>(kFwRecordBytes)) != 1)
            what = "CRC mismatch";
        if (what) {
            ++bad;
            faults += "  line " + std::to_string(i + 1) + ": " + what + "\n";
        }
    }
    std::printf("file........ %s\n", args[1].c_str());
    std::printf("board....... %u (%s)\n", static_cast<unsigned>(fw->scheda), Lista_schede[fw->scheda & 15]);
    std::printf("version..... %s\n", fw->ver.data());
    std::printf("records..... %u (%u blocks of 64 bytes, %u program bytes)\n", records, records / 2,
                records * 32);
    if (bad == 0)
        std::printf("line CRCs... %u of %u correct\n", records, records);
    else
        std::printf("line CRCs... %u of %u correct\n%s", records - bad, records, faults.c_str());
    if (load.ok != 1) {
        std::printf("status...... refused: %s\n", fwFaultText(load).c_str());
        return 1;
    }
    std::printf("status...... valid\n");
    return 0;
}

// The loaded firmware file for an upload, with the loader screen's message when it is refused.
bool loadForUpload(const std::string& path) {
    const FwLoad load = readFirmwareFile(path, FW);
    File_fw = path;
    if (load.ok == 1) return true;
    messageBox(nullptr, "File sorgente non valido !", "File error", MsgButtons::Ok, MsgIcon::Error);
    std::fprintf(stderr, "korvane-cli: %s: %s\n", path.c_str(), fwFaultText(load).c_str());
    return false;
}

int notForLoggers(const char* what) {
    std::fprintf(stderr, "korvane-cli: %s needs an energy or interface board%s\n", what,
                 Flag.RX43BOOT == 1 ? "" : " (a logger takes its firmware from its boot loader)");
    return 1;
}

int firmwareUpload(const CliArgs& args) {
    bool fast = false, reset = false;
    long interval = -1, retries = 3;
    std::string file;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--fast") {
            fast = true;
        } else if (a == "--reset") {
            reset = true;
        } else if (a == "--interval" && i + 1 < args.size()) {
            if (!parseNumber(args[++i], 10, 999, interval)) return usageError("--interval takes 10..999 ms");
        } else if (a == "--retries" && i + 1 < args.size()) {
            if (!parseNumber(args[++i], 0, 1000, retries)) return usageError("--retries takes a number");
        } else if (file.empty() && !a.empty() && a[0] != '-') {
            file = a;
        } else {
            return usageError("firmware upload: unexpected argument " + a);
        }
    }
    if (file.empty()) return usageError("firmware upload takes a firmware file");
    if (interval > 0) T_updfw_fast = static_cast<uint16_t>(interval);
    if (!loadForUpload(file)) return 1;
    if (findDevice() != 1) return reportNoDevice();
    const bool boot = Flag.RX43BOOT == 1;
    if (!boot && !deviceIsBoard()) return notForLoggers("firmware upload");

    // Questions: a block the boot loader refused is sent again `retries` times; the board
    // reset that completes an update is made with --reset.
    auto asked = std::make_shared<long>(0);
    cliConsole().setPolicy(
        [asked, retries, reset](const std::string& text, const std::string&, MsgButtons b) {
            if (b != MsgButtons::YesNo) return MsgAnswer::Cancel;
            if (text.rfind("Upload terminato.", 0) == 0) return reset ? MsgAnswer::Yes : MsgAnswer::No;
            return (*asked)++ < retries && !ConsoleUi::interrupted() ? MsgAnswer::Yes : MsgAnswer::No;
        });
    UploadStats st;
    const int result = boot ? uploadFW2(nullptr, &st) : uploadFwRun(nullptr, fast, &st);
    const int after = loaderAfterUpload(nullptr, result);
    if (after == 0) {
        std::fprintf(stderr, "korvane-cli: %u of %u records acknowledged; %u errors, %u restarts\n", st.acked,
                     st.records, st.errors, st.restarts);
        if (!boot)
            std::fprintf(stderr, "korvane-cli: the board does not hold the new program: upload it again\n");
        return ConsoleUi::interrupted() ? 130 : 1;
    }
    std::printf("uploaded %u records (%u blocks) %s%s\n", st.records, st.records / 2,
                boot   ? "through the RX43 boot loader"
                : fast ? "in fast mode"
                       : "in normal mode",
                boot    ? "; the logger starts its new firmware"
                : reset ? "; the board restarted"
                        : "");
    if (st.errors) std::printf("%u errors recovered, %u restarts\n", st.errors, st.restarts);
    return 0;
}

int firmwareDump(const CliArgs& args) {
    bool fast = false;
    std::string file;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--fast")
            fast = true;
        else if (file.empty() && !args[i].empty() && args[i][0] != '-')
            file = args[i];
        else
            return usageError("firmware dump: unexpected argument " + args[i]);
    }
    if (file.empty()) return usageError("firmware dump takes an output file (.ee)");
    if (findDevice() != 1) return reportNoDevice();
    if (!deviceIsBoard()) return notForLoggers("firmware dump");
    unsigned blocks = 0;
    if (dumpEeprom(nullptr, file, fast, &blocks) != 1) {
        messageBox(nullptr, "Procedura di scaricamento non completata !", "Error", MsgButtons::Ok,
                   MsgIcon::Error);
        if (blocks > 0)
            std::fprintf(stderr, "korvane-cli: %s holds the first %u of %zu blocks only\n", file.c_str(),
                         blocks, kProgramBlocks);
        return ConsoleUi::interrupted() ? 130 : 1;
    }
    std::printf("%s\n", file.c_str());
    return 0;
}

int firmwareCompare(const CliArgs& args) {
    if (args.size() != 3) return usageError("firmware compare takes a firmware file and a dump");
    const CompareResult r = compareFiles(args[1], args[2]);
    if (r.same == 1) {
        std::printf("identical: every record of %s is in %s\n", args[1].c_str(), args[2].c_str());
        return 0;
    }
    if (!r.reason.empty())
        std::printf("different: %s\n", r.reason.c_str());
    else
        std::printf("different: %s line %u, %s line %u\n", args[1].c_str(), r.fwLine, args[2].c_str(),
                    r.eeLine);
    return 1;
}

int cmdFirmware(const CliArgs& args) {
    const std::string sub = args.empty() ? "" : args[0];
    if (sub == "info") return firmwareInfo(args);
    if (sub == "upload") return firmwareUpload(args);
    if (sub == "dump") return firmwareDump(args);
    if (sub == "compare") return firmwareCompare(args);
    return usageError("firmware takes info, upload, dump or compare");
}

int cmdFlash(const CliArgs& args) {
    if (args.size() != 2 || args[0] != "upload") return usageError("flash upload takes a flash image (.bin)");
    const std::string file = args[1];
    if (findDevice() != 1) return reportNoDevice();
    if (Flag.RX43BOOT == 1) return notForLoggers("flash upload");
    cliConsole().setPolicy([](const std::string&, const std::string&, MsgButtons b) {
        return b == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Cancel;
    });
    cliConsole().setFilePolicy([file](const FileBoxRequest&, bool save, std::string& path) {
        path = file;
        return !save;
    });
    FlashUploadStats st;
    const int r = flashImageUpload(nullptr, &st);
    if (r != 1) {
        if (st.frames > 0)
            std::fprintf(stderr, "korvane-cli: %u of %u pages written (%u frames of 48 bytes)\n",
                         st.frames / 11, st.pages, st.frames);
        return ConsoleUi::interrupted() ? 130 : 1;
    }
    std::printf("uploaded %u pages\n", st.pages);
    return 0;
}

const CliCommandRegistrar kFirmware(
    {"firmware",
     "firmware info FILE.fw      board type, version, records and the CRC of every line of a firmware\n"
     "                             file. Exit 0 valid, 1 refused\n"
     "  firmware upload FILE.fw [--fast] [--interval MS] [--reset] [--retries N]\n"
     "                             upload the firmware into the board (normal mode, or --fast: a record\n"
     "                             every MS ms, 10..999, default 100); --reset restarts the board with\n"
     "                             it afterwards. An RX43 in its boot loader gets it through the boot\n"
     "                             loader (a refused block is sent again N times, default 3). Exit 0\n"
     "                             done, 1 failed (the board does not hold it), 130 stopped\n"
     "  firmware dump FILE.ee [--fast]\n"
     "                             read the board's program memory into an EEPROM dump file (--fast:\n"
     "                             streamed, cannot be stopped). Exit 0 written, 1 failed, 130 stopped\n"
     "  firmware compare FILE.fw FILE.ee\n"
     "                             compare the firmware's program bytes with a dump. Exit 0 identical,\n"
     "                             1 different (the first differing lines are printed)",
     cmdFirmware, 80});
const CliCommandRegistrar
    kFlash({"flash",
            "flash upload FILE.bin      write a saved flash image (whole 528-byte pages) into the logger's\n"
            "                             flash. Exit 0 written, 1 refused or failed, 130 stopped",
            cmdFlash, 90});

} // namespace
