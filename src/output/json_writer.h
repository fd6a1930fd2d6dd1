// The one writer of JSON: every result line and the simulated Store's trace.
// Members and values come out in the order they are written, the commas placed
// by the writer. Every text is escaped by the writer's rule: UTF-8 as it is, the
// platform's UTF-16 converted in the same pass, straight into the line.
#pragma once

#include "../platform/win.h"

#include <charconv>
#include <concepts>
#include <cstdint>
#include <cstring>
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

    // Inline, as members and literals are below: a line has many of each.
    json_writer& open_object() { return literal("{"); }
    json_writer& close_object() { return closing('}'); }
    json_writer& open_array() { return literal("["); }
    json_writer& close_array() { return closing(']'); }
    // Written as given: member names are plain ASCII words. A line has many
    // members, and each name is known where it is written: inline, it goes in
    // with a few stores.
    json_writer& member(std::string_view name) {
        char* out = separate(room(name.size() + 4));
        *out++ = '"';
        std::memcpy(out, name.data(), name.size());
        out += name.size();
        *out++ = '"';
        *out++ = ':';
        written_to(out);
        return *this;
    }

    json_writer& string(std::string_view utf8);
    json_writer& string(wide_view utf16);
    json_writer& boolean(bool value) { return value ? literal("true") : literal("false"); }
    json_writer& null() { return literal("null"); }
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
    void reserve(std::size_t bytes) { text_.reserve(size_ + bytes); }
    std::string take() noexcept {
        text_.resize(size_); // within what the string holds: no allocation
        size_ = 0;
        return std::move(text_);
    }

    // What is written so far, and a way to replace part of it with as many other
    // bytes: for a list whose entries are put in order after they are written.
    std::string_view text() const noexcept { return std::string_view(text_.data(), size_); }
    void overwrite(std::size_t at, std::string_view bytes) { text_.replace(at, bytes.size(), bytes); }

private:
    // Room for `bytes` more after what is written, and where they go: every
    // piece goes in with plain stores, not an append of its own. The string
    // grows a page or so at a time ahead of the writing; past size_ it holds
    // nothing yet.
    char* room(std::size_t bytes) {
        if (size_ + bytes > text_.size()) [[unlikely]]
            grow(bytes);
        return text_.data() + size_;
    }
    void grow(std::size_t bytes);
    void written_to(const char* end) noexcept { size_ = static_cast<std::size_t>(end - text_.data()); }
    // The comma before a member or value that follows another.
    char* separate(char* out) const noexcept {
        if (size_ == 0) return out;
        const char last = text_[size_ - 1];
        if (last != '{' && last != '[' && last != ':') *out++ = ',';
        return out;
    }
    json_writer& literal(std::string_view json) {
        char* const out = separate(room(json.size() + 1));
        std::memcpy(out, json.data(), json.size());
        written_to(out + json.size());
        return *this;
    }
    json_writer& closing(char bracket) {
        char* const out = room(1);
        *out = bracket;
        written_to(out + 1);
        return *this;
    }
    template <class Char>
    void quoted(std::basic_string_view<Char> text);

    escape_rule rule_;
    std::string text_;
    std::size_t size_ = 0;
};
