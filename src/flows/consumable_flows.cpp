#include "flows.h"

#include "quantity_argument.h"
#include "store_query.h"
#include "../calls/consumable_calls.h"
#include "../output/consumable_lines.h"
#include "../output/guid_text.h"

namespace {

std::string_view consumable_status_word(winabi::StoreConsumableStatus status) {
    switch (status) {
    case winabi::StoreConsumableStatus::Succeeded: return "succeeded";
    case winabi::StoreConsumableStatus::InsufficientQuantity: return "insufficientQuantity";
    case winabi::StoreConsumableStatus::NetworkError: return "network";
    case winabi::StoreConsumableStatus::ServerError: return "server";
    default: return "error";
    }
}

consumable_record read_answer(winabi::IStoreConsumableResult* result) {
    const consumable_answer answer = read_consumable_result(result);
    return {consumable_status_word(answer.status), answer.balance, answer.extended_error};
}

} // namespace

result_line run_consume_flow(std::span<const wide_string> arguments) {
    const wide_string& store_id = arguments[0];
    const std::optional<UINT32> quantity = parse_quantity(arguments[1]);
    if (!quantity) return usage_line();
    std::optional<GUID> tracking_id;
    if (arguments.size() > 2) {
        tracking_id = parse_guid_text(arguments[2]);
        if (!tracking_id) return usage_line();
    } else {
        // Nothing was sent when no GUID could be made: the failure has no tracking ID to retry with.
        try {
            tracking_id = new_tracking_id();
        } catch (const platform_failure& failure) {
            return query_failure_line(failure);
        }
    }
    return run_store_query(
        [&](winabi::IStoreContext* context) {
            return request_consumable_fulfillment(context, store_id, *quantity, *tracking_id);
        },
        [&](winabi::IStoreConsumableResult* result) { return consume_line(read_answer(result), *tracking_id); },
        tracking_id);
}

result_line run_balance_flow(std::span<const wide_string> arguments) {
    const wide_string& store_id = arguments[0];
    return run_store_query(
        [&](winabi::IStoreContext* context) { return request_consumable_balance(context, store_id); },
        [](winabi::IStoreConsumableResult* result) { return balance_line(read_answer(result)); });
}
