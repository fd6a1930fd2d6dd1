// append_json_string: whatever the bytes, the result is one quoted JSON string
// without a raw control byte that a strict parser reads back as the input
// itself (line breaks included), and every byte from 0x80 up is the input's
// own, in order.
#include "json_string.h"
#include "require.h"
#include "utf8.h"

#include "output/json_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string line = "{";
    append_json_string(line, input);

    require(line.size() >= 3 && line[1] == '"' && line.back() == '"', "the text is appended as one quoted string");
    const std::string_view body = std::string_view(line).substr(2, line.size() - 3);
    for (const char c : body) require(static_cast<unsigned char>(c) >= 0x20, "no raw control byte in the line");

    const bool utf8 = is_utf8(input);
    const auto decoded = decode_json_string_body(body, !utf8);
    require(decoded.has_value(), utf8 ? "escaped UTF-8 is a strict JSON string body"
                                      : "escaped bytes are a JSON string body apart from the high bytes");
    require(*decoded == input, "the string reads back as the input, byte for byte");
    return 0;
}
