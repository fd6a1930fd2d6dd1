// Readers of the scenario items of the update call: a package's state, a
// progress report. Each gives nothing for text that is not exactly such an item.
#pragma once

#include "scenario.h"

#include <optional>
#include <string_view>

namespace simstore {

// Pending, Downloading, Deploying, Completed, Canceled, OtherError, ErrorLowBattery,
// ErrorWiFiRecommended, ErrorWiFiRequired, or any 32-bit integer
std::optional<INT32> read_update_state(std::string_view text);

// FAMILY:STATE, the family percent-encoded
std::optional<package_state> read_package_state(std::string_view text);

// FAMILY:STATE:PACKAGE:TOTAL:BYTES:SIZE@MS: the fractions any double, the byte counts unsigned 64-bit
std::optional<progress_report> read_progress_report(std::string_view text);

// worker@MS
std::optional<milliseconds> read_update_crash(std::string_view text);

} // namespace simstore
