#include "query_lines.h"

#include "code_value.h"
#include "date_time_text.h"
#include "guid_text.h"

#include <initializer_list>

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
    const std::size_t longest =
        longest_entry({&product.store_id, &product.kind, &product.title, &product.description, &product.price,
                       &product.base_price, &product.currency, &product.recurrence_price, &product.offer_token});
    const wide_view store_id = view_of(product.store_id);
    products_.add(std::move(product.store_id), store_id, longest, [&](json_writer& line) {
        line.open_object()
            .member("storeId").string(store_id)
            .member("kind").string(view_of(product.kind))
            .member("title").string(view_of(product.title))
            .member("description").string(view_of(product.description))
            .member("price").string(view_of(product.price))
            .member("basePrice").string(view_of(product.base_price))
            .member("currency").string(view_of(product.currency))
            .member("onSale").boolean(product.on_sale)
            .member("saleEnds").date(product.on_sale ? product.sale_ends : 0)
            .member("recurrencePrice").string(view_of(product.recurrence_price))
            .member("inCollection").boolean(product.in_collection)
            .member("offerToken").string(view_of(product.offer_token))
            .close_object();
    });
}

result_line product_list_line::finish() {
    products_.close();
    return finished(line_);
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
