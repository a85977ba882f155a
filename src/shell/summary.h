#pragma once
// The head of the session summary: the port and firmware lines the main panel shows before the
// session itself has been read.
#include "platform/text_box.h"

// Empties the box and writes the port line and the firmware line (followed by a blank line).
void printSessionHead(TextBox* box);
