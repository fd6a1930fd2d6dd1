// The completion handler every flow gives its operation: unless the flow got
// there first, it fetches the operation's outcome, hands it to the flow and
// wakes the flow. Agile, so the platform may call it on any thread.
#pragma once

#include "agile_object.h"
#include "completion_outcome.h"

#include <memory>

// Outcome offers `slots` (a completion_outcome of the operation's result) and `wake()`.
template <class Operation, class Outcome>
class completion_handler final
    : public agile_object<completion_handler<Operation, Outcome>, typename Operation::completed_handler> {
public:
    explicit completion_handler(std::shared_ptr<Outcome> outcome) : outcome_(std::move(outcome)) {}

    HRESULT STDMETHODCALLTYPE Invoke(Operation* operation, winabi::AsyncStatus) override {
        // Late: the flow has fetched the outcome itself, or stopped waiting.
        if (!outcome_->slots.claim()) return S_OK;
        outcome_->slots.publish(fetch_outcome(operation));
        outcome_->wake();
        return S_OK;
    }

private:
    std::shared_ptr<Outcome> outcome_;
};

// Creates the handler and gives it to the operation; from then on only the operation holds it.
template <class Operation, class Outcome>
void complete_into(Operation* operation, std::shared_ptr<Outcome> outcome) {
    const auto handler = com_ptr<typename Operation::completed_handler>::attach(
        new completion_handler<Operation, Outcome>(std::move(outcome)));
    set_completed(operation, handler.get());
}
