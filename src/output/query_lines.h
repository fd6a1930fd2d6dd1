// The lines of the query commands: what the app's licence says, the products
// the Store lists, and the failure of any query. Every text is UTF-8 as it came
// from the platform, but for a failure's words, which the line converts from the
// platform's UTF-16 as it writes them; dates and durations are the platform's
// ticks, turned into the line's forms here.
#pragma once

#include "result_line.h"
#include "../platform/win.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct add_on_licence_record {
    std::string sku; // the SKU Store ID, "9NBLGGH4TNMP/0010"
    bool active = false;
    std::int64_t expires = 0;
    std::string offer_token;
};

struct app_licence_record {
    bool active = false;
    bool trial = false;
    bool trial_owned = false;
    std::int64_t trial_left = 0; // TimeSpan ticks
    std::int64_t expires = 0;    // DateTime ticks
    std::string sku;
    std::string trial_id;
    std::vector<add_on_licence_record> add_ons;
};

// A missing price leaves its texts empty, on_sale false and sale_ends 0.
struct product_record {
    std::string store_id;
    std::string kind;
    std::string title;
    std::string description;
    std::string price;
    std::string base_price;
    std::string currency;
    bool on_sale = false;
    std::int64_t sale_ends = 0;
    std::string recurrence_price;
    bool in_collection = false;
    std::string offer_token;
};

// {"status":"ok","active":...,"addOns":[...],"error":null}, exit code 0;
// add-ons sorted by Store ID (the SKU Store ID up to its first '/').
result_line licence_line(const app_licence_record& licence);

// {"status":"ok","products":[...],"error":null}, exit code 0; sorted by Store ID.
result_line product_list_line(const std::vector<product_record>& products);

// {"status":"error","code":"0x8XXXXXXX","error":"TEXT"}, exit code 1: a query's
// platform failure; "code":null for a code that is no failure. A tracking ID
// goes between code and error: "consume" reports the one it sent, to retry with.
result_line query_failure_line(HRESULT code, wide_view text, const std::optional<GUID>& tracking_id = {});
// {"status":"error","code":null,"error":"TEXT"}, exit code 1: a query that ended
// without a result and without a code.
result_line query_failure_line(wide_view text, const std::optional<GUID>& tracking_id = {});
