// A thread of the system's own. Under Wine, mingw-w64's std::thread loses about
// one thread in a hundred when it is detached right after its start: the
// thread never runs, and its operation would never complete.
#include "worker_thread.h"
#include "../platform/win.h"

#include <memory>
#include <new>

namespace simstore {
namespace {

DWORD WINAPI run_work(LPVOID parameter) {
    const std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    (*work)();
    return 0;
}

} // namespace

HRESULT start_detached_thread(std::function<void()> work) {
    auto owned = std::unique_ptr<std::function<void()>>(new (std::nothrow) std::function<void()>(std::move(work)));
    if (!owned) return E_OUTOFMEMORY;
    const HANDLE thread = CreateThread(nullptr, 0, run_work, owned.get(), 0, nullptr);
    if (!thread) return HRESULT_FROM_WIN32(GetLastError());
    owned.release(); // the thread owns it now
    CloseHandle(thread);
    return S_OK;
}

} // namespace simstore
