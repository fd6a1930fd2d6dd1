// The JSON writer: commas and nesting, every kind of value, the two escape
// rules, and UTF-16 written exactly as the platform's conversion to UTF-8 and
// then escaping would write it, whatever stands where.
#include "output/error_text.h"
#include "output/json_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr escape_rule both_rules[] = {escape_rule::line_breaks_as_spaces, escape_rule::rfc8259};

std::string quoted(escape_rule rule, std::string_view utf8) { return json_writer(rule).string(utf8).take(); }
std::string quoted(escape_rule rule, wide_view utf16) { return json_writer(rule).string(utf16).take(); }

// Each rule as its documentation states it, for one byte below 0x80.
std::string escaped_byte(escape_rule rule, unsigned char byte) {
    if (byte == '"' || byte == '\\') return std::string{'\\', static_cast<char>(byte)};
    if (rule == escape_rule::line_breaks_as_spaces && (byte == '\r' || byte == '\n')) return " ";
    if (rule == escape_rule::rfc8259) {
        const std::string_view shorts = "\bb\tt\nn\ff\rr";
        for (std::size_t i = 0; i < shorts.size(); i += 2)
            if (shorts[i] == static_cast<char>(byte)) return std::string{'\\', shorts[i + 1]};
    }
    if (byte >= 0x20) return std::string(1, static_cast<char>(byte));
    static constexpr char hex[] = "0123456789abcdef";
    return std::string("\\u00") + hex[byte >> 4] + hex[byte & 0xF];
}

} // namespace

TEST(json_writer, values_members_and_nesting) {
    const auto rfc = [] { return json_writer(escape_rule::rfc8259); };
    const std::pair<std::string, std::string> cases[] = {
        {rfc().open_object().close_object().take(), "{}"},
        {rfc().open_array().close_array().take(), "[]"},
        {rfc().open_object().member("a").boolean(true).member("b").boolean(false).member("c").null().close_object()
             .take(),
         R"({"a":true,"b":false,"c":null})"},
        {rfc().open_array().integer(0).integer(-1).integer(std::numeric_limits<std::int64_t>::min())
             .integer(std::numeric_limits<std::uint64_t>::max()).integer(std::uint32_t{4294967295u}).close_array()
             .take(),
         "[0,-1,-9223372036854775808,18446744073709551615,4294967295]"},
        {rfc().open_object().member("list").open_array().open_object().member("x").integer(1).close_object()
             .open_object().close_object().open_array().close_array().string("s").close_array()
             .member("after").open_object().member("y").string(WIDE("w")).close_object().close_object().take(),
         R"({"list":[{"x":1},{},[],"s"],"after":{"y":"w"}})"},
        // 2027-03-01, none (0 ticks) and the platform's "never" (year 9999).
        {rfc().open_array().date(134483328000000000).date(0).date(2650466880000000000).close_array().take(),
         R"(["2027-03-01T00:00:00Z",null,null])"},
    };
    for (const auto& [made, expected] : cases) EXPECT_EQ(made, expected);
}

TEST(json_writer, escape_rules) {
    struct row {
        std::string text, spaces, rfc;
    };
    const row rows[] = {
        {"", R"("")", R"("")"},
        {"plain words", R"("plain words")", R"("plain words")"},
        {R"(say "hi")", R"("say \"hi\"")", R"("say \"hi\"")"},
        {R"(C:\path\)", R"("C:\\path\\")", R"("C:\\path\\")"},
        {"two\r\nlines", R"("two  lines")", R"("two\r\nlines")"},
        {"\t\b\f", R"("\u0009\u0008\u000c")", R"("\t\b\f")"},
        {std::string("nul\0byte", 8), R"("nul\u0000byte")", R"("nul\u0000byte")"},
        {"\x01\x1f\x1b\x0b", R"("\u0001\u001f\u001b\u000b")", R"("\u0001\u001f\u001b\u000b")"},
        {"del\x7f /", "\"del\x7f /\"", "\"del\x7f /\""},
        {"caf\xc3\xa9 \xf0\x9f\x98\x80 \xff\x80", "\"caf\xc3\xa9 \xf0\x9f\x98\x80 \xff\x80\"",
         "\"caf\xc3\xa9 \xf0\x9f\x98\x80 \xff\x80\""},
        {"  keeps blanks  ", R"("  keeps blanks  ")", R"("  keeps blanks  ")"},
    };
    for (const row& r : rows) {
        EXPECT_EQ(quoted(escape_rule::line_breaks_as_spaces, r.text), r.spaces) << r.text;
        EXPECT_EQ(quoted(escape_rule::rfc8259, r.text), r.rfc) << r.text;
    }
}

// Plain bytes are passed over eight at a time: every byte, at any place among
// plain ones, comes out as its rule writes it alone.
TEST(json_writer, every_byte_at_every_place_among_plain_ones) {
    for (const escape_rule rule : both_rules) {
        for (int value = 0; value < 0x100; ++value) {
            const auto byte = static_cast<unsigned char>(value);
            const std::string alone = byte < 0x80 ? escaped_byte(rule, byte) : std::string(1, static_cast<char>(byte));
            for (std::size_t before = 0; before <= 17; ++before) {
                const std::size_t after = 17 - before;
                ASSERT_EQ(quoted(rule, std::string(before, 'a') + static_cast<char>(byte) + std::string(after, 'b')),
                          '"' + std::string(before, 'a') + alone + std::string(after, 'b') + '"')
                    << value << " at " << before;
            }
        }
    }
}

TEST(json_writer, utf16_units_of_every_kind) {
    struct row {
        wide_string text;
        std::string utf8; // the rules agree on these
    };
    const row rows[] = {
        {WIDE("caf\u00e9 \u20ac \u65e5"), "caf\xc3\xa9 \xe2\x82\xac \xe6\x97\xa5"},
        {wide_string{0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}, "\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf"},
        {wide_string{0xD83D, 0xDE00}, "\xf0\x9f\x98\x80"},
        {wide_string{0xDBFF, 0xDFFF, 0xD800, 0xDC00}, "\xf4\x8f\xbf\xbf\xf0\x90\x80\x80"},
        {wide_string{u'a', 0xD83D, u'b'}, "a\xef\xbf\xbd" "b"},
        {wide_string{0xDE00, 0xD83D}, "\xef\xbf\xbd\xef\xbf\xbd"},
        {wide_string{u'a', 0xD83D}, "a\xef\xbf\xbd"},
        {wide_string{0xD83D, 0xD83D, 0xDE00}, "\xef\xbf\xbd\xf0\x9f\x98\x80"},
        // Units whose low byte is a quote, a backslash or a control byte are no ASCII.
        {wide_string{0x0122, 0x015C, 0x010A, 0x2200}, "\xc4\xa2\xc5\x9c\xc4\x8a\xe2\x88\x80"},
        {wide_string{u'"', u'\\'}, R"(\"\\)"},
    };
    for (const escape_rule rule : both_rules)
        for (const row& r : rows) EXPECT_EQ(quoted(rule, r.text), '"' + r.utf8 + '"');
    EXPECT_EQ(quoted(escape_rule::line_breaks_as_spaces, wide_view(WIDE("a\r\n\0\tb"), 6)), R"("a  \u0000\u0009b")");
    EXPECT_EQ(quoted(escape_rule::rfc8259, wide_view(WIDE("a\r\n\0\tb"), 6)), R"("a\r\n\u0000\tb")");
}

// Plain units are passed over four at a time: every unit value, and surrogate
// pairs, at any place among plain units, come out as converting the text with
// the platform's call and escaping its UTF-8 gives. On Windows that call is the
// system's own WideCharToMultiByte.
TEST(json_writer, utf16_as_the_platform_converts_it_at_every_place) {
    std::vector<wide_string> kinds;
    for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) kinds.push_back(wide_string(1, static_cast<WCHAR>(unit)));
    kinds.push_back({0xD83D, 0xDE00});
    kinds.push_back({0xDBFF, 0xDFFF});
    kinds.push_back({0xDE00, 0xD83D});
    for (const escape_rule rule : both_rules) {
        for (const wide_string& kind : kinds) {
            for (std::size_t before = 0; before <= 8; ++before) {
                const wide_string text = wide_string(before, u'a') + kind + wide_string(8 - before, u'b');
                ASSERT_EQ(quoted(rule, text), quoted(rule, to_utf8(text)))
                    << std::hex << static_cast<std::uint32_t>(kind[0]) << " at " << std::dec << before;
            }
        }
    }
}

// Units that need care side by side in one word of four: what the first one
// does to the word's arithmetic must not change how the next is written.
TEST(json_writer, units_that_need_care_side_by_side) {
    const std::vector<WCHAR> kinds = {0x00, 0x1F, u' ', u'"', u'\\', 0x7F, 0x80, 0xFF, 0x100, 0x7FFF,
                                      0x8000, 0x8020, 0xD83D, 0xDE00, 0xFFFF};
    for (const escape_rule rule : both_rules) {
        for (const WCHAR first : kinds) {
            for (const WCHAR second : kinds) {
                for (std::size_t before = 0; before <= 3; ++before) {
                    const wide_string text = wide_string(before, u'a') + first + second + wide_string(4, u'b');
                    ASSERT_EQ(quoted(rule, text), quoted(rule, to_utf8(text)))
                        << std::hex << static_cast<std::uint32_t>(first) << " " << static_cast<std::uint32_t>(second)
                        << " at " << std::dec << before;
                }
            }
        }
    }
}

// A line far longer than the room the writer makes at a time: texts of every
// length around a piece of 256 units, plain, all escapes of the longest form,
// or ending in a surrogate pair across a piece's end, one after another and
// between members, give the bytes each gives alone as UTF-8.
TEST(json_writer, a_long_line_holds_each_value_as_written_alone) {
    for (const escape_rule rule : both_rules) {
        json_writer line(rule);
        std::string expected = "{";
        line.open_object();
        std::size_t count = 0;
        for (std::size_t length = 0; length <= 520; ++length) {
            for (const wide_string& text : {wide_string(length, u'a'), wide_string(length, WCHAR{0x01}),
                                            wide_string(length, u'a') + wide_string{0xD83D, 0xDE00}}) {
                const std::string name = std::to_string(count++);
                line.member(name).string(text);
                if (count > 1) expected += ',';
                expected.append("\"").append(name).append("\":").append(quoted(rule, to_utf8(text)));
            }
        }
        line.close_object();
        ASSERT_EQ(line.take(), expected + "}");
    }
}
