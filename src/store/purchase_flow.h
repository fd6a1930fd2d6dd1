#pragma once

#include "../output/result_line.h"
#include "../platform/win.h"

#include <span>

// "buy <StoreID> [<window handle>]": shows the Store's purchase dialog for one
// product, over the host's window when the handle names a live one, and
// returns the line of its outcome, "owner closed" when that window goes away
// first; failures of its own calls are raised.
result_line run_purchase_flow(std::span<const wide_string> arguments);
