#include "run_end.h"

#include "../platform/win.h"

#if defined(__SANITIZE_ADDRESS__) && !defined(_WIN32)
#include <sanitizer/lsan_interface.h>
#define STORE_BRIDGE_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) && !defined(_WIN32)
#include <sanitizer/lsan_interface.h>
#define STORE_BRIDGE_LEAK_CHECK 1
#endif
#endif

void end_process_now(int exit_code) noexcept {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code));
    // Termination of the calling process does not return; should it ever, nothing more runs.
    for (;;) Sleep(INFINITE);
}

void end_run(int exit_code) noexcept {
#ifdef STORE_BRIDGE_LEAK_CHECK
    __lsan_do_leak_check();
#endif
    end_process_now(exit_code);
}
