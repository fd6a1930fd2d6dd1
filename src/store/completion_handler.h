// The completion handler every flow gives its operation: unless the flow got
// there first, it fetches the operation's outcome, hands it to the flow and
// wakes the flow. Agile, so the platform may call it on any
// thread; IMarshal comes from the free-threaded marshaler.
#pragma once

#include "completion_outcome.h"
#include "../platform/com_object.h"

#include <memory>

// Outcome offers `slots` (a completion_outcome<Result>) and `wake()`.
template <class Result, class Outcome>
class completion_handler final
    : public com_object<completion_handler<Result, Outcome>, winabi::IAsyncOperationCompletedHandler<Result>, IAgileObject> {
    using base = com_object<completion_handler, winabi::IAsyncOperationCompletedHandler<Result>, IAgileObject>;

public:
    explicit completion_handler(std::shared_ptr<Outcome> outcome) : outcome_(std::move(outcome)) {
        check_hresult(CoCreateFreeThreadedMarshaler(static_cast<IUnknown*>(static_cast<IAgileObject*>(this)),
                                                    marshaler_.put()));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object && iid == IID_IMarshal) return marshaler_->QueryInterface(iid, object);
        return base::QueryInterface(iid, object);
    }

    HRESULT STDMETHODCALLTYPE Invoke(winabi::IAsyncOperation<Result>* operation, winabi::AsyncStatus) override {
        // Late: the flow has fetched the outcome itself, or stopped waiting.
        if (!outcome_->slots.claim()) return S_OK;
        outcome_->slots.publish(fetch_outcome(operation));
        outcome_->wake();
        return S_OK;
    }

private:
    std::shared_ptr<Outcome> outcome_;
    com_ptr<IUnknown> marshaler_;
};

// Creates the handler and gives it to the operation; from then on only the operation holds it.
template <class Result, class Outcome>
void complete_into(winabi::IAsyncOperation<Result>* operation, std::shared_ptr<Outcome> outcome) {
    const auto handler = com_ptr<winabi::IAsyncOperationCompletedHandler<Result>>::attach(
        new completion_handler<Result, Outcome>(std::move(outcome)));
    set_completed(operation, handler.get());
}
