#include "flows.h"

#include "product_kinds.h"
#include "store_query.h"
#include "../calls/store_queries.h"
#include "../calls/string_iterable.h"

#include <optional>

namespace {

using product_request = com_ptr<winabi::IProductQueryOperation> (*)(winabi::IStoreContext*,
                                                                     winabi::IIterable<HSTRING>*);

// The kinds are checked before anything reaches the Store: an empty word is a usage error.
result_line run_product_query(std::span<const wide_string> arguments, product_request request) {
    std::optional<std::vector<wide_string>> kinds =
        arguments.empty() ? std::optional(default_product_kinds()) : parse_product_kinds(arguments[0]);
    if (!kinds) return usage_line();
    return run_store_query(
        [&](winabi::IStoreContext* context) {
            const com_ptr<winabi::IIterable<HSTRING>> iterable = make_string_iterable(std::move(*kinds));
            return request(context, iterable.get());
        },
        [](winabi::IStoreProductQueryResult* result) { return read_products(result); });
}

} // namespace

result_line run_license_flow(std::span<const wide_string>) {
    return run_store_query([](winabi::IStoreContext* context) { return request_app_license(context); },
                           [](winabi::IStoreAppLicense* license) { return read_app_license(license); });
}

result_line run_products_flow(std::span<const wide_string> arguments) {
    return run_product_query(arguments, request_associated_products);
}

result_line run_collection_flow(std::span<const wide_string> arguments) {
    return run_product_query(arguments, request_user_collection);
}

result_line run_app_flow(std::span<const wide_string>) {
    return run_store_query([](winabi::IStoreContext* context) { return request_app_product(context); },
                           [](winabi::IStoreProductResult* result) { return read_app_product(result); });
}
