// The result line: the one JSON object a run writes on standard output, without
// a line break, and the exit code that goes with it. Lines are composed here and
// written once, by the entry point (standard_output.h).
#pragma once

#include "../platform/win.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

struct result_line {
    result_line(std::string line_text, int line_exit_code) : text(std::move(line_text)), exit_code(line_exit_code) {}

    std::string text;
    int exit_code;
    // What the run leaves as it is (leave_as_is): it goes with the line and is
    // never released, as the process ends right after the line.
    std::shared_ptr<const void> held;
};

// The line of a run that ends while the Store still works on an operation (the
// host's window closed): the flow's operation, context and anchor stay as they
// are, since releasing them can call into the Store's broker and block.
template <class... State>
result_line leave_as_is(result_line line, State&&... state) {
    line.held = std::make_shared<const std::tuple<std::decay_t<State>...>>(std::forward<State>(state)...);
    return line;
}

// The crash line, written straight to the standard output handle.
inline constexpr char crash_line_bytes[] = R"({"status":"error","updated":false,"error":"crash"})";
inline constexpr std::size_t crash_line_size = sizeof(crash_line_bytes) - 1;
static_assert(crash_line_size == 50);

// The general failure line for memory exhaustion, ready made: composing it must not need memory.
inline constexpr std::string_view bad_allocation_line = R"({"error":"bad allocation"})";

// Texts are escaped with escape_rule::line_breaks_as_spaces (json_writer.h):
// these lines are one line of text for hosts that read them as such. A text
// from the platform is its UTF-16, converted as it is written.
result_line usage_line();
result_line general_failure_line(wide_view text);
result_line general_failure_line(std::string_view text);
result_line purchase_status_line(std::string_view status);
result_line purchase_failure_line(wide_view text);
result_line review_status_line(std::string_view status, bool updated);
result_line no_operation_line();
result_line owner_closed_line();
result_line review_failure_line(wide_view text);
// package: the package full name, none for a process without package identity;
// elevated: whether the process token is elevated, none when it cannot be read.
result_line version_line(std::string_view version, const std::optional<wide_string>& package,
                         std::optional<bool> elevated);
