// The window table: this process's windows, all of the system class "STATIC",
// and the windows of other processes that the scenario declares. Those are
// known only by handle, rectangle and lifetime, so calls that would read or
// change anything else of theirs are refused.
#include "window_system.h"
#include "simulation.h"

#include <algorithm>
#include <cstdint>
#include <unistd.h>
#include <optional>
#include <vector>

namespace {

const simulated_window* declared_window(HWND window) {
    for (const simulated_window& declared : platform_scenario().windows)
        if (declared.handle == window) return &declared;
    return nullptr;
}

bool names_static_class(LPCWSTR name) {
    constexpr wide_view expected = WIDE("static");
    if (!name) return false;
    const wide_view given(name);
    // System class names compare case-insensitively.
    const auto lower = [](WCHAR c) { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c + 32) : c; };
    return std::ranges::equal(given, expected, [&](WCHAR a, WCHAR b) { return lower(a) == b; });
}

HWND new_window_handle(window_system& system) {
    HWND window;
    do window = reinterpret_cast<HWND>(system.last_window += 0x10);
    while (declared_window(window));
    return window;
}

bool is_window(window_system& system, HWND window) {
    return system.windows.contains(window) || is_foreign_window(window);
}

// Like Windows, a window takes the windows it owns on its own thread with it;
// its messages still in the queue go too.
void destroy(window_system& system, HWND window) {
    const DWORD thread = system.windows.at(window).thread;
    system.windows.erase(window);
    std::erase_if(system.queues.at(thread).posted, [&](const MSG& message) { return message.hwnd == window; });
    std::vector<HWND> owned;
    for (const auto& [handle, record] : system.windows)
        if (record.owner == window && record.thread == thread) owned.push_back(handle);
    for (HWND handle : owned) destroy(system, handle);
}

} // namespace

bool is_foreign_window(HWND window) {
    const simulated_window* declared = window ? declared_window(window) : nullptr;
    if (!declared) return false;
    const auto now = std::chrono::steady_clock::now();
    const auto gone = [&](const auto& after) { return after && now >= process_start() + *after; };
    return !gone(declared->closes) && !gone(declared->exits);
}

window_record* own_window(window_system& system, HWND window) {
    if (const auto found = system.windows.find(window); found != system.windows.end()) return &found->second;
    SetLastError(is_foreign_window(window) ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

HMODULE GetModuleHandleW(LPCWSTR module_name) {
    // Only the program itself is a module here.
    if (module_name) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(std::uintptr_t{0x140000000});
}

HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU, HINSTANCE, LPVOID) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    // As on Windows, the first call into the window manager gives the thread its
    // message queue, even when the window is not created.
    own_queue(system);
    if (platform_scenario().anchor_fails) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!names_static_class(class_name)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    // Child windows have no use in this program; top-level ones only.
    if (style & WS_CHILD) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Without WS_CHILD the parent argument names the owner.
    if (parent && !is_window(system, parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const HWND window = new_window_handle(system);
    // Windows gives every top-level window WS_CLIPSIBLINGS.
    system.windows.emplace(window, window_record{GetCurrentThreadId(), style | WS_CLIPSIBLINGS, ex_style,
                                                 RECT{x, y, x + width, y + height}, parent});
    return window;
}

BOOL ShowWindow(HWND window, int command) {
    if (command != SW_SHOW && command != SW_HIDE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    window_record* record = own_window(system, window);
    if (!record) return FALSE;
    const BOOL was_visible = (record->style & WS_VISIBLE) != 0;
    record->style = command == SW_SHOW ? record->style | WS_VISIBLE : record->style & ~WS_VISIBLE;
    return was_visible;
}

BOOL SetForegroundWindow(HWND window) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    if (!is_window(system, window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    system.foreground = window;
    return TRUE;
}

HWND GetForegroundWindow() {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    return is_window(system, system.foreground) ? system.foreground : nullptr;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    if (const auto found = system.windows.find(window); found != system.windows.end()) {
        *rect = found->second.rect;
        return TRUE;
    }
    if (!is_foreign_window(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const std::optional<RECT>& declared = declared_window(window)->rect;
    if (!declared) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *rect = *declared;
    return TRUE;
}

BOOL IsWindow(HWND window) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    return is_window(system, window);
}

BOOL IsWindowVisible(HWND window) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    const auto found = system.windows.find(window);
    return found != system.windows.end() && (found->second.style & WS_VISIBLE) != 0;
}

BOOL DestroyWindow(HWND window) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    const window_record* record = own_window(system, window);
    if (!record) return FALSE;
    if (record->thread != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    destroy(system, window);
    return TRUE;
}

int GetClassNameW(HWND window, LPWSTR buffer, int max_count) {
    {
        window_system& system = the_window_system();
        std::lock_guard guard(system.lock);
        if (!own_window(system, window)) return 0;
    }
    if (max_count <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // The name as the system registered it, whatever case creation used.
    constexpr wide_view name = WIDE("Static");
    const auto count = std::min(name.size(), static_cast<std::size_t>(max_count - 1));
    name.copy(buffer, count);
    buffer[count] = 0;
    return static_cast<int>(count);
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    const window_record* record = own_window(system, window);
    if (!record) return 0;
    if (index == GWL_STYLE) return record->style;
    if (index == GWL_EXSTYLE) return record->ex_style;
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

// A window of this process belongs to its creating thread; a declared one to a
// process whose id, and whose one thread's id, is the window's handle.
DWORD GetWindowThreadProcessId(HWND window, LPDWORD process_id) {
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    if (const auto found = system.windows.find(window); found != system.windows.end()) {
        if (process_id) *process_id = static_cast<DWORD>(getpid());
        return found->second.thread;
    }
    if (!is_foreign_window(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const auto id = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(window));
    if (process_id) *process_id = id;
    return id;
}

HWND GetWindow(HWND window, UINT command) {
    if (command != GW_OWNER) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    window_system& system = the_window_system();
    std::lock_guard guard(system.lock);
    const window_record* record = own_window(system, window);
    if (!record) return nullptr;
    // An owner that has gone no longer counts, as when Windows clears it.
    return is_window(system, record->owner) ? record->owner : nullptr;
}
