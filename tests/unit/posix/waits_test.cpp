// Events and the two waits: WaitForSingleObject, and MsgWaitForMultipleObjectsEx
// in the form the flows use (up to three handles, any input, new or not). Each
// case runs on a thread of its own, so it starts with an empty queue.
#include "platform/win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;
using std::chrono::steady_clock;

void on_new_thread(const std::function<void()>& body) { std::thread(body).join(); }

DWORD msg_wait(HANDLE event, DWORD timeout_ms, DWORD flags = 0) {
    return MsgWaitForMultipleObjectsEx(1, &event, timeout_ms, QS_ALLINPUT, flags);
}

void peek_all() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}
}

struct event_case {
    const char* name;
    BOOL manual_reset;
    BOOL initial_state;
    DWORD first_wait;
    DWORD second_wait;
};

const event_case event_cases[] = {
    {"manual, signalled", TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
    {"auto, signalled", FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
    {"manual, not signalled", TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
    {"auto, not signalled", FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
};

TEST(waits, events_keep_or_take_their_signal) {
    for (const event_case& c : event_cases) {
        SCOPED_TRACE(c.name);
        for (const bool through_msg_wait : {false, true}) {
            SCOPED_TRACE(through_msg_wait ? "MsgWaitForMultipleObjects" : "WaitForSingleObject");
            on_new_thread([&] {
                const HANDLE event = CreateEventW(nullptr, c.manual_reset, c.initial_state, nullptr);
                ASSERT_NE(event, nullptr);
                const auto wait = [&] { return through_msg_wait ? msg_wait(event, 0) : WaitForSingleObject(event, 0); };
                EXPECT_EQ(wait(), c.first_wait);
                EXPECT_EQ(wait(), c.second_wait);
                EXPECT_TRUE(SetEvent(event));
                EXPECT_EQ(wait(), WAIT_OBJECT_0);
                EXPECT_EQ(wait(), c.manual_reset ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
                EXPECT_TRUE(SetEvent(event));
                EXPECT_TRUE(ResetEvent(event));
                EXPECT_EQ(wait(), WAIT_TIMEOUT);
                EXPECT_TRUE(CloseHandle(event));
            });
        }
    }
}

TEST(waits, event_signalled_while_waiting_ends_the_wait) {
    for (const bool through_msg_wait : {false, true}) {
        SCOPED_TRACE(through_msg_wait ? "MsgWaitForMultipleObjects" : "WaitForSingleObject");
        on_new_thread([&] {
            const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            std::thread signaller([event] {
                std::this_thread::sleep_for(50ms);
                SetEvent(event);
            });
            const DWORD result = through_msg_wait ? msg_wait(event, INFINITE) : WaitForSingleObject(event, INFINITE);
            EXPECT_EQ(result, WAIT_OBJECT_0);
            signaller.join();
            CloseHandle(event);
        });
    }
}

TEST(waits, auto_reset_event_releases_one_waiter) {
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> released{0};
    std::atomic<int> timed_out{0};
    const auto waiter = [&] { (WaitForSingleObject(event, 1000) == WAIT_OBJECT_0 ? released : timed_out)++; };
    std::thread first(waiter);
    std::thread second(waiter);
    std::this_thread::sleep_for(100ms);
    SetEvent(event);
    first.join();
    second.join();
    EXPECT_EQ(released, 1);
    EXPECT_EQ(timed_out, 1);
    CloseHandle(event);
}

TEST(waits, new_input_ends_msg_wait) {
    on_new_thread([] {
        const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        PostMessageW(nullptr, WM_USER, 0, 0);
        EXPECT_EQ(msg_wait(event, 0), WAIT_OBJECT_0 + 1);
        // Only looking at the queue makes input old; waiting does not.
        EXPECT_EQ(msg_wait(event, 0), WAIT_OBJECT_0 + 1);
        EXPECT_EQ(MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0), WAIT_OBJECT_0);
        peek_all();
        EXPECT_EQ(msg_wait(event, 0), WAIT_TIMEOUT);
        PostQuitMessage(0);
        EXPECT_EQ(msg_wait(event, 0), WAIT_OBJECT_0 + 1);
        // A signalled event comes before input.
        SetEvent(event);
        EXPECT_EQ(msg_wait(event, 0), WAIT_OBJECT_0);
        CloseHandle(event);
    });
}

TEST(waits, input_seen_by_peek_is_no_longer_new) {
    on_new_thread([] {
        const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        PostMessageW(nullptr, WM_USER + 1, 0, 0);
        PostMessageW(nullptr, WM_USER + 2, 0, 0);
        MSG message;
        ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(msg_wait(event, 0), WAIT_TIMEOUT);
        // Unless the wait asks for any input there is.
        EXPECT_EQ(msg_wait(event, 0, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0 + 1);
        ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg_wait(event, 0), WAIT_TIMEOUT); // one message is still there, but old
        EXPECT_EQ(msg_wait(event, 0, MWMO_INPUTAVAILABLE), WAIT_OBJECT_0 + 1);
        PostMessageW(nullptr, WM_USER + 3, 0, 0);
        EXPECT_EQ(msg_wait(event, 0), WAIT_OBJECT_0 + 1);
        ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(message.message, WM_USER + 2);
        CloseHandle(event);
    });
}

TEST(waits, the_first_signalled_of_two_handles_answers) {
    on_new_thread([] {
        const HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        const HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        const HANDLE both[] = {first, second};
        const auto wait = [&] { return MsgWaitForMultipleObjectsEx(2, both, 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE); };
        EXPECT_EQ(wait(), WAIT_TIMEOUT);
        SetEvent(second);
        EXPECT_EQ(wait(), WAIT_OBJECT_0 + 1);
        SetEvent(first);
        EXPECT_EQ(wait(), WAIT_OBJECT_0);
        ResetEvent(first);
        ResetEvent(second);
        PostMessageW(nullptr, WM_USER, 0, 0);
        EXPECT_EQ(wait(), WAIT_OBJECT_0 + 2);
        CloseHandle(first);
        CloseHandle(second);
    });
}

TEST(waits, input_posted_while_waiting_ends_msg_wait) {
    on_new_thread([] {
        const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        const DWORD waiter = GetCurrentThreadId();
        peek_all(); // makes the queue
        std::thread poster([waiter] {
            std::this_thread::sleep_for(50ms);
            PostThreadMessageW(waiter, WM_USER, 0, 0);
        });
        EXPECT_EQ(msg_wait(event, INFINITE), WAIT_OBJECT_0 + 1);
        poster.join();
        CloseHandle(event);
    });
}

TEST(waits, time_out_comes_after_the_time_out) {
    for (const bool through_msg_wait : {false, true}) {
        SCOPED_TRACE(through_msg_wait ? "MsgWaitForMultipleObjects" : "WaitForSingleObject");
        on_new_thread([&] {
            const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            const auto start = steady_clock::now();
            EXPECT_EQ(through_msg_wait ? msg_wait(event, 50) : WaitForSingleObject(event, 50), WAIT_TIMEOUT);
            const auto waited = steady_clock::now() - start;
            EXPECT_GE(waited, 50ms);
            EXPECT_LT(waited, 2s);
            CloseHandle(event);
        });
    }
}

TEST(waits, null_or_closed_handle_fails_the_wait) {
    on_new_thread([] {
        const HANDLE closed = CreateEventW(nullptr, TRUE, TRUE, nullptr);
        ASSERT_TRUE(CloseHandle(closed));
        for (HANDLE handle : {HANDLE{}, closed}) {
            const auto expect_invalid_handle = [](bool failed) {
                EXPECT_TRUE(failed);
                EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
                SetLastError(0);
            };
            expect_invalid_handle(WaitForSingleObject(handle, INFINITE) == WAIT_FAILED);
            expect_invalid_handle(msg_wait(handle, INFINITE) == WAIT_FAILED);
            expect_invalid_handle(!SetEvent(handle));
            expect_invalid_handle(!ResetEvent(handle));
            expect_invalid_handle(!CloseHandle(handle));
        }
    });
}

} // namespace
