// The default Store context that GetDefault gives.
#pragma once

#include "simulation.h"
#include "../abi/store_abi.h"

namespace simstore {

HRESULT create_context(const shared_simulation& simulation, winabi::IStoreContext** context);

} // namespace simstore
