#include "update_plan.h"

#include <algorithm>

namespace simstore {
namespace {

constexpr INT32 downloading = 1;

// Without progress items, one report per package halfway to the end, so that a host's progress bar moves.
std::vector<progress_report> default_reports(const std::vector<wide_string>& families, milliseconds after) {
    std::vector<progress_report> reports;
    const double count = static_cast<double>(families.size());
    for (std::size_t i = 0; i < families.size(); ++i)
        reports.push_back({{families[i], downloading, 0.5, (static_cast<double>(i) + 0.5) / count, 0, 0}, after / 2});
    return reports;
}

INT32 state_of(const scenario& settings, const wide_string& family) {
    INT32 state = settings.update_state;
    for (const package_state& given : settings.package_states)
        if (given.family_name == family) state = given.state;
    return state;
}

// The package's figures as its last report gave them; none: all 0.
package_update_status status_of(const scenario& settings, const std::vector<progress_report>& reports,
                                const wide_string& family) {
    package_update_status status{family, state_of(settings, family)};
    for (const progress_report& report : reports) {
        if (report.status.family_name != family) continue;
        status = report.status;
        status.state = state_of(settings, family);
    }
    return status;
}

} // namespace

update_plan plan_update(const scenario& settings, const std::vector<wide_string>& families) {
    const completion completes = settings.update_completes.value_or(settings.completes);
    const milliseconds after = settings.update_completes ? settings.update_after : settings.after;
    std::vector<progress_report> given = settings.progress;
    std::stable_sort(given.begin(), given.end(),
                     [](const progress_report& a, const progress_report& b) { return a.after_request < b.after_request; });
    const std::vector<progress_report> defaults = default_reports(families, after);
    const std::vector<progress_report>& reports = given.empty() ? defaults : given;

    operation_plan operation{completes, after, 0, settings.update_results, settings.update_results_null,
                             settings.crash, settings.update_crash, {}, std::nullopt};
    // Default reports only on the way to an end that comes after a delay.
    if (!given.empty() || completes == completion::after_delay) operation.progress = reports;
    if (settings.late_progress && completes != completion::never && !reports.empty()) {
        const milliseconds end = completes == completion::after_delay ? after : milliseconds{0};
        operation.late_progress = progress_report{reports.back().status, end + *settings.late_progress};
    }

    update_plan plan{std::move(operation), settings.update_state, {}};
    for (const wide_string& family : families) plan.statuses.push_back(status_of(settings, given, family));
    return plan;
}

} // namespace simstore
