#pragma once
// A multi-line text box as the core writes into it (the session summary, the monitor lines).
// Dialogs implement it with their widget; tests with a string.
#include <string>
#include <string_view>

class TextBox {
  public:
    virtual ~TextBox() = default;
    virtual void clear() = 0;
    virtual void append(std::string_view text) = 0; // at the end, Windows-1252 bytes
};

class StringTextBox : public TextBox {
  public:
    void clear() override { text.clear(); }
    void append(std::string_view t) override { text.append(t); }
    std::string text;
};
