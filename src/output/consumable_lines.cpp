#include "consumable_lines.h"

#include "guid_text.h"
#include "json_text.h"

#include <optional>
#include <string>

namespace {

result_line line_of(const consumable_record& answer, const std::optional<GUID>& tracking_id) {
    std::string line = R"({"status":")";
    line += answer.status;
    line += R"(","balance":)";
    line += std::to_string(answer.balance);
    if (tracking_id) {
        line += R"(,"trackingId":")";
        line += guid_text(*tracking_id);
        line += '"';
    }
    line += R"(,"code":)";
    append_json_code(line, answer.extended_error);
    line += R"(,"error":null})";
    return {std::move(line), 0};
}

} // namespace

result_line consume_line(const consumable_record& answer, const GUID& tracking_id) {
    return line_of(answer, tracking_id);
}

result_line balance_line(const consumable_record& answer) { return line_of(answer, std::nullopt); }
