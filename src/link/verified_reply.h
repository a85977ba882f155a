#pragma once
// Verified reading over a line that may lose or change bytes. The logger's replies carry no
// checksum: a changed byte in a block or a text reply cannot be seen in one read. With
// verification on, a reply is asked for again until enough copies of it agree byte for byte:
// two while the line has shown no trouble, three once it has (a lost, short, refused or
// disagreeing reply), because two copies changed the same way are then no longer out of reach
// over thousands of blocks.
#include <string>
#include <string_view>
#include <vector>

#include "shell/korvane.h"

struct LineCheck {
    bool on = false;      // verified reading asked for
    bool trouble = false; // the line has lost, cut or changed a reply since the session began
    int copiesNeeded() const { return trouble ? 3 : 2; }
};
extern LineCheck Verify;

// Attempts at a verified item (a text reply, a page's blocks) before it counts as unreadable.
inline constexpr int kVerifyAttempts = 32;
// Attempts in a row without a single byte back: the device is not answering at all (a noisy
// line still brings most of each reply), so the item fails without the remaining attempts.
inline constexpr int kSilentAttemptsMax = 3;

// Counts the attempts in a row that brought nothing back.
class SilenceCount {
  public:
    // After a request: true when the line has now been silent kSilentAttemptsMax times in a row.
    bool deadAfter(bool gotBytes) {
        silent_ = gotBytes ? 0 : silent_ + 1;
        return silent_ >= kSilentAttemptsMax;
    }

  private:
    int silent_ = 0;
};

// Copies of one item read several times. Pure bookkeeping, no line.
class CopyVotes {
  public:
    // Counts one more copy; returns how many copies read so far, this one included, are
    // identical to it.
    int offer(std::string_view copy);
    // Two different copies have been seen.
    bool disagreed() const { return copies_.size() > 1; }
    void clear() { copies_.clear(); }

  private:
    std::vector<std::pair<std::string, int>> copies_;
};

// A text request (reply up to CR) on `h`. Without verification exactly sendCOMMAND. With it,
// the request is repeated until Verify.copiesNeeded() replies agree (then 1, the agreed reply in
// Rx_buf / iRx) or kVerifyAttempts have been spent (0); a lost port ends it at once (0).
int sendConfirmed(ComHandle h, const char* comando);
inline int sendConfirmed(ComHandle h, const std::string& comando) {
    return sendConfirmed(h, comando.c_str());
}

// Verification off, no trouble seen.
void resetLineCheck();
