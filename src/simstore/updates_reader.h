// How the simulated Store reads the updates an update call receives: through
// the IIterable<IStorePackageUpdate*> the bridge passes and its iterator, each
// update's family name through its package and that package's identity.
#pragma once

#include "../abi/update_abi.h"

#include <vector>

namespace simstore {

// E_INVALIDARG when `updates` is null or hands out a null object; any failure
// of the objects' own calls as it came. `families` keeps what was read before.
HRESULT read_update_families(winabi::IIterable<winabi::IStorePackageUpdate*>* updates,
                             std::vector<wide_string>& families);

} // namespace simstore
