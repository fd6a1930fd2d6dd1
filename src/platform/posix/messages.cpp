// Per-thread message queues: any thread posts, the owning thread retrieves.
// Only whole-queue retrieval (no window, no message range) is offered, the one
// form the program uses.
#include "window_system.h"

#include <chrono>

namespace {

// Ends with the thread: its queue and its windows go, as on Windows.
struct queue_owner {
    DWORD thread;

    ~queue_owner() {
        window_system& system = the_window_system();
        std::lock_guard guard(system.lock);
        system.queues.erase(thread);
        std::erase_if(system.windows, [&](const auto& entry) { return entry.second.thread == thread; });
    }
};

MSG make_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto tick = static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    return MSG{window, message, wparam, lparam, tick, POINT{0, 0}};
}

void post(window_system& system, message_queue& queue, const MSG& message) {
    queue.posted.push_back(message);
    queue.new_input = true;
    system.changed.notify_all();
}

// Posted messages come first; WM_QUIT only once none is left.
MSG next_message(message_queue& queue, bool remove) {
    if (!queue.posted.empty()) {
        const MSG message = queue.posted.front();
        if (remove) queue.posted.pop_front();
        return message;
    }
    if (remove) queue.quit_posted = false;
    return make_message(nullptr, WM_QUIT, queue.quit_code, 0);
}

bool filters(HWND window, UINT first, UINT last) { return window || first || last; }

} // namespace

message_queue& own_queue(window_system& system) {
    thread_local const queue_owner owner{GetCurrentThreadId()};
    return system.queues[owner.thread];
}

BOOL GetMessageW(LPMSG message, HWND window, UINT first, UINT last) {
    if (filters(window, first, last)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    window_system& system = the_window_system();
    std::unique_lock lock(system.lock);
    message_queue& queue = own_queue(system);
    wait_until(system, lock, INFINITE, [&] { return queue.has_message(); });
    queue.new_input = false;
    *message = next_message(queue, true);
    return message->message != WM_QUIT;
}

BOOL PeekMessageW(LPMSG message, HWND window, UINT first, UINT last, UINT remove) {
    if (filters(window, first, last) || (remove & ~PM_REMOVE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    message_queue& queue = own_queue(system);
    // Looking at the queue makes what is in it old, even without taking it.
    queue.new_input = false;
    if (!queue.has_message()) return FALSE;
    *message = next_message(queue, remove == PM_REMOVE);
    return TRUE;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    if (!window) {
        post(system, own_queue(system), make_message(nullptr, message, wparam, lparam));
        return TRUE;
    }
    const window_record* record = own_window(system, window);
    if (!record) return FALSE;
    post(system, system.queues.at(record->thread), make_message(window, message, wparam, lparam));
    return TRUE;
}

BOOL PostThreadMessageW(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    const auto queue = system.queues.find(thread_id);
    if (queue == system.queues.end()) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    post(system, queue->second, make_message(nullptr, message, wparam, lparam));
    return TRUE;
}

void PostQuitMessage(int exit_code) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    message_queue& queue = own_queue(system);
    queue.quit_posted = true;
    queue.quit_code = static_cast<WPARAM>(exit_code);
    queue.new_input = true;
    system.changed.notify_all();
}

// There is no keyboard, so nothing to translate.
BOOL TranslateMessage(const MSG*) { return FALSE; }

// Thread messages have no window procedure, and the STATIC procedure handles
// none of the messages the program sees; either way the result is 0. A window
// that is not this process's leaves its error, as on Windows.
LRESULT DispatchMessageW(const MSG* message) {
    if (!message->hwnd) return 0;
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    own_window(system, message->hwnd);
    return 0;
}
