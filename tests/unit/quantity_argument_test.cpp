// The quantity of "consume": ASCII digits with a value from 1 to 4294967295.
#include "flows/quantity_argument.h"

#include <gtest/gtest.h>

TEST(parse_quantity, accepted_and_refused_forms) {
    struct row {
        wide_view text;
        std::optional<UINT32> expected;
    };
    const row rows[] = {
        {WIDE("1"), 1u},
        {WIDE("4"), 4u},
        {WIDE("007"), 7u},
        {WIDE("4294967295"), 4294967295u},
        {WIDE("0004294967295"), 4294967295u},
        {WIDE("4294967296"), std::nullopt},
        {WIDE("9999999999"), std::nullopt},
        {WIDE("18446744073709551616"), std::nullopt}, // past 64 bits as well
        {WIDE("99999999999999999999999999999"), std::nullopt},
        {WIDE("0"), std::nullopt},
        {WIDE("000"), std::nullopt},
        {WIDE(""), std::nullopt},
        {WIDE("+1"), std::nullopt},
        {WIDE("-1"), std::nullopt},
        {WIDE(" 1"), std::nullopt},
        {WIDE("1 "), std::nullopt},
        {WIDE("1\t"), std::nullopt},
        {WIDE("1.0"), std::nullopt},
        {WIDE("1e3"), std::nullopt},
        {WIDE("0x10"), std::nullopt},
        {WIDE("1,000"), std::nullopt},
        {wide_view(WIDE("1\0" "2"), 3), std::nullopt},
        {WIDE("\xFF11"), std::nullopt}, // fullwidth digit one
        {WIDE("\x0661"), std::nullopt}, // Arabic-Indic digit one
        {WIDE("1\x00A0"), std::nullopt},
    };
    for (const row& r : rows) {
        const std::wstring shown(r.text.begin(), r.text.end());
        EXPECT_EQ(parse_quantity(r.text), r.expected) << "text: \"" << testing::PrintToString(shown) << "\"";
    }
}
