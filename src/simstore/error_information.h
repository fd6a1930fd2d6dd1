// The error information that the simulated Store leaves with each injected
// failure, as a Store component does before it returns a failing HRESULT.
#pragma once

#include "scenario.h"

namespace simstore {

// Sets the error information that `settings` describes for `code` on the
// calling thread (or clears it when they describe none) and gives back `code`:
// `return injected_failure(code, settings);` right where the call fails.
HRESULT injected_failure(HRESULT code, const error_settings& settings);

} // namespace simstore
