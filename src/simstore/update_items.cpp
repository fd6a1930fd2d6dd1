#include "update_items.h"
#include "scenario_values.h"

#include <iterator>

namespace simstore {

std::optional<INT32> read_update_state(std::string_view text) {
    constexpr std::string_view names[] = {"Pending",    "Downloading", "Deploying",       "Completed",
                                          "Canceled",   "OtherError",  "ErrorLowBattery", "ErrorWiFiRecommended",
                                          "ErrorWiFiRequired"};
    for (std::size_t i = 0; i < std::size(names); ++i)
        if (names[i] == text) return static_cast<INT32>(i);
    return read_int32(text);
}

std::optional<package_state> read_package_state(std::string_view text) {
    const auto parts = split(text, ':');
    if (parts.size() != 2) return std::nullopt;
    const auto family = read_text(parts[0]);
    const auto state = read_update_state(parts[1]);
    if (!family || !state) return std::nullopt;
    return package_state{*family, *state};
}

std::optional<progress_report> read_progress_report(std::string_view text) {
    const std::size_t at = text.rfind('@');
    if (at == std::string_view::npos) return std::nullopt;
    const auto after = read_milliseconds(text.substr(at + 1));
    const auto parts = split(text.substr(0, at), ':');
    if (!after || parts.size() != 6) return std::nullopt;
    progress_report report{{}, *after};
    package_update_status& status = report.status;
    if (!assign(read_text(parts[0]), status.family_name) || !assign(read_update_state(parts[1]), status.state) ||
        !assign(read_double(parts[2]), status.package_progress) ||
        !assign(read_double(parts[3]), status.total_progress) ||
        !assign(read_uint64(parts[4]), status.bytes_downloaded) || !assign(read_uint64(parts[5]), status.download_size))
        return std::nullopt;
    return report;
}

std::optional<milliseconds> read_update_crash(std::string_view text) {
    if (!text.starts_with("worker@")) return std::nullopt;
    return read_milliseconds(text.substr(7));
}

} // namespace simstore
