// Unnamed events, manual and auto reset; other processes, opened to wait for
// their end; and the waits on both.
#include "window_system.h"
#include "simulation.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using std::chrono::steady_clock;

std::shared_ptr<event_object> find_event(window_system& system, HANDLE handle) {
    const auto found = system.events.find(handle);
    if (found != system.events.end()) return found->second;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

// A satisfied wait takes the signal of an auto-reset event.
DWORD satisfied(event_object& event) {
    if (!event.manual_reset) event.signalled = false;
    return WAIT_OBJECT_0;
}

// One handle a wait takes: an event, or a process that is signalled once it has ended.
struct waitable {
    std::shared_ptr<event_object> event;
    std::optional<steady_clock::time_point> ends;

    bool signalled() const { return event ? event->signalled : ends && steady_clock::now() >= *ends; }
};

std::optional<waitable> find_waitable(window_system& system, HANDLE handle) {
    if (const auto process = system.processes.find(handle); process != system.processes.end())
        return waitable{nullptr, process->second};
    if (const auto event = system.events.find(handle); event != system.events.end())
        return waitable{event->second, std::nullopt};
    SetLastError(ERROR_INVALID_HANDLE);
    return std::nullopt;
}

// The first of the processes' ends still to come, when the wait must look again.
std::optional<steady_clock::time_point> next_end(const std::vector<waitable>& waitables) {
    std::optional<steady_clock::time_point> next;
    for (const waitable& item : waitables)
        if (item.ends && (!next || *item.ends < *next)) next = item.ends;
    return next;
}

// A declared window's process: the window's handle is its id as well.
const simulated_window* process_of(DWORD process_id) {
    for (const simulated_window& window : platform_scenario().windows)
        if (process_id && static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(window.handle)) == process_id)
            return &window;
    return nullptr;
}

} // namespace

HANDLE new_waitable_handle(window_system& system) {
    // Handles are never reused, so a closed one stays invalid.
    return reinterpret_cast<HANDLE>(system.last_event += 4);
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset, BOOL initial_state, LPCWSTR name) {
    // Security, inheritance and names only matter between processes.
    if (attributes || name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (platform_scenario().event_fails) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    const HANDLE handle = new_waitable_handle(system);
    const event_object event{manual_reset != FALSE, initial_state != FALSE};
    system.events.emplace(handle, std::make_shared<event_object>(event));
    return handle;
}

BOOL SetEvent(HANDLE handle) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    const auto event = find_event(system, handle);
    if (!event) return FALSE;
    event->signalled = true;
    system.changed.notify_all();
    return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    const auto event = find_event(system, handle);
    if (!event) return FALSE;
    event->signalled = false;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == process_token) return TRUE;
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    if (system.events.erase(handle) == 0 && system.processes.erase(handle) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeout_ms) {
    window_system& system = the_window_system();
    std::unique_lock lock(system.lock);
    const auto item = find_waitable(system, handle);
    if (!item) return WAIT_FAILED;
    if (!wait_until(system, lock, timeout_ms, [&] { return item->signalled(); }, item->ends)) return WAIT_TIMEOUT;
    return item->event ? satisfied(*item->event) : WAIT_OBJECT_0;
}

// Any of up to three handles, or input: with MWMO_INPUTAVAILABLE any message in
// the queue, otherwise only one that is new since the thread last looked.
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD timeout_ms, DWORD wake_mask, DWORD flags) {
    if (count > 3 || wake_mask != QS_ALLINPUT || (flags & ~MWMO_INPUTAVAILABLE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    if (platform_scenario().wait_fails) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    window_system& system = the_window_system();
    std::unique_lock lock(system.lock);
    std::vector<waitable> waitables;
    for (DWORD i = 0; i < count; ++i) {
        auto item = find_waitable(system, handles[i]);
        if (!item) return WAIT_FAILED;
        waitables.push_back(std::move(*item));
    }
    const message_queue& queue = own_queue(system);
    const auto input = [&] { return flags & MWMO_INPUTAVAILABLE ? queue.has_message() : queue.new_input; };
    const auto first_signalled = [&] {
        return std::ranges::find_if(waitables, [](const waitable& item) { return item.signalled(); });
    };
    const auto ready = [&] { return first_signalled() != waitables.end() || input(); };
    if (!wait_until(system, lock, timeout_ms, ready, next_end(waitables))) return WAIT_TIMEOUT;
    const auto signalled = first_signalled();
    if (signalled == waitables.end()) return WAIT_OBJECT_0 + count;
    if (signalled->event) satisfied(*signalled->event);
    return WAIT_OBJECT_0 + static_cast<DWORD>(signalled - waitables.begin());
}

HANDLE OpenProcess(DWORD access, BOOL inherit_handle, DWORD process_id) {
    const simulated_window* window = process_of(process_id);
    if (access != SYNCHRONIZE || inherit_handle || !window) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::optional<steady_clock::time_point> ends;
    if (window->exits) ends = process_start() + *window->exits;
    // A process that has ended and that nobody holds open is gone.
    if (ends && steady_clock::now() >= *ends) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    const HANDLE handle = new_waitable_handle(system);
    system.processes.emplace(handle, ends);
    return handle;
}
