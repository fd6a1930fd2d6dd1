// What a completion handler hands to its flow: the Store's result object, or the
// failure's words and code. Shared by flow and handler, so a handler that runs
// late never writes into freed memory. One claim decides who fetches the
// outcome (calls GetResults, which hands a result out only once): the handler,
// or the flow when the operation already reports its end; a late claimant
// finds the claim taken and only lets go of what it holds.
#pragma once

#include "../calls/store_calls.h"
#include "../output/error_text.h"

#include <atomic>
#include <exception>
#include <string>
#include <string_view>
#include <thread>

template <class Result>
class completion_outcome {
public:
    struct taken {
        async_result_t<Result> result;
        wide_string text;
        HRESULT code = S_OK;     // the failure's code; S_OK when nothing failed
        bool fixed_text = false; // there was no memory to build the words

        // Empty when nobody had words for the failure, or nothing was fetched.
        wide_view failure_text() const { return fixed_text ? async_failure_text : wide_view(text); }
    };

    // Either side, at most once each: true for the one that fetches the outcome.
    bool claim() noexcept {
        int expected = open;
        return state_.compare_exchange_strong(expected, claimed, std::memory_order_acq_rel);
    }

    // The claimant only.
    void publish(taken value) noexcept {
        value_ = std::move(value);
        state_.store(published, std::memory_order_release);
    }

    // Flow side, once: what was published, waiting for a claimant that is still
    // fetching. Nothing when nobody claimed; from then on nobody can. Fetching
    // takes a moment, so yielding is enough; std::atomic::wait is avoided, as the
    // Windows toolchain's libstdc++ (GCC 12) can miss its wake-up.
    taken take() noexcept {
        if (claim()) return {};
        while (state_.load(std::memory_order_acquire) == claimed) std::this_thread::yield();
        return std::move(value_);
    }

private:
    enum : int { open, claimed, published };
    std::atomic<int> state_{open};
    taken value_;
};

// The operation's outcome, fetched the same way by handler and flow.
template <class Operation>
typename completion_outcome<typename Operation::result_type>::taken fetch_outcome(Operation* operation) noexcept {
    typename completion_outcome<typename Operation::result_type>::taken fetched;
    try {
        fetched.result = get_results(operation);
    } catch (...) {
        const std::exception_ptr caught = std::current_exception();
        fetched.code = failure_code_of(caught);
        try {
            fetched.text = failure_text_of(caught);
        } catch (...) {
            // No memory even for the words: the fixed text needs none.
            fetched.fixed_text = true;
        }
    }
    return fetched;
}
