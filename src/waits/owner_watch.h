// Watches the host's window while a Store dialog that it owns is open: the
// window counts as closed once it is destroyed or its process has ended.
#pragma once

#include "../platform/unique_any.h"
#include "../platform/win.h"

#include <memory>

class owner_watch {
public:
    owner_watch() = default; // no owner: nothing to watch
    explicit owner_watch(HWND owner);
    owner_watch(const owner_watch&) = delete;
    owner_watch& operator=(const owner_watch&) = delete;
    ~owner_watch();

    // The owner's process, to wait on beside the message queue: its end wakes
    // the wait at once. Null when it could not be opened (another user's, or a
    // protected one); the window check alone watches then.
    HANDLE process() const noexcept { return process_.get(); }
    // Signalled once the window is seen destroyed; null without an owner.
    HANDLE window_gone() const noexcept;

    // A window's destruction wakes nothing in another process, so a thread of
    // the watch's own looks at it this often, sleeping in between: the wait
    // itself then sleeps until something happens. Often enough that the run
    // ends within 100 ms of the window; seldom enough that the looks, each two
    // calls into Wine's server there, cost under 20 ms in a 10 s dialog.
    static constexpr DWORD look_interval_ms = 80;

private:
    struct looker; // shared with the looking thread, which may outlive the watch
    unique_handle process_;
    std::shared_ptr<looker> looker_;
};
