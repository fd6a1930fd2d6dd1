#include "scenario_file.h"
#include "../platform/unique_any.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace simstore {
namespace {

struct descriptor_traits {
    using type = int;
    static constexpr type empty = -1;
    static void close(type descriptor) noexcept { ::close(descriptor); }
};
using unique_descriptor = unique_any<descriptor_traits>;

} // namespace

std::optional<std::string> read_scenario_file(std::string_view file_name) {
    const unique_descriptor file(open(std::string(file_name).c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return std::nullopt;
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t read_now = read(file.get(), buffer, sizeof buffer);
        if (read_now < 0 && errno == EINTR) continue;
        if (read_now < 0) return std::nullopt; // a folder, for one
        if (read_now == 0) return text;
        text.append(buffer, static_cast<std::size_t>(read_now));
    }
}

} // namespace simstore
