// The result line: the one JSON object a run writes on standard output, without
// a line break. Every line but the crash line goes through these writers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The crash line, written unbuffered straight to the standard output handle.
inline constexpr char crash_line_bytes[] = R"({"status":"error","updated":false,"error":"crash"})";
inline constexpr std::size_t crash_line_size = sizeof(crash_line_bytes) - 1;
static_assert(crash_line_size == 50);

// Makes text safe inside a JSON string on one line: quote and backslash get a
// backslash, CR and LF become a space each, every other control byte becomes
// \u00XX. Bytes from 0x7F up pass unchanged.
std::string escape_result_text(std::string_view text);

void write_usage_line();
void write_general_failure_line(std::string_view text);
void write_purchase_status_line(std::string_view status);
void write_purchase_failure_line(std::string_view text);
void write_review_status_line(std::string_view status, bool updated);
void write_no_operation_line();
void write_owner_closed_line();
void write_review_failure_line(std::string_view text);
// package: the package full name in UTF-8, none for a process without package identity.
void write_version_line(std::string_view version, const std::optional<std::string>& package);

// Writing does not flush; the runtime flushes at normal exit. Only a path that
// ends the process without that exit processing calls this.
void flush_result_stream();
