// What the update call does, from the scenario and the updates it received:
// its operation, with the progress reports it delivers, and what its result says.
#pragma once

#include "operation.h"

#include <vector>

namespace simstore {

struct update_plan {
    operation_plan operation;
    INT32 overall_state;
    std::vector<package_update_status> statuses; // one per update received, in that order
};

// `families`: the family names of the updates received, in order.
update_plan plan_update(const scenario& settings, const std::vector<wide_string>& families);

} // namespace simstore
