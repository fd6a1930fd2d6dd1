// White space as the Windows runtime's iswspace classifies it, the same on every
// target (glibc's C locale knows only the ASCII spaces), and trimming by it.
#pragma once

#include "win.h"

constexpr bool is_white_space(WCHAR c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

inline wide_string trim_trailing_space(wide_view text) {
    std::size_t end = text.size();
    while (end > 0 && is_white_space(text[end - 1])) --end;
    return wide_string(text.substr(0, end));
}
