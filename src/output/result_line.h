// The result line: the one JSON object a run writes on standard output, without
// a line break, and the exit code that goes with it. Lines are composed here and
// written once, by the entry point (standard_output.h).
#pragma once

#include "../platform/win.h"

#include <optional>
#include <string>
#include <string_view>

struct result_line {
    std::string text;
    int exit_code;
};

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
// package: the package full name, none for a process without package identity.
result_line version_line(std::string_view version, const std::optional<wide_string>& package);
