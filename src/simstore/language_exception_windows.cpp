// A real Store component is built with MSVC, whose C++ exceptions reach other
// modules as SEH exceptions with this code; a mingw program cannot catch them
// as C++ exceptions, so they go to its unhandled-exception filter.
#include "faults.h"
#include "../platform/win.h"

namespace simstore {

void raise_uncaught_language_exception() {
    constexpr DWORD msvc_exception = 0xE06D7363;
    RaiseException(msvc_exception, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

} // namespace simstore
