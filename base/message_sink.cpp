#include "base/message_sink.h"

namespace lintra {

std::string FillPlaceholders(const std::string& pattern, const std::vector<std::string>& args) {
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const std::size_t n = static_cast<std::size_t>(next - '0');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && n <= args.size()) {
            text += args[n - 1];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace lintra
