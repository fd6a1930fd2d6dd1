// Watches the host's window while a Store dialog that it owns is open: the
// window counts as closed once it is destroyed or its process has ended.
#pragma once

#include "../platform/unique_any.h"
#include "../platform/win.h"

class owner_watch {
public:
    owner_watch() = default; // no owner: nothing to watch
    explicit owner_watch(HWND owner);

    bool watching() const noexcept { return owner_ != nullptr; }
    // The owner's process, to wait on beside the message queue: its end wakes
    // the wait at once. Null when it could not be opened (another user's, or a
    // protected one); the window check alone watches then.
    HANDLE process() const noexcept { return process_.get(); }
    // A window's destruction wakes nothing in another process, so the window is
    // looked at on a timer: this often, which bounds how late its close is seen.
    static constexpr DWORD look_interval_ms = 75;
    bool window_gone() const noexcept { return !IsWindow(owner_); }

private:
    HWND owner_ = nullptr;
    unique_handle process_;
};
