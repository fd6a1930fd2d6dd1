#include "result_line.h"

#include "json_writer.h"

namespace {

// A line's writer, its object open.
json_writer open_line() {
    json_writer line(escape_rule::line_breaks_as_spaces);
    line.open_object();
    return line;
}

result_line finished(json_writer& line, int exit_code) { return {line.close_object().take(), exit_code}; }

template <class Text>
result_line general_failure(Text text) {
    return finished(open_line().member("error").string(text), 1);
}

template <class Text>
result_line review_failure(Text text) {
    return finished(
        open_line().member("status").string("error").member("updated").boolean(false).member("error").string(text), 1);
}

} // namespace

result_line usage_line() { return finished(open_line().member("error").string("usage"), 2); }

result_line general_failure_line(wide_view text) { return general_failure(text); }

result_line general_failure_line(std::string_view text) { return general_failure(text); }

result_line purchase_status_line(std::string_view status) {
    return finished(open_line().member("status").string(status).member("error").null(), 0);
}

result_line purchase_failure_line(wide_view text) {
    return finished(open_line().member("status").string("error").member("error").string(text), 1);
}

result_line review_status_line(std::string_view status, bool updated) {
    return finished(
        open_line().member("status").string(status).member("updated").boolean(updated).member("error").null(), 0);
}

result_line no_operation_line() { return review_failure(std::string_view("no operation")); }

result_line owner_closed_line() { return review_failure(std::string_view("owner closed")); }

result_line review_failure_line(wide_view text) { return review_failure(text); }

result_line version_line(std::string_view version, const std::optional<wide_string>& package,
                         std::optional<bool> elevated) {
    json_writer line = open_line();
    line.member("status").string("ok").member("version").string(version).member("package");
    if (package) line.string(*package);
    else line.null();
    line.member("elevated");
    if (elevated) line.boolean(*elevated);
    else line.null();
    return finished(line.member("error").null(), 0);
}
