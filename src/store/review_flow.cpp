#include "review_flow.h"

#include "anchor_window.h"
#include "completion_handler.h"
#include "completion_outcome.h"
#include "owner_window.h"
#include "store_calls.h"
#include "../output/run_end.h"
#include "../output/standard_output.h"
#include "../platform/unique_any.h"

namespace {

// Owns the completion event: a handler that runs late still signals a live one.
struct review_outcome {
    completion_outcome<winabi::IStoreRateAndReviewResult> slots;
    unique_event event;

    explicit review_outcome(HANDLE completion_event) : event(completion_event) {}
    void wake() noexcept { SetEvent(event.get()); }
};

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

HANDLE create_completion_event() {
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // Without the event the wait could never see completion.
    if (!event) raise_last_error();
    return event;
}

void drain_messages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Sleeps until the handler signals, waking for messages and at least every
// 500 ms to see whether the host's window is still there. A wait that fails
// would fail again at once, so it ends the run instead of spinning.
void wait_for_review(HANDLE event, HWND owner) {
    for (;;) {
        const DWORD waited = MsgWaitForMultipleObjects(1, &event, FALSE, 500, QS_ALLINPUT);
        if (waited == WAIT_OBJECT_0) return;
        if (waited == WAIT_FAILED) raise_last_error();
        drain_messages();
        if (owner && !IsWindow(owner)) {
            end_run(write_result_line(owner_closed_line()));
        }
    }
}

} // namespace

result_line run_review_flow(std::span<const wide_string> arguments) {
    const com_ptr<winabi::IStoreContext> context = get_default_store_context();
    const HWND owner = resolve_owner_window(arguments.empty() ? wide_view() : wide_view(arguments[0]));
    const HWND anchor = create_review_anchor(owner, anchor_position(owner));
    bind_anchor(context.get(), anchor);
    const com_ptr<winabi::IReviewOperation> operation = request_rate_and_review(context.get());
    if (!operation) {
        destroy_review_anchor(anchor);
        return no_operation_line();
    }

    const auto outcome = std::make_shared<review_outcome>(create_completion_event());
    complete_into(operation.get(), outcome);
    wait_for_review(outcome->event.get(), owner);
    destroy_review_anchor(anchor);

    const auto taken = outcome->slots.take();
    if (taken.result) {
        const std::string_view status = review_status_word(review_status(taken.result.get()));
        const bool updated = was_updated_or_false(taken.result.get());
        return review_status_line(status, updated);
    }
    const wide_view text = taken.failure_text();
    return review_failure_line(text.empty() ? WIDE("no result") : text);
}
