#pragma once
// Sessions of a saved flash image "RX41data.bin" (the logger's 4096 pages of 528 bytes from page
// 0, written by a verbose download): the table page, data pages and time markers of the session
// chosen in its list, the session summary, the session data text file, and one page as text for
// the page viewer. The image is read as a ring, like the logger's memory; every read stays
// within its 4096 pages and a short or damaged file is reported, never read past.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_box.h"
#include "platform/ui.h"

inline constexpr uint32_t kImageSize = 0x210000; // [bytes] 4096 pages x 528

// Folder of the flash image being viewed, set by loadTable to the folder of the session list
// chosen; empty = the current directory. The program's current directory never changes.
extern std::string ImageFolder;
// Path of the image: "RX41data.bin" in ImageFolder.
std::string imagePath();
// ImageFolder back to its start value.
void resetFlashImageState();

// Reads the table page PagTab of the image into TabAss and decodes it (decodeTabAss), then finds
// the session's data pages: PagFirst is the page after the table page; when it starts with a
// record, PagLast is the last of the following pages that start with a record and whose first
// time markers never decrease, and both page flags are cleared. 1 done (also for a session
// without data pages: the flags are left as they are); 0 when the table cannot be read or decoded.
int initTabAssBin();
// TotalPagNum, FirstTimeMarker, LastTimeMarker and DurataSessione of the pages PagFirst..PagLast.
// 0 when PagFirst neither follows the table page nor follows PagLast (a ring of 4095 pages), or
// when the image cannot be opened.
int initTimeMarkBin();
// The quick-view summary: pages, start and duration ("Non definito" while a page is not known)
// and the node list.
int printInfoSesBin(TextBox* box);
// Decodes pages PagFirst.. (TotalPagNum of them, the table page skipped) into the intermediate
// record file and averages it into the session data text file `namefile` in the current
// directory, as a download does. `namefile` must be a plain file name. 1 written; 0 on failure
// (reported) or when the user stopped it.
int saveFileBin(Window hwndDlg, const std::string& namefile);
// The channel records of the chosen session's pages PagFirst.. (TotalPagNum of them, the table page
// skipped), appended to `out` in the intermediate record layout, with the wait window's progress.
// 1 read; 0 when the image cannot be opened or ends early; -1 when the user stopped it.
int sessionRecordsBin(std::vector<uint8_t>& out);
// Page `page` (0..0xFFF) of the image as text: one line per record, or what the page is.
// 1 when it was shown as a page of data records.
int printPageBin(TextBox* box, int page);

// A name that stays in its folder: not empty, not "." or "..", no '/', '\\' or control bytes.
bool plainFileName(std::string_view name);
