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

// The licence line: the licence and its add-on licences, each add-on written
// into the line once it is read; a null add-on map is no add-ons.
result_line read_app_license(winabi::IStoreAppLicense* license);

// The product list line, each product written into the line once it is read.
// A failing ExtendedError is raised before the products are read, as its
// failure; a null product map is no products, a null price no price.
result_line read_products(winabi::IStoreProductQueryResult* result);
