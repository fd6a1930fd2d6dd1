// The Store's worker threads: started, never joined, ended with the process at
// the latest.
#pragma once

#include <functional>

namespace simstore {

// Runs `work` on a new thread that nobody waits for; false when no thread could be had.
bool start_detached_thread(std::function<void()> work);

} // namespace simstore
