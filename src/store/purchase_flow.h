#pragma once

#include "../output/result_line.h"
#include "../platform/win.h"

#include <span>

// "buy <StoreID>": shows the Store's purchase dialog for one product and
// returns the line of its outcome; failures of its own calls are raised.
result_line run_purchase_flow(std::span<const wide_string> arguments);
