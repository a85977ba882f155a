#pragma once
// The message of a port found gone during an operation: an adapter unplugged, a device switched
// off, the line's far end closed. Every screen that ends an operation on a failure shows it
// before its own failure text, so the person knows the port itself is the cause.
#include "platform/ui.h"

// When the last transactions found the port gone (Com_lost), shows lostPortText() titled
// "COM Error" and returns true; otherwise shows nothing and returns false.
bool reportLostPort(Window owner);
