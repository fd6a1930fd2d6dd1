#include "query_lines.h"

#include "date_time_text.h"
#include "guid_text.h"
#include "json_text.h"

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

// Joins the entries in byte order of their Store IDs; equal IDs in byte order
// of the whole entry, so that one Store state always gives one line. Entries are
// made once more when written, so that the line is the only copy of the texts.
template <class Record, class StoreId, class Entry>
void append_sorted(std::string& line, std::vector<Record>& records, StoreId store_id, Entry entry) {
    std::sort(records.begin(), records.end(), [&](const Record& a, const Record& b) {
        const std::string_view id_a = store_id(a), id_b = store_id(b);
        return id_a != id_b ? id_a < id_b : entry(a) < entry(b);
    });
    line += '[';
    for (const Record& record : records) {
        if (line.back() != '[') line += ',';
        line += entry(record);
    }
    line += ']';
}

std::string add_on_entry(const add_on_licence_record& add_on) {
    std::string entry = "{";
    append_text(entry, "storeId", store_id_of_sku(add_on.sku));
    append_text(entry, "sku", add_on.sku);
    append_bool(entry, "active", add_on.active);
    append_date(entry, "expires", add_on.expires);
    append_text(entry, "offerToken", add_on.offer_token);
    return entry + '}';
}

std::string product_entry(const product_record& product) {
    std::string entry = "{";
    append_text(entry, "storeId", product.store_id);
    append_text(entry, "kind", product.kind);
    append_text(entry, "title", product.title);
    append_text(entry, "description", product.description);
    append_text(entry, "price", product.price);
    append_text(entry, "basePrice", product.base_price);
    append_text(entry, "currency", product.currency);
    append_bool(entry, "onSale", product.on_sale);
    append_date(entry, "saleEnds", product.on_sale ? product.sale_ends : 0);
    append_text(entry, "recurrencePrice", product.recurrence_price);
    append_bool(entry, "inCollection", product.in_collection);
    append_text(entry, "offerToken", product.offer_token);
    return entry + '}';
}

} // namespace

result_line licence_line(app_licence_record licence) {
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
                  add_on_entry);
    line += R"(,"error":null})";
    return {std::move(line), 0};
}

result_line product_list_line(std::vector<product_record> products) {
    std::string line = R"({"status":"ok")";
    append_member(line, "products");
    append_sorted(line, products, [](const product_record& p) { return std::string_view(p.store_id); },
                  product_entry);
    line += R"(,"error":null})";
    return {std::move(line), 0};
}

result_line query_failure_line(HRESULT code, std::string_view text, const std::optional<GUID>& tracking_id) {
    std::string line = R"({"status":"error")";
    append_member(line, "code");
    append_json_code(line, code);
    if (tracking_id) append_text(line, "trackingId", guid_text(*tracking_id));
    append_text(line, "error", text);
    line += '}';
    return {std::move(line), 1};
}

result_line query_failure_line(std::string_view text, const std::optional<GUID>& tracking_id) {
    return query_failure_line(S_OK, text, tracking_id);
}
