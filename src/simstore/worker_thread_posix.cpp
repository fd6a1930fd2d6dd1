#include "worker_thread.h"

#include <system_error>
#include <thread>

namespace simstore {

bool start_detached_thread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

} // namespace simstore
