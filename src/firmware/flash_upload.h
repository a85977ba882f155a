#pragma once
// Upload of a saved flash image (.bin) into a logger's internal data flash, in 48-byte frames:
// the main dialog's Alt+W.
#include "platform/file_handle.h"
#include "platform/ui.h"

struct FlashUploadStats {
    unsigned pages = 0;  // pages of the image
    unsigned frames = 0; // 48-byte frames acknowledged
};

// The whole dialogue: question, "ATCM14", the file box, the page-count question, the frames,
// "ATCM15". 1 = every page written, 0 = not (after its message), -1 = declined before anything
// was written.
int flashImageUpload(Window owner, FlashUploadStats* stats = nullptr);
// The frames of an open image of `npag` pages, the device already in its upload mode.
// 1 = all written; 0 = stopped or refused (after its message). Ends the mode with "ATCM15".
int flashImageFrames(Window owner, File& file, unsigned npag, FlashUploadStats& st);
