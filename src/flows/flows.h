// The Store commands, one flow each: its arguments, its calls and its line.
// Each returns its line; only standard failures are raised.
#pragma once

#include "../calls/store_queries.h"
#include "../output/result_line.h"
#include "../platform/win.h"

#include <span>

// "buy <StoreID> [<window handle>]": shows the Store's purchase dialog for one
// product, over the host's window when the handle names a live one, and
// returns the line of its outcome, "owner closed" when that window goes away
// first.
result_line run_purchase_flow(std::span<const wide_string> arguments);

// "review [<window handle>]": shows the Store's rate-and-review dialog over the
// host's window and returns the line of its outcome, "owner closed" when the
// host's window goes away first.
result_line run_review_flow(std::span<const wide_string> arguments);

// "license": the app's licence and its add-on licences; arguments are ignored.
result_line run_license_flow(std::span<const wide_string> arguments);
// "products [KINDS]": the add-ons the Store offers this app, with the user's prices.
result_line run_products_flow(std::span<const wide_string> arguments);
// "collection [KINDS]": the products this user owns.
result_line run_collection_flow(std::span<const wide_string> arguments);
// "app": the app's own product, as the Store lists it; arguments are ignored.
result_line run_app_flow(std::span<const wide_string> arguments);

// "purchase-id" and "collections-id": a customer ID for the developer's
// service, for the ticket and user ID that the object on standard input gave.
result_line run_purchase_id_flow(const customer_id_request& request);
result_line run_collections_id_flow(const customer_id_request& request);

// "updates": the updates the Store has for this app's packages; arguments are ignored.
result_line run_updates_flow(std::span<const wide_string> arguments);
// "update [--download-only] [--silent] [--progress] [<window handle>]": the same
// check, then one call that downloads (and installs) every update it found,
// with a progress line for each report when asked; "owner closed" when the
// host's window goes away while the Store's UI is up.
result_line run_update_flow(std::span<const wide_string> arguments);

// "consume <StoreID> <quantity> [<trackingId>]": without a tracking ID, a new random one.
result_line run_consume_flow(std::span<const wide_string> arguments);
// "balance <StoreID>": what is left of a Store-managed consumable.
result_line run_balance_flow(std::span<const wide_string> arguments);
