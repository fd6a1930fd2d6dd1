#include "review_flow.h"

#include "anchor_window.h"
#include "completion_handler.h"
#include "completion_outcome.h"
#include "owner_window.h"
#include "store_calls.h"
#include "../output/result_line.h"

namespace {

struct review_outcome {
    completion_outcome<winabi::IStoreRateAndReviewResult> slots;
    HANDLE event;

    explicit review_outcome(HANDLE completion_event) : event(completion_event) {}
    void wake() noexcept { SetEvent(event); }
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
    if (!event) {
        const DWORD error = GetLastError();
        raise_platform_failure(error ? HRESULT_FROM_WIN32(error) : E_FAIL);
    }
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
// 500 ms to see whether the host's window is still there.
void wait_for_review(HANDLE event, HWND owner) {
    while (MsgWaitForMultipleObjects(1, &event, FALSE, 500, QS_ALLINPUT) != WAIT_OBJECT_0) {
        drain_messages();
        if (owner && !IsWindow(owner)) {
            write_owner_closed_line();
            // Ending the process this way skips the runtime's flush.
            flush_result_stream();
            ExitProcess(1);
        }
    }
}

} // namespace

int run_review_flow(const wide_string& argument) {
    const com_ptr<winabi::IStoreContext> context = get_default_store_context();
    const HWND owner = resolve_owner_window(argument);
    const HWND anchor = create_review_anchor(owner, anchor_position(owner));
    bind_anchor(context.get(), anchor);
    const com_ptr<winabi::IReviewOperation> operation = request_rate_and_review(context.get());
    if (!operation) {
        destroy_review_anchor(anchor);
        write_no_operation_line();
        return 1;
    }

    const auto outcome = std::make_shared<review_outcome>(create_completion_event());
    complete_into(operation.get(), outcome);
    wait_for_review(outcome->event, owner);
    CloseHandle(outcome->event);
    destroy_review_anchor(anchor);

    const auto taken = outcome->slots.take();
    if (taken.result) {
        const std::string_view status = review_status_word(review_status(taken.result.get()));
        const bool updated = was_updated_or_false(taken.result.get());
        write_review_status_line(status, updated);
        return 0;
    }
    const std::string_view text = taken.failure_text();
    write_review_failure_line(text.empty() ? "no result" : text);
    return 1;
}
