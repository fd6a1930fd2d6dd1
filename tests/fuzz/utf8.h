// Well-formed UTF-8 as Unicode defines it (table 3-7), written apart from the
// product's decoder so that the two can disagree.
#pragma once

#include <cstddef>
#include <string_view>

// The length of the well-formed sequence at text[at], or 0 when there is none.
inline std::size_t utf8_sequence_length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const auto tail = [&](std::size_t i, unsigned char low, unsigned char high) {
        return at + i < text.size() && byte(i) >= low && byte(i) <= high;
    };
    const unsigned char lead = byte(0);
    if (lead <= 0x7F) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return tail(1, 0x80, 0xBF) ? 2 : 0;
    if (lead == 0xE0) return tail(1, 0xA0, 0xBF) && tail(2, 0x80, 0xBF) ? 3 : 0;
    if (lead == 0xED) return tail(1, 0x80, 0x9F) && tail(2, 0x80, 0xBF) ? 3 : 0;
    if (lead >= 0xE1 && lead <= 0xEF) return tail(1, 0x80, 0xBF) && tail(2, 0x80, 0xBF) ? 3 : 0;
    if (lead == 0xF0) return tail(1, 0x90, 0xBF) && tail(2, 0x80, 0xBF) && tail(3, 0x80, 0xBF) ? 4 : 0;
    if (lead == 0xF4) return tail(1, 0x80, 0x8F) && tail(2, 0x80, 0xBF) && tail(3, 0x80, 0xBF) ? 4 : 0;
    if (lead >= 0xF1 && lead <= 0xF3) return tail(1, 0x80, 0xBF) && tail(2, 0x80, 0xBF) && tail(3, 0x80, 0xBF) ? 4 : 0;
    return 0;
}

inline bool is_utf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8_sequence_length(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}
