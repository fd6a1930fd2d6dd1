#include "json_text.h"

#include <array>
#include <cstdint>
#include <cstring>

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

// Whether any of the eight bytes in the word needs an escape: one below 0x20,
// a quote or a backslash. Exact, without false alarms, so a clean word is
// passed over in a few instructions.
bool word_needs_escape(std::uint64_t word) {
    constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    const auto has_zero = [](std::uint64_t x) { return (x - ones) & ~x & highs; };
    const std::uint64_t below_space = (word - 0x20 * ones) & ~word & highs;
    return (below_space | has_zero(word ^ ('"' * ones)) | has_zero(word ^ ('\\' * ones))) != 0;
}

} // namespace

void append_json_string(std::string& line, std::string_view utf8) {
    line += '"';
    // Runs of bytes that need no escape go over whole, eight at a time:
    // descriptions are long and mostly plain.
    const char* run = utf8.data();
    const char* const end = utf8.data() + utf8.size();
    const char* at = run;
    while (at != end) {
        const char* const block_end = end - at >= 8 ? at + 8 : end;
        if (block_end - at == 8) {
            std::uint64_t word;
            std::memcpy(&word, at, sizeof word);
            if (!word_needs_escape(word)) {
                at = block_end;
                continue;
            }
        }
        for (; at != block_end; ++at) {
            const auto byte = static_cast<unsigned char>(*at);
            if (!needs_escape[byte]) continue;
            line.append(run, static_cast<std::size_t>(at - run));
            line += escapes[byte];
            run = at + 1;
        }
    }
    line.append(run, static_cast<std::size_t>(end - run));
    line += '"';
}
