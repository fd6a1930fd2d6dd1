#include "owner_watch.h"

owner_watch::owner_watch(HWND owner) : owner_(owner) {
    if (!owner_) return;
    DWORD process_id = 0;
    if (GetWindowThreadProcessId(owner_, &process_id) == 0) return;
    // Process ids are reused: the handle vouches for the window's process only
    // while the window still exists, which the wait's first look checks.
    *process_.put() = OpenProcess(SYNCHRONIZE, FALSE, process_id);
}
