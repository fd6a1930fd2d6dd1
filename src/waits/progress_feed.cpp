#include "progress_feed.h"

#include "../platform/platform_failure.h"

progress_feed::progress_feed() {
    // Auto-reset: the wait that wakes on it takes everything queued.
    *ready_.put() = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!ready_) raise_last_error();
}

void progress_feed::push(progress_record report) {
    const std::lock_guard hold(lock_);
    if (closed_) return;
    pending_.push_back(std::move(report));
    SetEvent(ready_.get());
}

std::vector<progress_record> progress_feed::take() {
    const std::lock_guard hold(lock_);
    return std::exchange(pending_, {});
}

void progress_feed::close() noexcept {
    const std::lock_guard hold(lock_);
    closed_ = true;
    pending_.clear();
}
