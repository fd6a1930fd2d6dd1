// The consumable commands: reporting units of a consumable used, and asking for
// its balance. Neither shows UI; each returns its line, and only standard
// failures are raised.
#pragma once

#include "../output/result_line.h"
#include "../platform/win.h"

#include <span>

// "consume <StoreID> <quantity> [<trackingId>]": without a tracking ID, a new random one.
result_line run_consume_flow(std::span<const wide_string> arguments);
// "balance <StoreID>": what is left of a Store-managed consumable.
result_line run_balance_flow(std::span<const wide_string> arguments);
