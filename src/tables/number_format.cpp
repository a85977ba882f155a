#include "tables/number_format.h"

#include <cmath>
#include <cstdio>

void sprintf_format(std::string& buf, int prec, float dato) {
    char tmp[64];
    if (prec == 0) {
        // Round half to even, then clamp so that a huge value cannot overflow the integer.
        double r = std::nearbyint(static_cast<double>(dato));
        if (!(r >= -2147483648.0)) r = -2147483648.0;
        if (r > 2147483647.0) r = 2147483647.0;
        std::snprintf(tmp, sizeof tmp, "%d", static_cast<int>(r));
    } else if (prec >= 1 && prec <= 4) {
        std::snprintf(tmp, sizeof tmp, "%.*f", prec, static_cast<double>(dato));
    } else {
        std::snprintf(tmp, sizeof tmp, "Err");
    }
    buf = tmp;
}

std::string sprintf_format(int prec, float dato) {
    std::string s;
    sprintf_format(s, prec, dato);
    return s;
}
