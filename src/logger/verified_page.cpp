// Verified page reading over a line that may lose or change bytes.
#include "logger/verified_page.h"

#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "link/korvane_com.h"

namespace {

// A block reply this long was a block the logger sent with bytes lost on the way, so the
// logger has moved on to its next block. Shorter replies could be another answer altogether
// (an "ERR" or a text reply to a request the line changed): the logger is addressed again.
constexpr int kShortBlockMin = 40;

std::string_view blockView(const uint8_t* p) {
    return {reinterpret_cast<const char*>(p), kBlockSize};
}

// After the logger has been addressed: reads blocks 0..last and offers each whole one. Fast
// reading (one request, the logger streams the page) gives blocks only when all eleven
// arrived whole: a lost byte shifts every block after it. Slow reading asks for each block
// and goes on past a block that came short. False when the pass ended early.
bool readPass(PageVotes& votes, int last, bool fast) {
    if (fast) {
        uint8_t page[kPageSize];
        const char* command = "ATRD\r";
        for (int k = 0; k < kBlocksPerPage; ++k) {
            if (*command == 0 && hCom && hCom->waitReadable(static_cast<uint32_t>(Timeout_rx)) < 0) {
                Com_lost = 1;
                return false;
            }
            if (sendCOMMAND(hCom, command, kModeRaw48) != 1) {
                Verify.trouble = true;
                return false;
            }
            command = "";
            std::memcpy(page + k * kBlockSize, Rx_buf, kBlockSize);
        }
        for (int k = 0; k <= last; ++k) votes.offer(k, page + k * kBlockSize, Verify.copiesNeeded());
        return true;
    }
    for (int k = 0; k <= last; ++k) {
        if (sendCOMMAND(hCom, "ATRD\r", kModeRaw48) == 1) {
            votes.offer(k, Rx_buf, Verify.copiesNeeded());
            continue;
        }
        Verify.trouble = true;
        if (Com_lost || iRx < kShortBlockMin) return false;
    }
    return true;
}

void noteDisagreement(const PageVotes& votes) {
    if (votes.disagreed()) Verify.trouble = true;
}

} // namespace

PageVotes::PageVotes(int blocks)
    : blocks_(blocks < 1                ? 1
              : blocks > kBlocksPerPage ? kBlocksPerPage
                                        : blocks) {}

bool PageVotes::offer(int k, const uint8_t* bytes, int needed) {
    if (k < 0 || k >= blocks_) return false;
    const size_t i = static_cast<size_t>(k);
    if (confirmed_[i]) return true;
    const int agreeing = votes_[i].offer(blockView(bytes));
    if (votes_[i].disagreed()) disagreed_ = true;
    if (agreeing < needed) return false;
    std::memcpy(page_.data() + i * kBlockSize, bytes, kBlockSize);
    confirmed_[i] = true;
    return true;
}

int PageVotes::lastMissing() const {
    for (int k = blocks_ - 1; k >= 0; --k)
        if (!confirmed_[static_cast<size_t>(k)]) return k;
    return -1;
}

int getPageVerified(uint16_t page, uint8_t* buf, int blocks) {
    PageVotes votes(blocks);
    SilenceCount silence;
    for (int attempt = 0; attempt < kVerifyAttempts && !votes.complete(); ++attempt) {
        // Fast reading only while the line has shown no trouble: a lost byte in a streamed
        // page cannot be placed, one in a block asked for alone can.
        const bool fast = Flag.fast_read == 1 && !Verify.trouble;
        const unsigned address = (page & kPageMask) | (fast ? 0x8000u : 0u);
        clearRxBuf(hCom);
        const int r = sendCOMMAND(hCom, "ATRD" + hex4(address) + "\r", kModeCR);
        if (silence.deadAfter(iRx > 0)) return 0;
        if (r != 1 || !rxOk()) {
            if (Com_lost) return 0;
            Verify.trouble = true;
            continue;
        }
        readPass(votes, votes.lastMissing(), fast);
        noteDisagreement(votes);
        if (Com_lost) return 0;
    }
    if (!votes.complete()) return 0;
    std::memcpy(buf, votes.bytes(), static_cast<size_t>(votes.blocks()) * kBlockSize);
    return 1;
}

int readTmpBufferVerified(ComHandle h, uint8_t* buf) {
    // The blocks are counted per length reply: when the logger records meanwhile, the length
    // and the last block change together, and copies of the old contents must not mix in.
    CopyVotes lengths;
    std::map<std::string, PageVotes> blocksByLength;
    SilenceCount silence;
    for (int attempt = 0; attempt < kVerifyAttempts; ++attempt) {
        clearRxBuf(h);
        const int r = sendCOMMAND(h, "ATRB\r", kModeCR);
        if (silence.deadAfter(iRx > 0)) return -1;
        if (r != 1) {
            if (Com_lost) return -1;
            Verify.trouble = true;
            continue;
        }
        const std::string text = rxText();
        const bool lengthConfirmed = lengths.offer(text) >= Verify.copiesNeeded();
        if (lengths.disagreed()) Verify.trouble = true;
        int n = str16_to_num(text.c_str(), 4);
        if (n > static_cast<int>(kPageSize)) n = static_cast<int>(kPageSize);
        if (n <= 0) {
            if (lengthConfirmed) return 0;
            continue;
        }
        PageVotes& votes = blocksByLength.try_emplace(text, (n + kBlockSize - 1) / kBlockSize).first->second;
        if (!votes.complete()) readPass(votes, votes.lastMissing(), false);
        noteDisagreement(votes);
        if (Com_lost) return -1;
        if (lengthConfirmed && votes.complete()) {
            std::memcpy(buf, votes.bytes(), static_cast<size_t>(n));
            return n;
        }
    }
    return -1;
}
