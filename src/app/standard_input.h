// Standard input, read whole by the commands that take their input there.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The most a command takes on standard input.
inline constexpr std::size_t standard_input_limit = 64 * 1024;

// All of standard input, as raw bytes: up to the end of a file or a pipe whose
// writer closed it. None, without reading, for a console (a run started from a
// terminal would wait for its user) or no standard input at all; none too when
// there is more than the limit. A failing read raises its platform failure.
std::optional<std::string> read_standard_input(std::size_t limit = standard_input_limit);
