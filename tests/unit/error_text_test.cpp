// The words of a failure. On Windows these run against the system's own error
// information calls, so system texts are compared with what FormatMessageW
// itself returns, never with typed English.
#include "output/error_text.h"
#include "platform/error_info_object.h"
#include "platform/hstring.h"
#include "platform/white_space.h"

#include <gtest/gtest.h>

#include <new>
#include <optional>

namespace {

void leave_error_info(error_details details) {
    auto* info = new error_info_object(std::move(details));
    SetErrorInfo(0, info);
    info->Release();
}

struct restricted_details {
    HRESULT result = S_OK;
    HRESULT reported = 0;
    std::optional<wide_string> description;
    std::optional<wide_string> restricted;
};

void leave_restricted_info(const restricted_details& details) {
    leave_error_info(error_details{details.reported, details.description, details.restricted, details.result});
}

void leave_plain_info(std::optional<wide_string> description) {
    leave_error_info(error_details{E_FAIL, std::move(description), std::nullopt, S_OK, false});
}

wide_string message_of_raised(HRESULT code) {
    try {
        raise_platform_failure(code);
    } catch (const platform_failure& failure) {
        return platform_failure_message(failure);
    }
    ADD_FAILURE() << "nothing raised";
    return {};
}

// What the system itself says for a code, trimmed as the message rule trims.
wide_string system_text(HRESULT code) {
    WCHAR* buffer = nullptr;
    const DWORD length = FormatMessageW(0x1300, nullptr, static_cast<DWORD>(code), 0x400,
                                        reinterpret_cast<WCHAR*>(&buffer), 0, nullptr);
    wide_string text = length ? trim_trailing_space(wide_view(buffer, length)) : wide_string();
    LocalFree(buffer);
    return text;
}

// Whether originating an error leaves restricted error information on the
// thread (Windows does; Wine 8's stub does not).
bool originate_leaves_error_info() {
    RoOriginateLanguageException(E_FAIL, nullptr, nullptr);
    com_ptr<IErrorInfo> info;
    GetErrorInfo(0, info.put());
    return info.get() != nullptr;
}

constexpr HRESULT code = E_ACCESSDENIED;
constexpr HRESULT code_without_system_text = static_cast<HRESULT>(0x8004DEAD);

} // namespace

TEST(platform_failure_message, restricted_information_rules) {
    struct row {
        const char* name;
        restricted_details details;
        std::optional<wide_string> expected; // none: the system text of the code
    };
    const row rows[] = {
        {"restricted description, trailing CR LF trimmed", {S_OK, code, WIDE("plain"), WIDE("Store says no\r\n")},
         WIDE("Store says no")},
        {"leading white space stays", {S_OK, code, std::nullopt, WIDE("  lead \t ")}, WIDE("  lead")},
        {"empty restricted description wins over the plain one", {S_OK, code, WIDE("plain"), WIDE("")}, WIDE("")},
        {"description without restricted description", {S_OK, code, WIDE("plain words \t\r\n"), std::nullopt},
         WIDE("plain words")},
        {"neither description", {S_OK, code, std::nullopt, std::nullopt}, WIDE("")},
        {"only white space", {S_OK, code, std::nullopt, WIDE(" \r\n\t")}, WIDE("")},
        {"other code reported", {S_OK, E_INVALIDARG, WIDE("plain"), WIDE("restricted")}, std::nullopt},
        {"details give S_FALSE", {S_FALSE, code, WIDE("plain"), WIDE("restricted")}, std::nullopt},
        {"details fail", {E_FAIL, code, WIDE("plain"), WIDE("restricted")}, std::nullopt},
        {"non-ASCII kept", {S_OK, code, std::nullopt, WIDE("Zugriff verweigert: \u00e9\u20ac")},
         WIDE("Zugriff verweigert: \u00e9\u20ac")},
    };
    for (const row& r : rows) {
        leave_restricted_info(r.details);
        EXPECT_EQ(message_of_raised(code), r.expected.value_or(system_text(code))) << r.name;
    }
}

TEST(platform_failure_message, without_restricted_information) {
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(message_of_raised(code), system_text(code));
    EXPECT_FALSE(system_text(code).empty());

    SetErrorInfo(0, nullptr);
    EXPECT_EQ(message_of_raised(code_without_system_text), WIDE(""));

    // Plain error information is originated anew with its description; where
    // the system keeps no originated information the system text stands.
    const bool originated = originate_leaves_error_info();
    leave_plain_info(WIDE("plain description  \r\n"));
    EXPECT_EQ(message_of_raised(code), originated ? WIDE("plain description") : system_text(code));

    leave_plain_info(std::nullopt);
    EXPECT_EQ(message_of_raised(code), system_text(code));
}

TEST(raise_platform_failure, specific_kinds_share_the_text_of_the_base) {
    SetErrorInfo(0, nullptr);
    EXPECT_THROW(raise_platform_failure(E_ACCESSDENIED), access_denied);
    EXPECT_THROW(raise_platform_failure(HRESULT_FROM_WIN32(ERROR_CANCELLED)), canceled);
    EXPECT_THROW(raise_platform_failure(E_ILLEGAL_DELEGATE_ASSIGNMENT), illegal_delegate_assignment);
    EXPECT_THROW(raise_platform_failure(REGDB_E_CLASSNOTREG), class_not_registered);
    EXPECT_THROW(raise_platform_failure(E_FAIL), platform_failure);

    leave_restricted_info(restricted_details{S_OK, E_ACCESSDENIED, std::nullopt, WIDE("denied")});
    try {
        raise_platform_failure(E_ACCESSDENIED);
    } catch (const platform_failure& failure) {
        EXPECT_NE(dynamic_cast<const access_denied*>(&failure), nullptr);
        EXPECT_EQ(failure.code(), E_ACCESSDENIED);
        EXPECT_EQ(platform_failure_message(failure), WIDE("denied"));
    }
}

TEST(raise_platform_failure, out_of_memory_is_the_standard_allocation_failure) {
    EXPECT_THROW(raise_platform_failure(E_OUTOFMEMORY), std::bad_alloc);
    EXPECT_NO_THROW(check_hresult(S_OK));
    EXPECT_NO_THROW(check_hresult(S_FALSE));
    EXPECT_THROW(check_hresult(E_FAIL), platform_failure);
}

TEST(trim_trailing_space, table) {
    const std::pair<wide_string, wide_string> rows[] = {
        {WIDE(""), WIDE("")},           {WIDE("   "), WIDE("")},
        {WIDE("a \t\r\n\v\f"), WIDE("a")}, {WIDE(" a b "), WIDE(" a b")},
        {WIDE("x\r\ny"), WIDE("x\r\ny")},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(trim_trailing_space(in), out);
}

TEST(to_utf8, conversions) {
    const WCHAR lone_high[] = {u'a', 0xD83D, u'b', 0};
    const WCHAR lone_low[] = {0xDE00, 0};
    const WCHAR pair[] = {0xD83D, 0xDE00, 0};
    EXPECT_EQ(to_utf8(WIDE("")), "");
    EXPECT_EQ(to_utf8(WIDE("ascii")), "ascii");
    EXPECT_EQ(to_utf8(WIDE("caf\u00e9 \u20ac")), "caf\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(to_utf8(pair), "\xf0\x9f\x98\x80");
    EXPECT_EQ(to_utf8(lone_high), "a\xef\xbf\xbd" "b");
    EXPECT_EQ(to_utf8(lone_low), "\xef\xbf\xbd");
    EXPECT_EQ(to_utf8(wide_view(WIDE("a\0b"), 3)), std::string("a\0b", 3));
}

// Plain text is converted several units at a time: whatever else stands at any
// place among plain units converts as it does alone, and nothing is lost or doubled.
TEST(to_utf8, every_kind_of_unit_at_every_place_among_plain_ones) {
    const std::pair<wide_string, std::string> kinds[] = {
        {WIDE("\u00e9"), "\xc3\xa9"},
        {WIDE("\u65e5"), "\xe6\x97\xa5"},
        {wide_string{0xD83D, 0xDE00}, "\xf0\x9f\x98\x80"},
        {wide_string{0xD83D}, "\xef\xbf\xbd"},
        {wide_string{0xDE00}, "\xef\xbf\xbd"},
        {wide_string{0x7F}, "\x7f"},
        {wide_string{0x80}, "\xc2\x80"},
    };
    for (const auto& [unit, utf8] : kinds) {
        for (std::size_t before = 0; before <= 9; ++before) {
            const std::size_t after = 9 - before;
            const wide_string text = wide_string(before, u'a') + unit + wide_string(after, u'b');
            EXPECT_EQ(to_utf8(text), std::string(before, 'a') + utf8 + std::string(after, 'b')) << before;
        }
    }
}

TEST(failure_text_of, platform_failures_give_their_message_anything_else_the_fixed_text) {
    leave_restricted_info(restricted_details{S_OK, E_FAIL, std::nullopt, WIDE("gone \u00e9\r\n")});
    try {
        raise_platform_failure(E_FAIL);
    } catch (...) {
        EXPECT_EQ(failure_text_of(std::current_exception()), WIDE("gone \u00e9"));
    }
    try {
        raise_platform_failure(E_OUTOFMEMORY);
    } catch (...) {
        EXPECT_EQ(failure_text_of(std::current_exception()), WIDE("async failure"));
    }
    EXPECT_EQ(failure_text_of(std::make_exception_ptr(42)), WIDE("async failure"));
    SetErrorInfo(0, nullptr);
    try {
        raise_platform_failure(code_without_system_text);
    } catch (...) {
        EXPECT_EQ(failure_text_of(std::current_exception()), WIDE(""));
    }
}
