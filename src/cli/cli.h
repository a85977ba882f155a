#pragma once
// Shared pieces of korvane-cli: the command registry and the helpers every command uses.
#include <string>
#include <vector>

#include "platform/port_problem.h"
#include "platform/ui_console.h"

using CliArgs = std::vector<std::string>;

// One command of korvane-cli. `usage` is its block of the help text (first line: the command
// and its arguments; further lines indented by 29 blanks); `order` sorts the help.
struct CliCommand {
    const char* name;
    const char* usage;
    int (*run)(const CliArgs& args);
    int order;
};
// Registers a command; used through a file-scope `CliCommandRegistrar`.
void registerCliCommand(const CliCommand& c);
struct CliCommandRegistrar {
    explicit CliCommandRegistrar(const CliCommand& c) { registerCliCommand(c); }
};

// The registered command of that name; nullptr when there is none.
const CliCommand* findCliCommand(const std::string& name);
// The console UI backend of the program (its question policy can be set per command).
ConsoleUi& cliConsole();
// Prints the reason and the usage text on stderr; returns 64.
int usageError(const std::string& why);
// Prints text written for a text box: CR LF becomes LF, optionally converted to UTF-8.
void printText(const std::string& text, bool utf8);
// Finds the device as the desktop program does: the -p port, or the scan. 1 = found.
int findDevice();
// Exit statuses of a command that found no device: none answered, or the port could not be
// opened because the user may not use it, another program holds it, or it does not exist.
inline constexpr int kExitNoDevice = 2;
inline constexpr int kExitPortPermission = 4;
inline constexpr int kExitPortBusy = 5;
inline constexpr int kExitPortMissing = 6;
// Shows the "COM Error" text of a device that did not answer, then reportPortProblems; returns
// its status.
int reportNoDevice();
// Prints on stderr, one line each, why the port named with -p and the scanned ports that exist
// could not be opened; returns the exit status of the first reason (kExitNoDevice without one).
int reportPortProblems();
int portProblemStatus(PortProblem p);
// Finds the device and reads its current session, the retry questions answered "Yes"
// `retries` times and the page-count question "Yes". 0 = ready; otherwise the exit status.
int openSession(long retries);
// A whole decimal number within lo..hi.
bool parseNumber(const std::string& s, long lo, long hi, long& out);
