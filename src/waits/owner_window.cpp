#include "owner_window.h"

#include "../platform/white_space.h"

#include <cstdint>
#include <limits>

std::uint64_t read_unsigned_decimal(wide_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_white_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        if (value > (max - digit) / 10) overflow = true;
        else value = value * 10 + digit;
    }
    if (overflow) return max;
    return negative ? 0 - value : value;
}

HWND resolve_owner_window(wide_view argument) {
    const std::uint64_t value = read_unsigned_decimal(argument);
    if (value == 0) return nullptr;
    const auto window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
    return IsWindow(window) ? window : nullptr;
}

LONG midpoint(LONG a, LONG b) {
    const auto sum = static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
    return sum / 2;
}

POINT anchor_position(HWND owner) {
    RECT rect{};
    if (!owner || !GetWindowRect(owner, &rect)) return POINT{0, 0};
    return POINT{midpoint(rect.left, rect.right), midpoint(rect.top, rect.bottom)};
}
