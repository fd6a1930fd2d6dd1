// The platform's DateTime and TimeSpan values as the query lines report them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

// 100-ns ticks since 1601-01-01 00:00:00 UTC as RFC 3339 UTC in whole seconds
// (YYYY-MM-DDTHH:MM:SSZ, rounded down). Nothing for 0 ticks (no date) and for
// dates from year 9999 on (the platform's "never"), nor for dates before
// year 1, which RFC 3339 cannot write. The characters come without a string
// of their own: a catalogue has thousands of dates.
using rfc3339_text = std::array<char, 20>;
std::optional<rfc3339_text> rfc3339_of_ticks(std::int64_t ticks);

// A TimeSpan in whole seconds, rounded down, never below 0.
std::int64_t whole_seconds_of_ticks(std::int64_t ticks);
