#pragma once
// The start-up sequence: global state, command line, finding the device, the one top-level
// screen, clean-up.
#include <string>
#include <vector>

#include "platform/port_problem.h"
#include "shell/korvane.h"

// The top-level screens, provided by the desktop program (or by a test).
class StartupScreens {
  public:
    virtual ~StartupScreens() = default;
    // Port-selection dialog: 2 = a device was found and hCom is set up, 1 = "Exit", 0 = closed.
    virtual int selectPort() = 0;
    virtual int mainDialog() = 0; // main control dialog
    virtual int quickView() = 0;  // quick-view dialog on Data_file (no device)
    virtual int remote() = 0;     // remote-connection dialog (modem)
    virtual int loader() = 0;     // firmware loader (device in its boot loader)
};

// Runs the whole sequence; returns the program's exit code.
int runStartup(const char* cmdLine, StartupScreens& screens);

// The reply time-out once a device has been found [ms]: -t, or 2000.
int deviceTimeout();

// Scans every port of the scan list (the start-up time-out of 100 ms for each probe) and keeps
// the first one where a device answers: 1 = found (hCom open and set up, CommPort named).
// Every port that could be opened is listed in Porte; every one that exists but may not be used
// (no permission) or is held by another program, in Porte_failed.
int scanComPorts();
extern std::vector<PortOpenFailure> Porte_failed;
// The reasons of Porte_failed, one line per kind of problem (its first port, and how many more
// share it), for the message shown when no port could be used. Empty when there are none.
std::string scanFailureText();

// Opens the named port and probes it with the time-out in force: 1 = the device answered
// (hCom open, CommPort named); 0 = it did not, and the port is restored and closed.
int openAndProbe(const std::string& name);
