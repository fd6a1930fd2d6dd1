#include "crash_containment.h"

#include "../output/run_end.h"
#include "../output/standard_output.h"

#include <csignal>
#include <exception>

namespace {

// The handlers run here, so a stack overflow on the main thread is covered too.
alignas(16) char alternate_stack[64 * 1024];

// Async-signal-safe: no allocation, no lock. The crash line goes out only when
// no other line has; after a line (or while one is going out, for a bounded
// time) the run ends with that line's own exit code.
[[noreturn]] void write_crash_line_and_end() {
    if (standard_output_claim().claim(1)) {
        write_to_standard_output({crash_line_bytes, crash_line_size});
        end_process_now(1);
    }
    end_process_now(wait_for_claimed_line());
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
