// The lines of the query commands: what the app's licence says, the products
// the Store lists, and the failure of any query. Every text is the platform's
// string as the Store handed it over, converted only as it is written into the
// line; dates and durations are the platform's ticks, turned into the line's
// forms here. Texts are escaped as RFC 8259 asks (json_writer.h).
#pragma once

#include "json_writer.h"
#include "result_line.h"
#include "sorted_entries.h"
#include "../platform/hstring.h"

#include <cstdint>
#include <optional>
#include <vector>

struct add_on_license_record {
    unique_hstring sku; // the SKU Store ID, "9NBLGGH4TNMP/0010"
    bool active = false;
    std::int64_t expires = 0;
    unique_hstring offer_token;
};

struct app_license_record {
    bool active = false;
    bool trial = false;
    bool trial_owned = false;
    std::int64_t trial_left = 0; // TimeSpan ticks
    std::int64_t expires = 0;    // DateTime ticks
    unique_hstring sku;
    unique_hstring trial_id;
};

// A missing price leaves its texts empty, on_sale false and sale_ends 0.
struct price_record {
    unique_hstring price;
    unique_hstring base_price;
    unique_hstring currency;
    bool on_sale = false;
    std::int64_t sale_ends = 0;
    unique_hstring recurrence_price;
};

// StoreDurationUnit values stay as the Store gave them: a value this program
// does not know is written as "unknown".
struct subscription_record {
    UINT32 billing_period = 0;
    INT32 billing_unit = 0;
    // Both none when the subscription has no trial period.
    std::optional<UINT32> trial_period;
    INT32 trial_unit = 0;
};

struct collection_record {
    bool trial = false;
    std::int64_t acquired = 0; // DateTime ticks
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t trial_left = 0; // TimeSpan ticks
};

struct sku_record {
    unique_hstring store_id; // "9NBLGGH4TNMP/0010"
    unique_hstring title;
    unique_hstring description;
    bool trial = false;
    bool subscription = false;
    price_record price;
    bool in_collection = false;
    std::optional<subscription_record> subscription_info; // none: no SubscriptionInfo
    std::optional<collection_record> collection;          // none: no CollectionData
};

struct product_record {
    unique_hstring store_id;
    unique_hstring kind;
    unique_hstring title;
    unique_hstring description;
    price_record price;
    bool in_collection = false;
    unique_hstring offer_token;
    // In the order of their Store IDs (store_id_order, sorted_entries.h).
    std::vector<sku_record> skus;
};

// The Store ID of an add-on: its SKU Store ID up to the first '/'.
wide_view store_id_of_sku(wide_view sku);

// {"status":"ok","active":...,"addOns":[...],"error":null}, exit code 0, the
// add-ons sorted by Store ID. Each add-on goes into the line as it is read, and
// they are read in the order of their Store IDs (store_id_order, sorted_entries.h).
class license_line {
public:
    // add_on_count: how many add-ons are to come.
    license_line(const app_license_record& license, std::size_t add_on_count);
    void add(add_on_license_record add_on);
    result_line finish();

private:
    json_writer line_;
    sorted_entries add_ons_;
};

// {"status":"ok","products":[...],"error":null}, exit code 0, sorted by Store
// ID. Each product goes into the line as it is read, and they are read in the
// order of their Store IDs (store_id_order, sorted_entries.h).
class product_list_line {
public:
    explicit product_list_line(std::size_t product_count);
    void add(product_record product);
    result_line finish();

private:
    json_writer line_;
    sorted_entries products_;
};

// {"status":"ok","product":{...},"error":null}, exit code 0: the app's own
// product, "product":null when the Store has none.
result_line app_product_line(std::optional<product_record> product);

// {"status":"ok","id":"...","error":null}, exit code 0: a customer ID for the
// developer's service; an empty ID is the query failure line "no id".
result_line customer_id_line(wide_view id);

// {"status":"error","code":"0x8XXXXXXX","error":"TEXT"}, exit code 1: a query's
// platform failure; "code":null for a code that is no failure. A tracking ID
// goes between code and error: "consume" reports the one it sent, to retry with.
result_line query_failure_line(HRESULT code, wide_view text, const std::optional<GUID>& tracking_id = {});
// {"status":"error","code":null,"error":"TEXT"}, exit code 1: a query that ended
// without a result and without a code.
result_line query_failure_line(wide_view text, const std::optional<GUID>& tracking_id = {});
