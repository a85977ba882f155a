#include "logger/session.h"

std::string DataTimeSS;
