// Number text shared by the CAD file writers: fixed notation in the C
// locale, rounded to six decimals, trailing zeros and a bare "-0" dropped.
#pragma once

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

namespace lintra::cad {

// Appends value (finite; the writers check) as "12.5", "-0.333333", "7".
inline void AppendNumber(std::string& out, double value) {
    // Fixed notation of the largest double has 309 digits before the point.
    std::array<char, 330> text;
    char* end = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 6).ptr;
    char* point = std::find(text.data(), end, '.');
    if (point != end) {
        while (end[-1] == '0') --end;
        if (end[-1] == '.') --end;
    }
    if (end - text.data() == 2 && text[0] == '-' && text[1] == '0') {
        out += '0';
        return;
    }
    out.append(text.data(), end);
}

}  // namespace lintra::cad
