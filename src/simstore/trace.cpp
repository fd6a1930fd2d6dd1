#include "trace.h"
#include "trace_file.h"

#include <chrono>
#include <cstdio>

namespace simstore {
namespace {

void append_escaped(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[7];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                out += escape;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

} // namespace

trace_line::trace_line(std::string_view call, std::string_view object, std::string_view thread) : body_("{") {
    text("call", call);
    text("object", object);
    text("thread", thread);
    // When, on the steady clock (CLOCK_MONOTONIC on Linux), so that a benchmark
    // can time from a call to the process's exit.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    number("us", static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
}

void trace_line::key(std::string_view name) {
    if (body_.size() > 1) body_ += ',';
    append_escaped(body_, name);
    body_ += ':';
}

void trace_line::text(std::string_view name, std::string_view utf8) {
    key(name);
    append_escaped(body_, utf8);
}

void trace_line::texts(std::string_view name, const std::vector<std::string>& utf8) {
    key(name);
    body_ += '[';
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (i) body_ += ',';
        append_escaped(body_, utf8[i]);
    }
    body_ += ']';
}

void trace_line::number(std::string_view name, std::uint64_t value) {
    key(name);
    body_ += std::to_string(value);
}

void trace_line::boolean(std::string_view name, bool value) {
    key(name);
    body_ += value ? "true" : "false";
}

void trace_line::json(std::string_view name, std::string_view value) {
    key(name);
    body_ += value;
}

trace::trace(std::filesystem::path file) : file_(std::move(file)), main_thread_(std::this_thread::get_id()) {}

void trace::append(const std::string& line) {
    // Open, append, close for every line: the trace is complete whenever the process ends.
    const std::lock_guard hold(lock_);
    append_to_trace_file(file_, line + '\n');
}

} // namespace simstore
