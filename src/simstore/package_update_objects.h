// The updates the Store finds for the app's packages: a view of them in the
// scenario's order, each with its package and that package's identity.
#pragma once

#include "simulation.h"
#include "../abi/update_abi.h"

namespace simstore {

// A fresh view, a result like those of the purchase and the review.
HRESULT create_package_updates(const shared_simulation& simulation, winabi::IPackageUpdates** updates);

} // namespace simstore
