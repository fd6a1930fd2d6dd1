#include "store_calls.h"

#include "../platform/platform_failure.h"

unique_hstring make_hstring(wide_view text) {
    unique_hstring string;
    check_hresult(WindowsCreateString(text.data(), static_cast<UINT32>(text.size()), string.put()));
    return string;
}

com_ptr<winabi::IStoreContext> get_default_store_context() {
    const unique_hstring class_name = make_hstring(winabi::store_context_class);
    com_ptr<winabi::IStoreContextStatics> statics;
    check_hresult(RoGetActivationFactory(class_name.get(), winabi::IStoreContextStatics::iid, statics.put_void()));
    com_ptr<winabi::IStoreContext> context;
    check_hresult(statics->GetDefault(context.put()));
    return context;
}

com_ptr<winabi::IPurchaseOperation> request_purchase(winabi::IStoreContext* context, wide_view store_id) {
    // The Store ID goes over unchanged, with its exact length, and lives only around the call.
    const unique_hstring id = make_hstring(store_id);
    com_ptr<winabi::IPurchaseOperation> operation;
    check_hresult(context->RequestPurchaseAsync(id.get(), operation.put()));
    return operation;
}

com_ptr<winabi::IReviewOperation> request_rate_and_review(winabi::IStoreContext* context) {
    com_ptr<winabi::IStoreContext4> context4;
    check_hresult(query(context, winabi::IStoreContext4::iid, context4));
    com_ptr<winabi::IReviewOperation> operation;
    check_hresult(context4->RequestRateAndReviewAppAsync(operation.put()));
    return operation;
}

winabi::AsyncStatus async_status(IUnknown* operation) {
    com_ptr<winabi::IAsyncInfo> info;
    check_hresult(query(operation, winabi::IAsyncInfo::iid, info));
    winabi::AsyncStatus status{};
    check_hresult(info->get_Status(&status));
    return status;
}

winabi::StorePurchaseStatus purchase_status(winabi::IStorePurchaseResult* result) {
    winabi::StorePurchaseStatus status{};
    check_hresult(result->get_Status(&status));
    return status;
}

winabi::StoreRateAndReviewStatus review_status(winabi::IStoreRateAndReviewResult* result) {
    winabi::StoreRateAndReviewStatus status{};
    check_hresult(result->get_Status(&status));
    return status;
}

bool was_updated(winabi::IStoreRateAndReviewResult* result) {
    boolean updated = 0;
    check_hresult(result->get_WasUpdated(&updated));
    return updated != 0;
}
