#include "crash_containment.h"

#include "../output/standard_output.h"

#include <csignal>
#include <ctime>
#include <exception>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The handlers run here, so a stack overflow on the main thread is covered too.
alignas(16) char alternate_stack[64 * 1024];

// Ends every thread at once, with no exit processing. On Linux straight through
// the system call: sanitizer runtimes intercept _exit and run exit work there.
[[noreturn]] void end_process_now(int code) {
#ifdef __linux__
    syscall(SYS_exit_group, code);
#endif
    _exit(code);
}

// Async-signal-safe: no allocation, no lock. The crash line goes out only when
// no other line has; after a line (or while one is going out, for a bounded
// time) the run ends with that line's own exit code.
[[noreturn]] void write_crash_line_and_end() {
    output_claim& output = standard_output_claim();
    if (output.claim(1)) {
        write_to_standard_output({crash_line_bytes, crash_line_size});
        end_process_now(1);
    }
    const timespec millisecond{0, 1'000'000};
    for (int waited = 0; waited < 5000 && !output.is_written(); ++waited) nanosleep(&millisecond, nullptr);
    end_process_now(output.exit_code());
}

void on_fault(int) { write_crash_line_and_end(); }

} // namespace

void contain_crashes() {
    // A host that closes its end of the pipe must not change the exit code.
    std::signal(SIGPIPE, SIG_IGN);

    stack_t stack{};
    stack.ss_sp = alternate_stack;
    stack.ss_size = sizeof alternate_stack;
    sigaltstack(&stack, nullptr);

    struct sigaction action{};
    action.sa_handler = on_fault;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) sigaction(signal, &action, nullptr);

    // SIGABRT keeps its default: abort ends the run without a line.
    std::set_terminate(write_crash_line_and_end);
}
