// The price of a product or of an SKU, as the Store quotes it to this user.
#pragma once

#include "simulation.h"
#include "../abi/store_query_abi.h"

namespace simstore {

HRESULT create_price(const shared_simulation& simulation, price_settings settings, winabi::IStorePrice** price);

} // namespace simstore
