#include "faults.h"

#include <cstdint>

namespace simstore {

void write_through_bad_pointer() {
    // Volatile, so that the compiler can neither drop the write nor reason about the address.
    int* volatile target = reinterpret_cast<int*>(~std::uintptr_t{0xFFF});
    *target = 1;
}

} // namespace simstore
