// The Store's platform operations, each raising a platform failure straight
// after a failing call.
#pragma once

#include "../abi/store_abi.h"
#include "../platform/com_ptr.h"
#include "../platform/hstring.h"
#include "../platform/platform_failure.h"

// A Windows Runtime string of exactly these characters, for the length of a call.
unique_hstring make_hstring(wide_view text);

com_ptr<winabi::IStoreContext> get_default_store_context();

// Null when the Store accepts the request but hands back no operation.
com_ptr<winabi::IPurchaseOperation> request_purchase(winabi::IStoreContext* context, wide_view store_id);
com_ptr<winabi::IReviewOperation> request_rate_and_review(winabi::IStoreContext* context);

// The handler may run before this returns, when the operation has already ended.
template <class Operation>
void set_completed(Operation* operation, typename Operation::completed_handler* handler) {
    check_hresult(operation->put_Completed(handler));
}

winabi::AsyncStatus async_status(IUnknown* operation);

// A string an operation handed out. Unlike an interface, whose null is no
// result, the empty string is a result too.
struct string_result {
    unique_hstring text;
    bool present = false;

    explicit operator bool() const noexcept { return present; }
    HSTRING get() const noexcept { return text.get(); }
};

// What an operation's GetResults hands out, owned.
template <class Result>
struct async_result {
    using type = com_ptr<Result>;
};
template <>
struct async_result<winabi::hstring_abi> {
    using type = string_result;
};
template <class Result>
using async_result_t = typename async_result<Result>::type;

// Null when the operation ended without a result object.
template <class Operation>
com_ptr<typename Operation::result_type> get_results(Operation* operation) {
    com_ptr<typename Operation::result_type> result;
    check_hresult(operation->GetResults(result.put()));
    return result;
}
inline string_result get_results(winabi::IStringOperation* operation) {
    string_result result;
    check_hresult(operation->GetResults(result.text.put()));
    result.present = true;
    return result;
}

winabi::StorePurchaseStatus purchase_status(winabi::IStorePurchaseResult* result);
winabi::StoreRateAndReviewStatus review_status(winabi::IStoreRateAndReviewResult* result);
bool was_updated(winabi::IStoreRateAndReviewResult* result);
