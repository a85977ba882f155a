// Command archive: the plant archive from a terminal (import, list, export, plot, check), and the
// import after a download or an image decode.
#include "cli/cmd_archive.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "archive/archive_ops.h"
#include "archive/archive_session.h"
#include "cli/cmd_plot.h"
#include "cli/cmd_table.h"
#include "logger/download.h"
#include "logger/flash_image.h"
#include "logger/tab_ass.h"
#include "shell/korvane.h"

namespace fs = std::filesystem;
using namespace archive;

namespace {

std::string absolutePath(const std::string& p) {
    std::error_code ec;
    const fs::path a = fs::absolute(p, ec);
    return ec ? p : a.lexically_normal().string();
}

void printLine(const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
    std::fputc('\n', stdout);
}

int failed(const std::string& why) {
    std::fprintf(stderr, "korvane-cli: archive: %s\n", why.c_str());
    return 1;
}

// Opens an existing archive (import: creates it).
bool openArchive(Archive& a, const std::string& path, bool create, std::string& why) {
    if (!create && !fs::exists(path)) {
        why = path + ": no such archive";
        return false;
    }
    try {
        a.open(path, create);
        return true;
    } catch (const DbError& e) {
        why = e.what();
        return false;
    }
}

std::string deviceText(const DeviceKey& d) {
    std::string s = d.fw.empty() ? "?" : d.fw;
    if (!d.address.empty()) s += "@" + d.address;
    return s;
}

// --session S: an archive id, or a session start when it names exactly one session.
bool findSession(Archive& a, const std::string& wanted, SessionInfo& out, std::string& why) {
    std::vector<SessionInfo> matches;
    for (auto& s : a.sessions())
        if (std::to_string(s.id) == wanted || s.start == wanted) matches.push_back(std::move(s));
    if (matches.size() == 1) {
        out = std::move(matches.front());
        return true;
    }
    if (matches.empty()) {
        why = "no session " + wanted + " in the archive (archive list shows them)";
    } else {
        why = "several sessions start at " + wanted + "; choose one by its number:";
        for (const auto& s : matches) why += " " + std::to_string(s.id);
    }
    return false;
}

int importOutcome(ImportOutcome o, const ImportReport& report, const std::string& error,
                  const std::string& path) {
    if (o == ImportOutcome::Stopped) {
        std::fprintf(stderr, "korvane-cli: archive import stopped; %s is unchanged\n", path.c_str());
        return 130;
    }
    if (o == ImportOutcome::Failed) {
        std::fprintf(stderr, "korvane-cli: archive import failed, %s is unchanged: %s\n", path.c_str(),
                     error.c_str());
        return -1;
    }
    for (const auto& s : report.sessions)
        std::fprintf(stderr,
                     "korvane-cli: archive %s: session %lld: %zu records, %zu new, %zu already kept, %zu "
                     "conflicting\n",
                     path.c_str(), static_cast<long long>(s.session), s.records, s.added, s.duplicates,
                     s.conflicts);
    if (report.total().conflicts > 0) {
        std::fprintf(stderr,
                     "korvane-cli: archive %s: %zu records differ from the archived ones; both are kept "
                     "(archive check lists them)\n",
                     path.c_str(), report.total().conflicts);
        return kExitConflicts;
    }
    return 0;
}

int archiveImport(const CliArgs& args) {
    if (args.size() != 3) return usageError("archive import takes FILE.db and a folder");
    const std::string path = absolutePath(args[1]);
    if (int rc = readSessionList(args[2])) return rc;
    const std::string fw = listFirmwareRelease((fs::path(absolutePath(args[2])) / kDumpFile).string());
    ImportReport report;
    std::vector<std::string> skipped;
    std::string error;
    const ImportOutcome o =
        importImageSessions(path, fw, "image " + absolutePath(args[2]), report, skipped, error);
    for (const auto& s : skipped)
        std::fprintf(stderr, "korvane-cli: archive import: session %s cannot be decoded; left out\n",
                     s.c_str());
    const int rc = importOutcome(o, report, error, path);
    return rc < 0 ? 1 : rc;
}

int archiveList(const CliArgs& args) {
    bool listGaps = false;
    std::string file;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--gaps")
            listGaps = true;
        else if (file.empty() && !args[i].empty() && args[i][0] != '-')
            file = args[i];
        else
            return usageError("archive list: unexpected argument " + args[i]);
    }
    if (file.empty()) return usageError("archive list needs FILE.db");
    Archive a;
    std::string why;
    if (!openArchive(a, file, false, why)) return failed(why);
    try {
        printLine("session device start first last records gaps");
        for (const SessionInfo& s : a.sessions()) {
            if (!loadSession(s)) {
                printLine(std::to_string(s.id) + " " + deviceText(s.device) + " " + s.start +
                          " (table not readable)");
                continue;
            }
            const auto gaps = sessionGaps(a, s);
            const bool any = s.records > 0;
            printLine(std::to_string(s.id) + " " + deviceText(s.device) + " " + s.start + " " +
                      (any ? markerTime(s.firstMarker) : "-") + " " + (any ? markerTime(s.lastMarker) : "-") +
                      " " + std::to_string(s.records) + " " + std::to_string(gaps.size()));
            if (listGaps)
                for (const Gap& g : gaps)
                    printLine("  gap node " + std::to_string(g.node) + " " + markerTime(g.from) + " " +
                              markerTime(g.to));
        }
    } catch (const DbError& e) {
        return failed(e.what());
    }
    return 0;
}

// The options of export and plot.
struct PeriodArgs {
    std::string file, session, from, to, output;
    long seconds = -1;
    bool formatted = false; // -f given (export)
    std::set<int> columns;  // -c (plot)
};

bool parsePeriodArgs(const CliArgs& args, bool plot, PeriodArgs& p, std::string& why) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--session" && hasValue) {
            p.session = args[++i];
        } else if (a == "--from" && hasValue) {
            p.from = args[++i];
        } else if (a == "--to" && hasValue) {
            p.to = args[++i];
        } else if (a == "-s" && hasValue) {
            if (!parseNumber(args[++i], 1, 65535, p.seconds)) {
                why = "-s takes 1..65535 seconds";
                return false;
            }
        } else if (a == "-o" && hasValue) {
            p.output = absolutePath(args[++i]);
        } else if (plot && a == "-c" && hasValue) {
            if (!parseColumns(args[++i], p.columns, why)) return false;
        } else if (!plot && a == "-f" && hasValue) {
            const std::string& f = args[++i];
            if (f != "A" && f != "a" && f != "B" && f != "b") {
                why = "-f takes A or B";
                return false;
            }
            Flag.file_format = (f == "B" || f == "b") ? 1 : 0;
            p.formatted = true;
        } else if (!plot && a == "-c") {
            Flag.comma = 1;
        } else if (p.file.empty() && !a.empty() && a[0] != '-') {
            p.file = absolutePath(a); // the period is written in a scratch folder
        } else {
            why = "archive " + args[0] + ": unexpected argument " + a;
            return false;
        }
    }
    if (p.file.empty())
        why = "archive " + args[0] + " needs FILE.db";
    else if (p.session.empty())
        why = "archive " + args[0] + " needs --session S";
    else if (p.output.empty())
        why = "archive " + args[0] + " needs -o OUT";
    else if (plot && p.columns.empty())
        why = "archive plot needs -c COL[,COL...]";
    else if (plot)
        why = plotOutputProblem(p.output);
    return why.empty();
}

// Makes the chosen session current and writes its period as the working file DataTimeSS in the
// current folder. 0 done; otherwise the exit status.
int writePeriod(const PeriodArgs& p) {
    Archive a;
    std::string why;
    if (!openArchive(a, p.file, false, why)) return failed(why);
    try {
        SessionInfo s;
        if (!findSession(a, p.session, s, why)) return failed(why);
        if (!loadSession(s))
            return failed("the assignment table of session " + std::to_string(s.id) + " cannot be decoded");
        uint32_t from = s.firstMarker, to = s.lastMarker;
        for (auto [text, bound] : {std::pair{&p.from, &from}, std::pair{&p.to, &to}}) {
            if (text->empty()) continue;
            const auto v = periodBound(*text);
            if (!v)
                return failed("'" + *text + "' is no time YYMMDD_hhmmss at or after the session start " +
                              s.start + ", nor a time marker in tenths of a second");
            *bound = *v;
        }
        if (from > to) return failed("the period ends before it starts");
        if (p.seconds > 0) Tsample = static_cast<uint16_t>(p.seconds);
        return writeArchivedDataFile(a, s, from, to, DataTimeSS) == 1 ? 0 : 1;
    } catch (const DbError& e) {
        return failed(e.what());
    }
}

// export and plot: the period written as the working file in a scratch folder, then `then`.
int withPeriod(const CliArgs& args, bool plot, int (*then)(const PeriodArgs&)) {
    PeriodArgs p;
    std::string why;
    if (!parsePeriodArgs(args, plot, p, why)) return usageError(why);
    ScratchFolder scratch;
    if (!scratch.ok()) return failed("no temporary folder for the working file");
    if (int rc = writePeriod(p)) return rc;
    return then(p);
}

int archiveExport(const CliArgs& args) {
    return withPeriod(args, false, [](const PeriodArgs& p) {
        if (p.formatted) return exportWorkingTable(p.output);
        std::error_code ec;
        fs::copy_file(DataTimeSS, p.output, fs::copy_options::overwrite_existing, ec);
        if (ec) return failed(p.output + " cannot be written: " + ec.message());
        printLine(p.output);
        return 0;
    });
}

int archivePlot(const CliArgs& args) {
    return withPeriod(args, true, [](const PeriodArgs& p) { return plotWorkingTable(p.columns, p.output); });
}

std::string valuesText(const std::vector<uint8_t>& v) {
    std::string s;
    for (size_t i = 0; i + 1 < v.size(); i += 2)
        s += (s.empty() ? "" : ",") + std::to_string(static_cast<int16_t>(v[i] | (v[i + 1] << 8)));
    return s;
}

int archiveCheck(const CliArgs& args) {
    if (args.size() != 2) return usageError("archive check takes FILE.db");
    Archive a;
    std::string why;
    if (!openArchive(a, args[1], false, why)) return failed(why);
    try {
        const auto problems = a.check();
        for (const auto& p : problems) printLine("damaged: " + p);
        if (!problems.empty()) return 1;
        const auto conflicts = a.conflicts();
        std::optional<int64_t> loaded;
        for (const Conflict& c : conflicts) {
            if (loaded != c.session) {
                if (auto s = a.session(c.session)) loadSession(*s);
                loaded = c.session;
            }
            printLine("conflict: session " + std::to_string(c.session) + " node " + std::to_string(c.node) +
                      " marker " + std::to_string(c.marker) + " (" + markerTime(c.marker) + "): kept " +
                      valuesText(c.kept) + ", other " + valuesText(c.other) +
                      (c.importId ? " (import " + std::to_string(*c.importId) + ")" : ""));
        }
        printLine("ok: schema " + std::to_string(a.schemaVersion()) + ", " +
                  std::to_string(a.sessions().size()) + " sessions, " + std::to_string(conflicts.size()) +
                  " conflicts");
        return conflicts.empty() ? 0 : kExitConflicts;
    } catch (const DbError& e) {
        printLine(std::string("damaged: ") + e.what());
        return 1;
    }
}

int cmdArchive(const CliArgs& args) {
    if (args.empty()) return usageError("archive needs a subcommand: import, list, export, plot or check");
    if (args[0] == "import") return archiveImport(args);
    if (args[0] == "list") return archiveList(args);
    if (args[0] == "export") return archiveExport(args);
    if (args[0] == "plot") return archivePlot(args);
    if (args[0] == "check") return archiveCheck(args);
    return usageError("archive: unknown subcommand '" + args[0] + "'");
}

const CliCommandRegistrar kArchive(
    {"archive",
     "archive import FILE.db DIR  merge every session of the flash image DIR/RX41data.bin (listed in\n"
     "                             DIR/RX41data.txt) into the plant archive FILE.db (created if missing)\n"
     "  archive list FILE.db [--gaps]\n"
     "                             the archived sessions: number, device, start, first and last record,\n"
     "                             records, gaps (a node silent for over twice its sample timer)\n"
     "  archive export FILE.db --session S [--from T] [--to T] [-s SECONDS] [-f A|B] [-c] -o OUT\n"
     "                             average a period of session S (number or start) again, as a download\n"
     "                             of its records would: the session data file, or with -f an export in\n"
     "                             format A or B (-c: decimal comma). T: YYMMDD_hhmmss or a time marker\n"
     "  archive plot FILE.db --session S [--from T] [--to T] [-s SECONDS] -c COLS -o OUT.wmf|OUT.svg|OUT.png\n"
     "                             the column graph of that period's data columns COLS\n"
     "  archive check FILE.db      integrity check, then the conflicting records.\n"
     "                             Exit 0 done, 1 failed (an import leaves the archive unchanged),\n"
     "                             4 conflicting records kept (import, check), 130 stopped.",
     cmdArchive, 85});

} // namespace

ArchiveOption takeArchiveOption(const CliArgs& args, size_t& i, std::string& path) {
    if (args[i] != "--archive") return ArchiveOption::No;
    if (i + 1 >= args.size()) return ArchiveOption::Bad;
    path = absolutePath(args[++i]);
    return ArchiveOption::Yes;
}

void keepRecordsForArchive() {
    KeepDownloadedRecords = true;
}

int importIntoArchive(const std::string& path, const std::string& source) {
    ImportReport report;
    std::string error;
    const ImportOutcome o = importCurrentSession(path, source, report, error);
    const int rc = importOutcome(o, report, error, path);
    return rc < 0 ? kExitNotArchived : rc;
}
