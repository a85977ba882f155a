#pragma once
// The listing of the inverters behind the energy board: serial number, model and the power of
// both inputs of each inverter in the range held in ComReg2, and the total input power.
#include <string>

#include "platform/text_box.h"
#include "platform/ui.h"

// The screen the listing writes into: the text box of the lines and the total label.
class InverterListView {
  public:
    virtual ~InverterListView() = default;
    virtual TextBox& listBox() = 0;                     // box 2201
    virtual void setTotal(const std::string& text) = 0; // label 2204
};

// Polls the inverters a .. a+n-1 (n, a: low and high byte of EE's ComReg2) and writes the
// listing; a failed query asks Abort / Retry / Ignore. 1 = listed to the end with the total
// shown; 0 = stopped by Abort (the lines written so far stay, the total label stays empty).
int refresh_dati_inv(Window owner, InverterListView& view);
