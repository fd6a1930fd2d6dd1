#include "product_kinds.h"

std::vector<wide_string> default_product_kinds() {
    return {WIDE("Durable"), WIDE("Consumable"), WIDE("UnmanagedConsumable")};
}

std::optional<std::vector<wide_string>> parse_product_kinds(wide_view argument) {
    std::vector<wide_string> words;
    for (std::size_t start = 0;;) {
        const std::size_t comma = argument.find(WCHAR{','}, start);
        const wide_view word = argument.substr(start, comma - start);
        if (word.empty()) return std::nullopt;
        words.emplace_back(word);
        if (comma == wide_view::npos) return words;
        start = comma + 1;
    }
}
