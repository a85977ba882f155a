// Flash image files (.bin) for the upload: the file box's choice opened and checked (a whole
// number of 528-byte pages, at most 4096) and handed over at its start with its page count; the
// first 8 bytes also taken as a file size of any value for the size rule alone.
#include <cstring>
#include <string>

#include "firmware/firmware_files.h"
#include "fuzz_target.h"
#include "platform/ui.h"

namespace {
// Chooses the scratch file in every open box and answers Ok to every message.
class ChooseFile : public UiServices {
  public:
    std::string path;
    int messages = 0;
    MsgAnswer messageBox(Window, const std::string&, const std::string&, MsgButtons, MsgIcon) override {
        ++messages;
        return MsgAnswer::Ok;
    }
    bool openFileBox(Window, const FileBoxRequest&, std::string& p) override {
        p = path;
        return true;
    }
};
} // namespace

KORVANE_FUZZ_TARGET(bin_file) {
    uint64_t anySize = 0;
    if (size) std::memcpy(&anySize, data, size < sizeof anySize ? size : sizeof anySize);
    const std::string problem = binFileSizeProblem(anySize);
    const bool whole =
        anySize != 0 && anySize % kFlashPageSize == 0 && anySize <= kFlashPageSize * kFlashPages;
    if (problem.empty() != whole) __builtin_trap();

    static ChooseFile chooser;
    chooser.path = fuzz::writeScratch("image.bin", data, size);
    chooser.messages = 0;
    UiServices& quiet = ui();
    installUi(&chooser);
    File file;
    unsigned npag = 12345;
    const int r = getBinFile(nullptr, file, npag);
    installUi(&quiet);
    const bool acceptable = size != 0 && size % kFlashPageSize == 0;
    if (r != (acceptable ? 1 : 0) || (r == 1) != (file != nullptr) || chooser.messages != (r == 1 ? 0 : 1))
        __builtin_trap();
    if (r == 1 && (npag * kFlashPageSize != size || std::ftell(file.get()) != 0)) __builtin_trap();
    return 0;
}
