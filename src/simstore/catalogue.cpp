#include "catalogue.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <string_view>

namespace simstore {
namespace {

// `prefix` and the number, zero-padded to `width` digits, and `suffix`; ASCII.
wide_string numbered(std::string_view prefix, std::size_t number, int width = 0, std::string_view suffix = {}) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    const auto count = static_cast<int>(end - digits);
    const auto zeros = static_cast<std::size_t>(count < width ? width - count : 0);
    // Sized once: generated texts are made up on every read.
    wide_string text(prefix.size() + zeros + static_cast<std::size_t>(count) + suffix.size(), WCHAR{'0'});
    auto out = std::copy(prefix.begin(), prefix.end(), text.begin()) + static_cast<std::ptrdiff_t>(zeros);
    out = std::copy(digits, end, out);
    std::copy(suffix.begin(), suffix.end(), out);
    return text;
}

constexpr std::int64_t ticks_per_day = 864'000'000'000;
// 2027-01-01 00:00:00 UTC.
constexpr std::int64_t new_year_2027 = 134'432'352'000'000'000;

} // namespace

std::size_t add_on_count(const scenario& settings) { return settings.add_ons.size() + settings.generated.add_ons; }

// Generated add-ons: 9Q0000000001/0010 on, in reverse order, each expiring a day later than the one before.
add_on_settings add_on_at(const scenario& settings, std::size_t index) {
    if (index < settings.add_ons.size()) return settings.add_ons[index];
    const std::size_t number = settings.generated.add_ons - (index - settings.add_ons.size());
    add_on_settings add_on;
    add_on.sku = numbered("9Q", number, 10, "/0010");
    add_on.expires = new_year_2027 + static_cast<std::int64_t>(number) * ticks_per_day;
    add_on.offer_token = numbered("token-", number);
    return add_on;
}

std::size_t product_count(const scenario& settings) { return settings.products.size() + settings.generated.products; }

// Generated products: 9P0000000001 on, in reverse order; the kinds take turns,
// every second one is on sale and every third one in the user's collection.
catalogue_product::catalogue_product(const scenario& settings, std::size_t index)
    : settings_(&settings), declared_(index < settings.products.size() ? &settings.products[index] : nullptr) {
    if (!declared_) number_ = settings.generated.products - (index - settings.products.size());
}

catalogue_product::catalogue_product(const scenario& settings, const product_settings& declared)
    : settings_(&settings), declared_(&declared) {}

wide_string catalogue_product::store_id() const { return declared_ ? declared_->store_id : numbered("9P", number_, 10); }

wide_string catalogue_product::kind() const {
    static constexpr const WCHAR* kinds[] = {WIDE("Durable"), WIDE("Consumable"), WIDE("UnmanagedConsumable")};
    return declared_ ? declared_->kind : kinds[number_ % 3];
}

wide_string catalogue_product::title() const {
    return declared_ ? declared_->title : numbered("Generated product ", number_);
}

const wide_string* catalogue_product::description() const {
    const auto& shared = declared_ ? declared_->description : settings_->generated.description;
    return shared.get();
}

std::optional<price_settings> catalogue_product::price() const {
    if (declared_) return declared_->price;
    price_settings price;
    price.formatted = WIDE("$1.99");
    price.base = WIDE("$2.99");
    price.currency = WIDE("USD");
    price.on_sale = number_ % 2 == 0;
    price.sale_ends = new_year_2027 + static_cast<std::int64_t>(number_) * ticks_per_day;
    return price;
}

bool catalogue_product::in_collection() const { return declared_ ? declared_->in_collection : number_ % 3 == 0; }

wide_string catalogue_product::offer_token() const {
    return declared_ ? declared_->offer_token : numbered("token-", number_);
}

// A generated product's SKUs: /0010 a plain one; for two products in three /0020
// too, a monthly subscription, with a week's trial for every second product;
// for one in three /0030 too, a yearly subscription the user holds.
std::optional<std::vector<sku_settings>> catalogue_product::skus() const {
    std::vector<sku_settings> skus;
    if (declared_) {
        if (declared_->skus_null) return std::nullopt;
        for (const sku_settings& sku : settings_->skus)
            if (sku_product_id(sku.store_id) == declared_->store_id) skus.push_back(sku);
        return skus;
    }
    const wide_string id = store_id();
    sku_settings plain;
    plain.store_id = id + WIDE("/0010");
    plain.title = numbered("Generated product ", number_);
    plain.price = price();
    skus.push_back(plain);
    if (number_ % 3 == 0) return skus;
    sku_settings monthly = plain;
    monthly.store_id = id + WIDE("/0020");
    monthly.title += WIDE(", monthly");
    monthly.price->recurrence = WIDE("$0.99/month");
    monthly.subscription = true;
    monthly.subscription_info = subscription_settings{{1, 4}, std::nullopt}; // a month
    if (number_ % 2 == 0) monthly.subscription_info->trial = store_duration{1, 3}; // a week
    skus.push_back(monthly);
    if (number_ % 3 == 1) return skus;
    sku_settings yearly = plain;
    yearly.store_id = id + WIDE("/0030");
    yearly.title += WIDE(", yearly");
    yearly.price->recurrence = WIDE("$9.99/year");
    yearly.in_collection = true;
    yearly.subscription = true;
    yearly.subscription_info = subscription_settings{{1, 5}, std::nullopt}; // a year
    const std::int64_t acquired = new_year_2027 + static_cast<std::int64_t>(number_) * ticks_per_day;
    yearly.collection = collection_settings{false, acquired, acquired, acquired + 365 * ticks_per_day, 0};
    skus.push_back(yearly);
    return skus;
}

wide_view sku_product_id(wide_view sku_store_id) { return sku_store_id.substr(0, sku_store_id.find(WCHAR{'/'})); }

wide_string generated_description(std::size_t length) {
    // Prose with a paragraph's worth of escapes, ending with a lone high
    // surrogate, as a broken platform string might.
    wide_string pattern = WIDE("Unlocks the gold level: twelve new maps, the original soundtrack and the caf\u00e9 "
                               "scene (\u20ac 1,99 in the euro zone, \u65e5\u672c\u8a9e included) for every "
                               "player on this device, offline too. ");
    pattern += WIDE("Say \"gold\" at C:\\Store\r\n\tthen\b\f\x01 done\n");
    pattern += static_cast<WCHAR>(0xD800);
    wide_string text;
    text.reserve(length);
    while (text.size() < length) text += wide_view(pattern).substr(0, length - text.size());
    return text;
}

} // namespace simstore
