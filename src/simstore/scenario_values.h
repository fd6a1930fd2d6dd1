// Readers of the single values a scenario item can hold. Each gives nothing for
// text that is not exactly such a value.
#pragma once

#include "../platform/win.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace simstore {

// 0x8XXXXXXX (eight hex digits, negative) or one of the names this program meets.
std::optional<HRESULT> read_hresult(std::string_view text);

// Decimal, optionally negative, within 32 bits.
std::optional<INT32> read_int32(std::string_view text);

// Decimal, optionally negative, within 64 bits.
std::optional<std::int64_t> read_int64(std::string_view text);

// Decimal digits only, 0 to 2^64 - 1.
std::optional<std::uint64_t> read_uint64(std::string_view text);

// Any double as from_chars reads it: decimal or exponent form, nan, inf, an optional '-'.
std::optional<double> read_double(std::string_view text);

// true or false.
std::optional<bool> read_bool(std::string_view text);

// Decimal digits only, up to 2^31 - 1.
std::optional<std::chrono::milliseconds> read_milliseconds(std::string_view text);

// Decimal digits only, not zero, within a pointer.
std::optional<std::uintptr_t> read_handle(std::string_view text);

// Percent-encoded UTF-8, decoded to UTF-16; invalid UTF-8 becomes U+FFFD.
std::optional<wide_string> read_text(std::string_view text);

// The parts between the separators, empty ones included.
std::vector<std::string_view> split(std::string_view text, char separator);

// Stores a value that was read; false, and the field untouched, when there is none.
template <class T>
bool assign(const std::optional<T>& value, T& field) {
    if (!value) return false;
    field = *value;
    return true;
}

} // namespace simstore
