// Readers of the scenario items that describe the Store's catalogue: an add-on
// licence, a product, an SKU, a package update, a failing field. Each gives nothing for text that is not
// exactly such an item.
#pragma once

#include "scenario.h"

#include <string_view>
#include <utility>

namespace simstore {

// SKU[,active=BOOL][,expires=TICKS][,token=TEXT][,key=TEXT]
std::optional<add_on_settings> read_add_on(std::string_view text);

// ID[,kind=TEXT][,title=TEXT][,description=TEXT][,price=TEXT][,base-price=TEXT][,currency=TEXT]
// [,on-sale=BOOL][,sale-ends=TICKS][,recurrence-price=TEXT][,pricing=none][,in-collection=BOOL][,token=TEXT]
// [,skus=null]; of the given kind unless kind= names one
std::optional<product_settings> read_product(std::string_view text, wide_view kind);

// SKU_STORE_ID[,title=TEXT][,description=TEXT][,trial=BOOL], the price's attributes as for a product,
// [,in-collection=BOOL][,subscription=BOOL][,billing=PERIOD:UNIT][,trial-period=PERIOD:UNIT], and the
// collection data's [,collection-trial=BOOL][,acquired=TICKS][,start=TICKS][,end=TICKS][,trial-left=TICKS];
// a trial period only with billing
std::optional<sku_settings> read_sku(std::string_view text);

// FAMILY[,version=A.B.C.D][,mandatory=BOOL], the family not empty
std::optional<package_update_settings> read_package_update(std::string_view text);

// Object.Field:HRESULT, e.g. Product.Title:E_FAIL
std::optional<std::pair<store_field, HRESULT>> read_field_failure(std::string_view text);

// TICKS, or "never" (9999-12-31)
std::optional<std::int64_t> read_date(std::string_view text);

} // namespace simstore
