#include "crash_containment.h"

#include "../output/run_end.h"
#include "../output/standard_output.h"
#include "../platform/win.h"

#include <csignal>
#include <exception>

namespace {

// No allocation, no lock. The crash line goes out only when no other line has;
// after a line (or while one is going out, for a bounded time) the run ends
// with that line's own exit code.
[[noreturn]] void write_crash_line_and_end() {
    int exit_code = 1;
    if (standard_output_claim().claim(exit_code)) write_to_standard_output({crash_line_bytes, crash_line_size});
    else exit_code = wait_for_claimed_line();
    end_process_now(exit_code);
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
