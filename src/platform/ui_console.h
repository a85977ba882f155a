#pragma once
// Console backend of the UI services (korvane-cli): messages go to stderr as "title: text";
// questions are answered by the command's options or documented defaults, never by reading a
// terminal; the wait window is a progress line on stderr; Ctrl-C counts as a confirmed "Esc".
#include <functional>

#include "platform/ui.h"

class ConsoleUi : public UiServices {
  public:
    // Chooses the answer to a question (a box with more than an "Ok" button). The default
    // answers "No", "Cancel" or "Ignore": nothing is repeated or overwritten unasked.
    using Policy = std::function<MsgAnswer(const std::string& text, const std::string& title, MsgButtons)>;
    void setPolicy(Policy p) { policy_ = std::move(p); }
    void setQuiet(bool q) { quiet_ = q; }
    // Answers an input box: true with the text to confirm, false to cancel. Default: cancel.
    using InputPolicy = std::function<bool(InputBoxKind kind, std::string& text)>;
    void setInputPolicy(InputPolicy p) { inputPolicy_ = std::move(p); }
    // Answers a file box: true with a path. Default: cancel.
    using FilePolicy = std::function<bool(const FileBoxRequest& req, bool save, std::string& path)>;
    void setFilePolicy(FilePolicy p) { filePolicy_ = std::move(p); }

    MsgAnswer messageBox(Window owner, const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) override;
    void waitOpen(Window owner, const std::string& text) override;
    void waitText(const std::string& text) override;
    void waitBar(unsigned percent) override;
    WaitEvent waitPump() override;
    void waitClose() override;
    int inputBox(Window owner, InputBoxKind kind) override;
    bool openFileBox(Window owner, const FileBoxRequest& req, std::string& path) override;
    bool saveFileBox(Window owner, const FileBoxRequest& req, std::string& path) override;

    // Routes SIGINT to a flag that the next wait-window pump reports as a confirmed "Esc".
    static void installInterruptHandler();
    static bool interrupted();
    static void clearInterrupt();

  private:
    void drawBar();
    Policy policy_;
    InputPolicy inputPolicy_;
    FilePolicy filePolicy_;
    bool quiet_ = false;
    std::string text_;
    unsigned percent_ = 0;
    bool drawn_ = false;
};

// Message text as one console line: CR LF pairs become " ", Windows-1252 becomes UTF-8.
std::string consoleText(const std::string& text);
