#include "flows.h"

#include "customer_id_input.h"
#include "store_query.h"

namespace {

using customer_id_call = com_ptr<winabi::IStringOperation> (*)(winabi::IStoreContext*, const customer_id_request&);

// Nothing reaches the Store unless the input is exactly the object asked for.
// The ticket and the user ID are never written anywhere.
result_line run_customer_id_query(std::string_view standard_input, customer_id_call call) {
    const std::optional<customer_id_request> request = parse_customer_id_request(standard_input);
    if (!request) return usage_line();
    return run_store_query([&](winabi::IStoreContext* context) { return call(context, *request); },
                           [](HSTRING id) { return customer_id_line(view_of(id)); });
}

} // namespace

result_line run_purchase_id_flow(std::string_view standard_input) {
    return run_customer_id_query(standard_input, request_customer_purchase_id);
}

result_line run_collections_id_flow(std::string_view standard_input) {
    return run_customer_id_query(standard_input, request_customer_collections_id);
}
