// The Store's worker threads: started, never joined, ended with the process at
// the latest.
#pragma once

#include "../platform/win.h"

#include <functional>

namespace simstore {

// Runs `work` on a new thread that nobody waits for; the system's reason when no thread could be had.
HRESULT start_detached_thread(std::function<void()> work);

} // namespace simstore
