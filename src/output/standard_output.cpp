#include "standard_output.h"

#include "../platform/win.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Constant-initialised, so that even a crash before main finds it ready.
constinit output_claim claim_of_standard_output;

} // namespace

// How long a claim or a wait for a claimed line waits: a standard output that the
// host never reads must not hold the run for ever.
constexpr auto longest_wait = std::chrono::seconds(5);

output_claim& standard_output_claim() noexcept { return claim_of_standard_output; }

// Sleeps in steps (clock_gettime and nanosleep underneath: safe in a signal handler).
bool output_claim::claim(int exit_code) noexcept {
    const auto deadline = std::chrono::steady_clock::now() + longest_wait;
    for (;;) {
        unsigned expected = 0;
        if (state_.compare_exchange_strong(expected, writing | code_bits(exit_code), std::memory_order_acq_rel))
            return true;
        if (expected != progress) return false;
        // A progress line that never ends (its writer crashed in it, or nobody reads)
        // gives way after the wait: the last line then follows whatever got out.
        if (std::chrono::steady_clock::now() >= deadline)
            return state_.compare_exchange_strong(expected, writing | code_bits(exit_code), std::memory_order_acq_rel);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void write_progress_line(std::string_view line) noexcept {
    output_claim& claim = standard_output_claim();
    if (!claim.begin_progress()) return;
    write_to_standard_output(line);
    claim.end_progress();
}

void write_to_standard_output(std::string_view bytes) noexcept {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        // A closed or broken standard output takes nothing more; the exit code never depends on it.
        if (!WriteFile(output, bytes.data(), chunk, &written, nullptr)) return;
        // However slow the reader, it gets the whole line; one that never reads holds the run, as a blocking pipe would.
        // A non-blocking standard output (a full PIPE_NOWAIT pipe on Windows, an
        // O_NONBLOCK pipe or socket elsewhere) took nothing: nothing can be waited
        // on for such a pipe, so the writer sleeps while its reader makes room.
        if (written == 0) Sleep(1);
        bytes.remove_prefix(written);
    }
}

int write_result_line(std::string_view text, int exit_code) noexcept {
    output_claim& claim = standard_output_claim();
    if (!claim.claim(exit_code)) return wait_for_claimed_line();
    write_to_standard_output(text);
    claim.mark_written();
    return exit_code;
}

int wait_for_claimed_line() noexcept {
    const output_claim& claim = standard_output_claim();
    const auto deadline = std::chrono::steady_clock::now() + longest_wait;
    while (!claim.is_written() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return claim.exit_code();
}
