// What a completion handler hands to its flow: the Store's result object, or the
// failure text. Shared by flow and handler, so a handler that runs late (after
// the flow stopped waiting) never writes into freed memory; once the flow has
// taken the outcome, a late handler's outcome is dropped instead of racing it.
#pragma once

#include "../output/error_text.h"

#include <atomic>
#include <string>
#include <string_view>

template <class Result>
class completion_outcome {
public:
    struct taken {
        com_ptr<Result> result;
        std::string text;
        bool fixed_text = false; // the handler could not build its text

        // Empty when the handler had no words for its failure, or never ran.
        std::string_view failure_text() const { return fixed_text ? async_failure_text : std::string_view(text); }
    };

    // Handler side: stores the outcome once, unless the flow has already taken it.
    void publish(com_ptr<Result> result, std::string text, bool fixed_text) noexcept {
        int expected = open;
        if (!state_.compare_exchange_strong(expected, writing, std::memory_order_acquire)) return;
        value_.result = std::move(result);
        value_.text = std::move(text);
        value_.fixed_text = fixed_text;
        state_.store(published, std::memory_order_release);
        state_.notify_all();
    }

    // Flow side, once: what the handler published, or nothing when it has not
    // (and from now on will not).
    taken take() noexcept {
        int state = open;
        if (state_.compare_exchange_strong(state, closed, std::memory_order_acquire)) return {};
        // A handler in the middle of storing finishes in a moment; wait for it.
        while (state == writing) {
            state_.wait(writing, std::memory_order_acquire);
            state = state_.load(std::memory_order_acquire);
        }
        return std::move(value_);
    }

private:
    enum : int { open, writing, published, closed };
    std::atomic<int> state_{open};
    taken value_;
};
