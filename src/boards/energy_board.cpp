#include "boards/energy_board.h"

ee_buf EE = {};
