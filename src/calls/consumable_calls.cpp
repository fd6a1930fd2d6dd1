#include "consumable_calls.h"

#include "store_calls.h"
#include "../platform/platform_failure.h"

GUID new_tracking_id() {
    GUID tracking_id{};
    check_hresult(CoCreateGuid(&tracking_id));
    return tracking_id;
}

com_ptr<winabi::IConsumableOperation> request_consumable_fulfillment(winabi::IStoreContext* context, wide_view store_id,
                                                                     UINT32 quantity, const GUID& tracking_id) {
    const unique_hstring id = make_hstring(store_id); // the Store ID unchanged, with its exact length
    com_ptr<winabi::IConsumableOperation> operation;
    check_hresult(context->ReportConsumableFulfillmentAsync(id.get(), quantity, tracking_id, operation.put()));
    return operation;
}

com_ptr<winabi::IConsumableOperation> request_consumable_balance(winabi::IStoreContext* context, wide_view store_id) {
    const unique_hstring id = make_hstring(store_id); // the Store ID unchanged, with its exact length
    com_ptr<winabi::IConsumableOperation> operation;
    check_hresult(context->GetConsumableBalanceRemainingAsync(id.get(), operation.put()));
    return operation;
}

consumable_answer read_consumable_result(winabi::IStoreConsumableResult* result) {
    consumable_answer answer{};
    check_hresult(result->get_Status(&answer.status));
    check_hresult(result->get_BalanceRemaining(&answer.balance));
    check_hresult(result->get_ExtendedError(&answer.extended_error));
    return answer;
}
