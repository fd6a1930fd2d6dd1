// read_unsigned_decimal, the reading of the owner window's handle, against a
// model that keeps the digits as text: white space as Windows classifies it,
// one sign, the digits, a value past 64 bits saturating, a minus negating
// modulo 2^64. For ASCII text the C library's own wcstoull is a third opinion.
#include "require.h"
#include "utf16_units.h"

#include "platform/white_space.h"
#include "waits/owner_window.h"

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <limits>
#include <string>
#include <string_view>

namespace {

constexpr std::uint64_t saturated = std::numeric_limits<std::uint64_t>::max();

std::uint64_t model(wide_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_white_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    std::string digits; // without leading zeros
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        if (!digits.empty() || text[i] != u'0') digits += static_cast<char>(text[i]);
    constexpr std::string_view largest = "18446744073709551615";
    if (digits.size() > largest.size() || (digits.size() == largest.size() && digits > largest)) return saturated;
    std::uint64_t value = 0;
    for (char digit : digits) value = value * 10 + static_cast<std::uint64_t>(digit - '0');
    return negative ? 0 - value : value;
}

// White space beyond ASCII, look-alike digits and signs, surrogates.
constexpr char16_t notable[] = {0x00A0, 0x1680, 0x2000, 0x2005, 0x200A, 0x2028, 0x2029, 0x202F,
                                0x205F, 0x3000, 0x0085, 0x180E, 0x200B, 0xFEFF, 0xFF10, 0x0660,
                                0xFF0B, 0x2212, 0xD800, 0xDC00, 0x0130, 0xFFFF};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const wide_string text = units_of(data, size, notable);
    const std::uint64_t value = read_unsigned_decimal(text);
    require(value == model(text), "read_unsigned_decimal agrees with the model");

    bool ascii = true;
    for (char16_t unit : text) ascii = ascii && unit < 0x80;
    if (ascii) {
        const std::wstring wide(text.begin(), text.end());
        require(value == std::wcstoull(wide.c_str(), nullptr, 10), "read_unsigned_decimal agrees with wcstoull");
    }
    return 0;
}
