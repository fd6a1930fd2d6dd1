#include "flows.h"

#include "store_query.h"

namespace {

using customer_id_call = com_ptr<winabi::IStringOperation> (*)(winabi::IStoreContext*, const customer_id_request&);

// The ticket and the user ID are never written anywhere.
result_line run_customer_id_query(const customer_id_request& request, customer_id_call call) {
    return run_store_query([&](winabi::IStoreContext* context) { return call(context, request); },
                           [](HSTRING id) { return customer_id_line(view_of(id)); });
}

} // namespace

result_line run_purchase_id_flow(const customer_id_request& request) {
    return run_customer_id_query(request, request_customer_purchase_id);
}

result_line run_collections_id_flow(const customer_id_request& request) {
    return run_customer_id_query(request, request_customer_collections_id);
}
