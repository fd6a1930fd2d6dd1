// The results that hold products: a product query's, the products of the
// catalogue whose kind the bridge asked for (for the user's collection only
// those the user owns), and the app's own product.
#pragma once

#include "simulation.h"
#include "../abi/store_query_abi.h"

#include <vector>

namespace simstore {

struct product_query {
    std::vector<wide_string> kinds; // as the bridge handed them over
    bool collection = false;        // the user's collection, not everything on offer
};

// A fresh query result, a result like those of the purchase and the review.
HRESULT create_product_query_result(const shared_simulation& simulation, const product_query& query,
                                    winabi::IStoreProductQueryResult** result);

// A fresh result with the scenario's app product, a result like the others.
HRESULT create_app_product_result(const shared_simulation& simulation, winabi::IStoreProductResult** result);

} // namespace simstore
