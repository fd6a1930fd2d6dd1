#include "scenario_file.h"
#include "text.h"
#include "../platform/unique_any.h"

namespace simstore {
namespace {

struct file_traits {
    using type = HANDLE;
    static inline const type empty = INVALID_HANDLE_VALUE;
    static void close(type file) noexcept { CloseHandle(file); }
};
using unique_file = unique_any<file_traits>;

} // namespace

std::optional<std::string> read_scenario_file(std::string_view file_name) {
    // A host that still holds the file open for writing does not make it unreadable.
    const unique_file file(CreateFileW(wide_of_utf8(file_name).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        DWORD read_now = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read_now, nullptr)) return std::nullopt;
        if (read_now == 0) return text;
        text.append(buffer, read_now);
    }
}

} // namespace simstore
