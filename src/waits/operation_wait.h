// The one way a flow waits for a Store operation: the thread's message queue
// stays serviced (a Store dialog owned by the anchor stays responsive), the
// handler's wake-up ends the wait, a handler that comes late finds the outcome
// shared, the host's window, when there is one, is watched throughout, and the
// progress reports of an operation that has them are written as they come.
#pragma once

#include "completion_handler.h"
#include "completion_outcome.h"
#include "owner_watch.h"
#include "progress_feed.h"
#include "../calls/store_calls.h"
#include "../output/standard_output.h"

#include <atomic>
#include <memory>

// What a command's wait does beyond the common part.
struct wait_rules {
    // A quit message ends the wait with nothing fetched; otherwise it is
    // dispatched like any other message.
    bool quit_ends_wait;
    // An operation that already reports its end is fetched by the flow itself
    // instead of waiting for a handler that may come late.
    bool status_ends_wait;
};
inline constexpr wait_rules purchase_wait{true, true}; // buy and the queries
inline constexpr wait_rules review_wait{false, false};

enum class wait_end { completed, quit, owner_closed };

template <class Result>
struct waited {
    typename completion_outcome<Result>::taken outcome;
    wait_end end;
};

// Shared by the flow and the handler. The handler wakes the flow with the
// completion event when there is one, otherwise with a message to the anchor
// (or, without an anchor, to the waiting thread's queue).
template <class Result>
struct shared_outcome {
    completion_outcome<Result> slots;
    std::atomic<bool> done{false};
    HWND anchor;
    DWORD thread;
    unique_handle event;

    shared_outcome(HWND anchor_window, DWORD waiting_thread, unique_handle completion_event)
        : anchor(anchor_window), thread(waiting_thread), event(std::move(completion_event)) {}

    void wake() noexcept {
        done.store(true, std::memory_order_release);
        if (event) SetEvent(event.get());
        else if (anchor) PostMessageW(anchor, WM_NULL, 0, 0);
        else PostThreadMessageW(thread, WM_NULL, 0, 0);
    }
    bool is_done() const noexcept { return done.load(std::memory_order_acquire); }
};

// Services the queue until the handler has woken the flow, a quit message ends
// the wait (when the rules say so), or the owner closes; writes each progress
// report that comes before the end. MWMO_INPUTAVAILABLE: input that an earlier
// look at the queue left there still wakes the wait.
template <class Outcome>
wait_end service_queue(const Outcome& outcome, const owner_watch& owner, wait_rules rules,
                        progress_feed* progress = nullptr) {
    HANDLE handles[4];
    DWORD count = 0;
    if (outcome.event) handles[count++] = outcome.event.get();
    const DWORD progress_signal = WAIT_OBJECT_0 + count;
    if (progress) handles[count++] = progress->ready();
    const DWORD owner_signals_from = WAIT_OBJECT_0 + count;
    if (owner.process()) handles[count++] = owner.process();
    if (owner.window_gone()) handles[count++] = owner.window_gone();
    for (;;) {
        if (outcome.is_done()) return wait_end::completed;
        const DWORD waited = MsgWaitForMultipleObjectsEx(count, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        // A wait that fails would fail again at once: the run ends instead of spinning.
        if (waited == WAIT_FAILED) raise_last_error();
        if (waited >= owner_signals_from && waited < WAIT_OBJECT_0 + count) return wait_end::owner_closed;
        if (progress && waited == progress_signal) {
            for (const progress_record& report : progress->take()) {
                if (outcome.is_done()) break; // the end came first: no report follows it
                write_progress_line(progress_line(report));
            }
            continue;
        }
        MSG message;
        while (!outcome.is_done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT && rules.quit_ends_wait) return wait_end::quit;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

// `event`: the completion event the handler signals; empty for a wake-up message.
// `progress`: the feed of the operation's progress handler, when its reports are written.
template <class Operation, class Result = typename Operation::result_type>
waited<Result> wait_for_operation(Operation* operation, HWND anchor, const owner_watch& owner, wait_rules rules,
                                  unique_handle event = {}, progress_feed* progress = nullptr) {
    const auto outcome = std::make_shared<shared_outcome<Result>>(anchor, GetCurrentThreadId(), std::move(event));
    // A handler that wakes this thread with a thread message may run before the
    // wait first looks at the queue, and a thread without a queue loses such a
    // message: peeking makes the queue now.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    complete_into(operation, outcome);
    if (rules.status_ends_wait && !outcome->is_done() &&
        async_status(operation) != winabi::AsyncStatus::Started) {
        if (progress) progress->close();
        if (outcome->slots.claim()) outcome->slots.publish(fetch_outcome(operation));
        // Otherwise the handler holds the claim; taking waits the moment it needs.
        return {outcome->slots.take(), wait_end::completed};
    }
    const wait_end end = service_queue(*outcome, owner, rules, progress);
    // Whatever ended the wait, no progress line goes out after it.
    if (progress) progress->close();
    // The owner closed: whatever the Store does next, the run reports that, and
    // a handler still to come finds the claim taken.
    if (end == wait_end::owner_closed) return {{}, end};
    return {outcome->slots.take(), end};
}
