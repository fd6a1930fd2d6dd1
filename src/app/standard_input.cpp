#include "standard_input.h"

#include "../platform/platform_failure.h"
#include "../platform/win.h"

#include <algorithm>

std::optional<std::string> read_standard_input(std::size_t limit) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!input || input == INVALID_HANDLE_VALUE) return std::nullopt;
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode)) return std::nullopt;
    // One byte past the limit tells a long input from one of exactly the limit.
    std::string bytes;
    for (;;) {
        const std::size_t wanted = std::min<std::size_t>(limit + 1 - bytes.size(), 16 * 1024);
        const std::size_t had = bytes.size();
        bytes.resize(had + wanted);
        DWORD read = 0;
        const BOOL done = ReadFile(input, bytes.data() + had, static_cast<DWORD>(wanted), &read, nullptr);
        bytes.resize(had + read);
        if (!done) {
            if (GetLastError() == ERROR_BROKEN_PIPE) break;
            raise_last_error();
        }
        if (read == 0) break;
        if (bytes.size() > limit) return std::nullopt;
    }
    return bytes;
}
