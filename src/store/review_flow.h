#pragma once

#include "../output/result_line.h"
#include "../platform/win.h"

#include <span>

// "review [<window handle>]": shows the Store's rate-and-review dialog over the
// host's window and returns the line of its outcome, "owner closed" when the
// host's window goes away first; failures of its own calls are raised.
result_line run_review_flow(std::span<const wide_string> arguments);
