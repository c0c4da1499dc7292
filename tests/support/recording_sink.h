// A message sink that keeps every message it is shown, text and caption.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/message_sink.h"

namespace lintra::test {

class RecordingSink : public MessageSink {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.emplace_back(text, caption);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& message : messages) texts.push_back(message.first);
        return texts;
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const auto& message : messages) captions.push_back(message.second);
        return captions;
    }

    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
};

}  // namespace lintra::test
