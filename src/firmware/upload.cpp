// Board program upload (normal and fast mode), RX43 boot-loader upload, the board reset after an
// update and the EEPROM dump of a board's program memory.
#include "firmware/upload.h"

#include <algorithm>
#include <cstdio>

#include "firmware/firmware_files.h"
#include "link/korvane_com.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "shell/korvane.h"

namespace {

std::string blocksCommand(unsigned nblocks) {
    return "ATRD" + hex4(nblocks) + "\r";
}

// The last reply is exactly `text`.
bool replyIs(const char* text) {
    return rxText() == text;
}

// Puts Timeout_rx back whichever way the fast upload ends.
struct TimeoutRestore {
    int saved = Timeout_rx;
    ~TimeoutRestore() { Timeout_rx = saved; }
};

// Ends a failed or stopped board upload: the board leaves its upload mode.
int stopUpload(uint8_t mode) {
    sleepMs(100);
    sendCOMMAND(hCom, "ATCM10\r", mode);
    return 0;
}

// Starts the transfer again at the first record: the board leaves its upload mode, is given the
// block count again and re-enters it, so its write position is the first record once more.
bool restartUpload(unsigned nblocks) {
    sleepMs(100);
    sendCOMMAND(hCom, "ATCM10\r", kModeNoReply);
    drainLine(300, 3000);
    if (sendCOMMAND(hCom, blocksCommand(nblocks), kModeCR) != 1 || !replyIs("OK")) return false;
    sendCOMMAND(hCom, "ATCM04\r", kModeCR); // reply not examined
    return true;
}

void counterLine(unsigned errors, unsigned txd) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Err: %u, Txd: %u", errors, txd);
    Print_wait_msg(buf);
}

void counterLine(unsigned errors, unsigned txd, unsigned ack) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "Err: %u, Txd: %u, Ack: %u", errors, txd, ack);
    Print_wait_msg(buf);
}

// Normal mode: one record at a time, each answered "OK" or "ERR". A record answered "ERR" is
// sent again after "ATCM04"; a reply that is neither (lost or damaged) leaves it unknown whether
// the board stored the record, so the transfer starts again from the first record.
int uploadNormal(unsigned nblocks, UploadStats& st) {
    unsigned i = 0;
    int streak = 0;
    while (i < FW.npack) {
        Setbar_wait_msg(i, FW.npack);
        if (Test_wait_msg() == 0) return stopUpload(kModeCR);
        const int r = sendCOMMAND(hCom, reinterpret_cast<const char*>(FW.data[i].data()), kModeBlock34);
        if (r == 1 && replyIs("OK")) {
            st.acked = ++i;
            streak = 0;
            continue;
        }
        ++st.errors;
        counterLine(st.errors, i);
        if (Com_lost || ++streak > kUploadRetries) return stopUpload(kModeCR);
        if (r == 1 && replyIs("ERR")) {
            sendCOMMAND(hCom, "ATCM04\r", kModeNoReply);
            sleepMs(200);
            continue;
        }
        if (st.restarts >= static_cast<unsigned>(kUploadRestarts)) return stopUpload(kModeCR);
        ++st.restarts;
        i = 0;
        st.acked = 0;
        if (!restartUpload(nblocks)) return stopUpload(kModeCR);
    }
    return 1;
}

// Fast mode: a record every T_updfw_fast ms without waiting; the "OK" and "ERR" lines are counted
// as they stream back. An "ERR" sends the transfer back to the first unacknowledged record (one
// restart for a burst of rejections within 2 s). A damaged reply line, or silence while records
// are unacknowledged, leaves the board's position unknown: the transfer starts again.
int uploadFast(unsigned nblocks, UploadStats& st) {
    TimeoutRestore restore;
    const uint32_t interval = std::max<uint32_t>(T_updfw_fast, 1);
    const uint32_t ackTimeout = static_cast<uint32_t>(std::max(restore.saved, 100)) + interval;
    Timeout_rx = T_updfw_fast;

    unsigned sent = 0, acked = 0;
    int streak = 0;
    uint32_t t = nowMs(), waitSince = t, lockAt = 0;
    bool lock = false;
    AckScanner scanner;
    auto fail = [&] {
        Timeout_rx = restore.saved;
        return stopUpload(kModeNoReply);
    };

    while (acked < FW.npack) {
        if (Test_wait_msg() == 0) return fail();
        bool unclear = false;
        uint32_t now = nowMs();
        if (sent < FW.npack && now - t > interval) {
            t = now;
            if (sent == acked) waitSince = now;
            if (hCom->write(FW.data[sent].data(), kFwRecordSize) < kFwRecordSize) return fail();
            ++sent;
            counterLine(st.errors, sent, acked);
        }
        uint8_t b = 0;
        int rd;
        while ((rd = hCom->readByte(b)) == 1) {
            waitSince = nowMs();
            const AckScanner::Kind k = scanner.feed(b);
            if (k == AckScanner::Ok) {
                if (acked >= sent) {
                    unclear = true; // more acknowledgements than records: the count is lost
                    break;
                }
                st.acked = ++acked;
                streak = 0;
                lock = false;
                Setbar_wait_msg(acked, FW.npack);
            } else if (k == AckScanner::Err && !lock) {
                const uint32_t since = nowMs() - t;
                if (since < interval) sleepMs(interval - since);
                t = nowMs();
                // Written directly: a transaction would purge acknowledgements not yet read.
                if (hCom->write("ATCM04\r", 7) < 7) return fail();
                sent = acked;
                ++st.errors;
                lock = true;
                lockAt = t;
                counterLine(st.errors, sent, acked);
                if (++streak > kUploadRetries) return fail();
            } else if (k == AckScanner::Other) {
                unclear = true;
                break;
            }
        }
        if (rd < 0) return fail(); // the port is gone
        now = nowMs();
        if (lock && now - lockAt > kFastErrorLockMs) lock = false;
        if (!unclear && sent > acked && now - waitSince > ackTimeout) unclear = true;
        if (unclear) {
            ++st.errors;
            counterLine(st.errors, sent, acked);
            if (st.restarts >= static_cast<unsigned>(kUploadRestarts) || ++streak > kUploadRetries)
                return fail();
            ++st.restarts;
            sent = acked = st.acked = 0;
            Timeout_rx = restore.saved;
            const bool again = restartUpload(nblocks);
            Timeout_rx = T_updfw_fast;
            if (!again) return fail();
            scanner.reset();
            lock = false;
            t = waitSince = nowMs();
            continue;
        }
        // Sleep until a byte arrives, the next record is due, the lock ends or the replies are late.
        uint32_t wait = 50;
        if (sent < FW.npack) wait = std::min(wait, interval + 1 - std::min(interval + 1, now - t));
        if (sent > acked) wait = std::min(wait, ackTimeout + 1 - std::min(ackTimeout + 1, now - waitSince));
        if (wait > 0 && hCom->waitReadable(wait) < 0) return fail();
    }
    Timeout_rx = restore.saved;
    return 1;
}

} // namespace

AckScanner::Kind AckScanner::feed(uint8_t b) {
    if (b == '\n') return None;
    if (b != '\r') {
        if (line_.size() < 8)
            line_ += static_cast<char>(b);
        else
            line_ = "########"; // too long for a reply: unclear
        return None;
    }
    const std::string l = line_;
    line_.clear();
    if (l.empty()) return None;
    if (l == "OK") return Ok;
    if (l == "ERR") return Err;
    return Other;
}

void drainLine(uint32_t quietMs, uint32_t maxMs) {
    if (!hCom) return;
    const uint32_t t0 = nowMs();
    uint8_t b;
    while (nowMs() - t0 < maxMs) {
        while (hCom->readByte(b) == 1) {
        }
        if (hCom->waitReadable(quietMs) != 1) break;
    }
    clearRxBuf(hCom);
}

int uploadFwRun(Window owner, bool fast, UploadStats* stats) {
    UploadStats local;
    UploadStats& st = stats ? *stats : local;
    st = UploadStats{};
    st.records = FW.npack;
    if (!hCom) return 0;
    const unsigned nblocks = FW.npack / 2u;
    if (sendCOMMAND(hCom, blocksCommand(nblocks), kModeCR) != 1 || !replyIs("OK")) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s Nblock (ATRD%04X) !", "Errore impostazione", nblocks);
        messageBox(owner, buf, "Com error", MsgButtons::Ok, MsgIcon::Error);
        return 0;
    }
    sendCOMMAND(hCom, "ATCM04\r", kModeCR); // reply not examined
    Show_wait_msg(owner, "Uploading...");
    const int done = fast ? uploadFast(nblocks, st) : uploadNormal(nblocks, st);
    if (done != 1) {
        Close_wait_msg();
        return 0;
    }
    sleepMs(100);
    sendCOMMAND(hCom, "ATCM10\r", kModeCR);
    Close_wait_msg();
    return 1;
}

int uploadFW(Window owner) {
    const bool fast = messageBox(owner, "Modo FAST ?\r\n(Consigliato solo per connessioni remote lente)",
                                 "Question", MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes;
    return uploadFwRun(owner, fast);
}

int uploadFW2(Window owner, UploadStats* stats) {
    UploadStats local;
    UploadStats& st = stats ? *stats : local;
    st = UploadStats{};
    st.records = FW.npack;
    if (!hCom) return 0;
    const uint8_t plus = '+';
    sendCOMMAND2(hCom, &plus, 1, 2, 500); // the reply is not examined
    Show_wait_msg(owner, "Uploading...");
    uint8_t checksum = 0;
    for (unsigned i = 0; i < FW.npack; ++i) {
        Setbar_wait_msg(i, FW.npack);
        if (Test_wait_msg() == 0) {
            Close_wait_msg();
            return 0;
        }
        for (size_t k = 0; k < kFwRecordBytes; ++k) {
            const uint8_t b = FW.data[i][k];
            sendCOMMAND2(hCom, &b, 1, 0, 0);
            checksum = static_cast<uint8_t>(checksum + b);
        }
        if (i % 2 == 0) continue;
        const int r = sendCOMMAND2(hCom, &checksum, 1, 1, 500);
        checksum = 0;
        if (r == 1 && Rx_buf[0] == 0x01) {
            st.acked = i + 1;
            continue;
        }
        if (r == 1 && Rx_buf[0] == 0x00) {
            ++st.errors;
            if (messageBox(owner, "Errore sulla ricezione del pacchetto dati, riprovare ?", "Question",
                           MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes) {
                Close_wait_msg();
                return 0;
            }
            i -= 2; // the block again from its first record
            continue;
        }
        messageBox(owner, "Nessuna risposta ricevuta dal target !", "Boot error", MsgButtons::Ok,
                   MsgIcon::Error);
        Close_wait_msg();
        return 0;
    }
    Close_wait_msg();
    return 1;
}

void bootLoaderExit() {
    const uint8_t zero = 0x00, one = 0x01, run = 0x51;
    for (int i = 0; i < 64; ++i) sendCOMMAND2(hCom, &zero, 1, 0, 0);
    sendCOMMAND2(hCom, &one, 1, 0, 0);
    sendCOMMAND2(hCom, &run, 1, 0, 0);
}

void boardResetProgress(Window owner) {
    Show_wait_msg(owner, "Esecuzione aggiornamento firmware in corso...");
    sendCOMMAND(hCom, "ATCM0F\r", kModeCR);
    const uint32_t t0 = nowMs();
    for (uint32_t spent = 0; spent < kBoardResetMs; spent = nowMs() - t0) {
        Setbar_wait_msg(spent, kBoardResetMs);
        Test_wait_msg();
        sleepMs(std::min<uint32_t>(100, kBoardResetMs - spent));
    }
    Setbar_wait_msg(kBoardResetMs, kBoardResetMs);
    Close_wait_msg();
}

int loadFileEeprom(Window owner) {
    FileBoxRequest req;
    req.filter = "EE Data Files (*.ee);;All Files (*.*)";
    req.defaultExt = "ee";
    req.askOverwrite = true;
    std::string path;
    if (!ui().saveFileBox(owner, req, path) || path.empty()) return 0;
    const bool fast =
        messageBox(owner,
                   "Modo FAST ?\r\n(Modalita' consigliata)\r\nNota: la procedura non puo' essere "
                   "interrotta",
                   "Question", MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes;
    return dumpEeprom(owner, path, fast);
}

int dumpEeprom(Window owner, const std::string& path, bool fast, unsigned* blocks) {
    unsigned local = 0;
    unsigned& written = blocks ? *blocks : local;
    written = 0;
    if (!hCom) return 0;
    for (const char* cmd : {fast ? "ATRD0200\r" : "ATRD0001\r", "ATRD4000\r"}) {
        if (sendCOMMAND(hCom, cmd, kModeCR) != 1 || !replyIs("OK")) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "Istruzione %.8s non eseguita !", cmd);
            messageBox(owner, buf, "Com error", MsgButtons::Ok, MsgIcon::Error);
            return 0;
        }
    }
    Show_wait_msg(owner, "Downloading...");
    File f = openFile(path, "wb");
    if (!f) {
        Close_wait_msg();
        return 0;
    }
    File_ee = path;
    for (unsigned b = 0; b < kProgramBlocks; ++b) {
        Setbar_wait_msg(b, kProgramBlocks);
        if (!fast && Test_wait_msg() == 0) return 0;
        const int r = !fast || b == 0
                          ? sendCOMMAND(hCom, "ATRD\r", kModeRaw64)
                          : sendCOMMAND2(hCom, nullptr, 0, static_cast<int8_t>(kProgramBlock), 1000);
        if (r != 1 || iRx < static_cast<int>(kProgramBlock)) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%s %u !", "Errore al blocco n.", b);
            messageBox(owner, buf, "Com error", MsgButtons::Ok, MsgIcon::Error);
            Close_wait_msg();
            if (fast) drainLine(300, 5000); // the board may still be streaming
            return 0;
        }
        const std::string lines = recordLine(Rx_buf) + recordLine(Rx_buf + kFwRecordBytes);
        if (std::fwrite(lines.data(), 1, lines.size(), f.get()) != lines.size()) {
            Close_wait_msg();
            return 0;
        }
        written = b + 1;
    }
    Close_wait_msg();
    return std::fflush(f.get()) == 0 ? 1 : 0;
}
