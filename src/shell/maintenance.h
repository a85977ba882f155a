#pragma once
// The service functions of the main panel that have no button (Alt+I, Alt+U, Alt+F, Alt+A,
// Alt+P): IDLE in and out, erasing the flash memory, the network address and the page
// pointers. The panel's keys and korvane-cli's maintenance commands both run them, so the
// questions, checks and messages are the same wherever they are started.
#include <cstdint>
#include <string>

#include "logger/session.h"
#include "platform/ui.h"

// Texts of the service functions.
extern const char kIdleEnteredStatus[];        // second part of the status bar after Alt+I
extern const char kIdleLeftStatus[];           // second part of the status bar after Alt+U
extern const char kEraseQuestion[];            // title "Question", Yes/No
extern const char kEraseWaitText[];            // the wait window during the erase
extern const char kEraseFailedText[];          // title "COM Error"
extern const char kNetAddressUnreadableText[]; // title "Com Error"
extern const char kNetAddressQuestion[];       // title "Question", Yes/No
extern const char kNetAddressNew[];            // "Nuovo indirizzo", title "Info"
extern const char kPointersQuestion[];         // title "Question", Yes/No
extern const char kPageTabTitle[];             // range box title
extern const char kPageLastTitle[];            // range box title
extern const char kOperationFailedText[];      // title "Data Error"

// The largest network address and page number the functions accept.
inline constexpr unsigned kNetAddressMax = 65535;
inline constexpr unsigned kPagePointerMax = 4095;

// The ways through which the rounds of an erase wait for the device's end byte [ms].
struct EraseTiming {
    unsigned rounds = 40;    // rounds before the erase is given up
    uint32_t roundMs = 500;  // longest wait of one round for the end byte
    uint32_t settleMs = 100; // after the end byte, before the input is purged
};

// Alt+I (enter = true) and Alt+U: "ATCM05" / "ATCM06". 1 = acknowledged; 0 = refused or no
// answer, reported in a "Com Error" box that says which.
int setIdleState(Window owner, bool enter);
// The message shown when the device did not acknowledge entering or leaving IDLE: the reply
// it gave instead ("" for none).
std::string idleRefusedText(bool enter, const std::string& reply);

// Alt+F: the logger into IDLE, the question, "ATCM09", then up to `timing.rounds` rounds
// waiting for the byte that ends the erase, "ATCM06" and the session read again (with
// `status` as the dialog's status line). 1 = erased and read again; 0 = failed (reported);
// -1 = not confirmed (the logger is put back in the state it was in).
int eraseFlashMemory(Window owner, StatusLine* status, const EraseTiming& timing = {});

// Alt+A, reading: "ATMY". 1 with the address; 0 = unreadable (old firmware, no answer),
// reported.
int readNetAddress(Window owner, uint16_t& address);
// Alt+A, writing: "ATMY%04X"; 1 = acknowledged ("Nuovo indirizzo = N" shown); 0 = refused,
// reported.
int writeNetAddress(Window owner, uint16_t address);
// The whole key: read, ask, the input box, the range check, the write. 1 = written; 0 =
// failed or refused (reported); -1 = not confirmed.
int netAddressAction(Window owner);

// A whole decimal number within 0..max (what the input boxes hand back); false otherwise.
bool wholeNumberIn(const std::string& text, unsigned max, unsigned& value);
// The message for a value outside 0..max, named as its box: "<what> non valido !" + range.
std::string outOfRangeText(const std::string& what, unsigned max);

// The two page pointers of Alt+P.
enum class PagePointer { Table, Last };
// "ATPT%04X" / "ATPL%04X"; 1 = acknowledged; 0 = refused (kOperationFailedText shown).
int writePagePointer(Window owner, PagePointer which, uint16_t page);
// Alt+P: the question, then the range box of each pointer and its write. The number of
// pointers written (0..2), or -1 when not confirmed. When one was written, the session is
// read again (with `status`), so the new pointers are the ones in use.
int pagePointersAction(Window owner, StatusLine* status);
