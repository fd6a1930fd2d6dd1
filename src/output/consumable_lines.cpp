#include "consumable_lines.h"

#include "code_value.h"
#include "guid_text.h"

#include <optional>

namespace {

result_line line_of(const consumable_record& answer, const std::optional<GUID>& tracking_id) {
    json_writer line(escape_rule::rfc8259);
    line.open_object().member("status").string(answer.status).member("balance").integer(answer.balance);
    if (tracking_id) line.member("trackingId").string(guid_text(*tracking_id));
    write_code(line.member("code"), answer.extended_error).member("error").null().close_object();
    return {line.take(), 0};
}

} // namespace

result_line consume_line(const consumable_record& answer, const GUID& tracking_id) {
    return line_of(answer, tracking_id);
}

result_line balance_line(const consumable_record& answer) { return line_of(answer, std::nullopt); }
