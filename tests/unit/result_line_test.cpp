#include "output/result_line.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>

namespace {

// A strict JSON string decoder: what JSON.parse or json.loads accept, no more.
// Returns the decoded bytes of the string body, or nothing when it is not valid.
std::optional<std::string> decode_json_string_body(std::string_view body) {
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const auto c = static_cast<unsigned char>(body[i]);
        if (c < 0x20 || c == '"') return std::nullopt;
        if (c != '\\') {
            out += static_cast<char>(c);
            continue;
        }
        if (++i == body.size()) return std::nullopt;
        switch (body[i]) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
            if (i + 4 >= body.size()) return std::nullopt;
            unsigned value = 0;
            for (char h : body.substr(i + 1, 4)) {
                const auto digit = std::string_view("0123456789abcdef").find(static_cast<char>(std::tolower(h)));
                if (digit == std::string_view::npos) return std::nullopt;
                value = value * 16 + static_cast<unsigned>(digit);
            }
            if (value >= 0x80) return std::nullopt; // the writer only ever escapes control bytes
            out += static_cast<char>(value);
            i += 4;
            break;
        }
        default: return std::nullopt;
        }
    }
    return out;
}

struct escape_case {
    std::string input;
    std::string escaped;
};

} // namespace

TEST(escape_result_text, table) {
    const escape_case cases[] = {
        {"", ""},
        {"plain words", "plain words"},
        {R"(say "hi")", R"(say \"hi\")"},
        {R"(C:\path\)", R"(C:\\path\\)"},
        {"two\r\nlines", "two  lines"},
        {"lf\nonly", "lf only"},
        {"cr\ronly", "cr only"},
        {"tab\there", "tab\\u0009here"},
        {std::string("nul\0byte", 8), "nul\\u0000byte"},
        {"\x01\x1f\x1b", "\\u0001\\u001f\\u001b"},
        {"del\x7f", "del\x7f"},
        {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},
        {"\xff\x80", "\xff\x80"},
        {"  keeps blanks  ", "  keeps blanks  "},
    };
    for (const auto& c : cases) EXPECT_EQ(escape_result_text(c.input), c.escaped) << c.input;
}

TEST(escape_result_text, every_byte_decodes_back_with_line_breaks_as_spaces) {
    std::string all;
    for (int b = 0; b < 0x80; ++b) all += static_cast<char>(b);
    const auto decoded = decode_json_string_body(escape_result_text(all));
    ASSERT_TRUE(decoded.has_value());
    std::string expected = all;
    expected['\r'] = ' ';
    expected['\n'] = ' ';
    EXPECT_EQ(*decoded, expected);
}

TEST(result_lines, every_shape_is_exact_with_its_exit_code) {
    const std::string text = "a \"quoted\" \\ text\r\nwith\ttab";
    struct shape {
        result_line made;
        std::string line;
        int exit_code;
    };
    const shape shapes[] = {
        {usage_line(), R"({"error":"usage"})", 2},
        {general_failure_line(text), R"({"error":"a \"quoted\" \\ text  with\u0009tab"})", 1},
        {general_failure_line(""), R"({"error":""})", 1},
        {purchase_status_line("alreadyPurchased"), R"({"status":"alreadyPurchased","error":null})", 0},
        {purchase_failure_line(text), R"({"status":"error","error":"a \"quoted\" \\ text  with\u0009tab"})", 1},
        {review_status_line("succeeded", true), R"({"status":"succeeded","updated":true,"error":null})", 0},
        {review_status_line("network", false), R"({"status":"network","updated":false,"error":null})", 0},
        {no_operation_line(), R"({"status":"error","updated":false,"error":"no operation"})", 1},
        {owner_closed_line(), R"({"status":"error","updated":false,"error":"owner closed"})", 1},
        {review_failure_line("no result"), R"({"status":"error","updated":false,"error":"no result"})", 1},
        {version_line("0.2.0", std::nullopt), R"({"status":"ok","version":"0.2.0","package":null,"error":null})", 0},
        {version_line("1.0.0-rc1", text),
         R"({"status":"ok","version":"1.0.0-rc1","package":"a \"quoted\" \\ text  with\u0009tab","error":null})", 0},
    };
    for (const auto& s : shapes) {
        EXPECT_EQ(s.made.text, s.line);
        EXPECT_EQ(s.made.exit_code, s.exit_code) << s.line;
    }
    EXPECT_EQ(bad_allocation_line, general_failure_line("bad allocation").text);
    EXPECT_EQ(std::string_view(crash_line_bytes, crash_line_size),
              R"({"status":"error","updated":false,"error":"crash"})");
}

TEST(result_lines, failure_text_survives_the_round_trip) {
    const std::string text = "\"\\\x01\x1f\xc3\xa9\t";
    const std::string line = general_failure_line(text).text;
    const std::string prefix = R"({"error":")", suffix = R"("})";
    ASSERT_EQ(line.substr(0, prefix.size()), prefix);
    ASSERT_EQ(line.substr(line.size() - suffix.size()), suffix);
    const auto decoded = decode_json_string_body(line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, text);
}
