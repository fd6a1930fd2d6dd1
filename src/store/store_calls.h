// The Store's platform operations, each raising a platform failure straight
// after a failing call.
#pragma once

#include "store_abi.h"
#include "../platform/com_ptr.h"

com_ptr<abi::IStoreContext> get_default_store_context();

// Null when the Store accepts the request but hands back no operation.
com_ptr<abi::IPurchaseOperation> request_purchase(abi::IStoreContext* context, wide_view store_id);
com_ptr<abi::IReviewOperation> request_rate_and_review(abi::IStoreContext* context);

// The handler may run before this returns, when the operation has already ended.
void set_completed(abi::IPurchaseOperation* operation, abi::IAsyncOperationCompletedHandler<abi::IStorePurchaseResult>* handler);
void set_completed(abi::IReviewOperation* operation, abi::IAsyncOperationCompletedHandler<abi::IStoreRateAndReviewResult>* handler);

abi::AsyncStatus async_status(IUnknown* operation);

// Null when the operation ended without a result object.
template <class Result>
com_ptr<Result> get_results(abi::IAsyncOperation<Result>* operation);

abi::StorePurchaseStatus purchase_status(abi::IStorePurchaseResult* result);
abi::StoreRateAndReviewStatus review_status(abi::IStoreRateAndReviewResult* result);
bool was_updated(abi::IStoreRateAndReviewResult* result);
