#pragma once
// The column graph of korvane-cli, shared by the commands that draw one.
#include <set>
#include <string>

// "3,1,2" into the set {1, 2, 3}; false on anything but data column numbers and commas.
bool parseColumns(const std::string& list, std::set<int>& out, std::string& why);
// Why `output` cannot be drawn by the CLI (its extension); empty when it can.
std::string plotOutputProblem(const std::string& output);
// Draws data columns `columns` of the working file DataTimeSS (loaded as the table screen does)
// against the row number into the picture file `out` (absolute path; .wmf, .svg or .png) and prints its
// path. Returns the exit status: 0 written, 1 failed (the reason on stderr).
int plotWorkingTable(const std::set<int>& columns, const std::string& out);
