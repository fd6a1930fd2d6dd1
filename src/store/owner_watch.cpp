#include "owner_watch.h"

owner_watch::owner_watch(HWND owner) : owner_(owner) {
    if (!owner_) return;
    DWORD process_id = 0;
    if (GetWindowThreadProcessId(owner_, &process_id) == 0) return;
    // Without the handle the window check alone watches.
    *process_.put() = OpenProcess(SYNCHRONIZE, FALSE, process_id);
}

bool owner_watch::closed() const noexcept {
    if (!owner_) return false;
    // Asked after the process was opened as well: process ids are reused, so
    // only a window that still exists vouches for the process opened.
    if (!IsWindow(owner_)) return true;
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}
