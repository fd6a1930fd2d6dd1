// Thread identity, the thread's last error, package identity, and ending the process.
#include "../win.h"
#include "simulation.h"

#include <atomic>
#include <unistd.h>

namespace {

thread_local DWORD last_error = ERROR_SUCCESS;
std::atomic<DWORD> next_thread_id{1};

} // namespace

DWORD GetCurrentThreadId() {
    // Small numbers handed out on first use, never 0, like Windows thread ids.
    thread_local const DWORD id = next_thread_id.fetch_add(1, std::memory_order_relaxed);
    return id;
}

DWORD GetLastError() { return last_error; }

void SetLastError(DWORD error) { last_error = error; }

LONG GetCurrentPackageFullName(UINT32* length, LPWSTR name) {
    const auto& package = platform_scenario().package;
    if (!package) return APPMODEL_ERROR_NO_PACKAGE;
    const auto needed = static_cast<UINT32>(package->size() + 1);
    if (*length < needed || !name) {
        *length = needed;
        return static_cast<LONG>(ERROR_INSUFFICIENT_BUFFER);
    }
    package->copy(name, package->size());
    name[package->size()] = 0;
    *length = needed;
    return static_cast<LONG>(ERROR_SUCCESS);
}

// Like Windows, no exit processing of the runtime: buffered output is not flushed.
void ExitProcess(UINT exit_code) { _exit(static_cast<int>(exit_code)); }
