// The app's licence that GetAppLicenseAsync gives, with its add-on licences.
#pragma once

#include "simulation.h"
#include "../abi/store_query_abi.h"

namespace simstore {

// A fresh licence object, a result like those of the purchase and the review.
HRESULT create_app_license(const shared_simulation& simulation, winabi::IStoreAppLicense** license);

} // namespace simstore
