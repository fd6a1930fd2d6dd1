#include "catalogue.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <string_view>

namespace simstore {

catalogue_text::catalogue_text(std::string_view prefix, std::size_t number, int width, std::string_view suffix)
    : made_(true) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    const auto count = static_cast<int>(end - digits);
    const auto zeros = static_cast<std::size_t>(count < width ? width - count : 0);
    size_ = prefix.size() + zeros + static_cast<std::size_t>(count) + suffix.size();
    auto out = std::copy(prefix.begin(), prefix.end(), units_.begin());
    out = std::fill_n(out, zeros, WCHAR{'0'});
    out = std::copy(digits, end, out);
    std::copy(suffix.begin(), suffix.end(), out);
}

namespace {

constexpr std::int64_t ticks_per_day = 864'000'000'000;
// 2027-01-01 00:00:00 UTC.
constexpr std::int64_t new_year_2027 = 134'432'352'000'000'000;

// What sets the generated SKUs apart, by their place in their product.
struct generated_sku {
    std::string_view store_id_suffix;
    std::string_view title_suffix;
    const WCHAR* recurrence;
    bool subscription;
};
constexpr generated_sku generated_skus[] = {
    {"/0010", "", WIDE(""), false},
    {"/0020", ", monthly", WIDE("$0.99/month"), true},
    {"/0030", ", yearly", WIDE("$9.99/year"), true},
};

} // namespace

std::size_t add_on_count(const scenario& settings) { return settings.add_ons.size() + settings.generated.add_ons; }

// Generated add-ons: 9Q0000000001/0010 on, in reverse order, each expiring a day later than the one before.
add_on_settings add_on_at(const scenario& settings, std::size_t index) {
    if (index < settings.add_ons.size()) return settings.add_ons[index];
    const std::size_t number = settings.generated.add_ons - (index - settings.add_ons.size());
    add_on_settings add_on;
    add_on.sku = catalogue_text("9Q", number, 10, "/0010").view();
    add_on.expires = new_year_2027 + static_cast<std::int64_t>(number) * ticks_per_day;
    add_on.offer_token = catalogue_text("token-", number).view();
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

catalogue_text catalogue_product::store_id() const {
    return declared_ ? catalogue_text(declared_->store_id) : catalogue_text("9P", number_, 10);
}

catalogue_text catalogue_product::kind() const {
    static constexpr const WCHAR* kinds[] = {WIDE("Durable"), WIDE("Consumable"), WIDE("UnmanagedConsumable")};
    return declared_ ? wide_view(declared_->kind) : wide_view(kinds[number_ % 3]);
}

catalogue_text catalogue_product::title() const {
    return declared_ ? catalogue_text(declared_->title) : catalogue_text("Generated product ", number_);
}

const wide_string* catalogue_product::description() const {
    const auto& shared = declared_ ? declared_->description : settings_->generated.description;
    return shared.get();
}

std::optional<catalogue_price> catalogue_product::price() const {
    if (declared_) return declared_->price ? std::optional(catalogue_price(*declared_->price)) : std::nullopt;
    return catalogue_price(number_, {});
}

bool catalogue_product::in_collection() const { return declared_ ? declared_->in_collection : number_ % 3 == 0; }

catalogue_text catalogue_product::offer_token() const {
    return declared_ ? catalogue_text(declared_->offer_token) : catalogue_text("token-", number_);
}

// A generated product's SKUs: /0010 a plain one; for two products in three /0020
// too, a monthly subscription, with a week's trial for every second product;
// for one in three /0030 too, a yearly subscription the user holds.
std::optional<std::vector<catalogue_sku>> catalogue_product::skus() const {
    std::vector<catalogue_sku> skus;
    if (declared_) {
        if (declared_->skus_null) return std::nullopt;
        for (const sku_settings& sku : settings_->skus)
            if (sku_product_id(sku.store_id) == declared_->store_id) skus.emplace_back(sku);
        return skus;
    }
    const std::size_t count = number_ % 3 + 1;
    skus.reserve(count);
    for (std::size_t sku = 0; sku < count; ++sku) skus.emplace_back(number_, sku);
    return skus;
}

// The generated ones are priced as their product, plus what a subscription recurs at.
wide_view catalogue_price::formatted() const { return declared_ ? wide_view(declared_->formatted) : WIDE("$1.99"); }
wide_view catalogue_price::base() const { return declared_ ? wide_view(declared_->base) : WIDE("$2.99"); }
wide_view catalogue_price::currency() const { return declared_ ? wide_view(declared_->currency) : WIDE("USD"); }
bool catalogue_price::on_sale() const { return declared_ ? declared_->on_sale : number_ % 2 == 0; }
std::int64_t catalogue_price::sale_ends() const {
    return declared_ ? declared_->sale_ends : new_year_2027 + static_cast<std::int64_t>(number_) * ticks_per_day;
}
wide_view catalogue_price::recurrence() const { return declared_ ? wide_view(declared_->recurrence) : recurrence_; }

catalogue_text catalogue_sku::store_id() const {
    return declared_ ? catalogue_text(declared_->store_id)
                     : catalogue_text("9P", number_, 10, generated_skus[sku_].store_id_suffix);
}

catalogue_text catalogue_sku::title() const {
    return declared_ ? catalogue_text(declared_->title)
                     : catalogue_text("Generated product ", number_, 0, generated_skus[sku_].title_suffix);
}

wide_view catalogue_sku::description() const { return declared_ ? wide_view(declared_->description) : wide_view(); }

bool catalogue_sku::trial() const { return declared_ && declared_->trial; }

std::optional<catalogue_price> catalogue_sku::price() const {
    if (declared_) return declared_->price ? std::optional(catalogue_price(*declared_->price)) : std::nullopt;
    return catalogue_price(number_, generated_skus[sku_].recurrence);
}

// Only the yearly one is in the user's collection.
bool catalogue_sku::in_collection() const { return declared_ ? declared_->in_collection : sku_ == 2; }

bool catalogue_sku::subscription() const {
    return declared_ ? declared_->subscription : generated_skus[sku_].subscription;
}

// Monthly, with a week's trial for every second product; yearly.
std::optional<subscription_settings> catalogue_sku::subscription_info() const {
    if (declared_) return declared_->subscription_info;
    if (sku_ == 1) {
        subscription_settings monthly{{1, 4}, std::nullopt};
        if (number_ % 2 == 0) monthly.trial = store_duration{1, 3};
        return monthly;
    }
    if (sku_ == 2) return subscription_settings{{1, 5}, std::nullopt};
    return std::nullopt;
}

// The yearly one, acquired the day its product's sale ends, for a year.
std::optional<collection_settings> catalogue_sku::collection() const {
    if (declared_) return declared_->collection;
    if (sku_ != 2) return std::nullopt;
    const std::int64_t acquired = new_year_2027 + static_cast<std::int64_t>(number_) * ticks_per_day;
    return collection_settings{false, acquired, acquired, acquired + 365 * ticks_per_day, 0};
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
