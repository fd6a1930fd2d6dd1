// A scenario may come from a file as well as from the environment: hosts
// describe whole catalogues for their CI, and Windows caps one environment
// variable at 32,767 characters.
#pragma once

#include "scenario.h"

#include <optional>
#include <string>
#include <string_view>

namespace simstore {

// The run's scenario: when file_name (UTF-8) is not empty, the items of that
// file, then those of the variable, which override them as later items do.
// In the file, line breaks (LF or CRLF) separate items as ';' does; blank
// lines and lines whose first non-blank character is '#' are skipped.
parsed_scenario parse_configured_scenario(std::string_view file_name, std::string_view variable);

// The whole file, none when it cannot be read. One per target.
std::optional<std::string> read_scenario_file(std::string_view file_name);

} // namespace simstore
