// Commands on a saved flash image and its session list (the offline mode): sessions, info,
// decode. No device is touched.
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "cli/cli.h"
#include "cli/cmd_table.h"
#include "cli/cmd_archive.h"
#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/session.h"
#include "logger/time_marks.h"
#include "shell/korvane.h"
#include "shell/quick_view.h"
#include "tables/session_list.h"

namespace fs = std::filesystem;

int readSessionList(const std::string& dir) {
    std::error_code ec;
    fs::path folder = fs::absolute(dir, ec);
    if (ec) folder = dir;
    const std::string list = (folder / kDumpFile).string();
    cliConsole().setFilePolicy([list](const FileBoxRequest&, bool save, std::string& path) {
        if (save) return false;
        path = list;
        return true;
    });
    const int loaded = loadTable(nullptr, nullptr);
    cliConsole().setFilePolicy(nullptr);
    return loaded == 1 ? 0 : 1;
}

namespace {

// Chooses the session starting at `start` (the most recent one when empty) and decodes its
// table, pages and time markers from the image. 0 = chosen; otherwise the exit status.
int chooseSession(const std::string& start, QuickButtons& buttons, StringTextBox& summary) {
    std::string wanted = start.empty() ? Table[newestSession()].datainizio : start;
    bool listed = false;
    for (int i = 0; i < IndTab && !listed; ++i) listed = Table[i].datainizio == wanted;
    if (!listed) {
        std::fprintf(stderr, "korvane-cli: no session %s in the list\n", wanted.c_str());
        return 1;
    }
    Flag.verbose = 1;
    quickNewChoice(buttons, wanted, &summary);
    if (Flag.table_error != 0) {
        std::fprintf(stderr, "korvane-cli: the table page 0x%s of session %s cannot be decoded\n",
                     PageTab.c_str(), wanted.c_str());
        return 1;
    }
    return 0;
}

// Options shared by info and decode: DIR first, then the options. False on a usage error.
struct ImageArgs {
    std::string dir, session, outDir, archivePath;
    ExportOptions exportTo;
    long seconds = -1;
    bool utf8 = false;
};
bool parseImageArgs(const CliArgs& args, bool decode, ImageArgs& out, std::string& why) {
    if (args.size() < 2) {
        why = "image " + (args.empty() ? std::string("SUBCOMMAND") : args[0]) + " needs a folder";
        return false;
    }
    out.dir = args[1];
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (decode) {
            const OptionTaken t = takeExportOption(args, i, out.exportTo, why);
            if (t == OptionTaken::Bad) return false;
            if (t == OptionTaken::Yes) continue;
        }
        if (a == "--session" && hasValue) {
            out.session = args[++i];
        } else if (decode && a == "--archive") {
            if (takeArchiveOption(args, i, out.archivePath) == ArchiveOption::Bad) {
                why = "--archive needs FILE";
                return false;
            }
        } else if (!decode && a == "--utf8") {
            out.utf8 = true;
        } else if (decode && a == "-s" && hasValue) {
            if (!parseNumber(args[++i], 1, 65535, out.seconds)) {
                why = "-s takes 1..65535 seconds";
                return false;
            }
        } else if (decode && a == "-d" && hasValue) {
            out.outDir = args[++i];
        } else {
            why = "image " + args[0] + ": unexpected argument " + a;
            return false;
        }
    }
    return exportOptionsComplete(out.exportTo, why);
}

int imageSessions(const CliArgs& args) {
    if (args.size() != 2) return usageError("image sessions takes one folder");
    if (int rc = readSessionList(args[1])) return rc;
    for (int i = 0; i < IndTab; ++i) {
        const std::string line = Table[i].datainizio + " 0x" + Table[i].pagetab + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}

int imageInfo(const CliArgs& args) {
    ImageArgs a;
    std::string why;
    if (!parseImageArgs(args, false, a, why)) return usageError(why);
    if (int rc = readSessionList(a.dir)) return rc;
    QuickButtons buttons;
    StringTextBox summary;
    if (int rc = chooseSession(a.session, buttons, summary)) return rc;
    printText(summary.text, a.utf8);
    return 0;
}

int imageDecode(const CliArgs& args) {
    ImageArgs a;
    std::string why;
    if (!parseImageArgs(args, true, a, why)) return usageError(why);
    if (int rc = readSessionList(a.dir)) return rc; // before -d: DIR may be relative
    QuickButtons buttons;
    StringTextBox summary;
    if (int rc = chooseSession(a.session, buttons, summary)) return rc;
    if (a.seconds > 0) quickSampleChanged(buttons, std::to_string(a.seconds));
    if (!buttons.start) {
        std::fprintf(stderr, "korvane-cli: the first or last data page of session %s is not known\n",
                     DataTimeSS.c_str());
        messageBox(nullptr, kQuickDecodeFailedText, "Warning", MsgButtons::Ok, MsgIcon::Warning);
        return 1;
    }
    if (!a.outDir.empty() && chdir(a.outDir.c_str()) != 0) {
        std::fprintf(stderr, "korvane-cli: cannot use folder %s\n", a.outDir.c_str());
        return 1;
    }
    if (!a.archivePath.empty()) keepRecordsForArchive();
    if (quickDecode(nullptr) != 1) return ConsoleUi::interrupted() ? 130 : 1;
    std::error_code ec;
    std::printf("%s\n", (fs::current_path(ec) / DataTimeSS).string().c_str());
    std::fflush(stdout);
    const int archived = a.archivePath.empty() ? 0 : importIntoArchive(a.archivePath, "image " + imagePath());
    if (archived == 130) return 130;
    const int exported = a.exportTo.wanted ? exportWorkingTable(a.exportTo.output) : 0;
    return exported != 0 ? exported : archived;
}

int cmdImage(const CliArgs& args) {
    if (args.empty()) return usageError("image needs a subcommand: sessions, info or decode");
    if (args[0] == "sessions") return imageSessions(args);
    if (args[0] == "info") return imageInfo(args);
    if (args[0] == "decode") return imageDecode(args);
    return usageError("image: unknown subcommand '" + args[0] + "'");
}

const CliCommandRegistrar kImage(
    {"image",
     "image sessions DIR         list the sessions of the flash image DIR/RX41data.bin (as named in\n"
     "                             DIR/RX41data.txt, written by download -v): start and table page\n"
     "  image info DIR [--session YYMMDD_hhmmss] [--utf8]\n"
     "                             print the summary of a session (default: the most recent one)\n"
     "  image decode DIR [--session YYMMDD_hhmmss] [-s SECONDS] [-d OUTDIR] [-e A|B [-c] -o FILE]\n"
     "               [--archive FILE.db]\n"
     "                             decode a session into its data file (named by its start) in OUTDIR\n"
     "                             (default: the current folder); -s sample time (default 1800); -e\n"
     "                             also exports it to FILE in format A or B (-c: decimal comma);\n"
     "                             --archive also merges its records into the plant archive FILE.db.\n"
     "                             Prints the data file's path (and FILE's). Exit 0 done, 1 failed,\n"
     "                             130 stopped, 3 written but not archived, 4 conflicting records.",
     cmdImage, 80});

} // namespace
