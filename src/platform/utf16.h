// UTF-16 to UTF-8 one code point at a time, as WideCharToMultiByte(CP_UTF8, 0)
// converts: a surrogate pair is one code point, an unpaired surrogate U+FFFD.
// Shared by the portable conversion call and the JSON writer, which converts
// straight into its line.
#pragma once

#include "win.h"

inline constexpr char32_t replacement_character = 0xFFFD;

inline bool is_high_surrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool is_low_surrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point that starts at `at`; `at` moves past its units.
inline char32_t next_code_point(const WCHAR*& at, const WCHAR* end) {
    const char32_t unit = static_cast<char16_t>(*at++);
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (is_high_surrogate(unit) && at != end) {
        const char32_t low = static_cast<char16_t>(*at);
        if (is_low_surrogate(low)) {
            ++at;
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return replacement_character;
}

inline int utf8_size(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// Writes the code point's UTF-8 at `out`; returns the end.
inline char* put_utf8(char* out, char32_t c) {
    switch (utf8_size(c)) {
    case 1: *out++ = static_cast<char>(c); break;
    case 2:
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
        break;
    case 3:
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
        break;
    default:
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
        break;
    }
    return out;
}
