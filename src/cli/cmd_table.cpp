// Commands on data files: export.
#include "cli/cmd_table.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "cli/cli.h"
#include "shell/korvane.h"
#include "tables/data_table.h"
#include "tables/export_format.h"

namespace fs = std::filesystem;

int exportWorkingTable(const std::string& output) {
    TableModel table;
    if (openDataTable(table) != 1) {
        messageBox(nullptr, "File non valido !", "Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    if (exportTable(table, output, InfoSES) != 1) return 1;
    std::printf("%s\n", Data_file.c_str());
    return 0;
}

namespace {

std::string absolutePath(const std::string& p) {
    std::error_code ec;
    fs::path a = fs::absolute(p, ec);
    return ec ? p : a.lexically_normal().string();
}

bool setFormat(const std::string& f) {
    if (f == "A" || f == "a")
        Flag.file_format = 0;
    else if (f == "B" || f == "b")
        Flag.file_format = 1;
    else
        return false;
    return true;
}

} // namespace

ScratchFolder::ScratchFolder() {
    std::error_code ec;
    old_ = fs::current_path(ec);
    if (ec) return;
    std::string tmpl = (fs::temp_directory_path(ec) / "korvane-cli-XXXXXX").string();
    if (ec || !mkdtemp(tmpl.data())) return;
    dir_ = tmpl;
    entered_ = chdir(dir_.c_str()) == 0;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    if (entered_ && chdir(old_.c_str()) != 0) std::perror("korvane-cli: chdir");
    if (!dir_.empty()) fs::remove_all(dir_, ec);
}

OptionTaken takeExportOption(const CliArgs& args, size_t& i, ExportOptions& out, std::string& why) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "-e" && hasValue) {
        if (!setFormat(args[++i])) {
            why = "-e takes A or B";
            return OptionTaken::Bad;
        }
        out.wanted = true;
    } else if (a == "-c") {
        Flag.comma = 1;
    } else if (a == "-o" && hasValue) {
        out.output = args[++i];
    } else {
        return OptionTaken::No;
    }
    return OptionTaken::Yes;
}

bool exportOptionsComplete(ExportOptions& out, std::string& why) {
    if (out.wanted != !out.output.empty()) {
        why = out.wanted ? "-e needs -o FILE" : "-o FILE needs -e A|B";
        return false;
    }
    if (out.wanted) out.output = absolutePath(out.output);
    return true;
}

namespace {

int cmdExport(const CliArgs& args) {
    std::string input, output;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-f" && hasValue) {
            if (!setFormat(args[++i])) return usageError("-f takes A or B");
        } else if (a == "-c") {
            Flag.comma = 1;
        } else if (a == "-o" && hasValue) {
            output = args[++i];
        } else if (!a.empty() && a[0] != '-' && input.empty()) {
            input = a;
        } else {
            return usageError("export: unexpected argument " + a);
        }
    }
    if (input.empty()) return usageError("export needs an input file");
    if (output.empty()) return usageError("export needs -o OUTPUT");
    input = absolutePath(input);
    output = absolutePath(output);

    ScratchFolder scratch;
    if (!scratch.ok()) {
        std::fprintf(stderr, "korvane-cli: no temporary folder for the working file\n");
        return 1;
    }
    if (loadFileTxtFrom(input) != 1) {
        messageBox(nullptr, "File non valido !", "Error", MsgButtons::Ok, MsgIcon::Error);
        return 1;
    }
    return exportWorkingTable(output);
}

const CliCommandRegistrar kExport(
    {"export",
     "export INPUT [-f A|B] [-c] -o OUTPUT\n"
     "                             load the export file INPUT (format A, as written with \"Save\") as the\n"
     "                             data table does and write it to OUTPUT in format A or B with a decimal\n"
     "                             point, or with -c a decimal comma (defaults: the global -o choices).\n"
     "                             Prints OUTPUT's path. Exit 0 written, 1 failed.",
     cmdExport, 35});

} // namespace
