// The Store's catalogue as the scenario describes it: the declared add-on
// licences and products first, then the generated ones, made up on demand.
#pragma once

#include "scenario.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace simstore {

// A text of the catalogue: a declared one viewed where the scenario holds it,
// a generated one held in place, so that making one up on every read takes no
// heap. The view lasts as long as the text and the scenario.
class catalogue_text {
public:
    catalogue_text(wide_view declared) noexcept : declared_(declared) {}
    // ASCII: `prefix`, the number zero-padded to `width` digits, and `suffix`;
    // the catalogue's longest, a title with its SKU's suffix, is under 50 units.
    catalogue_text(std::string_view prefix, std::size_t number, int width = 0, std::string_view suffix = {});

    wide_view view() const noexcept { return made_ ? wide_view(units_.data(), size_) : declared_; }

private:
    wide_view declared_;
    bool made_ = false;
    std::size_t size_ = 0;
    std::array<WCHAR, 64> units_{};
};

std::size_t add_on_count(const scenario& settings);
add_on_settings add_on_at(const scenario& settings, std::size_t index);

std::size_t product_count(const scenario& settings);

// A price as the catalogue quotes it: a declared one read where it stands, a
// generated one made up as read. What it reads outlives it.
class catalogue_price {
public:
    explicit catalogue_price(const price_settings& declared) : declared_(&declared) {}
    // A generated product's, with the recurrence its SKU adds.
    catalogue_price(std::size_t number, wide_view recurrence) : number_(number), recurrence_(recurrence) {}

    wide_view formatted() const;
    wide_view base() const;
    wide_view currency() const;
    bool on_sale() const;
    std::int64_t sale_ends() const;
    wide_view recurrence() const;

private:
    const price_settings* declared_ = nullptr; // null: a generated one
    std::size_t number_ = 0;                   // of a generated product
    wide_view recurrence_;                     // of a generated one
};

// An SKU of the catalogue: a declared one read where it stands, a generated
// one's fields made up as read from its product's number and its own, so that
// handing out SKUs copies no strings. The scenario outlives it.
class catalogue_sku {
public:
    explicit catalogue_sku(const sku_settings& declared) : declared_(&declared) {}
    // The `sku`th (0 on) of generated product `number`.
    catalogue_sku(std::size_t number, std::size_t sku) : number_(number), sku_(sku) {}

    catalogue_text store_id() const;
    catalogue_text title() const;
    wide_view description() const;
    bool trial() const;
    std::optional<catalogue_price> price() const;
    bool in_collection() const;
    bool subscription() const;
    std::optional<subscription_settings> subscription_info() const;
    std::optional<collection_settings> collection() const;

private:
    const sku_settings* declared_ = nullptr; // null: a generated one
    std::size_t number_ = 0;                 // of a generated one's product
    std::size_t sku_ = 0;                    // of a generated one
};

// A product of the catalogue by its place: a declared one is read where it
// stands, a generated one's fields are made up as they are read, so that a
// large catalogue held by the Store costs little more than its count. The
// scenario outlives it.
class catalogue_product {
public:
    catalogue_product(const scenario& settings, std::size_t index);
    catalogue_product(const scenario& settings, const product_settings& declared);

    catalogue_text store_id() const;
    catalogue_text kind() const;
    catalogue_text title() const;
    const wide_string* description() const; // null: none
    std::optional<catalogue_price> price() const;
    bool in_collection() const;
    catalogue_text offer_token() const;
    // A declared product's are the scenario's SKUs that name it, in their order; none: a null vector.
    std::optional<std::vector<catalogue_sku>> skus() const;

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
