#pragma once

#include "../platform/win.h"

// "buy": shows the Store's purchase dialog for one product and writes its
// outcome. Returns the exit code; failures of its own calls are raised.
int run_purchase_flow(const wide_string& store_id);
