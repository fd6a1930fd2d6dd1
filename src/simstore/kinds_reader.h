// How the simulated Store reads the product kinds a query receives: through
// the IIterable<HSTRING> the bridge passes and the iterator it gives, as the
// platform does, freeing every string it is handed.
#pragma once

#include "../abi/store_query_abi.h"

#include <vector>

namespace simstore {

struct received_kinds {
    std::vector<wide_string> words;
    bool agile = false; // the object answers IAgileObject
};

// E_INVALIDARG when `kinds` is null or not the object's IIterable<HSTRING>
// interface itself; any failure of the object's own calls as it came.
HRESULT read_kinds(winabi::IIterable<HSTRING>* kinds, received_kinds& received);

} // namespace simstore
