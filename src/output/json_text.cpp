#include "json_text.h"

#include <array>
#include <cstdio>

namespace {

// The escape of each byte below 0x20, and of quote and backslash; empty for
// the bytes that pass unchanged.
constexpr std::array<std::string_view, 128> escapes = [] {
    std::array<std::string_view, 128> table{};
    constexpr std::string_view controls[32] = {
        "\\u0000", "\\u0001", "\\u0002", "\\u0003", "\\u0004", "\\u0005", "\\u0006", "\\u0007",
        "\\b",     "\\t",     "\\n",     "\\u000b", "\\f",     "\\r",     "\\u000e", "\\u000f",
        "\\u0010", "\\u0011", "\\u0012", "\\u0013", "\\u0014", "\\u0015", "\\u0016", "\\u0017",
        "\\u0018", "\\u0019", "\\u001a", "\\u001b", "\\u001c", "\\u001d", "\\u001e", "\\u001f"};
    for (std::size_t byte = 0; byte < 32; ++byte) table[byte] = controls[byte];
    table['"'] = "\\\"";
    table['\\'] = "\\\\";
    return table;
}();

// The bytes that need an escape.
constexpr std::array<bool, 256> needs_escape = [] {
    std::array<bool, 256> table{};
    for (std::size_t byte = 0; byte < escapes.size(); ++byte) table[byte] = !escapes[byte].empty();
    return table;
}();

} // namespace

void append_json_string(std::string& line, std::string_view utf8) {
    line += '"';
    // Runs of bytes that need no escape go over whole: descriptions are long.
    const char* run = utf8.data();
    const char* const end = utf8.data() + utf8.size();
    for (const char* at = run; at != end; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        if (!needs_escape[byte]) continue;
        line.append(run, static_cast<std::size_t>(at - run));
        line += escapes[byte];
        run = at + 1;
    }
    line.append(run, static_cast<std::size_t>(end - run));
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
