#include "platform/white_space.h"
#include "waits/owner_window.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <limits>
#include <random>

namespace {

constexpr std::uint64_t max64 = std::numeric_limits<std::uint64_t>::max();

// The runtime's own wcstoull. glibc skips only ASCII blanks, so the non-ASCII
// spaces that Windows also skips are handed to it as plain blanks.
std::uint64_t reference_wcstoull(wide_view text) {
    std::wstring wide;
    for (WCHAR c : text) wide += (c > 0x7F && is_white_space(c)) ? L' ' : static_cast<wchar_t>(c);
    return std::wcstoull(wide.c_str(), nullptr, 10);
}

} // namespace

TEST(read_unsigned_decimal, table) {
    const std::pair<wide_string, std::uint64_t> rows[] = {
        {WIDE(""), 0},
        {WIDE("0"), 0},
        {WIDE("123"), 123},
        {WIDE("123abc"), 123},
        {WIDE("abc"), 0},
        {WIDE("0x1F"), 0},
        {WIDE("  \t\r\n42"), 42},
        {WIDE("\u3000\u00a07"), 7},
        {WIDE("+9"), 9},
        {WIDE("-1"), max64},
        {WIDE("-0"), 0},
        {WIDE("+-5"), 0},
        {WIDE("- 5"), 0},
        {WIDE("18446744073709551615"), max64},
        {WIDE("18446744073709551616"), max64},
        {WIDE("-18446744073709551616"), max64},
        {WIDE("99999999999999999999999"), max64},
        {WIDE("000000000000000000000000012"), 12},
        {WIDE("1 2"), 1},
        {WIDE("\uff11"), 0},
    };
    for (const auto& [text, value] : rows) {
        EXPECT_EQ(read_unsigned_decimal(text), value);
        EXPECT_EQ(read_unsigned_decimal(text), reference_wcstoull(text));
    }
}

TEST(read_unsigned_decimal, agrees_with_wcstoull_on_random_inputs) {
    const WCHAR alphabet[] = {u'0', u'1', u'5', u'9', u'9', u'9', u'+', u'-', u' ', u'\t', u'\n', u'\v',
                              u'a', u'x', 0x3000, 0x00A0, 0x2007, 0x0085, 0x200B, 0x0660, 0xFF10, 0xD800};
    std::mt19937 random(20261209);
    for (int round = 0; round < 20000; ++round) {
        wide_string text;
        const int length = static_cast<int>(random() % 26);
        for (int i = 0; i < length; ++i) text += alphabet[random() % std::size(alphabet)];
        ASSERT_EQ(read_unsigned_decimal(text), reference_wcstoull(text)) << round;
    }
}

TEST(midpoint, sums_wrap_and_halving_truncates_toward_zero) {
    struct row {
        LONG a, b, mid;
    };
    const row rows[] = {
        {100, 301, 200},  {200, 401, 300},  {100, 901, 500},  {-3, 0, -1},
        {-5, 0, -2},      {-1001, -200, -600}, {0, 10, 5},     {0, 0, 0},
        {2147483647, 1, -1073741824}, // the sum wraps to INT_MIN
        {2147483647, 2147483647, -1}, {-2147483647 - 1, -1, 1073741823},
    };
    for (const row& r : rows) EXPECT_EQ(midpoint(r.a, r.b), r.mid) << r.a << " " << r.b;
}

TEST(owner_window, resolution_and_position) {
    EXPECT_EQ(resolve_owner_window(WIDE("")), nullptr);
    EXPECT_EQ(resolve_owner_window(WIDE("0")), nullptr);
    EXPECT_EQ(resolve_owner_window(WIDE("abc")), nullptr);
    EXPECT_EQ(anchor_position(nullptr).x, 0);
    EXPECT_EQ(anchor_position(nullptr).y, 0);

    const HWND window = CreateWindowExW(0, WIDE("STATIC"), WIDE(""), WS_POPUP, 100, 200, 801, 401, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    const wide_string decimal = [&] {
        const std::string digits = std::to_string(reinterpret_cast<std::uintptr_t>(window));
        return wide_string(digits.begin(), digits.end());
    }();
    EXPECT_EQ(resolve_owner_window(decimal), window);
    EXPECT_EQ(resolve_owner_window(WIDE("  ") + decimal + WIDE("xyz")), window);
    const POINT centre = anchor_position(window);
    EXPECT_EQ(centre.x, 500);
    EXPECT_EQ(centre.y, 400);

    DestroyWindow(window);
    EXPECT_EQ(resolve_owner_window(decimal), nullptr);
}
