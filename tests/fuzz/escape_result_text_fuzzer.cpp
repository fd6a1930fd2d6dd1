// escape_result_text: whatever the bytes, the result is the body of a JSON
// string that a strict parser reads back as the input with CR and LF turned to
// spaces, and every byte from 0x80 up is the input's own, in order.
#include "require.h"
#include "json_string.h"
#include "utf8.h"

#include "output/result_line.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

std::string high_bytes(std::string_view text) {
    std::string high;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) high += c;
    return high;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string escaped = escape_result_text(input);

    std::string expected(input);
    for (char& c : expected)
        if (c == '\r' || c == '\n') c = ' ';

    const bool utf8 = is_utf8(input);
    const auto decoded = decode_json_string_body(escaped, !utf8);
    require(decoded.has_value(), utf8 ? "escaped UTF-8 is a strict JSON string body"
                                      : "escaped bytes are a JSON string body apart from the high bytes");
    require(*decoded == expected, "the escaped text reads back as the input with CR and LF as spaces");
    require(high_bytes(escaped) == high_bytes(input), "bytes from 0x80 up pass unchanged");
    return 0;
}
