#include "faults.h"

namespace simstore {

void raise_uncaught_language_exception() { throw 42; }

} // namespace simstore
