#include "trace_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace simstore {

void append_to_trace_file(const std::filesystem::path& file, std::string_view line) {
    // Non-blocking, so that opening a FIFO without a reader cannot hang; no link followed.
    const int descriptor = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor < 0) return;
    struct stat status {};
    if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        while (!line.empty()) {
            const ssize_t written = write(descriptor, line.data(), line.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) break;
            line.remove_prefix(static_cast<std::size_t>(written));
        }
    }
    close(descriptor);
}

} // namespace simstore
