#include "consumable_lines.h"

#include "guid_text.h"

#include <cstdio>

namespace {

// Everything up to the tracking ID's place: status and balance.
std::string line_start(const consumable_record& answer) {
    std::string line = R"({"status":")";
    line += answer.status;
    line += R"(","balance":)";
    line += std::to_string(answer.balance);
    return line;
}

std::string line_end(const consumable_record& answer) {
    return R"(,"code":)" + failure_code_json(answer.extended_error) + R"(,"error":null})";
}

} // namespace

std::string failure_code_json(HRESULT code) {
    if (code >= 0) return "null";
    char text[13];
    std::snprintf(text, sizeof text, "\"0x%08X\"", static_cast<unsigned>(code));
    return text;
}

std::string consume_line(const consumable_record& answer, const GUID& tracking_id) {
    return line_start(answer) + R"(,"trackingId":")" + guid_text(tracking_id) + '"' + line_end(answer);
}

std::string balance_line(const consumable_record& answer) { return line_start(answer) + line_end(answer); }
