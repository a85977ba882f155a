#pragma once
// Scripted backend of the UI services, for tests: questions are answered from a queue of
// expected prompts, every box shown is recorded with its exact text, title, buttons and icon,
// and a question nobody expected is reported as a failure.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

class ScriptedUi : public UiServices {
  public:
    struct Shown {
        Window owner;
        std::string text, title;
        MsgButtons buttons;
        MsgIcon icon;
        MsgAnswer answer;
    };
    struct Expected {
        MsgAnswer answer;
        std::optional<std::string> title; // when set, the box must have this title
        std::optional<std::string> text;  // when set, the box must have this text
    };

    // Queues the answer to the next question (a box with more than an "Ok" button).
    void answer(MsgAnswer a) { expected_.push_back({a, std::nullopt, std::nullopt}); }
    void expect(std::string text, std::string title, MsgAnswer a) {
        expected_.push_back({a, std::move(title), std::move(text)});
    }
    // Queues what the next input box answers: the text typed and confirmed, or a cancel.
    void inputText(std::string text) { inputs_.push_back(std::move(text)); }
    void inputCancel() { inputs_.push_back(std::nullopt); }
    // Queues the path the next file box returns, or a cancel.
    void filePath(std::string path) { files_.push_back(std::move(path)); }
    void fileCancel() { files_.push_back(std::nullopt); }
    // "Esc" is pressed on the wait window at its n-th pump from now (1 = the next one);
    // its confirmation question is then asked like any other.
    void pressEscAfter(int n) { escAfter_ = n; }

    MsgAnswer messageBox(Window owner, const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) override;
    void waitOpen(Window owner, const std::string& text) override;
    void waitText(const std::string& text) override { waitTexts.push_back(text); }
    void waitBar(unsigned percent) override { lastBar = percent; }
    WaitEvent waitPump() override;
    void waitClose() override { ++waitCloses; }
    int inputBox(Window owner, InputBoxKind kind) override;
    bool openFileBox(Window owner, const FileBoxRequest& req, std::string& path) override;
    bool saveFileBox(Window owner, const FileBoxRequest& req, std::string& path) override;

    struct InputShown {
        InputBoxKind kind;
        std::string title, initial;
        float min, max;
        int maxEdit;
    };
    std::vector<InputShown> inputsShown;
    std::vector<FileBoxRequest> fileBoxes;

    std::vector<Shown> shown;           // every box, in order
    std::vector<std::string> failures;  // unexpected or mismatched prompts
    std::vector<std::string> waitTexts; // texts the wait window showed
    unsigned lastBar = 0;
    int waitPumps = 0, waitCloses = 0;
    std::function<void(const std::string&)> onFailure; // also called for each failure

    size_t pendingAnswers() const { return expected_.size(); }
    const Shown* last() const { return shown.empty() ? nullptr : &shown.back(); }

  private:
    void fail(const std::string& why);
    bool nextFile(const FileBoxRequest& req, std::string& path);
    std::deque<Expected> expected_;
    std::deque<std::optional<std::string>> inputs_;
    std::deque<std::optional<std::string>> files_;
    int escAfter_ = -1;
};
