// Watches the host's window while a Store dialog that it owns is open: the
// window counts as closed once it is destroyed or its process has ended.
#pragma once

#include "../platform/unique_any.h"
#include "../platform/win.h"

class owner_watch {
public:
    owner_watch() = default; // no owner: nothing to watch
    explicit owner_watch(HWND owner);

    // The owner's process, to wait on beside the message queue; null when it
    // could not be opened (another user's, or a protected one).
    HANDLE process() const noexcept { return process_.get(); }
    // How long a wait may go without looking at the window.
    DWORD check_interval_ms() const noexcept { return owner_ ? 60 : INFINITE; }
    bool closed() const noexcept;

private:
    HWND owner_ = nullptr;
    unique_handle process_;
};
