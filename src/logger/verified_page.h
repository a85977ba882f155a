#pragma once
// Verified page reading: a flash page (or the temporary buffer) read again, re-addressing the
// logger each time, until every 48-byte block has enough copies that agree byte for byte
// (Verify.copiesNeeded()). Agreeing copies are kept across the reads, so a page is complete once
// each of its blocks has been confirmed in any of them; a block that never agrees makes the page
// fail after kVerifyAttempts reads instead of being taken.
#include <array>
#include <cstdint>

#include "link/verified_reply.h"
#include "logger/session.h"

// The copies of a page's blocks read so far. Pure bookkeeping, no line.
class PageVotes {
  public:
    explicit PageVotes(int blocks = kBlocksPerPage);
    // Counts one copy of block k (48 bytes); true when block k is confirmed (now or before).
    // `needed`: the number of agreeing copies that confirms a block.
    bool offer(int k, const uint8_t* bytes, int needed);
    bool confirmed(int k) const { return k >= 0 && k < blocks_ && confirmed_[static_cast<size_t>(k)]; }
    bool complete() const { return lastMissing() < 0; }
    // The highest block not yet confirmed; -1 when all are.
    int lastMissing() const;
    // Two different copies of some block have been seen.
    bool disagreed() const { return disagreed_; }
    // The confirmed blocks, back to back (blocks × 48 bytes; unconfirmed ones are zero).
    const uint8_t* bytes() const { return page_.data(); }
    int blocks() const { return blocks_; }

  private:
    int blocks_;
    bool disagreed_ = false;
    std::array<bool, kBlocksPerPage> confirmed_{};
    std::array<CopyVotes, kBlocksPerPage> votes_;
    std::array<uint8_t, kPageSize> page_{};
};

// Reads the first `blocks` blocks (1..11) of flash page `page` into buf, each confirmed.
// 1 = confirmed; 0 = not within kVerifyAttempts reads, or the port was lost (Com_lost).
// The logger's page address is left somewhere in that page.
int getPageVerified(uint16_t page, uint8_t* buf, int blocks = kBlocksPerPage);

// The temporary buffer (up to 528 bytes) with its length and every block confirmed.
// Returns the byte count (0: empty), or -1 when it could not be confirmed.
int readTmpBufferVerified(ComHandle h, uint8_t* buf);
