#include "owner_watch.h"

#include "../platform/platform_failure.h"

#include <atomic>
#include <thread>

struct owner_watch::looker {
    HWND owner;
    unique_handle gone;
    std::atomic<bool> stop{false};
};

owner_watch::owner_watch(HWND owner) {
    if (!owner) return;
    DWORD process_id = 0;
    // Without the handle the window check alone watches.
    if (GetWindowThreadProcessId(owner, &process_id) != 0)
        *process_.put() = OpenProcess(SYNCHRONIZE, FALSE, process_id);

    looker_ = std::make_shared<looker>();
    looker_->owner = owner;
    *looker_->gone.put() = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!looker_->gone) raise_last_error();
    // Process ids are reused: the handle vouches for the window's process only
    // while the window still exists, so the first look comes after the open.
    if (!IsWindow(owner)) {
        SetEvent(looker_->gone.get());
        return;
    }
    // Detached: it sleeps through its interval, and a run that ends does not
    // wait for it; the state it shares stays alive as long as it runs.
    std::thread([state = looker_] {
        for (;;) {
            Sleep(look_interval_ms);
            if (state->stop.load(std::memory_order_relaxed)) return;
            if (!IsWindow(state->owner)) {
                SetEvent(state->gone.get());
                return;
            }
        }
    }).detach();
}

owner_watch::~owner_watch() {
    if (looker_) looker_->stop.store(true, std::memory_order_relaxed);
}

HANDLE owner_watch::window_gone() const noexcept { return looker_ ? looker_->gone.get() : nullptr; }
