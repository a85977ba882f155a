// The GSM module's field-strength reply ("+CSQ" relayed by the display slot as hexadecimal
// digits) and the modem's replies: result codes, verbose or numeric, and the dialling poll.
#include <string_view>

#include "boards/display_board.h"
#include "fuzz_target.h"
#include "link/korvane_com.h"
#include "link/modem.h"

KORVANE_FUZZ_TARGET(gsm_reply) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    unsigned level = 1000, ber = 1000;
    const GsmResult r = decodeGsmReply(text, level, ber);
    if (r == GsmResult::Ok) {
        if (text.size() != 28 || level > 99 || ber > 99) __builtin_trap(); // at most two digits each
    } else if (level != 1000 || ber != 1000 || r == GsmResult::NoBoard) {
        __builtin_trap(); // a reply without a value leaves both as they were
    }
    if (gsmFailureText(r).empty()) __builtin_trap();

    const int code = modemResultCode(text);
    if (code < -1 || code > 20) __builtin_trap();
    const int poll = modemPollCode(text);
    if (poll < -1 || poll > 20) __builtin_trap();
    for (int c : {code, poll})
        if (c >= 0 && Codifica_risposta_modem(static_cast<unsigned>(c)).text == nullptr) __builtin_trap();
    return 0;
}
