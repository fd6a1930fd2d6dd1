#include "crash_containment.h"

#include "../output/result_line.h"
#include "../platform/win.h"

#include <atomic>
#include <csignal>
#include <exception>

namespace {

// Set by the first thread that crashes, so the host never reads two crash lines.
std::atomic<bool> crashing{false};

// No allocation, no lock, no flush: the buffered stream is discarded with the process.
[[noreturn]] void write_crash_line_and_end() {
    if (crashing.exchange(true)) {
        for (;;) Sleep(INFINITE); // the first thread ends the process
    }
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), crash_line_bytes, static_cast<DWORD>(crash_line_size), &written,
              nullptr);
    TerminateProcess(GetCurrentProcess(), 1);
    for (;;) Sleep(INFINITE);
}

// abort ends the run without a line, as it does elsewhere, but also without the
// runtime's words on standard error, which the host never expects to see.
void end_quietly_on_abort(int) { TerminateProcess(GetCurrentProcess(), 3); }

LONG WINAPI crash_filter(EXCEPTION_POINTERS*) {
    write_crash_line_and_end();
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void contain_crashes() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(crash_filter);
    // mingw's runtime sends an exception that nothing catches to std::terminate,
    // not to the filter; the host must see the same line either way.
    std::set_terminate(write_crash_line_and_end);
    std::signal(SIGABRT, end_quietly_on_abort);
}
