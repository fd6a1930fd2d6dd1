#include "trace.h"
#include "trace_file.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace simstore {

trace::trace(std::filesystem::path file) : file_(std::move(file)), main_thread_(std::this_thread::get_id()) {}

json_writer trace::open_line(std::string_view call, std::string_view object) const {
    json_writer line(escape_rule::rfc8259);
    line.open_object()
        .member("call").string(call)
        .member("object").string(object)
        .member("thread").string(std::this_thread::get_id() == main_thread_ ? "main" : "worker");
    // When, on the steady clock (CLOCK_MONOTONIC on Linux), so that a benchmark
    // can time from a call to the process's exit.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    line.member("us").integer(static_cast<std::uint64_t>(us));
    return line;
}

void trace::append(json_writer& line) {
    std::string text = line.close_object().take();
    text += '\n';
    // Open, append, close for every line: the trace is complete whenever the process ends.
    const std::lock_guard hold(lock_);
    append_to_trace_file(file_, text);
}

} // namespace simstore
