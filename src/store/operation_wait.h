// The one way a flow waits for a Store operation while its thread's message
// queue stays serviced (a Store dialog owned by the anchor stays responsive).
// The handler wakes the thread; an operation that already reports its end lets
// the flow fetch the outcome itself instead of waiting for a handler that may
// come late. A quit message ends the wait with nothing fetched.
#pragma once

#include "completion_handler.h"
#include "completion_outcome.h"
#include "store_calls.h"

#include <atomic>
#include <memory>

template <class Result>
struct message_outcome {
    completion_outcome<Result> slots;
    std::atomic<bool> done{false};
    HWND anchor;
    DWORD thread;

    message_outcome(HWND anchor_window, DWORD waiting_thread) : anchor(anchor_window), thread(waiting_thread) {}

    // The wake-up goes to the anchor, whose messages the waiting thread
    // retrieves; without an anchor, straight to that thread's queue.
    void wake() noexcept {
        done.store(true, std::memory_order_release);
        if (anchor) PostMessageW(anchor, WM_NULL, 0, 0);
        else PostThreadMessageW(thread, WM_NULL, 0, 0);
    }
    bool is_done() const noexcept { return done.load(std::memory_order_acquire); }
};

template <class Result>
typename completion_outcome<Result>::taken wait_for_operation(winabi::IAsyncOperation<Result>* operation, HWND anchor) {
    const auto outcome = std::make_shared<message_outcome<Result>>(anchor, GetCurrentThreadId());
    complete_into(operation, outcome);
    if (!outcome->is_done() && async_status(operation) != winabi::AsyncStatus::Started) {
        if (outcome->slots.claim()) outcome->slots.publish(fetch_outcome(operation));
        // Otherwise the handler holds the claim; taking waits the moment it needs.
        return outcome->slots.take();
    }
    MSG message;
    while (!outcome->is_done()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) break; // a quit message
        if (got == -1) raise_last_error();
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return outcome->slots.take();
}
