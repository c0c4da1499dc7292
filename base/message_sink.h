// The one way the core tells the user something: a message box with an OK
// button. The desktop program shows a real box, lintra-batch prints a line
// on standard error, the tests record what was said.
#pragma once

#include <string>
#include <vector>

namespace lintra {

// The caption the program's message boxes carry (the application title).
inline constexpr const char* kAppTitle = "Contourix";

// pattern with each %n (n from 1 to 9) replaced by args[n - 1]; a %n beyond
// args stays as it is. Messages that name a number or a file are composed
// this way from a pattern, so a front end that translates can translate the
// pattern and fill in the same args.
std::string FillPlaceholders(const std::string& pattern, const std::vector<std::string>& args);

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows text in a box with the given caption and an OK button, and
    // returns when the user has dismissed it.
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
};

}  // namespace lintra
