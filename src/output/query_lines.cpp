#include "query_lines.h"

#include "code_value.h"
#include "date_time_text.h"
#include "guid_text.h"
#include "json_text.h"
#include "json_writer.h"

#include <algorithm>
#include <utility>

namespace {

void append_member(std::string& line, std::string_view name) {
    if (line.back() != '{') line += ',';
    line += '"';
    line += name;
    line += "\":";
}

void append_text(std::string& line, std::string_view name, std::string_view utf8) {
    append_member(line, name);
    append_json_string(line, utf8);
}

void append_bool(std::string& line, std::string_view name, bool value) {
    append_member(line, name);
    line += value ? "true" : "false";
}

void append_date(std::string& line, std::string_view name, std::int64_t ticks) {
    append_member(line, name);
    const auto text = rfc3339_of_ticks(ticks);
    if (text) append_json_string(line, *text);
    else line += "null";
}

std::string_view store_id_of_sku(std::string_view sku) { return sku.substr(0, sku.find('/')); }

// An entry's names, punctuation, flags and date, beside its texts.
constexpr std::size_t entry_frame_bytes = 256;

std::size_t text_bytes(const add_on_licence_record& add_on) { return 2 * add_on.sku.size() + add_on.offer_token.size(); }

std::size_t text_bytes(const product_record& product) {
    return product.store_id.size() + product.kind.size() + product.title.size() + product.description.size() +
           product.price.size() + product.base_price.size() + product.currency.size() +
           product.recurrence_price.size() + product.offer_token.size();
}

// Joins the entries in byte order of their Store IDs; equal IDs in byte order
// of the whole entry, so that one Store state always gives one line. Entries
// are written straight into the line, so that it is the only copy of the texts;
// the line first gets room for its longest form (every text byte escaped as
// \u00XX), so that it is never moved, and the pages it never writes stay untouched.
template <class Record, class StoreId, class AppendEntry>
void append_sorted(std::string& line, const std::vector<Record>& records, StoreId store_id, AppendEntry append_entry) {
    std::size_t longest = line.size() + 64;
    for (const Record& record : records) longest += entry_frame_bytes + 6 * text_bytes(record);
    line.reserve(longest);
    const auto entry = [&](const Record& record) {
        std::string text;
        append_entry(text, record);
        return text;
    };
    // The records stay where they are; only pointers to them are ordered.
    std::vector<const Record*> order;
    order.reserve(records.size());
    for (const Record& record : records) order.push_back(&record);
    std::sort(order.begin(), order.end(), [&](const Record* a, const Record* b) {
        const std::string_view id_a = store_id(*a), id_b = store_id(*b);
        return id_a != id_b ? id_a < id_b : entry(*a) < entry(*b);
    });
    line += '[';
    for (const Record* record : order) {
        if (line.back() != '[') line += ',';
        append_entry(line, *record);
    }
    line += ']';
}

void append_add_on_entry(std::string& line, const add_on_licence_record& add_on) {
    line += '{';
    append_text(line, "storeId", store_id_of_sku(add_on.sku));
    append_text(line, "sku", add_on.sku);
    append_bool(line, "active", add_on.active);
    append_date(line, "expires", add_on.expires);
    append_text(line, "offerToken", add_on.offer_token);
    line += '}';
}

void append_product_entry(std::string& line, const product_record& product) {
    line += '{';
    append_text(line, "storeId", product.store_id);
    append_text(line, "kind", product.kind);
    append_text(line, "title", product.title);
    append_text(line, "description", product.description);
    append_text(line, "price", product.price);
    append_text(line, "basePrice", product.base_price);
    append_text(line, "currency", product.currency);
    append_bool(line, "onSale", product.on_sale);
    append_date(line, "saleEnds", product.on_sale ? product.sale_ends : 0);
    append_text(line, "recurrencePrice", product.recurrence_price);
    append_bool(line, "inCollection", product.in_collection);
    append_text(line, "offerToken", product.offer_token);
    line += '}';
}

} // namespace

result_line licence_line(const app_licence_record& licence) {
    std::string line = R"({"status":"ok")";
    append_bool(line, "active", licence.active);
    append_bool(line, "trial", licence.trial);
    append_bool(line, "trialOwned", licence.trial_owned);
    append_member(line, "trialSecondsLeft");
    line += std::to_string(licence.trial ? whole_seconds_of_ticks(licence.trial_left) : 0);
    append_date(line, "expires", licence.expires);
    append_text(line, "sku", licence.sku);
    append_text(line, "trialId", licence.trial_id);
    append_member(line, "addOns");
    append_sorted(line, licence.add_ons, [](const add_on_licence_record& a) { return store_id_of_sku(a.sku); },
                  append_add_on_entry);
    line += R"(,"error":null})";
    return {std::move(line), 0};
}

result_line product_list_line(const std::vector<product_record>& products) {
    std::string line = R"({"status":"ok")";
    append_member(line, "products");
    append_sorted(line, products, [](const product_record& p) { return std::string_view(p.store_id); },
                  append_product_entry);
    line += R"(,"error":null})";
    return {std::move(line), 0};
}

result_line query_failure_line(HRESULT code, wide_view text, const std::optional<GUID>& tracking_id) {
    json_writer line(escape_rule::rfc8259);
    write_code(line.open_object().member("status").string("error").member("code"), code);
    if (tracking_id) line.member("trackingId").string(guid_text(*tracking_id));
    line.member("error").string(text).close_object();
    return {line.take(), 1};
}

result_line query_failure_line(wide_view text, const std::optional<GUID>& tracking_id) {
    return query_failure_line(S_OK, text, tracking_id);
}
