// parse_customer_id_request on any bytes standard input can hold: what it
// accepts is well-formed UTF-8 without a raw control byte but JSON's white
// space, and gives texts without an unpaired surrogate; the same texts written
// back as JSON, escaped or not, in either member order, read back the same;
// and the accepted input with a third member or a second copy of one is refused.
#include "require.h"
#include "utf8.h"

#include "flows/customer_id_input.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// The UTF-16 text as a JSON string: every unit outside printable ASCII as \uXXXX.
std::string escaped(const wide_string& text) {
    std::string out = "\"";
    for (const WCHAR unit : text) {
        if (unit >= 0x20 && unit < 0x7F && unit != '"' && unit != '\\') {
            out += static_cast<char>(unit);
        } else {
            char code[7];
            std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(unit));
            out += code;
        }
    }
    return out + "\"";
}

bool has_unpaired_surrogate(const wide_string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return true;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

bool same(const std::optional<customer_id_request>& a, const customer_id_request& b) {
    return a && a->service_ticket == b.service_ticket && a->publisher_user_id == b.publisher_user_id;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto request = parse_customer_id_request(input);
    if (!request) return 0;

    require(is_utf8(input), "accepted input is well-formed UTF-8");
    for (const char c : input) {
        const auto byte = static_cast<unsigned char>(c);
        require(byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\r', "no raw control byte but white space");
    }
    require(!has_unpaired_surrogate(request->service_ticket) && !has_unpaired_surrogate(request->publisher_user_id),
            "no unpaired surrogate in what is sent");

    const std::string ticket = escaped(request->service_ticket), user = escaped(request->publisher_user_id);
    require(same(parse_customer_id_request("{\"serviceTicket\":" + ticket + ",\"publisherUserId\":" + user + "}"),
                 *request),
            "written back escaped, read back the same");
    require(same(parse_customer_id_request(" {\r\n\"publisherUserId\" : " + user + ",\t\"serviceTicket\":" + ticket +
                                           "}\r\n"),
                 *request),
            "in the other order with white space, read back the same");

    const std::size_t close = input.rfind('}');
    require(close != std::string::npos, "an accepted object ends in a brace");
    require(!parse_customer_id_request(input.substr(0, close) + ",\"scope\":\"x\"" + input.substr(close)),
            "a third member is refused");
    require(!parse_customer_id_request(input.substr(0, close) + ",\"serviceTicket\":\"x\"" + input.substr(close)),
            "a second ticket is refused");
    return 0;
}
