// The two arguments of "consume" against models written from their rules:
// parse_quantity takes ASCII digits worth 1 to 4294967295 and nothing else;
// parse_guid_text takes the 36-character GUID form, optionally in braces, and
// what it reads comes back from guid_text as the same text in lower case.
// Besides, any GUID at all survives guid_text and parse_guid_text unchanged.
#include "require.h"
#include "utf16_units.h"

#include "flows/quantity_argument.h"
#include "output/guid_text.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

// Look-alike digits, hex letters, dashes and braces, units whose low byte is an
// ASCII digit, letter, dash or brace, surrogates.
constexpr char16_t notable[] = {0xFF10, 0xFF19, 0xFF21, 0xFF41, 0x0660, 0x00B2, 0x2010, 0x2011,
                                0x2212, 0xFF5B, 0xFF5D, 0x00A0, 0x0130, 0x0139, 0x0141, 0x0161,
                                0x012D, 0x017B, 0x017D, 0xD800, 0xDC00, 0xFFFF};

bool is_digit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }
bool is_hex(char16_t unit) { return is_digit(unit) || (unit >= u'a' && unit <= u'f') || (unit >= u'A' && unit <= u'F'); }

std::optional<UINT32> quantity_model(wide_view text) {
    if (text.empty()) return std::nullopt;
    std::string digits; // without leading zeros
    for (char16_t unit : text) {
        if (!is_digit(unit)) return std::nullopt;
        if (!digits.empty() || unit != u'0') digits += static_cast<char>(unit);
    }
    constexpr std::string_view largest = "4294967295";
    if (digits.empty() || digits.size() > largest.size() || (digits.size() == largest.size() && digits > largest))
        return std::nullopt;
    return static_cast<UINT32>(std::stoull(digits));
}

// The canonical text of a GUID the rules accept, none for any other text.
std::optional<std::string> guid_model(wide_view text) {
    if (text.size() == 38 && text.front() == u'{' && text.back() == u'}') text = text.substr(1, 36);
    if (text.size() != 36) return std::nullopt;
    std::string canonical;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != u'-' : !is_hex(text[i])) return std::nullopt;
        const char c = static_cast<char>(text[i]);
        canonical += c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return canonical;
}

wide_string widened(std::string_view text) { return wide_string(text.begin(), text.end()); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const wide_string text = units_of(data, size, notable);

    require(parse_quantity(text) == quantity_model(text), "parse_quantity agrees with the model");

    const std::optional<GUID> guid = parse_guid_text(text);
    const std::optional<std::string> canonical = guid_model(text);
    require(guid.has_value() == canonical.has_value(), "parse_guid_text accepts what the model accepts");
    if (guid) require(guid_text(*guid) == *canonical, "guid_text gives the text read, in lower case");

    if (size >= sizeof(GUID)) {
        GUID any;
        std::memcpy(&any, data, sizeof any);
        const std::string written = guid_text(any);
        const std::optional<GUID> read = parse_guid_text(widened(written));
        require(written.size() == 36 && read && *read == any, "any GUID survives its canonical text");
        const std::optional<GUID> braced = parse_guid_text(widened("{" + written + "}"));
        require(braced && *braced == any, "any GUID survives its text in braces");
    }
    return 0;
}
