// Commands on the device's current session: probe, info, download.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "boards/board_utils.h"
#include "cli/cli.h"
#include "cli/cmd_archive.h"
#include "cli/cmd_table.h"
#include "link/korvane_com.h"
#include "link/verified_reply.h"
#include "logger/download.h"
#include "logger/session.h"
#include "shell/startup.h"

namespace {

int cmdProbe(const CliArgs& args) {
    if (!args.empty()) return usageError("probe takes no arguments");
    if (findDevice() != 1) return reportNoDevice();
    std::printf("Porta di comunicazione... %s\n", CommPort.c_str());
    if (Flag.modem == 1) {
        std::printf("Modem.................... OK\n");
    } else {
        const char* label = Flag.MW51 == 1    ? "Versione firmware MW..... "
                            : Flag.VKE15 == 1 ? "Versione firmware VKE15.. "
                                              : "Versione firmware RX4X... ";
        std::printf("%s%s\n", label, Flag.RX43BOOT == 1 ? Flag.bootvers.c_str() : FW_release.c_str());
    }
    return 0;
}

int cmdInfo(const CliArgs& args) {
    bool verbose = false, utf8 = false;
    long retries = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-v") {
            verbose = true;
        } else if (args[i] == "--verify") {
            Verify.on = true;
        } else if (args[i] == "--utf8") {
            utf8 = true;
        } else if (args[i] == "--retries" && i + 1 < args.size()) {
            if (!parseNumber(args[++i], 0, 1000000, retries)) return usageError("--retries takes a number");
        } else {
            return usageError("info: unexpected argument " + args[i]);
        }
    }
    Flag.verbose = verbose ? 1 : 0;
    if (int rc = openSession(retries)) return rc;
    StringTextBox box;
    printInfoSes(&box, Flag.verbose);
    printText(box.text, utf8);
    return 0;
}

int cmdDownload(const CliArgs& args) {
    long seconds = -1, pages = -1, retries = 0;
    bool verbose = false, verify = false;
    std::string dir, why, archivePath;
    ExportOptions exportTo;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (OptionTaken t = takeExportOption(args, i, exportTo, why); t != OptionTaken::No) {
            if (t == OptionTaken::Bad) return usageError(why);
        } else if (ArchiveOption o = takeArchiveOption(args, i, archivePath); o != ArchiveOption::No) {
            if (o == ArchiveOption::Bad) return usageError("--archive needs FILE");
        } else if (a == "-v") {
            verbose = true;
        } else if (a == "--verify") {
            verify = true;
        } else if (a == "-s" && hasValue) {
            if (!parseNumber(args[++i], 1, 65535, seconds)) return usageError("-s takes 1..65535 seconds");
        } else if (a == "-n" && hasValue) {
            if (args[++i] == "all")
                pages = 4095;
            else if (!parseNumber(args[i], 0, 4095, pages))
                return usageError("-n takes a page count or 'all'");
        } else if (a == "-d" && hasValue) {
            dir = args[++i];
        } else if (a == "--retries" && hasValue) {
            if (!parseNumber(args[++i], 0, 1000000, retries)) return usageError("--retries takes a number");
        } else {
            return usageError("download: unexpected argument " + a);
        }
    }
    if (!exportOptionsComplete(exportTo, why)) return usageError(why);
    if (!dir.empty() && chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "korvane-cli: cannot use folder %s\n", dir.c_str());
        return 1;
    }
    Flag.verbose = verbose ? 1 : 0;
    Verify.on = verify;
    if (int rc = openSession(retries)) return rc;
    if (Flag.table_error != 0 || Flag.time_error != 0) {
        messageBox(nullptr, "Procedura di scaricamento non completata !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
        return 1;
    }
    if (seconds > 0) {
        Tsample = static_cast<uint16_t>(seconds);
    } else if (Flag.MW51 == 1 || Flag.VKE15 == 1) {
        uint8_t par[2] = {};
        Tsample = get_MW51_par(2, 7, par) == 1 ? static_cast<uint16_t>(par[0] | (par[1] << 8)) : 900;
        if (Tsample == 0) Tsample = 900;
    }
    if (pages >= 0) TotalPagNumDload = static_cast<uint16_t>(pages > TotalPagNum ? TotalPagNum : pages);
    const std::string name = DataTimeSS;
    if (!archivePath.empty()) keepRecordsForArchive();
    if (saveFile(nullptr, name) != 1) {
        if (ConsoleUi::interrupted()) return 130;
        if (Com_lost) messageBox(nullptr, lostPortText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
        messageBox(nullptr, "Procedura di scaricamento non completata !", "Warning", MsgButtons::Ok,
                   MsgIcon::Warning);
        return 1;
    }
    std::error_code ec;
    std::printf("%s\n", (std::filesystem::current_path(ec) / name).string().c_str());
    std::fflush(stdout);
    const int archived = archivePath.empty() ? 0 : importIntoArchive(archivePath, "download " + CommPort);
    if (archived == 130) return 130;
    const int exported = exportTo.wanted ? exportWorkingTable(exportTo.output) : 0;
    return exported != 0 ? exported : archived;
}

const CliCommandRegistrar
    kProbe({"probe",
            "probe                      find and identify the device; print the port and "
            "firmware lines",
            cmdProbe, 10});
const CliCommandRegistrar
    kInfo({"info",
           "info [-v] [--retries N] [--verify] [--utf8]\n"
           "                             read the current session and print its summary (-v: "
           "with the page\n"
           "                             and register lines); a failed step is retried N times "
           "(default 0);\n"
           "                             --verify: every register and page read as download --verify does",
           cmdInfo, 20});
const CliCommandRegistrar kDownload(
    {"download",
     "download [-s SECONDS] [-n PAGES|all] [-v] [-d DIR] [--retries N] [--verify]\n"
     "         [-e A|B [-c] -o FILE] [--archive FILE.db]\n"
     "                             download the session and write its data file (named by the session\n"
     "                             start) in DIR (default: the current folder); -s sample time (default\n"
     "                             1800, a board's own setting for boards), -n how many of the most\n"
     "                             recent data pages (default: all, at most 4 for boards and modems),\n"
     "                             -v also the dump RX41data.txt and the flash image RX41data.bin;\n"
     "                             --verify reads every block and register until its copies agree\n"
     "                             (two, three once the line lost or changed a byte): slower, for a\n"
     "                             faulty line;\n"
     "                             -e also exports the data to FILE in format A or B (-c: decimal\n"
     "                             comma), as the data table's \"Save\" does; --archive also merges the\n"
     "                             records into the plant archive FILE.db.\n"
     "                             Prints the data file's path. Exit 0 done, 1 failed, 130 stopped,\n"
     "                             3 written but not archived, 4 archived with conflicting records.",
     cmdDownload, 30});

} // namespace
