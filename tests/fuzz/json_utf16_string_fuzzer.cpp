// The JSON writer's strings from UTF-16: whatever the units, each rule writes
// what it writes for their UTF-8, converted as Windows converts (a surrogate
// pair is one code point, an unpaired surrogate U+FFFD); the RFC 8259 string is
// strict JSON that reads back as that UTF-8.
#include "json_string.h"
#include "require.h"
#include "utf16_units.h"

#include "output/json_writer.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Written apart from the product's conversion, so that the two can disagree.
std::string expected_utf8(const wide_string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF, low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00));
            ++i;
        } else {
            append_utf8(out, high || low ? 0xFFFD : unit);
        }
    }
    return out;
}

constexpr char16_t notable[] = {0xD83D, 0xDE00, 0xDBFF, 0xDC00, 0xFFFD, 0x00E9, 0x20AC, 0x0122,
                                0x015C, 0x010A, 0x007F, 0x0080, 0x07FF, 0x0800, 0xFFFF, 0x2028};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const wide_string input = units_of(data, size, notable);
    const std::string utf8 = expected_utf8(input);

    for (const escape_rule rule : {escape_rule::rfc8259, escape_rule::line_breaks_as_spaces})
        require(json_writer(rule).string(input).take() == json_writer(rule).string(utf8).take(),
                "UTF-16 is written as its UTF-8 is");

    const std::string rfc = json_writer(escape_rule::rfc8259).string(input).take();
    require(rfc.size() >= 2 && rfc.front() == '"' && rfc.back() == '"', "the text is one quoted string");
    const auto decoded = decode_json_string_body(std::string_view(rfc).substr(1, rfc.size() - 2), false);
    require(decoded.has_value(), "the string is strict JSON with well-formed UTF-8");
    require(*decoded == utf8, "the string reads back as the text's UTF-8");
    return 0;
}
