#include "text.h"

namespace simstore {

wide_string wide_of_utf8(std::string_view text) {
    if (text.empty()) return {};
    // Every UTF-8 byte gives at most one UTF-16 code unit.
    const int size = static_cast<int>(text.size());
    wide_string wide(text.size(), WCHAR{});
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), size);
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

std::string utf8_of(wide_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string narrow(static_cast<std::size_t>(size), '\0');
    const int written = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), size, nullptr, nullptr);
    narrow.resize(static_cast<std::size_t>(written > 0 ? written : 0));
    return narrow;
}

} // namespace simstore
