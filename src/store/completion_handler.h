// The completion handler both flows give their operation: it takes the
// operation's result, or turns its failure into failure text, hands that to the
// flow's outcome and wakes the flow. Agile, so the platform may call it on any
// thread; IMarshal comes from the free-threaded marshaler.
#pragma once

#include "store_abi.h"
#include "store_calls.h"
#include "../output/error_text.h"
#include "../platform/com_object.h"

#include <memory>
#include <string>

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
        com_ptr<Result> result;
        std::string text;
        bool fixed_text = false;
        try {
            result = get_results(operation);
        } catch (...) {
            result.reset();
            try {
                text = failure_text_of(std::current_exception());
            } catch (...) {
                // No memory even for the words: the fixed text needs none.
                fixed_text = true;
            }
        }
        outcome_->slots.publish(std::move(result), std::move(text), fixed_text);
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
