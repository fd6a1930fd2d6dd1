#pragma once

#include "../platform/win.h"

// "review": shows the Store's rate-and-review dialog over the host's window and
// writes its outcome. Returns the exit code, or ends the process itself when
// the host's window goes away; failures of its own calls are raised.
int run_review_flow(const wide_string& argument);
