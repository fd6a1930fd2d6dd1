// The one writer of JSON: every result line and the simulated Store's trace.
// Members and values come out in the order they are written, the commas placed
// by the writer. Every text is escaped by the writer's rule: UTF-8 as it is, the
// platform's UTF-16 converted in the same pass, straight into the line.
#pragma once

#include "../platform/win.h"

#include <charconv>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

// How a string writes the bytes below 0x20, quote and backslash; every other
// byte passes unchanged.
enum class escape_rule {
    // The lines of buy, review and the general failure: quote and backslash get
    // a backslash, CR and LF become one space each, every other byte below 0x20
    // becomes \u00xx.
    line_breaks_as_spaces,
    // RFC 8259: \" \\ \b \t \n \f \r, every other byte below 0x20 \u00xx. Line
    // breaks stay, because descriptions have paragraphs.
    rfc8259,
};

class json_writer {
public:
    explicit json_writer(escape_rule rule) noexcept : rule_(rule) {}

    json_writer& open_object();
    json_writer& close_object();
    json_writer& open_array();
    json_writer& close_array();
    // Written as given: member names are plain ASCII words.
    json_writer& member(std::string_view name);

    json_writer& string(std::string_view utf8);
    json_writer& string(wide_view utf16);
    json_writer& boolean(bool value);
    json_writer& null();
    template <std::integral Integer>
    json_writer& integer(Integer value) {
        char digits[24]; // any 64-bit value with its sign
        const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        return literal(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
    // Written as given: the text of a JSON number, made by the caller in the form its line needs.
    json_writer& number(std::string_view json_number) { return literal(json_number); }
    // 100-ns ticks since 1601 in the form date_time_text.h gives, null where it gives none.
    json_writer& date(std::int64_t ticks);

    // Room for `bytes` more, so that a long line is moved as seldom as possible while it grows.
    void reserve(std::size_t bytes) { text_.reserve(text_.size() + bytes); }
    std::string take() noexcept { return std::move(text_); }

    // What is written so far, and a way to replace part of it with as many other
    // bytes: for a list whose entries are put in order after they are written.
    std::string_view text() const noexcept { return text_; }
    void overwrite(std::size_t at, std::string_view bytes) { text_.replace(at, bytes.size(), bytes); }

private:
    void separate();
    json_writer& literal(std::string_view json);

    escape_rule rule_;
    std::string text_;
};
