// Verified text replies: a request asked again until its replies agree.
#include "link/verified_reply.h"

#include "link/korvane_com.h"

LineCheck Verify;

int CopyVotes::offer(std::string_view copy) {
    for (auto& [bytes, count] : copies_)
        if (bytes == copy) return ++count;
    copies_.emplace_back(std::string(copy), 1);
    return 1;
}

int sendConfirmed(ComHandle h, const char* comando) {
    if (!Verify.on) return sendCOMMAND(h, comando, kModeCR);
    CopyVotes votes;
    SilenceCount silence;
    for (int attempt = 0; attempt < kVerifyAttempts; ++attempt) {
        const int r = sendCOMMAND(h, comando, kModeCR);
        if (silence.deadAfter(iRx > 0)) return 0;
        if (r != 1) {
            if (Com_lost) return 0;
            Verify.trouble = true;
            continue;
        }
        const int agreeing =
            votes.offer(std::string_view(reinterpret_cast<const char*>(Rx_buf), static_cast<size_t>(iRx)));
        if (votes.disagreed()) Verify.trouble = true;
        if (agreeing >= Verify.copiesNeeded()) return 1; // Rx_buf holds this very reply
    }
    return 0;
}

void resetLineCheck() {
    Verify = LineCheck{};
}
