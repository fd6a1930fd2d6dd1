#include "update_arguments.h"

namespace {

bool is_flag_word(wide_view word) { return word.substr(0, 2) == WIDE("--"); }

// The flag the word names, or null for a word that names none.
bool* flag_named(wide_view word, update_arguments& arguments) {
    if (word == WIDE("--download-only")) return &arguments.download_only;
    if (word == WIDE("--silent")) return &arguments.silent;
    if (word == WIDE("--progress")) return &arguments.progress;
    return nullptr;
}

} // namespace

std::optional<update_arguments> parse_update_arguments(std::span<const wide_string> arguments) {
    update_arguments parsed;
    std::size_t next = 0;
    for (; next < arguments.size() && is_flag_word(arguments[next]); ++next) {
        bool* const flag = flag_named(arguments[next], parsed);
        if (!flag || *flag) return std::nullopt;
        *flag = true;
    }
    if (next == arguments.size()) return parsed;
    parsed.window = arguments[next];
    for (++next; next < arguments.size(); ++next)
        if (is_flag_word(arguments[next])) return std::nullopt;
    return parsed;
}
