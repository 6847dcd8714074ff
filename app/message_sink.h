#pragma once

#include <string>

namespace vortane {

// Where the program's few messages to the user go. The application shows a message box; tests
// record the message instead.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows the message and returns once the user has acknowledged it.
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
};

// A modal message box with the title, the text and a single OK button.
class MessageBoxSink final : public MessageSink {
public:
    void ShowMessage(const std::string& title, const std::string& text) override;
};

} // namespace vortane
