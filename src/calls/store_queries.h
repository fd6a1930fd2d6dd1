// The Store's query calls: starting each query, and reading every field of its
// result. Every failing call raises its platform failure at once.
#pragma once

#include "../abi/store_query_abi.h"
#include "../output/query_lines.h"
#include "../platform/com_ptr.h"

// Null when the Store accepts the request but hands back no operation.
com_ptr<winabi::ILicenseOperation> request_app_license(winabi::IStoreContext* context);
com_ptr<winabi::IProductQueryOperation> request_associated_products(winabi::IStoreContext* context,
                                                                    winabi::IIterable<HSTRING>* kinds);
com_ptr<winabi::IProductQueryOperation> request_user_collection(winabi::IStoreContext* context,
                                                                winabi::IIterable<HSTRING>* kinds);

com_ptr<winabi::IProductOperation> request_app_product(winabi::IStoreContext* context);

// What the developer's service hands the app to ask for a customer ID: its
// Entra ID access token, and the user ID it wants embedded in the key.
struct customer_id_request {
    wide_string service_ticket;
    wide_string publisher_user_id;
};
com_ptr<winabi::IStringOperation> request_customer_purchase_id(winabi::IStoreContext* context,
                                                               const customer_id_request& request);
com_ptr<winabi::IStringOperation> request_customer_collections_id(winabi::IStoreContext* context,
                                                                  const customer_id_request& request);

// The licence line: the licence and its add-on licences, each add-on written
// into the line once it is read; a null add-on map is no add-ons.
result_line read_app_license(winabi::IStoreAppLicense* license);

// The product list line, each product written into the line once it is read.
// A failing ExtendedError is raised before the products are read, as its
// failure; a null product map is no products, a null price no price.
result_line read_products(winabi::IStoreProductQueryResult* result);

// The app's own product line; a failing ExtendedError is raised first, as its
// failure; a null product is "product":null.
result_line read_app_product(winabi::IStoreProductResult* result);
