#include "crash_containment.h"

#include "../output/result_line.h"

#include <atomic>
#include <csignal>
#include <exception>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Set by the first thread that crashes, so the host never reads two crash lines.
std::atomic<bool> crashing{false};

// The handlers run here, so a stack overflow on the main thread is covered too.
alignas(16) char alternate_stack[64 * 1024];

// Ends every thread at once, with no exit processing. On Linux straight through
// the system call: sanitizer runtimes intercept _exit and flush stdio there,
// which would put a buffered line after the crash line.
[[noreturn]] void end_process_now(int code) {
#ifdef __linux__
    syscall(SYS_exit_group, code);
#endif
    _exit(code);
}

// Async-signal-safe: no allocation, no lock, no flush of the buffered stream.
[[noreturn]] void write_crash_line_and_end() {
    if (crashing.exchange(true)) {
        for (;;) pause(); // the first thread ends the process
    }
    [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, crash_line_bytes, crash_line_size);
    end_process_now(1);
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
