// The text of a tracking ID: the forms the command line accepts, the one the
// bridge writes, and the GUIDs the platform makes.
#include "output/guid_text.h"
#include "platform/com_ptr.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr GUID example = {0x6F9619FF, 0x8B86, 0xD011, {0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF}};

std::string shown(wide_view text) {
    std::string ascii;
    for (WCHAR unit : text) ascii += unit < 0x80 ? static_cast<char>(unit) : '?';
    return ascii;
}

} // namespace

TEST(parse_guid_text, accepted_forms) {
    const wide_view forms[] = {
        WIDE("6f9619ff-8b86-d011-b42d-00c04fc964ff"),
        WIDE("6F9619FF-8B86-D011-B42D-00C04FC964FF"),
        WIDE("6f9619FF-8b86-D011-b42D-00c04FC964ff"),
        WIDE("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"),
        WIDE("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"),
    };
    for (const wide_view form : forms) {
        const auto parsed = parse_guid_text(form);
        ASSERT_TRUE(parsed.has_value()) << shown(form);
        EXPECT_TRUE(*parsed == example) << shown(form);
    }
}

TEST(parse_guid_text, refused_forms) {
    const wide_view forms[] = {
        WIDE(""),
        WIDE("{}"),
        WIDE("6f9619ff8b86d011b42d00c04fc964ff"),            // no dashes
        WIDE("6f9619ff-8b86-d011-b42d-00c04fc964f"),         // one digit short
        WIDE("6f9619ff-8b86-d011-b42d-00c04fc964fff"),       // one digit more
        WIDE("6f9619f-f8b86-d011-b42d-00c04fc964ff"),        // dash one place early
        WIDE("6f9619ff-8b86-d011-b42d-00c04fc964fg"),        // not hex
        WIDE("6f9619ff-8b86-d011-b42d+00c04fc964ff"),        // not a dash
        WIDE("6f9619ff-8b86-d011-b42d-00c0-4fc964ff"),       // a dash in the last group
        WIDE("{6f9619ff-8b86-d011-b42d-00c04fc964ff"),       // one brace
        WIDE("6f9619ff-8b86-d011-b42d-00c04fc964ff}"),
        WIDE("(6f9619ff-8b86-d011-b42d-00c04fc964ff)"),      // other brackets
        WIDE("{{6f9619ff-8b86-d011-b42d-00c04fc964ff}}"),
        WIDE(" 6f9619ff-8b86-d011-b42d-00c04fc964ff"),       // blanks
        WIDE("6f9619ff-8b86-d011-b42d-00c04fc964ff "),
        WIDE("{ 6f9619ff-8b86-d011-b42d-00c04fc964f}"),
        WIDE("0x6f9619ff-8b86-d011-b42d-00c04fc964"),
        WIDE("6f9619ff-8b86-d011-b42d-00c04fc964\xFF26\xFF26"), // fullwidth F
        WIDE("{0x6f9619ff,0x8b86,0xd011,{0xb4,0x2d,0x00,0xc0,0x4f,0xc9,0x64,0xff}}"),
    };
    for (const wide_view form : forms) EXPECT_FALSE(parse_guid_text(form).has_value()) << shown(form);
    EXPECT_FALSE(parse_guid_text(wide_view(WIDE("6f9619ff-8b86-d011-b42d-00c04fc964f\0"), 36)).has_value());
}

TEST(guid_text, canonical_form_and_round_trip) {
    struct row {
        GUID guid;
        const char* text;
    };
    const row rows[] = {
        {example, "6f9619ff-8b86-d011-b42d-00c04fc964ff"},
        {GUID{}, "00000000-0000-0000-0000-000000000000"},
        {GUID{0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
         "ffffffff-ffff-ffff-ffff-ffffffffffff"},
        {GUID{0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}},
         "01234567-89ab-cdef-0123-456789abcdef"},
        {GUID{0x0000000A, 0x000B, 0x000C, {0x0D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0E}},
         "0000000a-000b-000c-0d00-00000000000e"},
    };
    for (const row& r : rows) {
        EXPECT_EQ(guid_text(r.guid), r.text);
        const std::string text = r.text;
        const auto parsed = parse_guid_text(wide_string(text.begin(), text.end()));
        ASSERT_TRUE(parsed.has_value()) << r.text;
        EXPECT_TRUE(*parsed == r.guid) << r.text;
    }
}

// On Windows the system's own CoCreateGuid, elsewhere the portable one: both
// make random version-4 GUIDs with the RFC 4122 variant.
TEST(CoCreateGuid, makes_fresh_version_4_guids) {
    std::set<std::string> seen;
    for (int i = 0; i < 64; ++i) {
        GUID guid{};
        ASSERT_EQ(CoCreateGuid(&guid), S_OK);
        const std::string text = guid_text(guid);
        EXPECT_EQ(text[14], '4') << text;
        EXPECT_NE(std::string_view("89ab").find(text[19]), std::string_view::npos) << text;
        EXPECT_TRUE(seen.insert(text).second) << "repeated: " << text;
    }
}
