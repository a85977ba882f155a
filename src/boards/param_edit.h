#pragma once
// Editing a parameter set by name, as `korvane-cli params set` does: NAME is the label of the
// description line (the text before ": "), VALUE what would be typed or chosen in the screen.
#include <string>
#include <vector>

#include "boards/energy_board.h"

// One refused assignment: the name and why.
struct ParamRefusal {
    std::string name;
    std::string reason;
};

// Applies "NAME=VALUE" assignments to a copy of `ee` with the screen's rules (the range table,
// the telephone field, the choice lists, the data source's display check). Only when every
// assignment is accepted is `ee` replaced; otherwise `ee` is unchanged and every refusal is
// listed. Returns true when applied.
bool applyParamEdits(ee_buf& ee, const std::vector<std::string>& assignments,
                     std::vector<ParamRefusal>& refused);

// The names applyParamEdits knows, in the description's order.
std::vector<std::string> paramNames();
