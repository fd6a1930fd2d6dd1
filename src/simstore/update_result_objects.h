// The result of the update call: its overall state and each package's status,
// in a view of structures that also offers its IIterable, as the platform's does.
#pragma once

#include "simulation.h"
#include "../abi/update_abi.h"

#include <memory>
#include <vector>

namespace simstore {

// The structure with a new string of its own: the receiver frees it, or the
// Store after a call that only lends it.
HRESULT copy_status(const package_update_status& status, winabi::StorePackageUpdateStatus* out);

// A fresh result, a result like those of the purchase and the review.
HRESULT create_update_result(const shared_simulation& simulation, INT32 overall_state,
                             std::shared_ptr<const std::vector<package_update_status>> statuses,
                             winabi::IStorePackageUpdateResult** result);

} // namespace simstore
