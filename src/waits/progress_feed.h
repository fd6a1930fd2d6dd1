// Progress reports on their way from the Store's threads to the waiting flow,
// which writes them while it waits. Reports that arrive once the flow has seen
// the operation's end are dropped, so that none follows the result.
#pragma once

#include "../output/update_lines.h"
#include "../platform/unique_any.h"

#include <mutex>
#include <vector>

class progress_feed {
public:
    progress_feed();

    // Signalled while reports wait to be taken.
    HANDLE ready() const noexcept { return ready_.get(); }
    // From the progress handler, on any thread.
    void push(progress_record report);
    // The reports so far, in the order they came.
    std::vector<progress_record> take();
    // The flow has seen the end: what is queued and what comes later is dropped.
    void close() noexcept;

private:
    std::mutex lock_;
    std::vector<progress_record> pending_;
    bool closed_ = false;
    unique_handle ready_;
};
