#include "store_calls.h"

#include "../output/error_text.h"
#include "../platform/hstring.h"

com_ptr<abi::IStoreContext> get_default_store_context() {
    unique_hstring class_name;
    check_hresult(WindowsCreateString(abi::store_context_class.data(),
                                      static_cast<UINT32>(abi::store_context_class.size()), class_name.put()));
    com_ptr<abi::IStoreContextStatics> statics;
    check_hresult(RoGetActivationFactory(class_name.get(), abi::IStoreContextStatics::iid, statics.put_void()));
    com_ptr<abi::IStoreContext> context;
    check_hresult(statics->GetDefault(context.put()));
    return context;
}

com_ptr<abi::IPurchaseOperation> request_purchase(abi::IStoreContext* context, wide_view store_id) {
    // The Store ID goes over unchanged, with its exact length, and lives only around the call.
    unique_hstring id;
    check_hresult(WindowsCreateString(store_id.data(), static_cast<UINT32>(store_id.size()), id.put()));
    com_ptr<abi::IPurchaseOperation> operation;
    check_hresult(context->RequestPurchaseAsync(id.get(), operation.put()));
    return operation;
}

com_ptr<abi::IReviewOperation> request_rate_and_review(abi::IStoreContext* context) {
    com_ptr<abi::IStoreContext4> context4;
    check_hresult(query(context, abi::IStoreContext4::iid, context4));
    com_ptr<abi::IReviewOperation> operation;
    check_hresult(context4->RequestRateAndReviewAppAsync(operation.put()));
    return operation;
}

void set_completed(abi::IPurchaseOperation* operation, abi::IAsyncOperationCompletedHandler<abi::IStorePurchaseResult>* handler) {
    check_hresult(operation->put_Completed(handler));
}

void set_completed(abi::IReviewOperation* operation, abi::IAsyncOperationCompletedHandler<abi::IStoreRateAndReviewResult>* handler) {
    check_hresult(operation->put_Completed(handler));
}

abi::AsyncStatus async_status(IUnknown* operation) {
    com_ptr<abi::IAsyncInfo> info;
    check_hresult(query(operation, abi::IAsyncInfo::iid, info));
    abi::AsyncStatus status{};
    check_hresult(info->get_Status(&status));
    return status;
}

template <class Result>
com_ptr<Result> get_results(abi::IAsyncOperation<Result>* operation) {
    com_ptr<Result> result;
    check_hresult(operation->GetResults(result.put()));
    return result;
}
template com_ptr<abi::IStorePurchaseResult> get_results(abi::IPurchaseOperation*);
template com_ptr<abi::IStoreRateAndReviewResult> get_results(abi::IReviewOperation*);

abi::StorePurchaseStatus purchase_status(abi::IStorePurchaseResult* result) {
    abi::StorePurchaseStatus status{};
    check_hresult(result->get_Status(&status));
    return status;
}

abi::StoreRateAndReviewStatus review_status(abi::IStoreRateAndReviewResult* result) {
    abi::StoreRateAndReviewStatus status{};
    check_hresult(result->get_Status(&status));
    return status;
}

bool was_updated(abi::IStoreRateAndReviewResult* result) {
    boolean updated = 0;
    check_hresult(result->get_WasUpdated(&updated));
    return updated != 0;
}
