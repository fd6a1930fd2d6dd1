#include "guid_text.h"

#include <cstdint>

namespace {

constexpr std::size_t canonical_length = 36;

int hex_value(WCHAR unit) {
    if (unit >= WIDE('0') && unit <= WIDE('9')) return unit - WIDE('0');
    if (unit >= WIDE('a') && unit <= WIDE('f')) return unit - WIDE('a') + 10;
    if (unit >= WIDE('A') && unit <= WIDE('F')) return unit - WIDE('A') + 10;
    return -1;
}

bool is_dash_position(std::size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

} // namespace

std::optional<GUID> parse_guid_text(wide_view text) {
    if (text.size() == canonical_length + 2 && text.front() == WIDE('{') && text.back() == WIDE('}'))
        text = text.substr(1, canonical_length);
    if (text.size() != canonical_length) return std::nullopt;

    // The 32 digits in order, two to a byte: Data1, Data2 and Data3 read as
    // big-endian numbers, Data4 byte by byte, as the text form lays them out.
    std::uint8_t bytes[16] = {};
    std::size_t digit = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_dash_position(i)) {
            if (text[i] != WIDE('-')) return std::nullopt;
            continue;
        }
        const int value = hex_value(text[i]);
        if (value < 0) return std::nullopt;
        bytes[digit / 2] = static_cast<std::uint8_t>(bytes[digit / 2] << 4 | value);
        ++digit;
    }
    GUID guid{};
    guid.Data1 = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
                 static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
    guid.Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
    return guid;
}

std::string guid_text(const GUID& guid) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(canonical_length);
    const auto put = [&](std::uint32_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text += hex[(value >> shift) & 0xF];
    };
    put(static_cast<std::uint32_t>(guid.Data1), 8);
    text += '-';
    put(guid.Data2, 4);
    text += '-';
    put(guid.Data3, 4);
    text += '-';
    put(guid.Data4[0], 2);
    put(guid.Data4[1], 2);
    text += '-';
    for (int i = 2; i < 8; ++i) put(guid.Data4[i], 2);
    return text;
}
