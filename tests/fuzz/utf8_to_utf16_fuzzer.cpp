// The portable MultiByteToWideChar(CP_UTF8, 0, ...) that turns the command
// line's bytes into UTF-16: the size query matches the conversion and never
// exceeds one unit per byte (the entry point's buffer), the output is
// well-formed UTF-16, UTF-8 comes back unchanged through WideCharToMultiByte,
// and anything else leaves a U+FFFD behind.
#include "require.h"
#include "utf8.h"

#include "platform/win.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool is_well_formed(wide_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
        const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
        if (low) return false;
        if (high) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        }
    }
    return true;
}

wide_string converted(const char* bytes, int length) {
    const int needed = MultiByteToWideChar(CP_UTF8, 0, bytes, length, nullptr, 0);
    require(needed > 0, "the size query succeeds");
    wide_string wide(static_cast<std::size_t>(needed), u'\0');
    require(MultiByteToWideChar(CP_UTF8, 0, bytes, length, wide.data(), needed) == needed,
            "the conversion fills exactly the size the query gave");
    return wide;
}

std::string utf8_of(wide_view wide) {
    const int length = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    require(needed > 0, "the size query back to UTF-8 succeeds");
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    require(WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, narrow.data(), needed, nullptr, nullptr) == needed,
            "the conversion back fills exactly the size its query gave");
    return narrow;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > INT_MAX) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const int length = static_cast<int>(size);

    const wide_string wide = converted(input.data(), length);
    require(wide.size() <= size, "no more UTF-16 units than bytes");
    require(is_well_formed(wide), "the output is well-formed UTF-16");
    if (is_utf8(input))
        require(utf8_of(wide) == input, "UTF-8 round-trips exactly");
    else
        require(wide.find(u'\uFFFD') != wide_string::npos, "bytes that are not UTF-8 leave U+FFFD");

    // The entry point's way: a buffer of one unit per byte.
    wide_string roomy(size, u'\0');
    require(MultiByteToWideChar(CP_UTF8, 0, input.data(), length, roomy.data(), length) == static_cast<int>(wide.size()) &&
                roomy.compare(0, wide.size(), wide) == 0,
            "a larger buffer gets the same units");

    if (wide.size() > 1) {
        wide_string short_of_one(wide.size() - 1, u'\0');
        SetLastError(0);
        require(MultiByteToWideChar(CP_UTF8, 0, input.data(), length, short_of_one.data(),
                                    static_cast<int>(short_of_one.size())) == 0 &&
                    GetLastError() == ERROR_INSUFFICIENT_BUFFER,
                "a buffer one unit short fails with ERROR_INSUFFICIENT_BUFFER");
    }

    // Length -1: the text up to its terminating zero, the zero converted too.
    const std::string terminated(input.substr(0, input.find('\0')));
    wide_string expected = terminated.empty() ? wide_string() : converted(terminated.data(), static_cast<int>(terminated.size()));
    expected += u'\0';
    require(converted(terminated.c_str(), -1) == expected, "length -1 converts up to and with the terminating zero");
    return 0;
}
