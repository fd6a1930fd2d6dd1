#include "query_lines.h"

#include "code_value.h"
#include "date_time_text.h"
#include "guid_text.h"

#include <initializer_list>
#include <iterator>

wide_view store_id_of_sku(wide_view sku) { return sku.substr(0, sku.find(WIDE('/'))); }

namespace {

// An entry's names, punctuation, flags and date, beside its texts, whose units
// each take six bytes at the most (\u00XX).
constexpr std::size_t entry_frame_bytes = 256;

std::size_t longest_entry(std::initializer_list<const unique_hstring*> texts) {
    std::size_t bytes = entry_frame_bytes;
    for (const unique_hstring* text : texts) bytes += 6 * view_of(*text).size();
    return bytes;
}

json_writer open_line(std::string_view status) {
    json_writer line(escape_rule::rfc8259);
    line.open_object().member("status").string(status);
    return line;
}

result_line finished(json_writer& line) { return {line.member("error").null().close_object().take(), 0}; }

json_writer& write_app_license(json_writer& line, const app_license_record& license) {
    return line.member("active").boolean(license.active)
        .member("trial").boolean(license.trial)
        .member("trialOwned").boolean(license.trial_owned)
        .member("trialSecondsLeft").integer(license.trial ? whole_seconds_of_ticks(license.trial_left) : 0)
        .member("expires").date(license.expires)
        .member("sku").string(view_of(license.sku))
        .member("trialId").string(view_of(license.trial_id));
}

const char* unit_word(INT32 unit) {
    static constexpr const char* words[] = {"minute", "hour", "day", "week", "month", "year"};
    return unit >= 0 && unit < static_cast<INT32>(std::size(words)) ? words[unit] : "unknown";
}

std::size_t longest_price(const price_record& price) {
    return longest_entry({&price.price, &price.base_price, &price.currency, &price.recurrence_price}) -
           entry_frame_bytes;
}

std::size_t longest_product(const product_record& product) {
    std::size_t bytes = longest_entry({&product.store_id, &product.kind, &product.title, &product.description,
                                       &product.offer_token}) +
                        longest_price(product.price);
    for (const sku_record& sku : product.skus)
        bytes += longest_entry({&sku.store_id, &sku.title, &sku.description}) + longest_price(sku.price);
    return bytes;
}

json_writer& write_price(json_writer& line, const price_record& price) {
    return line.member("price").string(view_of(price.price))
        .member("basePrice").string(view_of(price.base_price))
        .member("currency").string(view_of(price.currency))
        .member("onSale").boolean(price.on_sale)
        .member("saleEnds").date(price.on_sale ? price.sale_ends : 0)
        .member("recurrencePrice").string(view_of(price.recurrence_price));
}

void write_subscription(json_writer& line, const std::optional<subscription_record>& info) {
    if (!info) {
        line.member("billingPeriod").null().member("billingPeriodUnit").null()
            .member("trialPeriod").null().member("trialPeriodUnit").null();
        return;
    }
    line.member("billingPeriod").integer(info->billing_period)
        .member("billingPeriodUnit").string(unit_word(info->billing_unit));
    if (info->trial_period) {
        line.member("trialPeriod").integer(*info->trial_period)
            .member("trialPeriodUnit").string(unit_word(info->trial_unit));
    } else {
        line.member("trialPeriod").null().member("trialPeriodUnit").null();
    }
}

void write_collection(json_writer& line, const std::optional<collection_record>& data) {
    line.member("collection");
    if (!data) {
        line.null();
        return;
    }
    line.open_object()
        .member("trial").boolean(data->trial)
        .member("acquired").date(data->acquired)
        .member("start").date(data->start)
        .member("end").date(data->end)
        .member("trialSecondsLeft").integer(data->trial ? whole_seconds_of_ticks(data->trial_left) : 0)
        .close_object();
}

void write_sku(json_writer& line, wide_view store_id, const sku_record& sku) {
    line.open_object()
        .member("storeId").string(store_id)
        .member("title").string(view_of(sku.title))
        .member("description").string(view_of(sku.description))
        .member("trial").boolean(sku.trial)
        .member("subscription").boolean(sku.subscription);
    write_price(line, sku.price).member("inCollection").boolean(sku.in_collection);
    write_subscription(line, sku.subscription_info);
    write_collection(line, sku.collection);
    line.close_object();
}

// The SKUs come in the order of their Store IDs; equal IDs are put in order by
// the list, as the products are.
void write_product(json_writer& line, wide_view store_id, product_record& product) {
    line.open_object()
        .member("storeId").string(store_id)
        .member("kind").string(view_of(product.kind))
        .member("title").string(view_of(product.title))
        .member("description").string(view_of(product.description));
    write_price(line, product.price)
        .member("inCollection").boolean(product.in_collection)
        .member("offerToken").string(view_of(product.offer_token));
    sorted_entries skus(line.member("skus"), product.skus.size());
    for (sku_record& sku : product.skus) {
        const wide_view sku_id = view_of(sku.store_id);
        skus.add(std::move(sku.store_id), sku_id, 0, [&](json_writer& entry) { write_sku(entry, sku_id, sku); });
    }
    skus.close();
    line.close_object();
}

} // namespace

license_line::license_line(const app_license_record& license, std::size_t add_on_count)
    : line_(open_line("ok")), add_ons_(write_app_license(line_, license).member("addOns"), add_on_count) {}

void license_line::add(add_on_license_record add_on) {
    const std::size_t longest = longest_entry({&add_on.sku, &add_on.sku, &add_on.offer_token});
    const wide_view store_id = store_id_of_sku(view_of(add_on.sku));
    add_ons_.add(std::move(add_on.sku), store_id, longest, [&](json_writer& line) {
        line.open_object()
            .member("storeId").string(store_id)
            .member("sku").string(view_of(add_on.sku))
            .member("active").boolean(add_on.active)
            .member("expires").date(add_on.expires)
            .member("offerToken").string(view_of(add_on.offer_token))
            .close_object();
    });
}

result_line license_line::finish() {
    add_ons_.close();
    return finished(line_);
}

product_list_line::product_list_line(std::size_t product_count)
    : line_(open_line("ok")), products_(line_.member("products"), product_count) {}

void product_list_line::add(product_record product) {
    const std::size_t longest = longest_product(product);
    const wide_view store_id = view_of(product.store_id);
    products_.add(std::move(product.store_id), store_id, longest,
                  [&](json_writer& line) { write_product(line, store_id, product); });
}

result_line product_list_line::finish() {
    products_.close();
    return finished(line_);
}

result_line app_product_line(std::optional<product_record> product) {
    json_writer line = open_line("ok");
    line.member("product");
    if (product) {
        line.reserve(longest_product(*product));
        const wide_view store_id = view_of(product->store_id);
        write_product(line, store_id, *product);
    } else {
        line.null();
    }
    return finished(line);
}

result_line customer_id_line(wide_view id) {
    if (id.empty()) return query_failure_line(WIDE("no id"));
    json_writer line = open_line("ok");
    line.member("id").string(id);
    return finished(line);
}

result_line query_failure_line(HRESULT code, wide_view text, const std::optional<GUID>& tracking_id) {
    json_writer line = open_line("error");
    write_code(line.member("code"), code);
    if (tracking_id) line.member("trackingId").string(guid_text(*tracking_id));
    line.member("error").string(text).close_object();
    return {line.take(), 1};
}

result_line query_failure_line(wide_view text, const std::optional<GUID>& tracking_id) {
    return query_failure_line(S_OK, text, tracking_id);
}
