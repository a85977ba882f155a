#include "boards/input_boxes.h"

#include <cstdio>
#include <cstdlib>

#include "shell/korvane.h"
#include "tables/number_format.h"

std::string EditBuf;
std::string TitoloBuf;
float InputMin = 0, InputMax = 0;
int Ndec = 0;

namespace {

size_t maxEdit() { return MaxEdit > 0 ? static_cast<size_t>(MaxEdit) : 0; }

std::string cut(const std::string& s) { return s.substr(0, std::min(maxEdit(), kEditBufMax)); }

bool numericChars(const std::string& s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-')) return false;
    return true;
}

int runBox(Window owner, InputBoxKind kind) {
    assignCapped(EditBuf, EditBuf, kEditBufMax);
    assignCapped(TitoloBuf, TitoloBuf, kTitoloBufMax);
    int r = ui().inputBox(owner, kind);
    assignCapped(EditBuf, EditBuf, kEditBufMax);
    return r == 1 ? 1 : 0;
}

} // namespace

float inputValue(const std::string& text) { return std::strtof(text.c_str(), nullptr); }

InputState inputNumChanged(const std::string& typed) {
    InputState st{cut(typed), true};
    if (!numericChars(st.text)) st.text.clear();
    st.okEnabled = !st.text.empty();
    return st;
}

InputState inputNum2Changed(const std::string& typed) {
    InputState st = inputNumChanged(typed);
    if (st.okEnabled) {
        float v = inputValue(st.text);
        st.okEnabled = v >= InputMin && v <= InputMax;
    }
    return st;
}

InputState inputTxtChanged(const std::string& typed) { return {cut(typed), true}; }

std::string inputRangeLabel() {
    char buf[128];
    switch (Ndec) {
    case 1:
        std::snprintf(buf, sizeof buf, "Range: %2.1f ... %2.1f", static_cast<double>(InputMin),
                      static_cast<double>(InputMax));
        break;
    case 2:
        std::snprintf(buf, sizeof buf, "Range: %2.2f ... %2.2f", static_cast<double>(InputMin),
                      static_cast<double>(InputMax));
        break;
    case 3:
        std::snprintf(buf, sizeof buf, "Range: %2.3f ... %2.3f", static_cast<double>(InputMin),
                      static_cast<double>(InputMax));
        break;
    default:
        std::snprintf(buf, sizeof buf, "Range: %u ... %u", static_cast<unsigned>(static_cast<long long>(InputMin)),
                      static_cast<unsigned>(static_cast<long long>(InputMax)));
        break;
    }
    return buf;
}

std::string inputTxtLabel() {
    char buf[64];
    std::snprintf(buf, sizeof buf, "(%u %s)", static_cast<unsigned>(MaxEdit), "caratteri max");
    return buf;
}

std::string inputNumConfirmed(const std::string& text) {
    std::string t = cut(text);
    int decimals = 0;
    size_t dot = t.find('.');
    if (dot != std::string::npos && dot < 8) {
        for (size_t i = dot + 1; i < t.size() && i < 8; ++i)
            if (t[i] >= '0') ++decimals;
    }
    return sprintf_format(decimals, inputValue(t));
}

int DlgInputNum(Window owner) { return runBox(owner, InputBoxKind::Num); }
int DlgInputNum2_(Window owner) { return runBox(owner, InputBoxKind::Num2); }
int DlgInputTxt(Window owner) { return runBox(owner, InputBoxKind::Txt); }
