// The quantity argument of "consume": how many units the host reports used.
#pragma once

#include "../platform/win.h"

#include <optional>

// ASCII decimal digits only, at least one, with a value from 1 to 4294967295;
// nothing otherwise: no blanks, no sign, no digits of other scripts.
std::optional<UINT32> parse_quantity(wide_view text);
