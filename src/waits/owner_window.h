// The host's window given to "review": which window it names, and where over it
// the anchor goes.
#pragma once

#include "../platform/win.h"

#include <cstdint>

// Reads text exactly as wcstoull(text, nullptr, 10) does: leading white space,
// one sign (a minus negates in 64 bits), digits up to the first other
// character, saturation past 64 bits, 0 without digits.
std::uint64_t read_unsigned_decimal(wide_view text);

// The owner window the argument names, or null: 0 is no window without asking
// the system, and so is a handle that IsWindow denies.
HWND resolve_owner_window(wide_view argument);

// The centre of the owner's outer rectangle; (0, 0) without an owner or when its
// rectangle cannot be read.
POINT anchor_position(HWND owner);

// (a + b) / 2 in signed 32-bit arithmetic: the sum wraps, the halving truncates toward zero.
LONG midpoint(LONG a, LONG b);
