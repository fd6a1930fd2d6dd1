#include "scenario_values.h"
#include "text.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>

namespace simstore {
namespace {

struct named_code {
    std::string_view name;
    HRESULT code;
};

const named_code hresult_names[] = {
    {"E_ACCESSDENIED", E_ACCESSDENIED},
    {"RPC_E_WRONG_THREAD", RPC_E_WRONG_THREAD},
    {"E_NOTIMPL", E_NOTIMPL},
    {"E_INVALIDARG", E_INVALIDARG},
    {"E_BOUNDS", E_BOUNDS},
    {"E_NOINTERFACE", E_NOINTERFACE},
    {"CLASS_E_CLASSNOTAVAILABLE", CLASS_E_CLASSNOTAVAILABLE},
    {"REGDB_E_CLASSNOTREG", REGDB_E_CLASSNOTREG},
    {"E_CHANGED_STATE", E_CHANGED_STATE},
    {"E_ILLEGAL_METHOD_CALL", E_ILLEGAL_METHOD_CALL},
    {"E_ILLEGAL_STATE_CHANGE", E_ILLEGAL_STATE_CHANGE},
    {"E_ILLEGAL_DELEGATE_ASSIGNMENT", E_ILLEGAL_DELEGATE_ASSIGNMENT},
    {"ERROR_CANCELLED", HRESULT_FROM_WIN32(ERROR_CANCELLED)},
    {"E_FAIL", E_FAIL},
    {"E_OUTOFMEMORY", E_OUTOFMEMORY},
    {"RPC_E_CHANGED_MODE", RPC_E_CHANGED_MODE},
};

// The whole text as one number of type T in the given base; from_chars takes
// no sign for unsigned types, no blanks and no prefix.
template <class T>
std::optional<T> read_whole(std::string_view text, int base = 10) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<HRESULT> read_hresult(std::string_view text) {
    for (const named_code& entry : hresult_names)
        if (entry.name == text) return entry.code;
    if (text.size() != 10 || !(text.starts_with("0x") || text.starts_with("0X"))) return std::nullopt;
    const auto value = read_whole<std::uint32_t>(text.substr(2), 16);
    if (!value || *value < 0x80000000u) return std::nullopt;
    return static_cast<HRESULT>(*value);
}

std::optional<INT32> read_int32(std::string_view text) { return read_whole<INT32>(text); }

std::optional<std::int64_t> read_int64(std::string_view text) { return read_whole<std::int64_t>(text); }

std::optional<std::uint64_t> read_uint64(std::string_view text) { return read_whole<std::uint64_t>(text); }

// strtod, held to from_chars's form: no blank, no '+', no hexadecimal, nothing
// out of range. from_chars for doubles would bring in the maths library, which
// every run would then load; strtod reads the C locale's decimal point, as the
// program never sets another locale.
std::optional<double> read_double(std::string_view text) {
    const std::string_view unsigned_part = text.substr(text.starts_with('-') ? 1 : 0);
    if (unsigned_part.empty() || !(std::isdigit(static_cast<unsigned char>(unsigned_part[0])) ||
                                   unsigned_part[0] == '.' || std::isalpha(static_cast<unsigned char>(unsigned_part[0]))))
        return std::nullopt;
    if (unsigned_part.size() > 1 && unsigned_part[0] == '0' && (unsigned_part[1] == 'x' || unsigned_part[1] == 'X'))
        return std::nullopt;
    const std::string whole(text);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(whole.c_str(), &end);
    if (end != whole.c_str() + whole.size() || errno == ERANGE) return std::nullopt;
    return value;
}

std::optional<bool> read_bool(std::string_view text) {
    if (text == "true") return true;
    if (text == "false") return false;
    return std::nullopt;
}

std::optional<std::chrono::milliseconds> read_milliseconds(std::string_view text) {
    const auto value = read_whole<std::uint32_t>(text);
    if (!value || *value > static_cast<std::uint32_t>(std::numeric_limits<INT32>::max())) return std::nullopt;
    return std::chrono::milliseconds(*value);
}

std::optional<std::uintptr_t> read_handle(std::string_view text) {
    const auto value = read_whole<std::uintptr_t>(text);
    if (!value || *value == 0) return std::nullopt;
    return value;
}

std::optional<wide_string> read_text(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hex_digit(text[i + 1]);
        const int low = hex_digit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return wide_of_utf8(bytes);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

} // namespace simstore
