// The record of every call the bridge makes on the simulated objects, for the
// tests to read: one JSON object per line, appended to the file that
// STORE_BRIDGE_SIM_TRACE names. Nothing is written when it names none, and
// nothing ever goes to standard output or standard error.
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace simstore {

// One line under construction; every string in it is escaped as JSON.
class trace_line {
public:
    trace_line(std::string_view call, std::string_view object, std::string_view thread);

    void text(std::string_view name, std::string_view utf8);
    void texts(std::string_view name, const std::vector<std::string>& utf8);
    void number(std::string_view name, std::uint64_t value);
    void boolean(std::string_view name, bool value);
    void json(std::string_view name, std::string_view value); // already JSON

    std::string finish() const { return body_ + "}"; }

private:
    void key(std::string_view name);

    std::string body_;
};

class trace {
public:
    // "main" in the trace is the thread that creates the trace: the one that activated the Store.
    explicit trace(std::filesystem::path file);

    // Appends one line; `fields(trace_line&)` adds what the call has to say beyond its name.
    template <class Fields>
    void record(std::string_view call, std::string_view object, Fields&& fields) noexcept {
        if (file_.empty()) return;
        try {
            trace_line line(call, object, std::this_thread::get_id() == main_thread_ ? "main" : "worker");
            fields(line);
            append(line.finish());
        } catch (const std::exception&) {
            // A trace that cannot be written must not change what the bridge sees.
        }
    }
    void record(std::string_view call, std::string_view object) noexcept {
        record(call, object, [](trace_line&) {});
    }

private:
    void append(const std::string& line);

    const std::filesystem::path file_;
    const std::thread::id main_thread_;
    std::mutex lock_;
};

} // namespace simstore
