#include "catalogue_items.h"
#include "scenario_values.h"
#include "store_fields.h"

#include <array>
#include <memory>

namespace simstore {
namespace {

// FIRST[,name=value...]: the first part is percent-encoded text, each further
// part one attribute that `apply(name, value)` takes or refuses.
template <class Apply>
std::optional<wide_string> read_attributes(std::string_view text, Apply apply) {
    const auto parts = split(text, ',');
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::size_t equals = parts[i].find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        if (!apply(parts[i].substr(0, equals), parts[i].substr(equals + 1))) return std::nullopt;
    }
    return read_text(parts[0]);
}

// A.B.C.D, each part 0 to 65535.
std::optional<std::array<UINT16, 4>> read_version(std::string_view text) {
    const auto parts = split(text, '.');
    if (parts.size() != 4) return std::nullopt;
    std::array<UINT16, 4> version{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto part = read_int32(parts[i]);
        if (!part || *part < 0 || *part > 0xFFFF || parts[i].starts_with('-')) return std::nullopt;
        version[i] = static_cast<UINT16>(*part);
    }
    return version;
}

// One of the price's attributes, shared by products and SKUs: none when `name`
// is none of them, else whether its value was read. pricing=none: no price object.
std::optional<bool> read_price_attribute(std::string_view name, std::string_view value, price_settings& price,
                                         bool& priced) {
    if (name == "price") return assign(read_text(value), price.formatted);
    if (name == "base-price") return assign(read_text(value), price.base);
    if (name == "currency") return assign(read_text(value), price.currency);
    if (name == "on-sale") return assign(read_bool(value), price.on_sale);
    if (name == "sale-ends") return assign(read_date(value), price.sale_ends);
    if (name == "recurrence-price") return assign(read_text(value), price.recurrence);
    if (name != "pricing") return std::nullopt;
    priced = value != "none";
    return !priced;
}

// PERIOD:UNIT, the period 0 to 4294967295, the unit a StoreDurationUnit's name in
// lower case or any 32-bit integer.
std::optional<store_duration> read_duration(std::string_view text) {
    const auto parts = split(text, ':');
    if (parts.size() != 2) return std::nullopt;
    const auto period = read_uint64(parts[0]);
    if (!period || *period > 0xFFFFFFFF) return std::nullopt;
    constexpr std::string_view units[] = {"minute", "hour", "day", "week", "month", "year"};
    std::optional<INT32> unit;
    for (std::size_t i = 0; i < std::size(units); ++i)
        if (units[i] == parts[1]) unit = static_cast<INT32>(i);
    if (!unit) unit = read_int32(parts[1]);
    if (!unit) return std::nullopt;
    return store_duration{static_cast<UINT32>(*period), *unit};
}

} // namespace

std::optional<std::int64_t> read_date(std::string_view text) {
    if (text == "never") return never_expires;
    return read_int64(text);
}

std::optional<add_on_settings> read_add_on(std::string_view text) {
    add_on_settings add_on;
    const auto sku = read_attributes(text, [&](std::string_view name, std::string_view value) {
        if (name == "active") return assign(read_bool(value), add_on.active);
        if (name == "expires") return assign(read_date(value), add_on.expires);
        if (name == "token") return assign(read_text(value), add_on.offer_token);
        if (name == "key") return (add_on.key = read_text(value)).has_value();
        return false;
    });
    if (!sku) return std::nullopt;
    add_on.sku = *sku;
    return add_on;
}

std::optional<product_settings> read_product(std::string_view text, wide_view kind) {
    product_settings product;
    product.kind = wide_string(kind);
    price_settings price;
    bool priced = true;
    const auto id = read_attributes(text, [&](std::string_view name, std::string_view value) {
        if (const auto read = read_price_attribute(name, value, price, priced)) return *read;
        if (name == "kind") return assign(read_text(value), product.kind);
        if (name == "title") return assign(read_text(value), product.title);
        if (name == "description") {
            const auto description = read_text(value);
            if (description) product.description = std::make_shared<const wide_string>(*description);
            return description.has_value();
        }
        if (name == "in-collection") return assign(read_bool(value), product.in_collection);
        if (name == "token") return assign(read_text(value), product.offer_token);
        if (name == "skus" && value == "null") return product.skus_null = true;
        return false;
    });
    if (!id) return std::nullopt;
    product.store_id = *id;
    if (priced) product.price = price;
    else product.price.reset();
    return product;
}

std::optional<sku_settings> read_sku(std::string_view text) {
    sku_settings sku;
    price_settings price;
    bool priced = true;
    std::optional<bool> subscription;
    std::optional<store_duration> billing, trial_period;
    collection_settings collection;
    bool collected = false;
    const auto id = read_attributes(text, [&](std::string_view name, std::string_view value) {
        if (const auto read = read_price_attribute(name, value, price, priced)) return *read;
        if (name == "title") return assign(read_text(value), sku.title);
        if (name == "description") return assign(read_text(value), sku.description);
        if (name == "trial") return assign(read_bool(value), sku.trial);
        if (name == "in-collection") return assign(read_bool(value), sku.in_collection);
        if (name == "subscription") return (subscription = read_bool(value)).has_value();
        if (name == "billing") return (billing = read_duration(value)).has_value();
        if (name == "trial-period") return (trial_period = read_duration(value)).has_value();
        // What is left is the collection's fields, any one of which gives the SKU its collection data.
        collected = true;
        if (name == "collection-trial") return assign(read_bool(value), collection.trial);
        if (name == "acquired") return assign(read_date(value), collection.acquired);
        if (name == "start") return assign(read_date(value), collection.start);
        if (name == "end") return assign(read_date(value), collection.end);
        if (name == "trial-left") return assign(read_int64(value), collection.trial_left);
        return false;
    });
    // A trial period is part of the subscription terms, which only billing gives.
    if (!id || (trial_period && !billing)) return std::nullopt;
    sku.store_id = *id;
    if (priced) sku.price = price;
    else sku.price.reset();
    sku.subscription = subscription.value_or(billing.has_value());
    if (billing) sku.subscription_info = subscription_settings{*billing, trial_period};
    if (collected) sku.collection = collection;
    return sku;
}

std::optional<package_update_settings> read_package_update(std::string_view text) {
    package_update_settings update;
    const auto family_name = read_attributes(text, [&](std::string_view name, std::string_view value) {
        if (name == "version") return assign(read_version(value), update.version);
        if (name == "mandatory") return assign(read_bool(value), update.mandatory);
        return false;
    });
    if (!family_name || family_name->empty()) return std::nullopt;
    update.family_name = *family_name;
    return update;
}

std::optional<std::pair<store_field, HRESULT>> read_field_failure(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    const std::size_t dot = text.find('.');
    if (colon == std::string_view::npos || dot == std::string_view::npos || dot > colon) return std::nullopt;
    const std::string_view object = text.substr(0, dot);
    const std::string_view member = text.substr(dot + 1, colon - dot - 1);
    const auto code = read_hresult(text.substr(colon + 1));
    if (!code) return std::nullopt;
    for (const field_names& names : store_field_names)
        if (names.object == object && names.getter.substr(4) == member) return std::pair{names.field, *code};
    return std::nullopt;
}

} // namespace simstore
