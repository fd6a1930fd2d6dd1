// The price of a product or of an SKU, as the Store quotes it to this user.
#pragma once

#include "catalogue.h"
#include "simulation.h"
#include "../abi/store_query_abi.h"

namespace simstore {

HRESULT create_price(const shared_simulation& simulation, const catalogue_price& quoted, winabi::IStorePrice** price);

} // namespace simstore
