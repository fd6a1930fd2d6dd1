// The state behind windows, message queues and events. Waits for messages and
// for events share one lock and one condition, so a thread can wait on both at
// once, as MsgWaitForMultipleObjects does.
#pragma once

#include "../win.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

struct window_record {
    DWORD thread; // the creating thread: its queue gets the window's messages
    DWORD style;  // WS_VISIBLE follows ShowWindow
    DWORD ex_style;
    RECT rect;
    HWND owner;
};

struct message_queue {
    std::deque<MSG> posted;
    bool quit_posted = false;
    WPARAM quit_code = 0;
    bool new_input = false; // something arrived since the thread last looked at its queue

    bool has_message() const { return !posted.empty() || quit_posted; }
};

struct event_object {
    bool manual_reset;
    bool signalled;
};

struct window_system {
    std::mutex lock;
    std::condition_variable changed; // a post, a quit or a signalled event
    std::map<HWND, window_record> windows;
    std::map<DWORD, message_queue> queues; // by thread id
    // Shared so that a wait in progress keeps its event alive across CloseHandle.
    std::map<HANDLE, std::shared_ptr<event_object>> events;
    // Another process, opened to wait for its end: when it ends, none for never.
    std::map<HANDLE, std::optional<std::chrono::steady_clock::time_point>> processes;
    HWND foreground = nullptr;
    std::uintptr_t last_window = 0x200000; // well above the handles that scenarios declare
    std::uintptr_t last_event = 0x100;
};

// Never destroyed: threads may post and wait while the process exits.
inline window_system& the_window_system() {
    static auto& system = *new window_system;
    return system;
}

// The calling thread's queue, made on first use; it goes, with the thread's
// windows, when the thread ends. Call with the lock held.
message_queue& own_queue(window_system& system);

// A window of another process that the scenario declares and that has not closed yet.
bool is_foreign_window(HWND window);

// A handle that the system's waits take (an event or a process), made unique
// among all of them. Call with the lock held.
HANDLE new_waitable_handle(window_system& system);

// A window of this process, or null with the last error set: ERROR_ACCESS_DENIED
// for a window of another process, ERROR_INVALID_WINDOW_HANDLE otherwise.
// Call with the lock held.
window_record* own_window(window_system& system, HWND window);

// Blocks until ready() holds or the time-out (INFINITE for none) has passed;
// answers ready() at the end. A moment given wakes the wait then, for a
// readiness that comes with time rather than with a notification.
template <class Ready>
bool wait_until(window_system& system, std::unique_lock<std::mutex>& lock, DWORD timeout_ms, Ready ready,
                std::optional<std::chrono::steady_clock::time_point> moment = std::nullopt) {
    auto deadline = std::chrono::steady_clock::time_point::max();
    if (timeout_ms != INFINITE) deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (ready()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        const auto wake = moment && *moment > now ? std::min(deadline, *moment) : deadline;
        if (wake == std::chrono::steady_clock::time_point::max()) system.changed.wait(lock);
        else system.changed.wait_until(lock, wake);
    }
}
