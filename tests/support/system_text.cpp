// system-text CODE: prints the system's text for an HRESULT the way the bridge
// words it (trailing white space trimmed, UTF-8, no line break), or nothing when
// the system has none. The black-box cases take the expected words from here,
// since every system words its errors its own way.
#include "output/error_text.h"
#include "platform/white_space.h"

#include <cstdio>
#include <optional>

namespace {

// The code as 0x-prefixed hex or as decimal; none for anything else.
template <class Char>
std::optional<DWORD> parse_code(const Char* text) {
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (!*text) return std::nullopt;
    unsigned long long value = 0;
    for (; *text; ++text) {
        unsigned digit;
        if (*text >= '0' && *text <= '9') digit = static_cast<unsigned>(*text - '0');
        else if (base == 16 && *text >= 'a' && *text <= 'f') digit = static_cast<unsigned>(*text - 'a' + 10);
        else if (base == 16 && *text >= 'A' && *text <= 'F') digit = static_cast<unsigned>(*text - 'A' + 10);
        else return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFF) return std::nullopt;
    }
    return static_cast<DWORD>(value);
}

template <class Char>
int run(int argc, Char** argv) {
    const std::optional<DWORD> code = argc == 2 ? parse_code(argv[1]) : std::nullopt;
    if (!code) {
        std::fputs("usage: system-text CODE\n", stderr);
        return 2;
    }
    WCHAR* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, *code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<WCHAR*>(&buffer), 0, nullptr);
    if (length == 0) return 0;
    const std::string text = to_utf8(trim_trailing_space(wide_view(buffer, length)));
    LocalFree(buffer);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace

// Windows programs of this project are linked for the wide-character entry
// point. The text goes out as it is: no line-break translation on the way.
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    return run(argc, argv);
}
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
