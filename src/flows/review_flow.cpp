#include "flows.h"

#include "../calls/store_calls.h"
#include "../waits/anchor_window.h"
#include "../waits/operation_wait.h"
#include "../waits/owner_window.h"

namespace {

std::string_view review_status_word(winabi::StoreRateAndReviewStatus status) {
    switch (status) {
    case winabi::StoreRateAndReviewStatus::Succeeded: return "succeeded";
    case winabi::StoreRateAndReviewStatus::CanceledByUser: return "cancelled";
    case winabi::StoreRateAndReviewStatus::NetworkError: return "network";
    default: return "error";
    }
}

// A failed read counts as "not updated".
bool was_updated_or_false(winabi::IStoreRateAndReviewResult* result) {
    try {
        return was_updated(result);
    } catch (...) {
        return false;
    }
}

unique_handle create_completion_event() {
    unique_handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // Without the event the wait could never see completion.
    if (!event) raise_last_error();
    return event;
}

} // namespace

result_line run_review_flow(std::span<const wide_string> arguments) {
    com_ptr<winabi::IStoreContext> context = get_default_store_context();
    const HWND owner = resolve_owner_window(arguments.empty() ? wide_view() : wide_view(arguments[0]));
    unique_window anchor = create_review_anchor(owner, anchor_position(owner));
    bind_anchor(context.get(), anchor.get());
    com_ptr<winabi::IReviewOperation> operation = request_rate_and_review(context.get());
    if (!operation) return no_operation_line();

    const owner_watch watch(owner);
    auto [taken, end] =
        wait_for_operation(operation.get(), anchor.get(), watch, review_wait, create_completion_event());
    if (end == wait_end::owner_closed)
        return leave_as_is(owner_closed_line(), std::move(operation), std::move(context), std::move(anchor));
    anchor.reset();

    if (taken.result) {
        const std::string_view status = review_status_word(review_status(taken.result.get()));
        const bool updated = was_updated_or_false(taken.result.get());
        return review_status_line(status, updated);
    }
    const wide_view text = taken.failure_text();
    return review_failure_line(text.empty() ? WIDE("no result") : text);
}
