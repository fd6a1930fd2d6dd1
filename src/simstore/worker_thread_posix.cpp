#include "worker_thread.h"

#include <cerrno>
#include <new>
#include <system_error>
#include <thread>

namespace simstore {

HRESULT start_detached_thread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error& failure) {
        // EAGAIN: the system or the user ran out of threads (processes, to Linux).
        return failure.code().value() == EAGAIN ? HRESULT_FROM_WIN32(ERROR_MAX_THRDS_REACHED) : E_OUTOFMEMORY;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace simstore
