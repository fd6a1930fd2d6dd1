// Unnamed events, manual and auto reset, and the waits on them.
#include "window_system.h"
#include "simulation.h"

namespace {

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

} // namespace

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
    // Handles are never reused, so a closed one stays invalid.
    const auto handle = reinterpret_cast<HANDLE>(system.last_event += 4);
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
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    if (system.events.erase(handle) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeout_ms) {
    window_system& system = the_window_system();
    std::unique_lock lock(system.lock);
    const auto event = find_event(system, handle);
    if (!event) return WAIT_FAILED;
    if (!wait_until(system, lock, timeout_ms, [&] { return event->signalled; })) return WAIT_TIMEOUT;
    return satisfied(*event);
}

// The one form the program uses: at most one event, any of them, any input.
// Input counts only when it is new since the thread last looked at its queue.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD timeout_ms, DWORD wake_mask) {
    if (count > 1 || wait_all || wake_mask != QS_ALLINPUT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    if (platform_scenario().wait_fails) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    window_system& system = the_window_system();
    std::unique_lock lock(system.lock);
    std::shared_ptr<event_object> event;
    if (count == 1 && !(event = find_event(system, handles[0]))) return WAIT_FAILED;
    const message_queue& queue = own_queue(system);
    const auto signalled = [&] { return event && event->signalled; };
    if (!wait_until(system, lock, timeout_ms, [&] { return signalled() || queue.new_input; })) return WAIT_TIMEOUT;
    return signalled() ? satisfied(*event) : WAIT_OBJECT_0 + count;
}
