// The Store's catalogue as the scenario describes it: the declared add-on
// licences and products first, then the generated ones, made up on demand.
#pragma once

#include "scenario.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace simstore {

std::size_t add_on_count(const scenario& settings);
add_on_settings add_on_at(const scenario& settings, std::size_t index);

std::size_t product_count(const scenario& settings);

// A product of the catalogue by its place: a declared one is read where it
// stands, a generated one's fields are made up as they are read, so that a
// large catalogue held by the Store costs little more than its count. The
// scenario outlives it.
class catalogue_product {
public:
    catalogue_product(const scenario& settings, std::size_t index);
    catalogue_product(const scenario& settings, const product_settings& declared);

    wide_string store_id() const;
    wide_string kind() const;
    wide_string title() const;
    const wide_string* description() const; // null: none
    std::optional<price_settings> price() const;
    bool in_collection() const;
    wide_string offer_token() const;
    // A declared product's are the scenario's SKUs that name it, in their order; none: a null vector.
    std::optional<std::vector<sku_settings>> skus() const;

private:
    const scenario* settings_;
    const product_settings* declared_; // null: a generated one
    std::size_t number_ = 0;            // of a generated one
};

// The Store ID of the product an SKU belongs to: its own up to the first '/'.
wide_view sku_product_id(wide_view sku_store_id);

// The description every generated product shares: `length` UTF-16 units with
// line breaks, quotes, a backslash, control characters, letters from beyond
// ASCII and an unpaired surrogate.
wide_string generated_description(std::size_t length);

} // namespace simstore
