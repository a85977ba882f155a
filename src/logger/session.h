#pragma once
// The device's current measurement session.
#include <string>

// Session start as "YYMMDD_hhmmss"; also the name of the working data file. Empty until the
// session has been read.
extern std::string DataTimeSS;
