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

} // namespace simstore
