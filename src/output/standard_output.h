// The one claim on standard output that the result writer and every crash
// handler share, so that a run never prints two lines: free, then writing (with
// the exit code of the line going out), then written. Before that, progress
// lines may go out one at a time while it is free; a claim waits for the one in
// flight, so that the last line always starts on a line of its own. Lock-free
// and free of allocation, so a crash handler may use it.
#pragma once

#include "result_line.h"

#include <atomic>
#include <string_view>

class output_claim {
public:
    // True for the one caller that may write; the line's exit code is kept with
    // the claim. A progress line in flight is waited for, a bounded time.
    bool claim(int exit_code) noexcept;
    // True when a progress line may go out now; end_progress once it is.
    bool begin_progress() noexcept {
        unsigned expected = 0;
        return state_.compare_exchange_strong(expected, progress, std::memory_order_acq_rel);
    }
    void end_progress() noexcept { state_.store(0, std::memory_order_release); }
    // The claimant, once its line is out (or standard output took no more).
    void mark_written() noexcept {
        state_.store(written | (state_.load(std::memory_order_relaxed) & code_mask), std::memory_order_release);
    }
    bool is_written() const noexcept { return state_.load(std::memory_order_acquire) & written; }
    // The exit code of the claimed line.
    int exit_code() const noexcept { return static_cast<int>(state_.load(std::memory_order_acquire) & code_mask); }

private:
    static constexpr unsigned writing = 0x100, written = 0x200, progress = 0x400, code_mask = 0xFF;
    static unsigned code_bits(int exit_code) noexcept { return static_cast<unsigned>(exit_code) & code_mask; }
    static_assert(std::atomic<unsigned>::is_always_lock_free);

    std::atomic<unsigned> state_{0};
};

// Standard output's claim: one per process, as standard output is.
output_claim& standard_output_claim() noexcept;

// Writes the run's line in full and returns its exit code. When a crash line
// took standard output first, waits until that is out instead and returns its
// exit code, so that the run never ends with no line or the wrong code.
int write_result_line(std::string_view text, int exit_code) noexcept;
inline int write_result_line(const result_line& line) noexcept { return write_result_line(line.text, line.exit_code); }

// Writes one progress line, unless the last line has already claimed standard output.
void write_progress_line(std::string_view line) noexcept;

// Waits, for a bounded time, until the line that holds the claim is out; returns its exit code.
int wait_for_claimed_line() noexcept;

// A loop of system writes until every byte is out or a write fails; when a
// non-blocking standard output is full, waits for room and writes on.
void write_to_standard_output(std::string_view bytes) noexcept;
