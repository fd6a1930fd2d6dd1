#include "consumable_calls.h"

#include "../output/error_text.h"
#include "../platform/hstring.h"

namespace {

// The Store ID goes over unchanged, with its exact length, and lives only around the call.
void make_store_id(wide_view store_id, unique_hstring& id) {
    check_hresult(WindowsCreateString(store_id.data(), static_cast<UINT32>(store_id.size()), id.put()));
}

} // namespace

GUID new_tracking_id() {
    GUID tracking_id{};
    check_hresult(CoCreateGuid(&tracking_id));
    return tracking_id;
}

com_ptr<winabi::IConsumableOperation> request_consumable_fulfillment(winabi::IStoreContext* context, wide_view store_id,
                                                                     UINT32 quantity, const GUID& tracking_id) {
    unique_hstring id;
    make_store_id(store_id, id);
    com_ptr<winabi::IConsumableOperation> operation;
    check_hresult(context->ReportConsumableFulfillmentAsync(id.get(), quantity, tracking_id, operation.put()));
    return operation;
}

com_ptr<winabi::IConsumableOperation> request_consumable_balance(winabi::IStoreContext* context, wide_view store_id) {
    unique_hstring id;
    make_store_id(store_id, id);
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
