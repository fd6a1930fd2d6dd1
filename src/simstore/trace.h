// The record of every call the bridge makes on the simulated objects, for the
// tests to read: one JSON object per line (RFC 8259), appended to the file that
// STORE_BRIDGE_SIM_TRACE names. Nothing is written when it names none, and
// nothing ever goes to standard output or standard error.
#pragma once

#include "../output/json_writer.h"

#include <exception>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <thread>

namespace simstore {

class trace {
public:
    // "main" in the trace is the thread that creates the trace: the one that activated the Store.
    explicit trace(std::filesystem::path file);

    // Appends one line; `fields(json_writer&)` adds the members the call has to
    // say beyond its name, into the line's open object.
    template <class Fields>
    void record(std::string_view call, std::string_view object, Fields&& fields) noexcept {
        if (file_.empty()) return;
        try {
            json_writer line = open_line(call, object);
            fields(line);
            append(line);
        } catch (const std::exception&) {
            // A trace that cannot be written must not change what the bridge sees.
        }
    }
    void record(std::string_view call, std::string_view object) noexcept {
        record(call, object, [](json_writer&) {});
    }

private:
    // The members every line has: the call, the object, the thread and the time.
    json_writer open_line(std::string_view call, std::string_view object) const;
    void append(json_writer& line);

    const std::filesystem::path file_;
    const std::thread::id main_thread_;
    std::mutex lock_;
};

} // namespace simstore
