#include "catalogue.h"

#include <cstdio>

namespace simstore {
namespace {

// Numbers widened to UTF-16; the IDs are ASCII.
wide_string numbered(const char* format, std::size_t number) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, format, static_cast<unsigned long long>(number));
    return wide_string(text, text + (length > 0 ? length : 0));
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
    add_on.sku = numbered("9Q%010llu/0010", number);
    add_on.expires = new_year_2027 + static_cast<std::int64_t>(number) * ticks_per_day;
    add_on.offer_token = numbered("token-%llu", number);
    return add_on;
}

std::size_t product_count(const scenario& settings) { return settings.products.size() + settings.generated.products; }

// Generated products: 9P0000000001 on, in reverse order; the kinds take turns,
// every second one is on sale and every third one in the user's collection.
product_settings product_at(const scenario& settings, std::size_t index) {
    if (index < settings.products.size()) return settings.products[index];
    const std::size_t number = settings.generated.products - (index - settings.products.size());
    static constexpr const WCHAR* kinds[] = {WIDE("Durable"), WIDE("Consumable"), WIDE("UnmanagedConsumable")};
    product_settings product;
    product.store_id = numbered("9P%010llu", number);
    product.kind = kinds[number % 3];
    product.title = numbered("Generated product %llu", number);
    product.description = settings.generated.description;
    product.price->formatted = WIDE("$1.99");
    product.price->base = WIDE("$2.99");
    product.price->currency = WIDE("USD");
    product.price->on_sale = number % 2 == 0;
    product.price->sale_ends = new_year_2027 + static_cast<std::int64_t>(number) * ticks_per_day;
    product.in_collection = number % 3 == 0;
    product.offer_token = numbered("token-%llu", number);
    return product;
}

wide_string generated_description(std::size_t length) {
    // Ends with a lone high surrogate, as a broken platform string might.
    wide_string pattern = WIDE("Line \"one\" of C:\\Store\r\n\tCaf\u00e9 \u20ac \u65e5\u672c\b\f\x01\n");
    pattern += static_cast<WCHAR>(0xD800);
    wide_string text;
    text.reserve(length);
    while (text.size() < length) text += wide_view(pattern).substr(0, length - text.size());
    return text;
}

} // namespace simstore
