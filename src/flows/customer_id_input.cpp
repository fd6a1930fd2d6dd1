#include "customer_id_input.h"

#include "../platform/utf16.h"

namespace {

class json_reader {
public:
    explicit json_reader(std::string_view text) : at_(text.data()), end_(text.data() + text.size()) {}

    void skip_white_space() {
        while (at_ != end_ && (*at_ == ' ' || *at_ == '\t' || *at_ == '\n' || *at_ == '\r')) ++at_;
    }
    bool take(char c) {
        if (at_ == end_ || *at_ != c) return false;
        ++at_;
        return true;
    }
    bool at_end() const { return at_ == end_; }

    // A string token, its text in UTF-16; nothing when it is no valid string.
    std::optional<wide_string> string() {
        if (!take('"')) return std::nullopt;
        wide_string text;
        for (;;) {
            if (at_ == end_) return std::nullopt;
            const auto byte = static_cast<unsigned char>(*at_);
            if (byte == '"') {
                ++at_;
                return text;
            }
            if (byte < 0x20) return std::nullopt;
            char32_t code;
            if (byte == '\\') {
                ++at_;
                if (!escape(code)) return std::nullopt;
            } else if (!code_point(code)) {
                return std::nullopt;
            }
            append_utf16(text, code);
        }
    }

private:
    std::optional<char32_t> hex4() {
        if (end_ - at_ < 4) return std::nullopt;
        char32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = *at_++;
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return std::nullopt;
            value = value * 16 + static_cast<char32_t>(digit);
        }
        return value;
    }

    // After the backslash.
    bool escape(char32_t& code) {
        if (at_ == end_) return false;
        switch (*at_++) {
        case '"': code = '"'; return true;
        case '\\': code = '\\'; return true;
        case '/': code = '/'; return true;
        case 'b': code = '\b'; return true;
        case 'f': code = '\f'; return true;
        case 'n': code = '\n'; return true;
        case 'r': code = '\r'; return true;
        case 't': code = '\t'; return true;
        case 'u': break;
        default: return false;
        }
        const auto unit = hex4();
        if (!unit || is_low_surrogate(*unit)) return false;
        if (!is_high_surrogate(*unit)) {
            code = *unit;
            return true;
        }
        if (!take('\\') || !take('u')) return false;
        const auto low = hex4();
        if (!low || !is_low_surrogate(*low)) return false;
        code = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
        return true;
    }

    // One code point of well-formed UTF-8: no overlong form, no surrogate, nothing past U+10FFFF.
    bool code_point(char32_t& code) {
        const auto lead = static_cast<unsigned char>(*at_++);
        int more;
        char32_t least;
        if (lead < 0x80) {
            code = lead;
            return true;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1, least = 0x80, code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2, least = 0x800, code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3, least = 0x10000, code = lead & 0x07;
        } else {
            return false;
        }
        for (; more > 0; --more) {
            if (at_ == end_ || (static_cast<unsigned char>(*at_) & 0xC0) != 0x80) return false;
            code = (code << 6) | (static_cast<unsigned char>(*at_++) & 0x3F);
        }
        return code >= least && code <= 0x10FFFF && !is_high_surrogate(code) && !is_low_surrogate(code);
    }

    static void append_utf16(wide_string& text, char32_t code) {
        if (code < 0x10000) {
            text.push_back(static_cast<WCHAR>(code));
            return;
        }
        code -= 0x10000;
        text.push_back(static_cast<WCHAR>(0xD800 + (code >> 10)));
        text.push_back(static_cast<WCHAR>(0xDC00 + (code & 0x3FF)));
    }

    const char* at_;
    const char* end_;
};

} // namespace

std::optional<customer_id_request> parse_customer_id_request(std::string_view json) {
    json_reader reader(json);
    std::optional<wide_string> ticket, user;
    reader.skip_white_space();
    if (!reader.take('{')) return std::nullopt;
    do {
        reader.skip_white_space();
        const auto name = reader.string();
        if (!name) return std::nullopt;
        std::optional<wide_string>* const slot = *name == WIDE("serviceTicket")     ? &ticket
                                                 : *name == WIDE("publisherUserId") ? &user
                                                                                     : nullptr;
        if (!slot || *slot) return std::nullopt;
        reader.skip_white_space();
        if (!reader.take(':')) return std::nullopt;
        reader.skip_white_space();
        *slot = reader.string();
        if (!*slot) return std::nullopt;
        reader.skip_white_space();
    } while (reader.take(','));
    if (!reader.take('}')) return std::nullopt;
    reader.skip_white_space();
    if (!reader.at_end() || !ticket || !user) return std::nullopt;
    return customer_id_request{std::move(*ticket), std::move(*user)};
}
