// A strict reader of JSON string bodies (RFC 8259), written apart from the
// product's writers so that the two can disagree.
#pragma once

#include "utf8.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

inline int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Four hex digits after "\u" at body[at].
inline std::optional<char32_t> read_u_escape(std::string_view body, std::size_t at) {
    if (at + 6 > body.size() || body[at] != '\\' || body[at + 1] != 'u') return std::nullopt;
    char32_t value = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const int digit = hex_value(body[i]);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<char32_t>(digit);
    }
    return value;
}

inline void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The text between the quotes of a JSON string (RFC 8259), decoded; nothing when
// it is not one. Strictly, bytes from 0x80 up must form UTF-8; with
// raw_high_bytes they pass as they are, which is all that input that was not
// UTF-8 can hope for.
inline std::optional<std::string> decode_json_string_body(std::string_view body, bool raw_high_bytes) {
    std::string out;
    for (std::size_t at = 0; at < body.size();) {
        const auto byte = static_cast<unsigned char>(body[at]);
        if (byte < 0x20 || byte == '"') return std::nullopt;
        if (byte >= 0x80) {
            const std::size_t length = raw_high_bytes ? 1 : utf8_sequence_length(body, at);
            if (length == 0) return std::nullopt;
            out += body.substr(at, length);
            at += length;
            continue;
        }
        if (byte != '\\') {
            out += body[at++];
            continue;
        }
        if (at + 1 >= body.size()) return std::nullopt;
        const char kind = body[at + 1];
        static constexpr std::string_view simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
        if (const std::size_t which = simple.find(kind); which != std::string_view::npos) {
            out += meaning[which];
            at += 2;
            continue;
        }
        auto unit = read_u_escape(body, at);
        if (!unit) return std::nullopt;
        at += 6;
        char32_t c = *unit;
        if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
        if (c >= 0xD800 && c <= 0xDBFF) {
            const auto low = read_u_escape(body, at);
            if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
            at += 6;
            c = 0x10000 + ((c - 0xD800) << 10) + (*low - 0xDC00);
        }
        append_utf8(out, c);
    }
    return out;
}
