// The result of a product query: the products of the catalogue whose kind the
// bridge asked for, and for the user's collection only those the user owns.
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

} // namespace simstore
