#include "result_line.h"

#include <cstdio>
#include <initializer_list>

namespace {

// A failing write (standard output closed or a broken pipe) is left to the
// stream, which records it; the run's exit code never depends on it.
void put(std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces)
        std::fwrite(piece.data(), 1, piece.size(), stdout);
}

} // namespace

std::string escape_result_text(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\r' || c == '\n') {
            escaped += ' ';
        } else if (byte < 0x20) {
            escaped += "\\u00";
            escaped += hex[byte >> 4];
            escaped += hex[byte & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void write_usage_line() { put({R"({"error":"usage"})"}); }

void write_general_failure_line(std::string_view text) {
    const std::string escaped = escape_result_text(text);
    put({R"({"error":")", escaped, R"("})"});
}

void write_purchase_status_line(std::string_view status) {
    put({R"({"status":")", status, R"(")", R"(,"error":null})"});
}

void write_purchase_failure_line(std::string_view text) {
    const std::string escaped = escape_result_text(text);
    put({R"({"status":"error","error":")", escaped, R"("})"});
}

void write_review_status_line(std::string_view status, bool updated) {
    put({R"({"status":")", status, R"(","updated":)", updated ? "true" : "false", R"(,"error":null})"});
}

void write_no_operation_line() { put({R"({"status":"error","updated":false,"error":"no operation"})"}); }

void write_owner_closed_line() { put({R"({"status":"error","updated":false,"error":"owner closed"})"}); }

void write_review_failure_line(std::string_view text) {
    const std::string escaped = escape_result_text(text);
    put({R"({"status":"error","updated":false,"error":")", escaped, R"("})"});
}

void write_version_line(std::string_view version, const std::optional<std::string>& package) {
    const std::string escaped_version = escape_result_text(version);
    const std::string package_value = package ? '"' + escape_result_text(*package) + '"' : "null";
    put({R"({"status":"ok","version":")", escaped_version, R"(","package":)", package_value, R"(,"error":null})"});
}

void flush_result_stream() { std::fflush(stdout); }
