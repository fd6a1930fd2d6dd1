// The SKUs of a product: each with its price, its subscription terms and what
// the user's collection says of it.
#pragma once

#include "catalogue.h"
#include "simulation.h"
#include "../abi/store_query_abi.h"

#include <vector>

namespace simstore {

// A fresh view of fresh SKU objects, in the order given.
HRESULT create_sku_view(const shared_simulation& simulation, const std::vector<catalogue_sku>& skus,
                        winabi::IVectorView<winabi::IStoreSku*>** view);

} // namespace simstore
