#pragma once
// Stop requests from outside the program: SIGINT (Ctrl-C), SIGTERM and SIGHUP set a flag that a
// long-running command polls, so it can end cleanly (close its files, put the device back).

// Routes the three signals to the flag. Call once; later calls only clear the flag.
void installStopSignals();
// A stop signal has arrived since installStopSignals.
bool stopSignalled();
