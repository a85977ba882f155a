#include "link/lost_port.h"

#include "link/korvane_com.h"

bool reportLostPort(Window owner) {
    if (!Com_lost) return false;
    messageBox(owner, lostPortText(), "COM Error", MsgButtons::Ok, MsgIcon::Error);
    return true;
}
