// Runs the crash containment with every allocation made fatal: if the crash
// path allocated, the run would end in abort (no line) instead of with the
// crash line and exit code 1. `crash-probe fault` faults, `crash-probe
// terminate` ends in std::terminate.
#include "app/crash_containment.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <exception>
#include <new>

namespace {

std::atomic<bool> allocation_forbidden{false};

void* checked_allocation(std::size_t size) {
    if (allocation_forbidden.load()) std::abort();
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) { return checked_allocation(size); }
void* operator new[](std::size_t size) { return checked_allocation(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (allocation_forbidden.load()) std::abort();
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// On glibc the C allocator can be replaced as well, unless a sanitizer runtime owns it.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size) {
    if (allocation_forbidden.load()) std::abort();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    if (allocation_forbidden.load()) std::abort();
    return __libc_calloc(count, size);
}
void* realloc(void* memory, std::size_t size) {
    if (allocation_forbidden.load()) std::abort();
    return __libc_realloc(memory, size);
}
void free(void* memory) { __libc_free(memory); }
}
#endif

namespace {

[[noreturn]] void probe(bool fault) {
    contain_crashes();
    allocation_forbidden = true;
    if (fault) {
        // The last page, not page zero: Wine running as root maps page zero.
        int* volatile target = reinterpret_cast<int*>(~std::uintptr_t{0xFFF});
        *target = 1;
        std::_Exit(7); // no fault: the probe would prove nothing
    }
    std::terminate();
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { probe(argc > 1 && std::wcscmp(argv[1], L"fault") == 0); }
#else
int main(int argc, char** argv) { probe(argc > 1 && std::strcmp(argv[1], "fault") == 0); }
#endif
