// The JSON writer's strings from UTF-8: whatever the bytes, each rule writes one
// quoted JSON string without a raw control byte, that a strict parser reads
// back as the input itself (RFC 8259) or as the input with CR and LF turned to
// spaces (line_breaks_as_spaces), and every byte from 0x80 up is the input's
// own, in order.
#include "json_string.h"
#include "require.h"
#include "utf8.h"

#include "output/json_writer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// The body between the quotes, checked for raw control bytes.
std::string_view body_of(const std::string& quoted) {
    require(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"', "the text is one quoted string");
    const std::string_view body = std::string_view(quoted).substr(1, quoted.size() - 2);
    for (const char c : body) require(static_cast<unsigned char>(c) >= 0x20, "no raw control byte in the line");
    return body;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const bool utf8 = is_utf8(input);
    const char* const decodes = utf8 ? "escaped UTF-8 is a strict JSON string body"
                                     : "escaped bytes are a JSON string body apart from the high bytes";

    const std::string rfc = json_writer(escape_rule::rfc8259).string(input).take();
    const auto decoded = decode_json_string_body(body_of(rfc), !utf8);
    require(decoded.has_value(), decodes);
    require(*decoded == input, "the RFC 8259 string reads back as the input, byte for byte");

    const std::string spaced = json_writer(escape_rule::line_breaks_as_spaces).string(input).take();
    std::string expected(input);
    for (char& c : expected)
        if (c == '\r' || c == '\n') c = ' ';
    const auto decoded_spaced = decode_json_string_body(body_of(spaced), !utf8);
    require(decoded_spaced.has_value(), decodes);
    require(*decoded_spaced == expected, "the other rule's string reads back as the input with CR and LF as spaces");
    return 0;
}
