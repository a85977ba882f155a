#pragma once
// Why a serial port could not be opened, in words the user can act on: no permission (and the
// group that grants it), held by another program (and which one, where /proc tells), no such
// device (an adapter unplugged), not a serial port at all.
#include <string>
#include <vector>

enum class PortProblem {
    None,       // the port opened
    Permission, // EACCES, EPERM: the user may not use the device
    Busy,       // EBUSY: another program holds it for exclusive use
    Missing,    // ENOENT, ENODEV, ENXIO: no such device (unplugged)
    NotSerial,  // ENOTTY: the path is not a terminal device
    Other       // anything else (EIO of a built-in port without hardware, ...)
};

struct PortOpenFailure {
    std::string path; // device path that was tried
    int err = 0;      // errno of the failed open
    PortProblem problem = PortProblem::None;
    std::string group;                // Permission: the group owning the device ("dialout")
    std::vector<std::string> holders; // Busy: "name (pid N)" of each program holding it
};

PortProblem classifyOpenError(int err);

// The failure of opening `path` with errno `err`, with the owning group or the holders looked up.
// `procDir` is the process folder (/proc; the tests may name another).
PortOpenFailure describeOpenFailure(const std::string& path, int err, const std::string& procDir = "/proc");

// The programs that have `devicePath` open, as "name (pid N)", from the fd links under `procDir`.
// This program itself is left out; processes whose descriptors may not be read are skipped, so
// the list can be incomplete.
std::vector<std::string> portHolders(const std::string& devicePath, const std::string& procDir = "/proc");

// A few words for a port list: "accesso negato", "in uso", ...; empty for None.
std::string portProblemTag(PortProblem p);

// One line (Windows-1252, no line end) saying what went wrong and what to do; empty for None.
std::string portProblemText(const PortOpenFailure& f);
