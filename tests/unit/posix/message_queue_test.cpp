// Per-thread message queues. Each case runs on a thread of its own, so it
// starts with an empty queue whatever ran before.
#include "platform/win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <vector>

namespace {

void on_new_thread(const std::function<void()>& body) { std::thread(body).join(); }

HWND create_static() {
    return CreateWindowExW(WS_EX_TOOLWINDOW, WIDE("STATIC"), WIDE(""), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// What PeekMessageW with PM_REMOVE hands out until the queue is empty.
std::vector<MSG> drain() {
    std::vector<MSG> messages;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) messages.push_back(message);
    return messages;
}

TEST(message_queue, post_from_another_thread_wakes_get_message) {
    on_new_thread([] {
        const HWND window = create_static();
        std::thread poster([window] {
            // Give the receiver time to block first; the result does not depend on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_TRUE(PostMessageW(window, WM_USER + 3, 11, -12));
        });
        MSG message{};
        EXPECT_GT(GetMessageW(&message, nullptr, 0, 0), 0);
        poster.join();
        EXPECT_EQ(message.hwnd, window);
        EXPECT_EQ(message.message, WM_USER + 3);
        EXPECT_EQ(message.wParam, 11u);
        EXPECT_EQ(message.lParam, -12);
        DestroyWindow(window);
    });
}

TEST(message_queue, quit_comes_only_once_the_queue_is_otherwise_empty) {
    on_new_thread([] {
        PostQuitMessage(7);
        PostMessageW(nullptr, WM_USER + 1, 0, 0);
        PostMessageW(nullptr, WM_USER + 2, 0, 0);
        MSG message{};
        EXPECT_NE(GetMessageW(&message, nullptr, 0, 0), 0);
        EXPECT_EQ(message.message, WM_USER + 1);
        EXPECT_NE(GetMessageW(&message, nullptr, 0, 0), 0);
        EXPECT_EQ(message.message, WM_USER + 2);
        EXPECT_EQ(GetMessageW(&message, nullptr, 0, 0), 0);
        EXPECT_EQ(message.message, WM_QUIT);
        EXPECT_EQ(message.wParam, 7u);
        EXPECT_TRUE(drain().empty());
    });
}

TEST(message_queue, posted_quit_message_ends_get_message_in_turn) {
    on_new_thread([] {
        PostMessageW(nullptr, WM_QUIT, 3, 0);
        PostMessageW(nullptr, WM_USER, 0, 0);
        MSG message{};
        EXPECT_EQ(GetMessageW(&message, nullptr, 0, 0), 0);
        EXPECT_EQ(message.wParam, 3u);
        EXPECT_NE(GetMessageW(&message, nullptr, 0, 0), 0);
        EXPECT_EQ(message.message, WM_USER);
    });
}

TEST(message_queue, peek_removes_only_with_pm_remove) {
    on_new_thread([] {
        PostMessageW(nullptr, WM_USER + 1, 0, 0);
        PostMessageW(nullptr, WM_USER + 2, 0, 0);
        PostQuitMessage(5);
        MSG message{};
        // Each message twice without PM_REMOVE, then once more with it; the quit message too.
        for (UINT expected : {WM_USER + 1, WM_USER + 2, WM_QUIT}) {
            for (UINT remove : {PM_NOREMOVE, PM_NOREMOVE, PM_REMOVE}) {
                ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, remove));
                EXPECT_EQ(message.message, expected);
            }
        }
        EXPECT_EQ(message.wParam, 5u);
        EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
    });
}

TEST(message_queue, null_window_post_goes_to_the_callers_queue) {
    on_new_thread([] {
        MSG message{};
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // makes the queue
        on_new_thread([] { EXPECT_TRUE(PostMessageW(nullptr, WM_USER + 9, 0, 0)); });
        EXPECT_TRUE(drain().empty());
        EXPECT_TRUE(PostMessageW(nullptr, WM_USER + 8, 4, 0));
        const std::vector<MSG> messages = drain();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].hwnd, nullptr);
        EXPECT_EQ(messages[0].message, WM_USER + 8);
        EXPECT_EQ(messages[0].wParam, 4u);
    });
}

TEST(message_queue, window_post_goes_to_the_windows_thread) {
    on_new_thread([] {
        const HWND window = create_static();
        on_new_thread([window] { EXPECT_TRUE(PostMessageW(window, WM_NULL, 0, 0)); });
        const std::vector<MSG> messages = drain();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].hwnd, window);
        EXPECT_EQ(messages[0].message, WM_NULL);
        EXPECT_EQ(DispatchMessageW(&messages[0]), 0);
        DestroyWindow(window);
    });
}

TEST(message_queue, destroying_a_window_drops_its_messages) {
    on_new_thread([] {
        const HWND window = create_static();
        PostMessageW(window, WM_USER + 1, 0, 0);
        PostMessageW(nullptr, WM_USER + 2, 0, 0);
        DestroyWindow(window);
        SetLastError(0);
        EXPECT_FALSE(PostMessageW(window, WM_USER + 3, 0, 0));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        const std::vector<MSG> messages = drain();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].message, WM_USER + 2);
    });
}

TEST(message_queue, posting_to_an_unknown_target_fails) {
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(std::uintptr_t{0x7777}), WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

    DWORD ended = 0;
    on_new_thread([&] {
        PostQuitMessage(0); // makes the queue, which ends with the thread
        ended = GetCurrentThreadId();
    });
    for (DWORD thread : {DWORD{0x7FFFFFF0}, ended}) {
        SetLastError(0);
        EXPECT_FALSE(PostThreadMessageW(thread, WM_USER, 0, 0));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    }
}

} // namespace
