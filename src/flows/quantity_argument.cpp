#include "quantity_argument.h"

#include <cstdint>

std::optional<UINT32> parse_quantity(wide_view text) {
    constexpr std::uint64_t largest = 0xFFFFFFFF;
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const WCHAR unit : text) {
        if (unit < WIDE('0') || unit > WIDE('9')) return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(unit - WIDE('0'));
        // Checked at every digit, so the value never grows past 64 bits.
        if (value > largest) return std::nullopt;
    }
    if (value == 0) return std::nullopt;
    return static_cast<UINT32>(value);
}
