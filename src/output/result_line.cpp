#include "result_line.h"

#include <initializer_list>

namespace {

result_line line(int exit_code, std::initializer_list<std::string_view> pieces) {
    result_line composed{{}, exit_code};
    for (std::string_view piece : pieces) composed.text += piece;
    return composed;
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

result_line usage_line() { return line(2, {R"({"error":"usage"})"}); }

result_line general_failure_line(std::string_view text) {
    return line(1, {R"({"error":")", escape_result_text(text), R"("})"});
}

result_line purchase_status_line(std::string_view status) {
    return line(0, {R"({"status":")", status, R"(","error":null})"});
}

result_line purchase_failure_line(std::string_view text) {
    return line(1, {R"({"status":"error","error":")", escape_result_text(text), R"("})"});
}

result_line review_status_line(std::string_view status, bool updated) {
    return line(0, {R"({"status":")", status, R"(","updated":)", updated ? "true" : "false", R"(,"error":null})"});
}

result_line no_operation_line() { return line(1, {R"({"status":"error","updated":false,"error":"no operation"})"}); }

result_line owner_closed_line() { return line(1, {R"({"status":"error","updated":false,"error":"owner closed"})"}); }

result_line review_failure_line(std::string_view text) {
    return line(1, {R"({"status":"error","updated":false,"error":")", escape_result_text(text), R"("})"});
}

result_line version_line(std::string_view version, const std::optional<std::string>& package) {
    const std::string package_value = package ? '"' + escape_result_text(*package) + '"' : "null";
    return line(0, {R"({"status":"ok","version":")", escape_result_text(version), R"(","package":)", package_value,
                    R"(,"error":null})"});
}
