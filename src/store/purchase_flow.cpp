#include "purchase_flow.h"

#include "anchor_window.h"
#include "completion_handler.h"
#include "completion_outcome.h"
#include "store_calls.h"
#include "../output/result_line.h"

namespace {

struct purchase_outcome {
    completion_outcome<winabi::IStorePurchaseResult> slots;
    std::atomic<bool> done{false};
    HWND anchor;
    DWORD main_thread;

    purchase_outcome(HWND anchor_window, DWORD thread) : anchor(anchor_window), main_thread(thread) {}

    // The wake-up goes to the anchor, whose messages the main thread's loop
    // retrieves; without an anchor, straight to the main thread's queue.
    void wake() noexcept {
        done.store(true, std::memory_order_release);
        if (anchor) PostMessageW(anchor, WM_NULL, 0, 0);
        else PostThreadMessageW(main_thread, WM_NULL, 0, 0);
    }
    bool is_done() const noexcept { return done.load(std::memory_order_acquire); }
};

std::string_view purchase_status_word(winabi::StorePurchaseStatus status) {
    switch (status) {
    case winabi::StorePurchaseStatus::Succeeded: return "purchased";
    case winabi::StorePurchaseStatus::AlreadyPurchased: return "alreadyPurchased";
    case winabi::StorePurchaseStatus::NotPurchased: return "cancelled";
    default: return "error";
    }
}

// Services the thread's messages (the Store's dialog is owned by the anchor)
// until the handler has run, or a quit message arrives. The flag is tested only
// before and after the status query and after each dispatched message.
void wait_for_purchase(winabi::IPurchaseOperation* operation, purchase_outcome& outcome) {
    if (outcome.is_done()) return;
    if (async_status(operation) != winabi::AsyncStatus::Started) outcome.done.store(true, std::memory_order_release);
    if (outcome.is_done()) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (outcome.is_done()) return;
    }
}

} // namespace

int run_purchase_flow(const wide_string& store_id) {
    const com_ptr<winabi::IStoreContext> context = get_default_store_context();
    const HWND anchor = create_purchase_anchor();
    bind_anchor(context.get(), anchor);
    const com_ptr<winabi::IPurchaseOperation> operation = request_purchase(context.get(), store_id);
    if (!operation) {
        destroy_purchase_anchor(anchor);
        write_purchase_failure_line("no operation");
        return 1;
    }

    const auto outcome = std::make_shared<purchase_outcome>(anchor, GetCurrentThreadId());
    complete_into(operation.get(), outcome);
    wait_for_purchase(operation.get(), *outcome);

    const auto taken = outcome->slots.take();
    const std::string_view status = taken.result ? purchase_status_word(purchase_status(taken.result.get())) : "error";
    destroy_purchase_anchor(anchor);

    if (taken.result) {
        write_purchase_status_line(status);
        return 0;
    }
    // Exit code 0 promises a Store result; without one this is a failure, with
    // the handler's words when it had any.
    const std::string_view text = taken.failure_text();
    write_purchase_failure_line(text.empty() ? "no result" : text);
    return 1;
}
