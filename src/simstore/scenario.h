// What the simulated Store does in one run, as the scenario text (the
// environment variable STORE_BRIDGE_SIM, after the items of the scenario file
// that STORE_BRIDGE_SIM_FILE names) asks for it. Every field's default is
// the plain run: every request succeeds after 100 ms; the app has a full
// licence without add-ons, and the Store lists no products and no updates.
#pragma once

#include "../platform/win.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace simstore {

using std::chrono::milliseconds;

enum class completion { after_delay, at_creation, never };

// The Store's own exit work (its static destructors; the DLL's detach on
// Windows): it may never finish, as on a lock that a thread killed by the
// process's end held, or it may fault, as on an object such a thread left half
// changed.
enum class exit_work { none, hang, fault };

enum class crash_kind { none, worker, main, language_exception, release, twice, abort };

// The error information that accompanies every injected failure.
struct error_settings {
    std::optional<wide_string> description;
    std::optional<wide_string> restricted;
    std::optional<HRESULT> reported; // none: the failure's own code
    HRESULT details = S_OK;          // what GetErrorDetails returns
};

struct posted_message {
    bool quit; // WM_QUIT, otherwise an unrelated WM_USER
    milliseconds after_request;
};

// A window of another process, for the portable platform only.
struct declared_window {
    HWND handle;
    std::optional<RECT> rect; // none: GetWindowRect fails
    std::optional<milliseconds> closes_after_start;
    std::optional<milliseconds> process_exits_after_start; // the window goes with its process
};

// Every field of the query results that the bridge reads; a scenario can make
// any one of them fail.
enum class store_field {
    app_sku, app_active, app_trial, app_expires, app_add_ons, app_trial_left, app_trial_owned, app_trial_id,
    license_sku, license_active, license_expires, license_offer_token,
    result_products, result_extended_error,
    product_store_id, product_title, product_description, product_kind, product_in_collection, product_price,
    product_offer_token,
    price_base, price_formatted, price_on_sale, price_sale_end, price_currency, price_recurrence,
    consumable_status, consumable_balance, consumable_extended_error,
    update_package, update_mandatory, package_id, package_family_name, package_version,
    context_can_silently_download,
    update_result_overall_state, update_result_statuses,
    product_skus,
    sku_store_id, sku_title, sku_description, sku_trial, sku_price, sku_in_collection, sku_collection_data,
    sku_subscription, sku_subscription_info,
    subscription_billing_period, subscription_billing_unit, subscription_has_trial, subscription_trial_period,
    subscription_trial_unit,
    collection_trial, collection_acquired, collection_start, collection_end, collection_trial_left,
    product_result_product, product_result_extended_error,
    count
};

// 9999-12-31 00:00:00 UTC: the expiry of a licence that never ends.
inline constexpr std::int64_t never_expires = 2650466880000000000;

struct app_license_settings {
    bool active = true;
    bool trial = false;
    bool trial_owned = false;
    std::int64_t trial_left = std::numeric_limits<std::int64_t>::max(); // a full licence's
    std::int64_t expires = never_expires;
    wide_string sku;
    wide_string trial_id;
};

struct add_on_settings {
    wide_string sku;
    std::optional<wide_string> key; // the map's key; none: the SKU Store ID
    bool active = true;
    std::int64_t expires = never_expires;
    wide_string offer_token;
};

struct price_settings {
    wide_string formatted;
    wide_string base;
    wide_string currency;
    bool on_sale = false;
    std::int64_t sale_ends = 0;
    wide_string recurrence;
};

// So many units of time, as a subscription counts them; the unit is a
// StoreDurationUnit, or any other number the platform might add.
struct store_duration {
    UINT32 period = 0;
    INT32 unit = 0; // Minute
};

struct subscription_settings {
    store_duration billing;
    std::optional<store_duration> trial; // none: no trial period
};

// What the user's collection says of an SKU they hold.
struct collection_settings {
    bool trial = false;
    std::int64_t acquired = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t trial_left = 0;
};

struct sku_settings {
    wide_string store_id; // its product's Store ID, then '/' and the SKU's own part
    wide_string title;
    wide_string description;
    bool trial = false;
    std::optional<price_settings> price = price_settings{}; // none: a null price object
    bool in_collection = false;
    bool subscription = false;
    std::optional<subscription_settings> subscription_info;
    std::optional<collection_settings> collection;
};

struct product_settings {
    wide_string store_id;
    wide_string kind = WIDE("Durable");
    wide_string title;
    std::shared_ptr<const wide_string> description; // shared by generated products
    std::optional<price_settings> price = price_settings{}; // none: a null price object
    bool in_collection = false;
    wide_string offer_token;
    bool skus_null = false; // Skus gives no vector
};

// An update the Store offers for one of the app's packages.
struct package_update_settings {
    wide_string family_name;
    std::array<UINT16, 4> version{1, 0, 0, 0}; // major, minor, build, revision
    bool mandatory = false;
};

// One package in the update call, as a progress report or the result tells it.
struct package_update_status {
    wide_string family_name;
    INT32 state = 0; // StorePackageUpdateState
    double package_progress = 0;
    double total_progress = 0;
    std::uint64_t bytes_downloaded = 0;
    std::uint64_t download_size = 0;
};

struct progress_report {
    package_update_status status;
    milliseconds after_request; // after the update call
};

struct package_state {
    wide_string family_name;
    INT32 state;
};

// Whether the context offers IStoreContext3, and what it says there.
enum class silent_download { allowed, refused, missing };

// Add-ons and products made up on demand after the declared ones, for benchmarks.
struct generated_catalogue {
    std::uint32_t add_ons = 0;
    std::uint32_t products = 0;
    std::uint32_t text_length = 1000; // of each generated product's description
    std::shared_ptr<const wide_string> description; // made once the scenario is read
};

// HRESULT fields hold S_OK for "no fault": an injected failure is always negative.
struct scenario {
    HRESULT context = S_OK;
    bool bind_missing = false;
    HRESULT request = S_OK;
    bool request_gives_none = false;
    completion completes = completion::after_delay;
    milliseconds after{100};
    milliseconds handler_delay{0}; // between the operation's end and its handler's call
    INT32 async_status = 0;
    HRESULT results = S_OK;
    bool results_null = false;
    INT32 purchase = 0;
    INT32 review = 0;
    bool updated = false;
    HRESULT updated_failure = S_OK;
    HRESULT status = S_OK;
    error_settings error;
    app_license_settings license;
    std::vector<add_on_settings> add_ons;
    bool add_on_map_null = false;
    std::vector<product_settings> products;
    bool product_map_null = false;
    std::vector<sku_settings> skus; // each belongs to the product (or app product) its Store ID names
    std::optional<product_settings> app_product; // none: the app has no product in the Store
    HRESULT app_extended_error = S_OK;
    wide_string customer_id = WIDE("simulated-id"); // what both customer ID requests give
    HRESULT extended_error = S_OK; // of the product query and the consumable results
    INT32 consumable = 0;
    UINT32 balance = 0;
    std::vector<package_update_settings> package_updates; // in the Store's order
    silent_download can_silently_download = silent_download::allowed;
    // The update call's own operation; the keys above act on the check before it.
    HRESULT update_request = S_OK;
    bool update_request_gives_none = false;
    std::optional<completion> update_completes; // none: as the check
    milliseconds update_after{0};
    HRESULT update_results = S_OK;
    bool update_results_null = false;
    INT32 update_state = 3; // Completed
    std::vector<package_state> package_states; // a later one for a family wins
    std::vector<progress_report> progress;     // none: one default report per package
    std::optional<milliseconds> late_progress; // after completion
    std::optional<milliseconds> update_crash;  // a fault on the update call's worker then
    generated_catalogue generated;
    std::array<HRESULT, static_cast<std::size_t>(store_field::count)> field_failures{}; // S_OK: the read succeeds
    std::vector<posted_message> posts;
    crash_kind crash = crash_kind::none;
    exit_work at_exit = exit_work::none;

    // Read by the portable platform; the Windows DLL ignores them.
    HRESULT apartment = S_OK;
    HRESULT guid = S_OK;
    bool anchor_fails = false;
    bool event_fails = false;
    bool wait_fails = false;
    std::vector<declared_window> windows;
    std::optional<wide_string> package; // the package identity the process runs under
    bool elevated = false;
};

// Why a scenario text was refused; the message names the offending item.
struct scenario_error {
    std::string message;
};

// Why an "sku" item that is well formed on its own is refused: the scenario,
// taken whole, has no product for it.
inline constexpr std::string_view missing_sku_product =
    "expected the SKU of a product or app-product of the scenario (its Store ID up to the first /)";

using parsed_scenario = std::variant<scenario, scenario_error>;

// Items "key=value" separated by ';'. A pure function of the text, UTF-8.
parsed_scenario parse_scenario(std::string_view text);

} // namespace simstore
