// The scenario language: items "key=value" separated by ';', blanks around an
// item ignored, empty items skipped. A repeated key replaces the earlier value,
// except "window", "post", "add-on", "product", "sku", "package-update",
// "package-state", "progress" and "fail", which add one more each time.
#include "scenario.h"
#include "catalogue.h"
#include "catalogue_items.h"
#include "scenario_values.h"
#include "update_items.h"

#include <initializer_list>
#include <utility>
#include <vector>

namespace simstore {
namespace {

std::string_view trim_blanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

template <class T>
bool append(const std::optional<T>& value, std::vector<T>& list) {
    if (value) list.push_back(*value);
    return value.has_value();
}

// Up to a million: more is no catalogue but a mistake.
std::optional<std::uint32_t> read_count(std::string_view text) {
    const auto count = read_int32(text);
    if (!count || *count < 0 || *count > 1'000'000) return std::nullopt;
    return static_cast<std::uint32_t>(*count);
}

// COUNT[:LENGTH]
bool read_generated_products(std::string_view text, generated_catalogue& generated) {
    const auto parts = split(text, ':');
    if (parts.size() > 2) return false;
    if (!assign(read_count(parts[0]), generated.products)) return false;
    return parts.size() == 1 || assign(read_count(parts[1]), generated.text_length);
}

struct named_value {
    std::string_view name;
    INT32 value;
};

// An HRESULT, or one of the success codes a result may carry: 0, S_OK, S_FALSE.
std::optional<HRESULT> read_result_code(std::string_view text) {
    if (text == "0" || text == "S_OK") return S_OK;
    if (text == "S_FALSE") return S_FALSE;
    return read_hresult(text);
}

// One of the names, or any 32-bit integer.
bool assign_status(std::string_view text, std::initializer_list<named_value> names, INT32& field) {
    for (const named_value& entry : names)
        if (entry.name == text) return field = entry.value, true;
    return assign(read_int32(text), field);
}

std::optional<RECT> read_rect(std::string_view text) {
    const auto sides = split(text, ',');
    if (sides.size() != 4) return std::nullopt;
    const auto left = read_int32(sides[0]), top = read_int32(sides[1]), right = read_int32(sides[2]),
               bottom = read_int32(sides[3]);
    if (!left || !top || !right || !bottom) return std::nullopt;
    return RECT{*left, *top, *right, *bottom};
}

// HANDLE:L,T,R,B or HANDLE:norect, optionally followed by :close=MS and :exit=MS, each once.
std::optional<declared_window> read_window(std::string_view text) {
    const auto parts = split(text, ':');
    if (parts.size() < 2 || parts.size() > 4) return std::nullopt;
    const auto handle = read_handle(parts[0]);
    if (!handle) return std::nullopt;
    declared_window window{reinterpret_cast<HWND>(*handle), std::nullopt, std::nullopt, std::nullopt};
    if (parts[1] != "norect") {
        window.rect = read_rect(parts[1]);
        if (!window.rect) return std::nullopt;
    }
    for (std::size_t i = 2; i < parts.size(); ++i) {
        const std::size_t equals = parts[i].find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view name = parts[i].substr(0, equals);
        auto& moment = name == "close" ? window.closes_after_start : window.process_exits_after_start;
        if ((name != "close" && name != "exit") || moment) return std::nullopt;
        moment = read_milliseconds(parts[i].substr(equals + 1));
        if (!moment) return std::nullopt;
    }
    return window;
}

// quit@MS or message@MS.
std::optional<posted_message> read_post(std::string_view text) {
    const std::size_t at = text.find('@');
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view kind = text.substr(0, at);
    if (kind != "quit" && kind != "message") return std::nullopt;
    const auto after = read_milliseconds(text.substr(at + 1));
    if (!after) return std::nullopt;
    return posted_message{kind == "quit", *after};
}

struct key_rule {
    std::string_view key;
    std::string_view expected;
    bool (*apply)(std::string_view value, scenario& result);
};

const key_rule rules[] = {
    {"context", "an HRESULT", [](std::string_view v, scenario& s) { return assign(read_hresult(v), s.context); }},
    {"bind", "missing",
     [](std::string_view v, scenario& s) {
         if (v != "missing") return false;
         s.bind_missing = true;
         return true;
     }},
    {"request", "an HRESULT or none",
     [](std::string_view v, scenario& s) {
         s.request_gives_none = v == "none";
         if (s.request_gives_none) return s.request = S_OK, true;
         return assign(read_hresult(v), s.request);
     }},
    {"after", "milliseconds, now or never",
     [](std::string_view v, scenario& s) {
         if (v == "now") return s.completes = completion::at_creation, true;
         if (v == "never") return s.completes = completion::never, true;
         s.completes = completion::after_delay;
         return assign(read_milliseconds(v), s.after);
     }},
    {"handler-delay", "milliseconds",
     [](std::string_view v, scenario& s) { return assign(read_milliseconds(v), s.handler_delay); }},
    {"async-status", "a 32-bit integer",
     [](std::string_view v, scenario& s) { return assign(read_int32(v), s.async_status); }},
    {"results", "an HRESULT or null",
     [](std::string_view v, scenario& s) {
         s.results_null = v == "null";
         if (s.results_null) return s.results = S_OK, true;
         return assign(read_hresult(v), s.results);
     }},
    {"purchase", "Succeeded, AlreadyPurchased, NotPurchased, NetworkError, ServerError or an integer",
     [](std::string_view v, scenario& s) {
         return assign_status(v,
                              {{"Succeeded", 0}, {"AlreadyPurchased", 1}, {"NotPurchased", 2}, {"NetworkError", 3},
                               {"ServerError", 4}},
                              s.purchase);
     }},
    {"review", "Succeeded, CanceledByUser, NetworkError, Error or an integer",
     [](std::string_view v, scenario& s) {
         return assign_status(v, {{"Succeeded", 0}, {"CanceledByUser", 1}, {"NetworkError", 2}, {"Error", 3}},
                              s.review);
     }},
    {"consumable", "Succeeded, InsufficientQuantity, NetworkError, ServerError or an integer",
     [](std::string_view v, scenario& s) {
         return assign_status(v,
                              {{"Succeeded", 0}, {"InsufficientQuantity", 1}, {"NetworkError", 2}, {"ServerError", 3}},
                              s.consumable);
     }},
    {"balance", "a count from 0 to 4294967295",
     [](std::string_view v, scenario& s) {
         const auto balance = read_int64(v);
         if (!balance || *balance < 0 || *balance > 0xFFFFFFFF) return false;
         s.balance = static_cast<UINT32>(*balance);
         return true;
     }},
    {"updated", "true, false or an HRESULT",
     [](std::string_view v, scenario& s) {
         s.updated_failure = S_OK;
         if (v == "true" || v == "false") return s.updated = v == "true", true;
         return assign(read_hresult(v), s.updated_failure);
     }},
    {"status", "an HRESULT", [](std::string_view v, scenario& s) { return assign(read_hresult(v), s.status); }},
    {"description", "percent-encoded text",
     [](std::string_view v, scenario& s) {
         s.error.description = read_text(v);
         return s.error.description.has_value();
     }},
    {"restricted", "percent-encoded text",
     [](std::string_view v, scenario& s) {
         s.error.restricted = read_text(v);
         return s.error.restricted.has_value();
     }},
    {"reported", "an HRESULT",
     [](std::string_view v, scenario& s) {
         s.error.reported = read_hresult(v);
         return s.error.reported.has_value();
     }},
    {"details", "an HRESULT, 0, S_OK or S_FALSE",
     [](std::string_view v, scenario& s) { return assign(read_result_code(v), s.error.details); }},
    {"app-active", "true or false", [](std::string_view v, scenario& s) { return assign(read_bool(v), s.license.active); }},
    {"app-trial", "true or false", [](std::string_view v, scenario& s) { return assign(read_bool(v), s.license.trial); }},
    {"app-trial-owned", "true or false",
     [](std::string_view v, scenario& s) { return assign(read_bool(v), s.license.trial_owned); }},
    {"app-trial-left", "ticks or max",
     [](std::string_view v, scenario& s) {
         if (v == "max") return s.license.trial_left = std::numeric_limits<std::int64_t>::max(), true;
         return assign(read_int64(v), s.license.trial_left);
     }},
    {"app-expires", "ticks or never", [](std::string_view v, scenario& s) { return assign(read_date(v), s.license.expires); }},
    {"app-sku", "percent-encoded text", [](std::string_view v, scenario& s) { return assign(read_text(v), s.license.sku); }},
    {"app-trial-id", "percent-encoded text",
     [](std::string_view v, scenario& s) { return assign(read_text(v), s.license.trial_id); }},
    {"add-on", "SKU[,active=BOOL][,expires=TICKS][,token=TEXT][,key=TEXT]",
     [](std::string_view v, scenario& s) { return append(read_add_on(v), s.add_ons); }},
    {"add-on-map", "null", [](std::string_view v, scenario& s) { return v == "null" && (s.add_on_map_null = true); }},
    {"product", "ID[,FIELD=VALUE...]",
     [](std::string_view v, scenario& s) { return append(read_product(v, WIDE("Durable")), s.products); }},
    {"sku", "SKU_STORE_ID[,FIELD=VALUE...], trial-period only with billing",
     [](std::string_view v, scenario& s) { return append(read_sku(v), s.skus); }},
    {"app-product", "ID[,FIELD=VALUE...]",
     [](std::string_view v, scenario& s) { return (s.app_product = read_product(v, WIDE("Application"))).has_value(); }},
    {"app-extended-error", "an HRESULT, 0, S_OK or S_FALSE",
     [](std::string_view v, scenario& s) { return assign(read_result_code(v), s.app_extended_error); }},
    {"customer-id", "percent-encoded text",
     [](std::string_view v, scenario& s) { return assign(read_text(v), s.customer_id); }},
    {"product-map", "null", [](std::string_view v, scenario& s) { return v == "null" && (s.product_map_null = true); }},
    {"extended-error", "an HRESULT, 0, S_OK or S_FALSE",
     [](std::string_view v, scenario& s) { return assign(read_result_code(v), s.extended_error); }},
    {"package-update",
     "FAMILY[,version=A.B.C.D][,mandatory=BOOL]: FAMILY percent-encoded, not empty; A to D each 0 to 65535",
     [](std::string_view v, scenario& s) { return append(read_package_update(v), s.package_updates); }},
    {"can-silently-download", "true, false or missing",
     [](std::string_view v, scenario& s) {
         if (v == "missing") return s.can_silently_download = silent_download::missing, true;
         const auto allowed = read_bool(v);
         if (allowed) s.can_silently_download = *allowed ? silent_download::allowed : silent_download::refused;
         return allowed.has_value();
     }},
    {"update-request", "an HRESULT or none",
     [](std::string_view v, scenario& s) {
         s.update_request_gives_none = v == "none";
         if (s.update_request_gives_none) return s.update_request = S_OK, true;
         return assign(read_hresult(v), s.update_request);
     }},
    {"update-after", "milliseconds, now or never",
     [](std::string_view v, scenario& s) {
         if (v == "now") return s.update_completes = completion::at_creation, true;
         if (v == "never") return s.update_completes = completion::never, true;
         s.update_completes = completion::after_delay;
         return assign(read_milliseconds(v), s.update_after);
     }},
    {"update-results", "an HRESULT or null",
     [](std::string_view v, scenario& s) {
         s.update_results_null = v == "null";
         if (s.update_results_null) return s.update_results = S_OK, true;
         return assign(read_hresult(v), s.update_results);
     }},
    {"update-state",
     "Pending, Downloading, Deploying, Completed, Canceled, OtherError, ErrorLowBattery, ErrorWiFiRecommended, "
     "ErrorWiFiRequired or an integer",
     [](std::string_view v, scenario& s) { return assign(read_update_state(v), s.update_state); }},
    {"package-state", "FAMILY:STATE, FAMILY percent-encoded, STATE as for update-state",
     [](std::string_view v, scenario& s) { return append(read_package_state(v), s.package_states); }},
    {"progress",
     "FAMILY:STATE:PACKAGE:TOTAL:BYTES:SIZE@MS: FAMILY percent-encoded, STATE as for update-state, PACKAGE and "
     "TOTAL decimal fractions, BYTES and SIZE 0 to 18446744073709551615",
     [](std::string_view v, scenario& s) { return append(read_progress_report(v), s.progress); }},
    {"late-progress", "milliseconds",
     [](std::string_view v, scenario& s) {
         s.late_progress = read_milliseconds(v);
         return s.late_progress.has_value();
     }},
    {"update-crash", "worker@MS",
     [](std::string_view v, scenario& s) {
         s.update_crash = read_update_crash(v);
         return s.update_crash.has_value();
     }},
    {"fail", "Object.Field:HRESULT",
     [](std::string_view v, scenario& s) {
         const auto failure = read_field_failure(v);
         if (failure) s.field_failures[static_cast<std::size_t>(failure->first)] = failure->second;
         return failure.has_value();
     }},
    {"generate-add-ons", "a count up to 1000000",
     [](std::string_view v, scenario& s) { return assign(read_count(v), s.generated.add_ons); }},
    {"generate-products", "COUNT[:LENGTH], each up to 1000000",
     [](std::string_view v, scenario& s) { return read_generated_products(v, s.generated); }},
    {"window", "HANDLE:L,T,R,B or HANDLE:norect, optionally followed by :close=MS and :exit=MS",
     [](std::string_view v, scenario& s) {
         const auto window = read_window(v);
         if (window) s.windows.push_back(*window);
         return window.has_value();
     }},
    {"post", "quit@MS or message@MS",
     [](std::string_view v, scenario& s) {
         const auto post = read_post(v);
         if (post) s.posts.push_back(*post);
         return post.has_value();
     }},
    {"elevated", "true or false", [](std::string_view v, scenario& s) { return assign(read_bool(v), s.elevated); }},
    {"apartment", "an HRESULT", [](std::string_view v, scenario& s) { return assign(read_hresult(v), s.apartment); }},
    {"guid", "an HRESULT", [](std::string_view v, scenario& s) { return assign(read_hresult(v), s.guid); }},
    {"anchor", "fail",
     [](std::string_view v, scenario& s) {
         if (v != "fail") return false;
         s.anchor_fails = true;
         return true;
     }},
    {"event", "fail",
     [](std::string_view v, scenario& s) {
         if (v != "fail") return false;
         s.event_fails = true;
         return true;
     }},
    {"wait", "fail",
     [](std::string_view v, scenario& s) {
         if (v != "fail") return false;
         s.wait_fails = true;
         return true;
     }},
    {"package", "a package full name (percent-encoded text, not empty)",
     [](std::string_view v, scenario& s) {
         s.package = read_text(v);
         return s.package.has_value() && !s.package->empty();
     }},
    {"at-exit", "hang or fault",
     [](std::string_view v, scenario& s) {
         if (v == "hang") return s.at_exit = exit_work::hang, true;
         if (v == "fault") return s.at_exit = exit_work::fault, true;
         return false;
     }},
    {"crash", "worker, main, throw, release, twice or abort",
     [](std::string_view v, scenario& s) {
         constexpr std::pair<std::string_view, crash_kind> kinds[] = {
             {"worker", crash_kind::worker},   {"main", crash_kind::main},   {"throw", crash_kind::language_exception},
             {"release", crash_kind::release}, {"twice", crash_kind::twice}, {"abort", crash_kind::abort}};
         for (const auto& [name, kind] : kinds)
             if (name == v) return s.crash = kind, true;
         return false;
     }},
};

scenario_error bad_item(std::string_view item, std::string_view problem) {
    return {"bad scenario item \"" + std::string(item) + "\": " + std::string(problem)};
}

bool has_product(const scenario& settings, wide_view store_id) {
    for (const product_settings& product : settings.products)
        if (product.store_id == store_id) return true;
    return settings.app_product && settings.app_product->store_id == store_id;
}

} // namespace

parsed_scenario parse_scenario(std::string_view text) {
    scenario result;
    std::vector<std::string_view> sku_items; // to name an SKU whose product is missing
    for (const std::string_view raw_item : split(text, ';')) {
        const std::string_view item = trim_blanks(raw_item);
        if (item.empty()) continue;
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) return bad_item(item, "expected key=value");
        const std::string_view key = item.substr(0, equals);
        const key_rule* rule = nullptr;
        for (const key_rule& candidate : rules)
            if (candidate.key == key) rule = &candidate;
        if (!rule) return bad_item(item, "unknown key");
        if (!rule->apply(item.substr(equals + 1), result))
            return bad_item(item, "expected " + std::string(rule->expected));
        if (key == "sku") sku_items.push_back(item);
    }
    // Only the whole scenario tells whether an SKU's product is in it.
    for (std::size_t i = 0; i < result.skus.size(); ++i)
        if (!has_product(result, sku_product_id(result.skus[i].store_id)))
            return bad_item(sku_items[i], missing_sku_product);
    if (result.generated.products)
        result.generated.description =
            std::make_shared<const wide_string>(generated_description(result.generated.text_length));
    return result;
}

} // namespace simstore
