#include "json_text.h"

#include <cstdio>

void append_json_string(std::string& line, std::string_view utf8) {
    static constexpr char hex[] = "0123456789abcdef";
    line += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"': line += "\\\""; break;
        case '\\': line += "\\\\"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\t': line += "\\t"; break;
        case '\b': line += "\\b"; break;
        case '\f': line += "\\f"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                line += "\\u00";
                line += hex[static_cast<unsigned char>(c) >> 4];
                line += hex[static_cast<unsigned char>(c) & 0xF];
            } else {
                line += c;
            }
        }
    }
    line += '"';
}

void append_json_code(std::string& line, HRESULT code) {
    if (code >= 0) {
        line += "null";
        return;
    }
    char text[13];
    std::snprintf(text, sizeof text, "\"0x%08X\"", static_cast<unsigned>(code));
    line += text;
}
